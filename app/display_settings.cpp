#include "app/display_settings.h"

#include <string>

#include "app/main_window.h"
#include "cartridge/settings.h"
#include "cartridge/write_failure.h"
#include "app/app_flags.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "resources/resources.h"
#include "video/colour_curve.h"

namespace {

// Reads the decimal digits of text in order, skipping every other character.
uint32_t digitsOf(const std::string& text) {
    uint32_t value = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value;
}

// The largest zoom whose picture the height can hold, as the dialog allows it.
uint8_t clampZoomByHeight(uint8_t chosen, uint32_t height) {
    if (height <= 240) return 1;
    if (height <= 384) return chosen > 2 ? 2 : chosen;
    if (height <= 480) return chosen > 3 ? 3 : chosen;
    return chosen;
}

}  // namespace

bool addDisplayMode(const DisplayModeDescription& mode, void* context) {
    if (mode.bitsPerPixel != kDisplayBitsPerPixel) return true;
    Dialog& dialog = *static_cast<Dialog*>(context);
    dialog.addString(IDC_SCREEN_SIZE,
                     std::to_string(mode.width) + "x" + std::to_string(mode.height));
    if (mode.width == 2 * screenCentreX && mode.height == 2 * screenCentreY) {
        dialog.setSelection(IDC_SCREEN_SIZE, dialog.entryCount(IDC_SCREEN_SIZE) - 1);
    }
    return true;
}

void applyColourSetting() {
    setColourCurve(rawColours ? ColourCurve::Raw : ColourCurve::Lcd);
}

void initDisplaySettings(Dialog& dialog) {
    centreOnScreen(dialog);
    dialog.placeControl(IDC_ZOOM, 75, 10, 137, 1024);
    dialog.placeControl(IDC_SCREEN_SIZE, 75, 35, 137, 1024);
    for (const char* entry : {"1", "2", "3", "4"}) dialog.addString(IDC_ZOOM, entry);
    dialog.setSelection(IDC_ZOOM, zoom - 1);
    display.listDisplayModes(&addDisplayMode, &dialog);
    dialog.setChecked(IDC_LIMIT_FPS, limitFps != 0);
    dialog.setChecked(IDC_RAW_COLOURS, rawColours != 0);
}

void applyDisplaySettings(Dialog& dialog) {
    // A zoom list without a selection keeps the zoom rather than storing 0.
    const std::string zoomText = dialog.itemText(IDC_ZOOM);
    uint8_t chosenZoom = zoomText.empty() ? zoom : static_cast<uint8_t>(digitsOf(zoomText));

    // Without a "width x height" entry (none selected: the current size is not among
    // the modes) the current size is kept.
    uint32_t width = 2u * screenCentreX;
    uint32_t height = 2u * screenCentreY;
    const std::string sizeText = dialog.itemText(IDC_SCREEN_SIZE).substr(0, 11);
    const size_t x = sizeText.find('x');
    if (x != std::string::npos) {
        width = digitsOf(sizeText.substr(0, x)) & 0xFFFF;
        height = digitsOf(sizeText.substr(x + 1)) & 0xFFFF;
    }

    zoom = clampZoomByHeight(chosenZoom, height);
    limitFps = dialog.checked(IDC_LIMIT_FPS) ? 1 : 0;
    rawColours = dialog.checked(IDC_RAW_COLOURS) ? 1 : 0;
    applyColourSetting();
    if (!saveSettings(static_cast<uint16_t>(width), static_cast<uint16_t>(height))) {
        // The choices still take effect for this run.
        showMessageBox(topLevelWindow(), writeFailureMessage(settingsPath, settingsSaveFailure()).c_str());
    }
    screenCentreX = static_cast<uint16_t>(width / 2);
    screenCentreY = static_cast<uint16_t>(height / 2);
}

bool displaySettingsProcedure(Dialog& dialog, const DialogMessage& message, void*) {
    return settingsDialogProcedure(dialog, message, &initDisplaySettings, &applyDisplaySettings);
}

void openDisplaySettings() {
    const uint16_t previousX = screenCentreX;
    const uint16_t previousY = screenCentreY;
    runModalDialog(mainWindow.handle(), *loadDialogTemplate(IDD_DISPLAY_SETTINGS),
                   &displaySettingsProcedure, nullptr);
    if (screenCentreX == previousX && screenCentreY == previousY) return;

    const int width = 2 * screenCentreX;
    const int height = 2 * screenCentreY;
    if (!mainWindow.move(0, 0, width, height) ||
        !display.initDisplay(mainWindow.handle(), width, height, kDisplayBitsPerPixel)) {
        showMessageBox(mainWindow.handle(), "ERROR: Display reinitialization failed.");
        quitRequested = 1;
    }
}
