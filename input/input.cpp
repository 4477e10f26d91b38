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

void readProgramKeys(const uint8_t* keys, const ControllerState* controller) {
    ProgramKeys held{};
    mapProgramKeys(keys, controller, held);
    programKeys.saveState = pressed(held.saveState, heldProgramKeys.saveState);
    programKeys.loadState = pressed(held.loadState, heldProgramKeys.loadState);
    programKeys.undoState = pressed(held.undoState, heldProgramKeys.undoState);
    programKeys.screenshot = pressed(held.screenshot, heldProgramKeys.screenshot);
    programKeys.slot = held.slot != heldProgramKeys.slot ? held.slot : 0;
    programKeys.rewind = held.rewind;
    heldProgramKeys = held;
}

// While no controller is open, the platform is asked about once a second of play (the
// polls come once a scan line) whether controllers came, so that one plugged in works
// at once.
constexpr uint32_t kPollsBetweenControllerLooks = 154 * 60;
uint32_t pollsToControllerLook = kPollsBetweenControllerLooks;

// Opens the chosen controller, or the first one when the keyboard was chosen; a
// chosen one that cannot be had gives the first that can.
bool openController() {
    return inputLayer.initController(topLevelWindow(), &InputLayer::selectController, inputDevice);
}

// The controller stopped answering (unplugged, most likely): the keyboard goes on
// alone and the game waits in the menu (pollInput pauses it). The choice in "settings.bin" is left alone,
// and the controller is used again as soon as it is back.
void noteControllerLoss() {
    pollsToControllerLook = kPollsBetweenControllerLooks;
    showMessageBox(topLevelWindow(),
                   "The game controller can no longer be read; the keyboard goes on alone "
                   "until it is back.");
}

}  // namespace

ProgramKeys programKeys{};

bool initInput() {
    if (!inputLayer.initKeyboard(topLevelWindow())) return false;
    openController();
    pollsToControllerLook = kPollsBetweenControllerLooks;
    return true;
}

void ignorePauseUntilReleased() {
    pauseMustBeReleased = true;
}

bool pollInput() {
    if (!inputLayer.readState()) return false;
    const bool controllerLost = inputLayer.takeControllerLoss();
    if (controllerLost) {
        noteControllerLoss();
    } else if (!inputLayer.usesController() && --pollsToControllerLook == 0) {
        pollsToControllerLook = kPollsBetweenControllerLooks;
        if (inputLayer.controllersMayHaveChanged()) openController();
    }
    const uint8_t* keys = inputLayer.keyboardState();
    const ControllerState* controller =
        inputLayer.usesController() ? &inputLayer.controllerState() : nullptr;
    uint8_t pause = 0;
    mapControls(keys, controller, machine.joypad, pause);
    fastForward = bindingHeld(preferences.bindings[static_cast<size_t>(Action::FastForward)], keys,
                              controller)
                      ? 1
                      : 0;
    readProgramKeys(keys, controller);
    if (pauseMustBeReleased) {
        if (pause != 0)
            pause = 0;
        else
            pauseMustBeReleased = false;
    }
    paused = controllerLost ? 1 : pause;
    return true;
}
