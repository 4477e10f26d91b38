// The program's one loop: the menu state, in which window messages run the menu
// commands, and the run state, which advances the machine one LCD event (a line drawn or
// a blank line) per pass.
#pragma once

// Runs until quitRequested (true) or until the input device can no longer be read
// (false).
bool runEmulationLoop();
