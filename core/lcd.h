// LCD timing, paced by emulation steps: every 16th step with the LCD on is one tick,
// and each tick moves either the STAT mode or LY on by one.
#pragma once

#include <cstdint>

#include "core/io_registers.h"
#include "core/machine_state.h"

inline constexpr uint8_t kStepsPerLcdTick = 16;

// One LCD tick: moves the STAT mode or LY on and requests interrupts.
void tickLcd();

// Called once per step. DIV counts down on every step, LCD on or off; with the LCD
// on, every 16th step is a tick. Inline, since it runs for every instruction.
inline void advanceLcd() {
    uint8_t* const io = machine.HighPage;
    --io[reg::DIV];
    if (!(io[reg::LCDC] & 0x80)) return;  // LCD off freezes everything else
    if (++machine.lcdTickCounter < kStepsPerLcdTick) return;
    tickLcd();
}
// Moves STAT from the given mode (0-3) to the next, requesting STAT interrupts.
void advanceStatMode(uint8_t mode);
