#include "core/app_flags.h"

JoypadButtons JoypadState{};
uint8_t paused = 1;
uint8_t cartridgeLoaded = 0;
uint8_t quitRequested = 0;
uint8_t screenMode = 0;
uint8_t fastForward = 0;
uint32_t framesThisSecond = 0;
uint32_t fpsShown = 60;

void resetAppFlags() {
    JoypadState = {};
    paused = 1;
    cartridgeLoaded = 0;
    quitRequested = 0;
    screenMode = 0;
    fastForward = 0;
    framesThisSecond = 0;
    fpsShown = 60;
}
