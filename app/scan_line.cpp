#include "app/scan_line.h"

#include "core/io_registers.h"
#include "core/machine_state.h"
#include "core/step.h"

// Kept out of its callers, so that the stepping loop is compiled on its own and keeps
// its few values in registers rather than sharing them with the renderer's.
[[gnu::noinline]] bool stepUntilLineChanges(uint32_t* stepsTaken) {
    // LY is read straight from the register page, not through the bus.
    const uint8_t* ly = &machine.HighPage[reg::LY];
    const uint8_t line = *ly;
    uint32_t steps = 0;
    bool changed = false;
    while (!changed && steps < kMaxStepsWithoutLineChange) {
        // A halted CPU waits most of a frame for its interrupt: the steps in which
        // only DIV and the LCD's step count move are done at once.
        if (machine.halted | machine.stopped) {
            steps += skipIdleSteps(kMaxStepsWithoutLineChange - steps);
            if (steps == kMaxStepsWithoutLineChange) break;
        }
        stepMachine();
        ++steps;
        changed = *ly != line;
    }
    if (stepsTaken) *stepsTaken = steps;
    return changed;
}
