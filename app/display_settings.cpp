#include "app/display_settings.h"

#include <string>

#include "app/main_window.h"
#include "app/player_preferences.h"
#include "cartridge/preferences.h"
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

// Offers the zooms at which the whole picture fits a screen of this size, with the
// wanted one selected, or the largest when it does not fit.
void offerZooms(Dialog& dialog, int width, int height, uint8_t wanted) {
    const uint8_t largest = zoomFittingScreen(width, height);
    dialog.clearEntries(IDC_ZOOM);
    for (uint8_t z = 1; z <= largest; ++z) dialog.addString(IDC_ZOOM, std::to_string(z));
    dialog.setSelection(IDC_ZOOM, (wanted >= 1 && wanted < largest ? wanted : largest) - 1);
}

// The size chosen in the list. Without a "width x height" entry (none selected: the
// current size is not among the modes) the current size is kept.
void chosenSize(const Dialog& dialog, uint32_t& width, uint32_t& height) {
    width = 2u * screenCentreX;
    height = 2u * screenCentreY;
    const std::string sizeText = dialog.itemText(IDC_SCREEN_SIZE).substr(0, 11);
    const size_t x = sizeText.find('x');
    if (x != std::string::npos) {
        width = digitsOf(sizeText.substr(0, x)) & 0xFFFF;
        height = digitsOf(sizeText.substr(x + 1)) & 0xFFFF;
    }
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
    offerZooms(dialog, 2 * screenCentreX, 2 * screenCentreY, zoom);
    display.listDisplayModes(&addDisplayMode, &dialog);
    dialog.setChecked(IDC_LIMIT_FPS, limitFps != 0);
    dialog.setChecked(IDC_RAW_COLOURS, rawColours != 0);
    dialog.setChecked(IDC_RUN_IN_BACKGROUND, preferences.runInBackground);
}

void applyDisplaySettings(Dialog& dialog) {
    // A zoom list without a selection keeps the zoom rather than storing 0.
    const std::string zoomText = dialog.itemText(IDC_ZOOM);
    uint8_t chosenZoom = zoomText.empty() ? zoom : static_cast<uint8_t>(digitsOf(zoomText));

    uint32_t width = 0;
    uint32_t height = 0;
    chosenSize(dialog, width, height);

    // A zoom too large for the size chosen with it would push the picture off the
    // screen: the largest that fits is taken instead.
    const uint8_t largest = zoomFittingScreen(static_cast<int>(width), static_cast<int>(height));
    zoom = chosenZoom < 1 ? 1 : chosenZoom > largest ? largest : chosenZoom;
    limitFps = dialog.checked(IDC_LIMIT_FPS) ? 1 : 0;
    rawColours = dialog.checked(IDC_RAW_COLOURS) ? 1 : 0;
    applyColourSetting();
    if (preferences.runInBackground != dialog.checked(IDC_RUN_IN_BACKGROUND)) {
        preferences.runInBackground = !preferences.runInBackground;
        storePlayerPreferences();
    }
    if (!saveSettings(static_cast<uint16_t>(width), static_cast<uint16_t>(height))) {
        // The choices still take effect for this run.
        showMessageBox(topLevelWindow(), writeFailureMessage(settingsPath, settingsSaveFailure()).c_str());
    }
    screenCentreX = static_cast<uint16_t>(width / 2);
    screenCentreY = static_cast<uint16_t>(height / 2);
}

bool displaySettingsProcedure(Dialog& dialog, const DialogMessage& message, void*) {
    // Another size chosen: the zoom list follows it.
    if (message.kind == DialogMessageKind::Command && message.param == IDC_SCREEN_SIZE) {
        uint32_t width = 0;
        uint32_t height = 0;
        chosenSize(dialog, width, height);
        const std::string zoomText = dialog.itemText(IDC_ZOOM);
        offerZooms(dialog, static_cast<int>(width), static_cast<int>(height),
                   static_cast<uint8_t>(zoomText.empty() ? zoom : digitsOf(zoomText)));
        return true;
    }
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
