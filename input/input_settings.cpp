#include "input/input_settings.h"

#include "cartridge/settings.h"
#include "core/app_flags.h"
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
    const PixelRect rect = dialog.windowRect();
    dialog.moveTo(screenCentreX - rect.width() / 2, screenCentreY - rect.height() / 2);
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
    saveSettings(static_cast<uint16_t>(2 * screenCentreX),
                 static_cast<uint16_t>(2 * screenCentreY));
}

}  // namespace

bool inputSettingsProcedure(Dialog& dialog, const DialogMessage& message, void*) {
    switch (message.kind) {
        case DialogMessageKind::InitDialog: initialise(dialog); return true;
        case DialogMessageKind::Command:
            if (message.param == IDOK) {
                confirm(dialog);
                dialog.end(1);
            } else if (message.param == IDCANCEL) {
                dialog.end(0);
            }
            return true;
        case DialogMessageKind::KeyDown:
            if (message.param == VK_ESCAPE) dialog.end(0);
            return true;
        default: return false;
    }
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
