// LCD timing, paced by emulation steps: every 16th step with the LCD on is one tick,
// and each tick moves either the STAT mode or LY on by one.
#pragma once

#include <cstdint>

inline constexpr uint8_t kStepsPerLcdTick = 16;

void advanceLcd();
// Moves STAT from the given mode (0-3) to the next, requesting STAT interrupts.
void advanceStatMode(uint8_t mode);
