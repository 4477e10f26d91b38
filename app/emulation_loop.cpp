#include "app/emulation_loop.h"

#include <cstdint>

#include "app/frame_pacer.h"
#include "app/main_window.h"
#include "app/scan_line.h"
#include "app/sound_output.h"
#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "input/input.h"
#include "platform/window.h"
#include "video/debug_views.h"
#include "video/display.h"
#include "video/renderer.h"

namespace {

// Shows the menu, cursor and chosen view, and serves window messages until the
// machine may run or the program is to end.
void runMenuState() {
    pauseSound();
    showArrowCursor();
    mainWindow.attachMenu();
    redrawView();
    while ((paused != 0 || cartridgeLoaded == 0) && quitRequested == 0) {
        mainWindow.pumpOneMessage();
    }
    hideCursor();
    mainWindow.detachMenu();
    display.clearBack(0);
    display.present();
}

}  // namespace

bool runEmulationLoop() {
    // The clock reading at which the current one-second window began.
    uint32_t secondStart = 0;
    if (quitRequested != 0) return true;
    for (;;) {
        runMenuState();
        // Run state: one scan line per pass, no window messages.
        for (;;) {
            if (quitRequested != 0) return true;
            if (paused != 0 || cartridgeLoaded == 0) break;
            stepUntilLineChanges();
            if (renderLine()) {
                paceAfterVisibleLine(secondStart);
                feedSound(limitFps != 0);
            }
            if (!pollInput()) return false;
            if (quitRequested != 0) return true;
        }
    }
}
