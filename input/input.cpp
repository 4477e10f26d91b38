#include "input/input.h"

#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "input/input_layer.h"
#include "input/joypad_map.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace {

// Set when the menu resumed the game while the pause control may still be held.
bool pauseMustBeReleased = false;

// The controller stopped answering (unplugged, most likely): the keyboard takes
// over for the rest of the run and the game waits in the menu. The choice in
// "settings.bin" is left alone, so the controller is used again at the next start.
bool fallBackToKeyboard() {
    if (!inputLayer.initKeyboard(topLevelWindow())) return false;
    inputDevice = 0;
    paused = 1;
    showMessageBox(topLevelWindow(),
                   "The game controller can no longer be read; the keyboard is used instead.");
    return true;
}

}  // namespace

bool initInput() {
    PlatformWindow* window = topLevelWindow();
    if (inputDevice == 0) return inputLayer.initKeyboard(window);
    if (inputLayer.initController(window, &InputLayer::selectController, inputDevice)) return true;
    if (!inputLayer.initKeyboard(window)) return false;
    inputDevice = 0;
    return true;
}

void ignorePauseUntilReleased() {
    pauseMustBeReleased = true;
}

bool pollInput() {
    if (!inputLayer.readState()) return inputDevice != 0 && fallBackToKeyboard();
    uint8_t pause = 0;
    if (inputDevice == 0) {
        const uint8_t* keys = inputLayer.keyboardState();
        mapKeyboard(keys, JoypadState, pause);
        fastForward = static_cast<uint8_t>(keys[DIK_TAB] >> 7);
    } else {
        mapController(inputLayer.controllerState(), JoypadState, pause);
        fastForward = 0;
    }
    if (pauseMustBeReleased) {
        if (pause != 0)
            pause = 0;
        else
            pauseMustBeReleased = false;
    }
    paused = pause;
    return true;
}
