// The shell's input operations: set up the device the settings name, and read it
// once per scan line into the joypad and the pause request.
#pragma once

#include "input/joypad_map.h"

// Sets up the device named by inputDevice. A controller that cannot be set up falls
// back to the keyboard (inputDevice becomes 0 in memory). False only when the
// keyboard cannot be set up.
bool initInput();
// Reads the active device and writes all eight buttons of machine.joypad, paused and
// (from the keyboard's Tab key) fastForward. A controller that can no longer be read
// is replaced by the keyboard, with a message, and the game pauses. False when the
// keyboard can no longer be read.
bool pollInput();
// The program's keys of the last poll: saveState, loadState, undoState and slot
// report a press once, on the poll that saw the key go down; rewind is 1 while held.
// All 0 with a controller.
extern ProgramKeys programKeys;

// The next polls ignore the pause control until it has been seen released (used
// when the menu resumed the game on the key's release).
void ignorePauseUntilReleased();
