// TEMPORARY placeholder until the CB-prefixed instructions land.
#include "core/cpu.h"
#include "core/machine_state.h"
void executeCbInstruction() {
    machine.stopped = 1;
}
