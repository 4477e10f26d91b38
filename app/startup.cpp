#include "app/startup.h"

#include "app/display_settings.h"
#include "app/emulation_loop.h"
#include "app/frame_log.h"
#include "app/main_window.h"
#include "app/player_preferences.h"
#include "app/sound_output.h"
#include "app/state_slots.h"
#include "app/window_procedure.h"
#include "cartridge/battery_save.h"
#include "cartridge/settings.h"
#include "cartridge/write_failure.h"
#include "app/app_flags.h"
#include "core/machine_state.h"
#include "input/input.h"
#include "input/input_layer.h"
#include "platform/message_box.h"
#include "platform/presenter_source.h"
#include "resources/resources.h"
#include "video/display.h"
#include "video/presenter.h"
#include "video/renderer.h"

namespace {

// Takes the display at the window's size; when that size cannot be set (a monitor
// that no longer offers it) tries 640 x 480, then the desktop's own size, moving the
// window along. The size that worked is kept in memory only: "settings.bin" learns it
// when the player next confirms the display settings.
bool takeDisplay() {
    if (display.initDisplay(mainWindow.handle(), mainWindow.width(), mainWindow.height(), kDisplayBitsPerPixel)) {
        return true;
    }
    const int fallbacks[2][2] = {{640, 480}, {desktopWidth(), desktopHeight()}};
    for (const auto& size : fallbacks) {
        if (size[0] == mainWindow.width() && size[1] == mainWindow.height()) continue;
        if (!mainWindow.move(0, 0, size[0], size[1])) continue;
        if (display.initDisplay(mainWindow.handle(), size[0], size[1], kDisplayBitsPerPixel)) return true;
    }
    return false;
}

}  // namespace

bool startUp() {
    loadSettings();
    loadPlayerPreferences();
    applyColourSetting();
    const MenuResource* menu = loadMenuResource(IDR_MAIN_MENU);

    // The settings hold the full screen size until the window exists.
    if (!mainWindow.create(kMessageBoxCaption, screenCentreX, screenCentreY, menu)) {
        showMessageBox(nullptr, "ERROR: Window initialization failed.");
        return false;
    }

    setPresenter(platformPresenter());
    if (!takeDisplay()) {
        showMessageBox(mainWindow.handle(), "ERROR: Display initialization failed.");
        return false;
    }
    // From here on the centre values hold half the screen. They are taken from the
    // window, whose size stands for the desktop's where the settings held 0 (or for
    // the fallback size the display took), so that the picture and the dialogs are
    // centred on the screen actually used.
    screenCentreX = static_cast<uint16_t>(mainWindow.width() / 2);
    screenCentreY = static_cast<uint16_t>(mainWindow.height() / 2);
    // A zoom to fit is chosen now; a stored zoom too large for the screen (the file
    // edited, the screen smaller) would push the picture off it, and is cut down.
    const uint8_t largestZoom = zoomFittingScreen(mainWindow.width(), mainWindow.height());
    if (zoom == kZoomToFit || zoom > largestZoom) zoom = largestZoom;
    // A first run keeps what it chose; if the file cannot be written the program runs
    // on and tries again at the next start.
    if (settingsFileMissing) saveSettings(0, 0);
    if (!initInput()) {
        showMessageBox(mainWindow.handle(), "ERROR: Input initialization failed.");
        return false;
    }
    // The loop relies on the machine's buffers and the screen layer; running
    // without them would crash, so their failure is reported like the others.
    if (!allocateMachineBuffers()) {
        showMessageBox(mainWindow.handle(), "ERROR: Memory allocation failed.");
        return false;
    }
    if (!createScreenLayer()) {
        showMessageBox(mainWindow.handle(), "ERROR: Display surface creation failed.");
        return false;
    }
    checkMenuItem(ID_GAME_SOUND, soundEnabled != 0);
    showPreferencesInMenu();
    resetStateSlots();
    startFrameLog();
    startSound();
    mainWindow.show();
    return true;
}

void shutDown() {
    stopSound();
    finishFrameLog();
    // The name is taken first: saving unloads the cartridge.
    const std::string saveName = machine.cartridgeLoaded != 0 ? batterySavePath() : "";
    if (!saveBatteryRam()) {
        showMessageBox(topLevelWindow(),
                       writeFailureMessage(saveName, batterySaveFailure()).c_str());
    }
    freeMachineBuffers();
    releaseScreenLayer();
    inputLayer.releaseDevices();
    display.releaseDisplay();
}

int runProgram(const char* romPath) {
    const bool started = startUp();
    if (started) {
        // A cartridge named on the command line runs at once; one that cannot be
        // loaded is reported and the menu stays up.
        if (romPath != nullptr && romPath[0] != '\0' && loadCartridgeAndReport(romPath)) {
            paused = 0;
        }
        runEmulationLoop();
    }
    shutDown();
    // A program that could not start says so to whoever started it, too.
    return started ? 0 : 1;
}
