#include "app/app_flags.h"

#include <cstdio>

uint8_t paused = 1;
uint8_t quitRequested = 0;
uint8_t screenMode = 0;
uint8_t fastForward = 0;
uint32_t framesThisSecond = 0;
uint32_t fpsShown = 60;
char onScreenMessage[64] = {};
uint32_t onScreenMessageSerial = 0;

void showOnScreenMessage(const char* text) {
    std::snprintf(onScreenMessage, sizeof onScreenMessage, "%s", text);
    ++onScreenMessageSerial;
}

void resetAppFlags() {
    paused = 1;
    quitRequested = 0;
    screenMode = 0;
    fastForward = 0;
    framesThisSecond = 0;
    fpsShown = 60;
    onScreenMessage[0] = '\0';
    onScreenMessageSerial = 0;
}
