#include "input/input.h"

#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "input/input_layer.h"
#include "input/joypad_map.h"
#include "platform/window.h"

bool initInput() {
    PlatformWindow* window = topLevelWindow();
    if (inputDevice == 0) return inputLayer.initKeyboard(window);
    if (inputLayer.initController(window, &InputLayer::selectController, inputDevice)) return true;
    if (!inputLayer.initKeyboard(window)) return false;
    inputDevice = 0;
    return true;
}

bool pollInput() {
    if (!inputLayer.readState()) return false;
    if (inputDevice == 0) {
        mapKeyboard(inputLayer.keyboardState(), JoypadState, paused);
    } else {
        mapController(inputLayer.controllerState(), JoypadState, paused);
    }
    return true;
}
