#include "app/scan_line.h"

#include "core/machine_state.h"
#include "core/step.h"

bool stepUntilLineChanges(uint32_t* stepsTaken) {
    // LY is read straight from the register page, not through the bus.
    const uint8_t* ly = &machine.HighPage[ioIndex(0xFF44)];
    const uint8_t line = *ly;
    uint32_t steps = 0;
    bool changed = false;
    while (!changed && steps < kMaxStepsWithoutLineChange) {
        stepMachine();
        ++steps;
        changed = *ly != line;
    }
    if (stepsTaken) *stepsTaken = steps;
    return changed;
}
