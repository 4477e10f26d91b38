#include "input/input_settings.h"

#include <string>
#include <vector>

#include "app/app_flags.h"
#include "cartridge/preferences.h"
#include "cartridge/settings.h"
#include "cartridge/write_failure.h"
#include "input/input.h"
#include "input/input_layer.h"
#include "input/key_names.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "resources/resources.h"

namespace {

// Keys the program keeps for itself, whatever the bindings: the slot keys, and F11,
// which switches between full screen and a window. Alt is the shortcuts' own key.
bool reservedKey(uint8_t key) {
    return (key >= DIK_1 && key <= DIK_4) || key == 0x57 /* F11 */ || key == DIK_LMENU ||
           key == DIK_RMENU;
}

// The keys a list offers, in the list's order after "None".
std::vector<uint8_t> offeredKeys() {
    std::vector<uint8_t> keys;
    for (uint8_t key : namedKeys()) {
        if (!reservedKey(key)) keys.push_back(key);
    }
    return keys;
}

// Controller buttons 0-31 and the hat's four directions, after "None".
constexpr int kListedButtons = 32;
constexpr int16_t kHatDirections[4] = {kHatUp, kHatDown, kHatLeft, kHatRight};
constexpr const char* kHatNames[4] = {"Hat up", "Hat down", "Hat left", "Hat right"};

int16_t buttonAt(int entry) {
    if (entry <= 0) return kNoButton;
    if (entry <= kListedButtons) return static_cast<int16_t>(entry - 1);
    const int hat = entry - 1 - kListedButtons;
    return hat < 4 ? kHatDirections[hat] : kNoButton;
}

int entryOfButton(int16_t button) {
    if (button >= 0 && button < kListedButtons) return button + 1;
    for (int i = 0; i < 4; ++i) {
        if (button == kHatDirections[i]) return 1 + kListedButtons + i;
    }
    return 0;
}

uint16_t keyList(size_t action) {
    return static_cast<uint16_t>(IDC_KEY_FIRST + action);
}
uint16_t buttonList(size_t action) {
    return static_cast<uint16_t>(IDC_BUTTON_FIRST + action);
}

bool addControllerName(const ControllerInfo& controller, void* context) {
    static_cast<Dialog*>(context)->addString(IDC_INPUT_DEVICE, controller.productName);
    return true;
}

void initialise(Dialog& dialog) {
    centreOnScreen(dialog);
    // Entry i is inputDevice i: the first controller attached, then the controllers
    // in the platform's order. The keyboard is read whichever is chosen.
    dialog.addString(IDC_INPUT_DEVICE, "First attached");
    inputLayer.enumerateControllers(&addControllerName, &dialog);
    const int entries = dialog.entryCount(IDC_INPUT_DEVICE);
    dialog.setSelection(IDC_INPUT_DEVICE, inputDevice < entries ? inputDevice : 0);

    const std::vector<uint8_t> keys = offeredKeys();
    for (size_t action = 0; action < kActionCount; ++action) {
        const Binding& binding = preferences.bindings[action];
        dialog.addString(keyList(action), "None");
        for (size_t i = 0; i < keys.size(); ++i) {
            dialog.addString(keyList(action), keyName(keys[i]));
            if (keys[i] == binding.key) dialog.setSelection(keyList(action), static_cast<int>(i + 1));
        }
        if (dialog.selection(keyList(action)) < 0) dialog.setSelection(keyList(action), 0);
        dialog.addString(buttonList(action), "None");
        for (int b = 0; b < kListedButtons; ++b) {
            dialog.addString(buttonList(action), "Button " + std::to_string(b));
        }
        for (const char* hat : kHatNames) dialog.addString(buttonList(action), hat);
        dialog.setSelection(buttonList(action), entryOfButton(binding.button));
    }
}

// The bindings as the lists stand, or the reason they cannot be taken: a key or a
// button chosen for two actions.
bool chosenBindings(const Dialog& dialog, Binding* bindings, std::string& reason) {
    const std::vector<uint8_t> keys = offeredKeys();
    for (size_t action = 0; action < kActionCount; ++action) {
        const int key = dialog.selection(keyList(action));
        bindings[action].key =
            key >= 1 && key <= static_cast<int>(keys.size()) ? keys[static_cast<size_t>(key - 1)] : kNoKey;
        bindings[action].button = buttonAt(dialog.selection(buttonList(action)));
    }
    for (size_t a = 0; a < kActionCount; ++a) {
        for (size_t b = a + 1; b < kActionCount; ++b) {
            const char* what = nullptr;
            if (bindings[a].key != kNoKey && bindings[a].key == bindings[b].key) {
                what = keyName(bindings[a].key);
            } else if (bindings[a].button != kNoButton && bindings[a].button == bindings[b].button) {
                what = "One controller button";
            }
            if (what != nullptr) {
                reason = std::string(what) + " is chosen for both " +
                         actionName(static_cast<Action>(a)) + " and " +
                         actionName(static_cast<Action>(b)) + ": choose one for each.";
                return false;
            }
        }
    }
    return true;
}

void confirm(Dialog& dialog) {
    const int selected = dialog.selection(IDC_INPUT_DEVICE);
    inputDevice = static_cast<uint8_t>(selected > 0 ? selected : 0);
    if (!saveSettings(static_cast<uint16_t>(2 * screenCentreX),
                      static_cast<uint16_t>(2 * screenCentreY))) {
        // The choice still takes effect for this run.
        showMessageBox(topLevelWindow(), writeFailureMessage(settingsPath, settingsSaveFailure()).c_str());
    }
    std::string reason;
    Binding bindings[kActionCount];
    chosenBindings(dialog, bindings, reason);
    for (size_t action = 0; action < kActionCount; ++action) {
        preferences.bindings[action] = bindings[action];
    }
    std::string failure;
    if (!savePreferences(failure)) {
        showMessageBox(topLevelWindow(), writeFailureMessage(preferencesPath(), failure).c_str());
    }
}

}  // namespace

bool inputSettingsProcedure(Dialog& dialog, const DialogMessage& message, void*) {
    // OK with a key or button chosen twice: the dialog stays open and says which.
    if (message.kind == DialogMessageKind::Command && message.param == IDOK) {
        std::string reason;
        Binding bindings[kActionCount];
        if (!chosenBindings(dialog, bindings, reason)) {
            showMessageBox(topLevelWindow(), reason.c_str());
            return true;
        }
    }
    return settingsDialogProcedure(dialog, message, &initialise, &confirm);
}

void openInputSettings() {
    const uint8_t previous = inputDevice;
    runModalDialog(topLevelWindow(), *loadDialogTemplate(IDD_INPUT_SETTINGS),
                   &inputSettingsProcedure, nullptr);
    // Another controller chosen is taken up at once, and so is one plugged in since.
    if (inputDevice == previous && inputLayer.usesController()) return;
    if (!initInput()) {
        showMessageBox(topLevelWindow(), "ERROR: Input reinitialization failed.");
        quitRequested = 1;
    }
}
