// LCD timing, paced by emulation steps: every 16th step with the LCD on is one tick,
// and each tick moves either the STAT mode or LY on by one. At double speed the CPU
// runs two instructions in the time of one, so a tick takes 32 steps.
#pragma once

#include <cstdint>

#include "core/io_registers.h"
#include "core/machine_state.h"

inline constexpr uint8_t kStepsPerLcdTick = 16;  // at normal speed

// One LCD tick: moves the STAT mode or LY on, keeps the LY=LYC flag (STAT bit 2)
// and requests interrupts.
void tickLcd();

// Called once per step; with the LCD on, every 16th step (32nd at double speed) is a
// tick. Inline, since it runs for every instruction.
inline void advanceLcd() {
    if (!(machine.HighPage[reg::LCDC] & 0x80)) return;  // LCD off: nothing moves
    if (++machine.lcdTickCounter < machine.stepsPerLcdTick) return;
    tickLcd();
}

// Whether the window is shown on the line being drawn: switched on (in the monochrome
// model together with the background; the colour model's LCDC bit 0 is a priority
// switch instead), its top line reached in this frame, and its left edge (WX - 7) on
// the screen.
inline bool windowOnLine() {
    const uint8_t* io = machine.HighPage.data();
    const uint8_t switches = machine.colourModel ? 0x20 : 0x21;
    return (io[reg::LCDC] & switches) == switches && machine.windowYReached && io[reg::WX] <= 166;
}

// A program's write to LCDC. Switching the LCD off puts it at the start of line 0 in
// mode 0, where it stays until it is switched on again.
void writeLcdControl(uint8_t value);

// A program's write to STAT: it sets the interrupt sources (bits 3-6) and bit 7. The
// mode field and the LY=LYC flag belong to the LCD and keep their values.
void writeLcdStatus(uint8_t value);
// Moves STAT from the given mode (0-3) to the next, requesting STAT interrupts.
void advanceStatMode(uint8_t mode);
