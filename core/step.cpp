#include "core/step.h"

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
    const JoypadButtons& pad = machine.joypad;
    const bool directions = pad.down | pad.up | pad.left | pad.right;
    const bool buttons = pad.start | pad.select | pad.b | pad.a;
    return (!(select & 0x10) && directions) || (!(select & 0x20) && buttons);
}

// stepCount counts time, in steps of the normal speed: at double speed two steps
// move it on by one, stepCountParity telling which of the two does.
void countSteps(uint32_t steps) {
    if (machine.doubleSpeed) {
        const uint32_t halfSteps = machine.stepCountParity + steps;
        machine.stepCount += halfSteps >> 1;
        machine.stepCountParity = static_cast<uint8_t>(halfSteps & 1);
    } else {
        machine.stepCount += steps;
    }
}

// The start of a step in the less common cases: the CPU halted or stopped, or running
// at double speed. Kept out of stepMachine, so that the common step, the CPU running
// at normal speed, costs one flag test more and nothing else.
[[gnu::noinline]] void beginUncommonStep() {
    countSteps(1);
    if ((machine.halted | machine.stopped) == 0) {
        executeInstruction();
    } else if (machine.stopped == kWaitingForButton && buttonOnSelectedLine()) {
        machine.stopped = 0;  // the next step runs the instruction after STOP
    }
}

}  // namespace

void switchCpuSpeed() {
    machine.doubleSpeed ^= 1;
    machine.stepsPerLcdTick = static_cast<uint8_t>(kStepsPerLcdTick << machine.doubleSpeed);
    machine.HighPage[KEY1] = machine.doubleSpeed ? 0xFE : 0x7E;  // switched; no longer armed
    // The LCD goes on at its own pace: the part of a tick already gone is kept.
    machine.lcdTickCounter = machine.doubleSpeed ? static_cast<uint8_t>(machine.lcdTickCounter * 2)
                                                 : static_cast<uint8_t>(machine.lcdTickCounter / 2);
    machine.stepCountParity = 0;
}

uint32_t skipIdleSteps(uint32_t maxSteps) {
    if (!machine.cartridgeLoaded || (machine.halted | machine.stopped) == 0) return 0;
    uint8_t* const io = machine.HighPage.data();
    // An interrupt that can be taken is dispatched at the end of the very next step.
    if (machine.ime && (io[IE] & io[IF] & 0x1F) != 0) return 0;
    // Neither the step that ticks the LCD nor the one on which TIMA overflows is
    // skipped: both can request the interrupt that ends the wait.
    uint32_t steps = maxSteps;
    const bool lcdOn = io[LCDC] & 0x80;
    if (lcdOn) {
        const uint32_t quietSteps = machine.stepsPerLcdTick - 1u - machine.lcdTickCounter;
        if (steps > quietSteps) steps = quietSteps;
    }
    const uint32_t timerQuietSteps = stepsBeforeTimerOverflow();
    if (steps > timerQuietSteps) steps = timerQuietSteps;
    if (lcdOn) machine.lcdTickCounter = static_cast<uint8_t>(machine.lcdTickCounter + steps);
    skipTimerSteps(steps);
    countSteps(steps);
    return steps;
}

bool stepMachine() {
    if (!machine.cartridgeLoaded) return false;
    // One test covers the common step: each flag is 0 while the CPU runs at normal speed.
    if ((machine.halted | machine.stopped | machine.doubleSpeed) == 0) {
        ++machine.stepCount;
        executeInstruction();
    } else {
        beginUncommonStep();
    }
    advanceLcd();
    advanceTimer();
    if (machine.ime && machine.HighPage[IE] != 0) dispatchInterrupt();
    return !machine.stopped;
}
