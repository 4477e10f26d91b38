#include "app/emulation_loop.h"

#include <cstdint>

#include "app/frame_log.h"
#include "app/frame_pacer.h"
#include "app/main_window.h"
#include "app/rewind.h"
#include "app/scan_line.h"
#include "app/screenshot.h"
#include "app/sound_output.h"
#include "app/state_slots.h"
#include "app/window_procedure.h"
#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/bank_controller.h"
#include "core/machine_state.h"
#include "input/input.h"
#include "input/input_layer.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "video/debug_views.h"
#include "video/display.h"
#include "video/renderer.h"

namespace {

// Passes of the run state between two looks at the message queue: one
// frame's worth, so that closing the window, Alt+F4 or a signal is honoured within
// a frame while the game runs.
constexpr uint32_t kPassesBetweenMessageChecks = 154;

// Shows the menu, cursor and chosen view, and serves window messages until the
// machine may run or the program is to end. The wait blocks on the queue.
void runMenuState() {
    // The game stands still, and so does the cartridge's motor.
    inputLayer.setRumble(false);
    pauseSound();
    showArrowCursor();
    mainWindow.attachMenu();
    redrawView();
    // Keys pressed or let go while the game ran (the Esc that paused it) are not
    // meant for the menu.
    mainWindow.pumpPendingRequests();
    forgetMenuKeys();
    while ((paused != 0 || machine.cartridgeLoaded == 0) && quitRequested == 0) {
        mainWindow.pumpOneMessage();
    }
    hideCursor();
    mainWindow.detachMenu();
    display.clearBack(0);
    display.present();
}

// While the rewind key is held each frame goes back one, instead of being recorded.
bool rewinding = false;

// An on-screen message stays for two seconds of the host's clock, however fast the
// frames come.
constexpr uint32_t kMessageMilliseconds = 2000;
uint32_t messageSerialSeen = 0;
uint32_t messageShownAt = 0;

void expireOnScreenMessage() {
    if (onScreenMessage[0] == '\0') return;
    const uint32_t now = tickCount();
    if (onScreenMessageSerial != messageSerialSeen) {
        messageSerialSeen = onScreenMessageSerial;
        messageShownAt = now;
    } else if (now - messageShownAt >= kMessageMilliseconds) {
        onScreenMessage[0] = '\0';
    }
}

FramePacer pacer;
// The clock reading at which the current one-second window of presented frames began.
uint32_t secondStart = 0;

// At the end of every frame of emulated time, with the LCD on or off: the controller
// rumbles through the next frame when the cartridge's motor ran during this one; the
// frame goes into the rewind history, or the rewind takes the game one frame back;
// with the limit on the host's clock catches up with the machine's, and the frame's
// sound is queued.
void endFrame() {
    inputLayer.setRumble(takeRumble());
    expireOnScreenMessage();
    if (programKeys.rewind == 0) {
        rewinding = false;
        rewindHistory.record();
    } else {
        rewinding = true;
        showOnScreenMessage(rewindHistory.stepBack() ? "Rewinding" : "Rewound as far as it goes");
    }
    const bool realTime = limitFps != 0 && fastForward == 0;
    if (realTime) {
        waitUntil(frameDue(pacer, machine.stepCount, microsecondCount()));
    } else {
        restartPacing(pacer);
    }
    noteEmulatedFrame(machine.stepCount);
    feedSound(realTime && !rewinding);
    updateFrameRateWindow(secondStart);
}

// The state keys, pressed during play.
void runStateKeys() {
    if (programKeys.slot != 0) selectStateSlot(programKeys.slot);
    if (programKeys.saveState) saveStateToSlot();
    if (programKeys.loadState) loadStateFromSlot();
    if (programKeys.undoState) undoStateCommand();
    if (programKeys.screenshot) takeScreenshot();
}

}  // namespace

bool runEmulationLoop() {
    secondStart = 0;
    if (quitRequested != 0) return true;
    for (;;) {
        runMenuState();
        // Time in the menu is not made up for.
        restartPacing(pacer);
        // Run state: one LCD event (a line drawn or a blank line) per pass; the
        // message queue is looked at once a frame, for requests to end the program
        // only.
        uint32_t passesToMessageCheck = kPassesBetweenMessageChecks;
        for (;;) {
            if (quitRequested != 0) return true;
            if (paused != 0 || machine.cartridgeLoaded == 0) break;
            // A frame ends as LY wraps round to 0, or with the LCD off after a
            // frame's worth of steps.
            const LcdEvent event = stepToLcdEvent();
            if (event == LcdEvent::LineTransferred) {
                // The renderer counts each picture it presents.
                const uint32_t presented = framesThisSecond;
                renderLine();
                if (framesThisSecond != presented) notePresentedFrame();
            }
            if (endsFrame(event)) endFrame();
            if (!pollInput()) return false;
            runStateKeys();
            if (--passesToMessageCheck == 0) {
                passesToMessageCheck = kPassesBetweenMessageChecks;
                mainWindow.pumpPendingRequests();
            }
            if (quitRequested != 0) return true;
        }
    }
}
