// The shell's input operations: set up the keyboard and a game controller beside it,
// and read both once per scan line into the joypad, the pause request and the
// program's keys, through the player's bindings.
#pragma once

#include "input/joypad_map.h"

// Sets up the keyboard, and the controller inputDevice names (N: the N-th attached,
// 0: the first), or the first that can be opened; a game without a controller is
// played from the keyboard, and one plugged in later is taken up within about a
// second of play. False only when the keyboard cannot be set up.
bool initInput();
// Reads the keyboard and the controller and writes all eight buttons of
// machine.joypad (held on either), paused and fastForward. A controller that can no
// longer be read is let go with a message, and the game pauses. False when the
// keyboard can no longer be read.
bool pollInput();
// The program's keys of the last poll: saveState, loadState, undoState, screenshot
// and slot report a press once, on the poll that saw the key go down; rewind is 1
// while held.
extern ProgramKeys programKeys;

// The next polls ignore the pause control until it has been seen released (used
// when the menu resumed the game on the key's release).
void ignorePauseUntilReleased();
