// The views shown while the emulation is paused: a black screen (screenMode 0), all
// tiles of both video RAM banks (1) or the 40 sprites of OAM with their four bytes in hex
// (2). Each is a snapshot drawn once at 1:1 into the back buffer and presented.
#pragma once

#include <cstdint>

// Draws the view chosen by screenMode (the main view: the paused game dimmed, or black
// with none) and presents it. A row of the view that does
// not fit the display ends the drawing without presenting, so the screen keeps what
// it showed before.
void redrawView();

// Writes value in upper-case hexadecimal without leading zeros ("0" for zero) and a
// terminating zero byte into buffer (9 bytes are enough); returns the digit count.
int formatHex(uint32_t value, char* buffer);
