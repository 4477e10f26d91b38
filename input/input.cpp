#include "input/input.h"

#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "input/input_layer.h"
#include "input/joypad_map.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace {

// Set when the menu resumed the game while the pause control may still be held.
bool pauseMustBeReleased = false;

// The program's keys as held at the last poll, to tell presses from holds.
ProgramKeys heldProgramKeys{};

// A key's press: down now, up at the poll before.
uint8_t pressed(uint8_t now, uint8_t before) {
    return static_cast<uint8_t>(now & ~before);
}

void readProgramKeys(const uint8_t* keys) {
    ProgramKeys held{};
    if (keys != nullptr) mapProgramKeys(keys, held);
    programKeys.saveState = pressed(held.saveState, heldProgramKeys.saveState);
    programKeys.loadState = pressed(held.loadState, heldProgramKeys.loadState);
    programKeys.undoState = pressed(held.undoState, heldProgramKeys.undoState);
    programKeys.slot = held.slot != heldProgramKeys.slot ? held.slot : 0;
    programKeys.rewind = held.rewind;
    heldProgramKeys = held;
}

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

ProgramKeys programKeys{};

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
        mapKeyboard(keys, machine.joypad, pause);
        fastForward = static_cast<uint8_t>(keys[DIK_TAB] >> 7);
        readProgramKeys(keys);
    } else {
        mapController(inputLayer.controllerState(), machine.joypad, pause);
        fastForward = 0;
        readProgramKeys(nullptr);
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
