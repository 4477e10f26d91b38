#include "core/step.h"

#include "core/app_flags.h"
#include "core/bus.h"
#include "core/cpu.h"
#include "core/io_registers.h"
#include "core/lcd.h"
#include "core/machine_state.h"
#include "core/timer.h"

namespace {

using namespace reg;

void dispatchInterrupt() {
    const uint8_t pending = machine.HighPage[IE] & machine.HighPage[IF] & 0x1F;
    if (pending == 0) return;
    const uint8_t bit = static_cast<uint8_t>(__builtin_ctz(pending));  // lowest bit wins
    machine.ime = 0;
    machine.HighPage[IF] &= static_cast<uint8_t>(~(1u << bit));
    machine.cpu.SP = static_cast<uint16_t>(machine.cpu.SP - 2);
    // HALT leaves PC on its own opcode; the return address is the instruction after it.
    if (machine.halted) machine.cpu.PC = static_cast<uint16_t>(machine.cpu.PC + 1);
    machine.halted = 0;
    writeWord(machine.cpu.PC, machine.cpu.SP);
    machine.cpu.PC = static_cast<uint16_t>(0x40 + 8 * bit);
}

// Whether a pressed button pulls a joypad line low that the program has selected
// in P1 (bit 4 the directions, bit 5 the buttons; 0 selects).
bool buttonOnSelectedLine() {
    const uint8_t select = machine.HighPage[P1];
    const JoypadButtons& pad = JoypadState;
    const bool directions = pad.down | pad.up | pad.left | pad.right;
    const bool buttons = pad.start | pad.select | pad.b | pad.a;
    return (!(select & 0x10) && directions) || (!(select & 0x20) && buttons);
}

}  // namespace

uint32_t skipIdleSteps(uint32_t maxSteps) {
    if (!cartridgeLoaded || (machine.halted | machine.stopped) == 0) return 0;
    uint8_t* const io = machine.HighPage;
    // An interrupt that can be taken is dispatched at the end of the very next step.
    if (machine.ime && (io[IE] & io[IF] & 0x1F) != 0) return 0;
    // Neither the step that ticks the LCD nor the one on which TIMA overflows is
    // skipped: both can request the interrupt that ends the wait.
    uint32_t steps = maxSteps;
    const bool lcdOn = io[LCDC] & 0x80;
    if (lcdOn) {
        const uint32_t quietSteps = kStepsPerLcdTick - 1u - machine.lcdTickCounter;
        if (steps > quietSteps) steps = quietSteps;
    }
    const uint32_t timerQuietSteps = stepsBeforeTimerOverflow();
    if (steps > timerQuietSteps) steps = timerQuietSteps;
    if (lcdOn) machine.lcdTickCounter = static_cast<uint8_t>(machine.lcdTickCounter + steps);
    skipTimerSteps(steps);
    machine.stepCount += steps;
    return steps;
}

bool stepMachine() {
    if (!cartridgeLoaded) return false;
    ++machine.stepCount;
    // One test covers both: either is 0 while the CPU runs.
    if ((machine.halted | machine.stopped) == 0) {
        executeInstruction();
    } else if (machine.stopped == kWaitingForButton && buttonOnSelectedLine()) {
        machine.stopped = 0;  // the next step runs the instruction after STOP
    }
    advanceLcd();
    advanceTimer();
    if (machine.ime && machine.HighPage[IE] != 0) dispatchInterrupt();
    return !machine.stopped;
}
