#include "app/startup.h"

#include "app/emulation_loop.h"
#include "app/main_window.h"
#include "app/sound_output.h"
#include "cartridge/battery_save.h"
#include "cartridge/settings.h"
#include "core/machine_state.h"
#include "input/input.h"
#include "input/input_layer.h"
#include "platform/message_box.h"
#include "platform/presenter_source.h"
#include "resources/resources.h"
#include "video/display.h"
#include "video/presenter.h"
#include "video/renderer.h"

bool startUp() {
    loadSettings();
    const MenuResource* menu = loadMenuResource(IDR_MAIN_MENU);

    // The settings hold the full screen size until the window exists.
    if (!mainWindow.create(kMessageBoxCaption, screenCentreX, screenCentreY, menu)) {
        showMessageBox(nullptr, "ERROR: Window initialization failed.");
        return false;
    }
    // From here on the centre values hold half the screen. They are taken from the
    // window, whose size stands for the desktop's where the settings held 0, so that
    // the picture and the dialogs are centred on the screen actually used.
    screenCentreX = static_cast<uint16_t>(mainWindow.width() / 2);
    screenCentreY = static_cast<uint16_t>(mainWindow.height() / 2);

    setPresenter(platformPresenter());
    if (!display.initDisplay(mainWindow.handle(), mainWindow.width(), mainWindow.height(), 8)) {
        showMessageBox(mainWindow.handle(), "ERROR: Display initialization failed.");
        return false;
    }
    if (!initInput()) {
        showMessageBox(mainWindow.handle(), "ERROR: Input initialization failed.");
        return false;
    }
    // The loop relies on the machine's buffers and the three layers; running
    // without them would crash, so their failure is reported like the others.
    if (!allocateMachineBuffers()) {
        showMessageBox(mainWindow.handle(), "ERROR: Memory allocation failed.");
        return false;
    }
    if (!createLayers()) {
        showMessageBox(mainWindow.handle(), "ERROR: Display surface creation failed.");
        return false;
    }
    checkMenuItem(ID_GAME_SOUND, soundEnabled != 0);
    startSound();
    mainWindow.show();
    return true;
}

void shutDown() {
    stopSound();
    saveBatteryRam();
    freeMachineBuffers();
    releaseLayers();
    inputLayer.releaseDevices();
    display.releaseDisplay();
}

int runProgram() {
    if (startUp()) runEmulationLoop();
    shutDown();
    return 0;
}
