#include "app/scan_line.h"

#include "core/machine_state.h"
#include "core/step.h"

bool stepUntilLineChanges() {
    // LY is read straight from the register page, not through the bus.
    const uint8_t* ly = &machine.HighPage[ioIndex(0xFF44)];
    const uint8_t line = *ly;
    for (uint32_t steps = 0; steps < kMaxStepsWithoutLineChange; ++steps) {
        stepMachine();
        if (*ly != line) return true;
    }
    return false;
}
