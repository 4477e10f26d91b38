#include "input/input_settings.h"

#include "cartridge/settings.h"
#include "cartridge/write_failure.h"
#include "app/app_flags.h"
#include "input/input.h"
#include "input/input_layer.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "resources/resources.h"

namespace {

bool addControllerName(const ControllerInfo& controller, void* context) {
    static_cast<Dialog*>(context)->addString(IDC_INPUT_DEVICE, controller.productName);
    return true;
}

void initialise(Dialog& dialog) {
    centreOnScreen(dialog);
    dialog.placeControl(IDC_INPUT_DEVICE, 80, 10, 132, 1024);
    // Entry i is inputDevice i: the keyboard first, then the controllers in the
    // platform's order.
    dialog.addString(IDC_INPUT_DEVICE, "Keyboard");
    inputLayer.enumerateControllers(&addControllerName, &dialog);
    const int entries = dialog.entryCount(IDC_INPUT_DEVICE);
    dialog.setSelection(IDC_INPUT_DEVICE, inputDevice < entries ? inputDevice : 0);
}

void confirm(Dialog& dialog) {
    const int selected = dialog.selection(IDC_INPUT_DEVICE);
    inputDevice = static_cast<uint8_t>(selected > 0 ? selected : 0);
    if (!saveSettings(static_cast<uint16_t>(2 * screenCentreX),
                      static_cast<uint16_t>(2 * screenCentreY))) {
        // The choice still takes effect for this run.
        showMessageBox(topLevelWindow(), writeFailureMessage(settingsPath, settingsSaveFailure()).c_str());
    }
}

}  // namespace

bool inputSettingsProcedure(Dialog& dialog, const DialogMessage& message, void*) {
    return settingsDialogProcedure(dialog, message, &initialise, &confirm);
}

void openInputSettings() {
    const uint8_t previous = inputDevice;
    runModalDialog(topLevelWindow(), *loadDialogTemplate(IDD_INPUT_SETTINGS),
                   &inputSettingsProcedure, nullptr);
    if (inputDevice == previous) return;
    if (!initInput()) {
        showMessageBox(topLevelWindow(), "ERROR: Input reinitialization failed.");
        quitRequested = 1;
    }
}
