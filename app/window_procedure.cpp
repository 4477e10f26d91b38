#include "app/window_procedure.h"

#include "app/main_window.h"
#include "app/sound_output.h"
#include "cartridge/rom_loader.h"
#include "core/app_flags.h"
#include "core/machine_state.h"
#include "input/input_settings.h"
#include "platform/file_chooser.h"
#include "resources/resources.h"
#include "video/debug_views.h"
#include "video/display_settings.h"

namespace {

// Loads the file the user picked in the chooser; on failure the chooser stays open
// and tells why.
bool acceptRomFile(const std::string& path, std::string& reason, void*) {
    if (loadCartridge(path)) return true;
    reason = lastLoadError().message;
    return false;
}

void showScreen(uint8_t mode) {
    screenMode = mode;
    redrawView();
}

bool runCommand(uint32_t id) {
    switch (id) {
        case ID_FILE_EXIT: quitRequested = 1; return true;
        case ID_GAME_LOAD:
            if (chooseRomFile(mainWindow.handle())) paused = 0;
            return true;
        case ID_GAME_RESET: {
            // loadCartridge rewrites romPath as it goes: hand it a copy.
            const std::string path = machine.romPath;
            if (loadCartridge(path)) paused = 0;
            return true;
        }
        case ID_GAME_RESUME: paused = 0; return true;
        case ID_GAME_SOUND:
            soundEnabled = soundEnabled ? 0 : 1;
            checkMenuItem(ID_GAME_SOUND, soundEnabled != 0);
            return true;
        case ID_SCREEN_MAIN: showScreen(0); return true;
        case ID_SCREEN_TILES: showScreen(1); return true;
        case ID_SCREEN_OAM: showScreen(2); return true;
        case ID_DISPLAY_SETTINGS: openDisplaySettings(); return true;
        case ID_INPUT_SETTINGS: openInputSettings(); return true;
        default: return false;
    }
}

}  // namespace

bool chooseRomFile(PlatformWindow* owner) {
    static const FileFilter kRomFilter = {"Gameboy ROMs", "*.gb;*.gbc;"};
    std::string path;
    return chooseFile(owner, kRomFilter, path, &acceptRomFile, nullptr);
}

bool windowProcedure(const WindowMessage& message) {
    switch (message.kind) {
        case MessageKind::Close:
        case MessageKind::Destroy:
        case MessageKind::Quit:
        case MessageKind::EndSession: quitRequested = 1; return true;
        // The whole parameter must be the ID: a non-zero notification code in the
        // high word is not a menu choice.
        case MessageKind::Command: return runCommand(message.param);
        default: return false;
    }
}
