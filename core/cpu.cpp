// TEMPORARY placeholder until the instruction set lands: stops the CPU.
#include "core/cpu.h"

#include "core/machine_state.h"
void executeInstruction() {
    machine.stopped = 1;
}
