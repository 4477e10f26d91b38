// The program's flags, shared by the loop, the menu commands and the views. None of
// them is part of the emulated handheld, which lives in `machine`.
#pragma once

#include <cstdint>

extern uint8_t paused;           // initial 1: menu state wanted
extern uint8_t quitRequested;    // initial 0
extern uint8_t screenMode;       // 0 main, 1 tiles, 2 OAM
extern uint8_t fastForward;      // 1 while the fast-forward key is held: no frame limit
// Frames presented in the current one-second window and the last window's count.
// 32-bit so that a rate above 255 frames per second is shown as it is.
extern uint32_t framesThisSecond;
extern uint32_t fpsShown;  // initial 60

// A short line shown over the game for a while ("State 2 saved"); empty when none.
// The loop takes it away after two seconds (see app/emulation_loop).
extern char onScreenMessage[64];
// Counts the messages shown, so that a new one restarts its time.
extern uint32_t onScreenMessageSerial;
// Shows text, cut to fit.
void showOnScreenMessage(const char* text);

// Puts every flag back to its value at program start (for tests).
void resetAppFlags();
