#include "app/window_procedure.h"

#include <cstdio>

#include "app/display_settings.h"
#include "app/player_preferences.h"
#include "app/screenshot.h"
#include "app/main_window.h"
#include "app/rewind.h"
#include "app/sound_output.h"
#include "app/state_slots.h"
#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/preferences.h"
#include "cartridge/rom_loader.h"
#include "app/app_flags.h"
#include "core/machine_state.h"
#include "input/input.h"
#include "input/input_settings.h"
#include "platform/file_chooser.h"
#include "platform/message_box.h"
#include "resources/resources.h"
#include "video/debug_views.h"

namespace {

// Set by an Esc press in the menu state; its release resumes the game.
bool escapePressedInMenu = false;

// After a successful load the game starts afresh: no rewind history, the sound's rate
// exact. Then what the load has to tell: the previous cartridge's save that could
// not be written, the new one's that cannot be kept beside the image or could not
// be read, in message boxes; header
// bytes that name nothing, on standard error only.
void startLoadedGame() {
    rewindHistory.clear();
    restartSoundRate();
    rememberLoadedGame();
    const std::string& writeFailure = lastBatterySaveFailure();
    if (!writeFailure.empty()) showMessageBox(topLevelWindow(), writeFailure.c_str());
    const std::string& saveNotice = batterySaveNotice();
    if (!saveNotice.empty()) showMessageBox(topLevelWindow(), saveNotice.c_str());
    const std::string& readFailure = batterySaveReadFailure();
    if (!readFailure.empty()) showMessageBox(topLevelWindow(), readFailure.c_str());
    if (!lastHeaderNotice().empty())
        std::fprintf(stderr, "korvi: %s\n", lastHeaderNotice().c_str());
}

// Loads the file the user picked in the chooser; on failure the chooser stays open
// and tells why.
bool acceptRomFile(const std::string& path, std::string& reason, void*) {
    if (loadCartridge(path)) {
        startLoadedGame();
        return true;
    }
    reason = "Cannot load " + path + ": " + lastLoadError().message + ".";
    return false;
}

void showScreen(uint8_t mode) {
    screenMode = mode;
    redrawView();
}

void resume() {
    paused = 0;
    // The pause control may still read as held for a moment: it must be let go
    // before it can pause the game again.
    ignorePauseUntilReleased();
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
            if (path.empty()) return true;
            if (loadCartridgeAndReport(path)) paused = 0;
            return true;
        }
        case ID_GAME_RESUME: paused = 0; return true;
        // The state commands play on at once, with their message on the screen.
        case ID_GAME_SAVE_STATE:
            if (saveStateToSlot()) paused = 0;
            return true;
        case ID_GAME_LOAD_STATE:
            if (loadStateFromSlot()) paused = 0;
            return true;
        case ID_GAME_UNDO_STATE:
            if (undoStateCommand()) paused = 0;
            return true;
        case ID_GAME_SCREENSHOT: takeScreenshot(); return true;
        case ID_DISPLAY_SHOW_FPS: toggleFrameRate(); return true;
        case ID_GAME_SOUND:
            soundEnabled = soundEnabled ? 0 : 1;
            checkMenuItem(ID_GAME_SOUND, soundEnabled != 0);
            return true;
        case ID_SCREEN_MAIN: showScreen(0); return true;
        case ID_SCREEN_TILES: showScreen(1); return true;
        case ID_SCREEN_OAM: showScreen(2); return true;
        case ID_DISPLAY_SETTINGS: openDisplaySettings(); return true;
        case ID_INPUT_SETTINGS: openInputSettings(); return true;
        default:
            if (id >= ID_GAME_RECENT_1 && id < ID_GAME_RECENT_1 + kRecentMenuItems) {
                // The path is copied: a load puts the game at the front of the list.
                const std::string path = recentGamePath(id - ID_GAME_RECENT_1);
                if (!path.empty() && loadCartridgeAndReport(path)) paused = 0;
                return true;
            }
            if (id >= ID_GAME_VOLUME_1 && id < ID_GAME_VOLUME_1 + kVolumeMenuItems) {
                chooseVolume(id - ID_GAME_VOLUME_1);
                return true;
            }
            if (id >= ID_GAME_STATE_SLOT_1 && id <= ID_GAME_STATE_SLOT_4) {
                selectStateSlot(static_cast<uint8_t>(id - ID_GAME_STATE_SLOT_1 + 1));
                return true;
            }
            return false;
    }
}

// Esc in the menu resumes a loaded game like Game > Resume, on the key's release, so
// that the key is up again when the machine runs and does not pause it at once.
bool menuKey(const WindowMessage& message) {
    if (message.param != VK_ESCAPE) return false;
    if (message.kind == MessageKind::KeyDown) {
        if (!message.repeated) escapePressedInMenu = true;
        return true;
    }
    if (!escapePressedInMenu) return true;
    escapePressedInMenu = false;
    if (machine.cartridgeLoaded != 0) resume();
    return true;
}

}  // namespace

void forgetMenuKeys() {
    escapePressedInMenu = false;
}

bool chooseRomFile(PlatformWindow* owner) {
    static const FileFilter kRomFilter = {"Gameboy ROMs", "*.gb;*.gbc;"};
    std::string path;
    // The loaded game's folder, or the one the chooser was last left in, in this run
    // or an earlier one.
    const std::string start =
        !machine.romPath.empty() ? folderOf(machine.romPath) : preferences.chooserFolder;
    return chooseFile(owner, kRomFilter, start, path, &acceptRomFile, nullptr);
}

bool loadCartridgeAndReport(const std::string& path) {
    if (loadCartridge(path)) {
        startLoadedGame();
        return true;
    }
    const std::string text = "Cannot load " + path + ": " + lastLoadError().message + ".";
    showMessageBox(topLevelWindow(), text.c_str());
    return false;
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
        // A file dropped on the window is loaded as if chosen in Game > Load.
        case MessageKind::FileDropped: {
            const std::string path = droppedFile();
            if (!path.empty() && loadCartridgeAndReport(path)) paused = 0;
            return true;
        }
        // Behind another program or minimised, the game waits for the player, in the
        // menu, unless they asked for it to run on.
        case MessageKind::Deactivated:
            if (!preferences.runInBackground && machine.cartridgeLoaded != 0) paused = 1;
            return true;
        case MessageKind::KeyDown:
        case MessageKind::KeyUp: return menuKey(message);
        default: return false;
    }
}
