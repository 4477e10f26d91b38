// Application flags shared by the emulated machine, the loop and the menu commands.
#pragma once

#include <cstdint>

struct JoypadButtons {
    uint8_t right, left, up, down, a, b, select, start;  // 1 while pressed
};

extern JoypadButtons JoypadState;

extern uint8_t paused;           // initial 1: menu state wanted
extern uint8_t cartridgeLoaded;  // initial 0
extern uint8_t quitRequested;    // initial 0
extern uint8_t screenMode;       // 0 main, 1 tiles, 2 OAM
extern uint8_t fastForward;      // 1 while the fast-forward key is held: no frame limit
// Frames presented in the current one-second window and the last window's count.
// 32-bit so that a rate above 255 frames per second is shown as it is.
extern uint32_t framesThisSecond;
extern uint32_t fpsShown;  // initial 60

// Puts every flag back to its value at program start (for tests).
void resetAppFlags();
