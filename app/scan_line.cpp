#include "app/scan_line.h"

#include "core/io_registers.h"
#include "core/machine_state.h"
#include "core/step.h"

namespace {

// Where the LCD stands: LY above the STAT mode field.
inline uint32_t lcdPosition(const uint8_t* io) {
    return (uint32_t{io[reg::LY]} << 8) | (io[reg::STAT] & 3u);
}

// What a move of the LCD from one position to another means. The moves that are no
// event (a new visible line starting, the transfer starting) go on stepping.
LcdEvent eventOf(uint32_t before, uint32_t now) {
    const uint32_t lineBefore = before >> 8, line = now >> 8;
    if (line == lineBefore) {
        const bool transferEnded = (before & 3) == 3 && (now & 3) == 0;
        return transferEnded && line < 144 ? LcdEvent::LineTransferred : LcdEvent::None;
    }
    return lineBefore >= 144 ? LcdEvent::BlankLineEnded : LcdEvent::None;
}

}  // namespace

// Kept out of its callers, so that the stepping loop is compiled on its own and keeps
// its few values in registers rather than sharing them with the renderer's.
[[gnu::noinline]] LcdEvent stepToLcdEvent(uint32_t* stepsTaken) {
    // LY and STAT are read straight from the register page, not through the bus.
    const uint8_t* io = machine.HighPage.data();
    uint32_t position = lcdPosition(io);
    const uint32_t maxSteps = maxStepsWithoutLineChange();
    uint32_t steps = 0;
    LcdEvent event = LcdEvent::None;
    while (steps < maxSteps) {
        // A halted CPU waits most of a frame for its interrupt: the steps in which
        // only DIV and the LCD's step count move are done at once.
        if (machine.halted | machine.stopped) {
            steps += skipIdleSteps(maxSteps - steps);
            if (steps == maxSteps) break;
        }
        stepMachine();
        ++steps;
        const uint32_t now = lcdPosition(io);
        if (now != position) {
            event = eventOf(position, now);
            if (event != LcdEvent::None) break;
            position = now;
        }
    }
    if (stepsTaken) *stepsTaken = steps;
    return event;
}
