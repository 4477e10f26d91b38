// Runs the machine for one scan line: steps until LY moves on.
#pragma once

#include <cstdint>

// While the LCD is off LY stands still; a program that then halts, stops or just
// never turns the LCD back on would keep the stepping going for ever. After this
// many steps without a change of LY the caller gets control back, so input is
// still polled and the program can be paused or closed.
inline constexpr uint32_t kMaxStepsWithoutLineChange = 7088;

// Calls stepMachine at least once and until LY differs from its value at entry.
// True when LY changed, false when the bound was reached first. The number of
// steps taken goes to stepsTaken when it is given.
bool stepUntilLineChanges(uint32_t* stepsTaken = nullptr);
