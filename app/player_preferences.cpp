#include "app/player_preferences.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "cartridge/file_handle.h"
#include "cartridge/preferences.h"
#include "cartridge/utf8_path.h"
#include "cartridge/write_failure.h"
#include "core/machine_state.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "resources/resources.h"

namespace {

constexpr uint8_t kVolumes[kVolumeMenuItems] = {100, 75, 50, 25, 0};
bool failureShown = false;

}  // namespace

void loadPlayerPreferences() {
    for (const std::string& warning : loadPreferences()) {
        std::fprintf(stderr, "korvi: %s\n", warning.c_str());
    }
}

void storePlayerPreferences() {
    std::string failure;
    if (savePreferences(failure)) return;
    const std::string text = writeFailureMessage(preferencesPath(), failure);
    if (failureShown) {
        std::fprintf(stderr, "korvi: %s\n", text.c_str());
        return;
    }
    failureShown = true;
    showMessageBox(topLevelWindow(), text.c_str());
}

void showPreferencesInMenu() {
    checkMenuItem(ID_DISPLAY_SHOW_FPS, preferences.showFrameRate);
    for (size_t i = 0; i < kVolumeMenuItems; ++i) {
        checkMenuItem(static_cast<uint16_t>(ID_GAME_VOLUME_1 + i), preferences.volume == kVolumes[i]);
    }
    for (size_t i = 0; i < kRecentMenuItems; ++i) {
        const uint16_t id = static_cast<uint16_t>(ID_GAME_RECENT_1 + i);
        if (i < preferences.recentGames.size()) {
            // "&1 game.gb": the digit chooses it from the keyboard.
            std::string caption = std::to_string(i + 1);
            caption.insert(caption.begin(), '&');
            caption += ' ';
            caption += fileNameOf(preferences.recentGames[i]);
            setMenuItem(id, caption.c_str(), true);
        } else {
            setMenuItem(id, "(none)", false);
        }
    }
}

void toggleFrameRate() {
    preferences.showFrameRate = !preferences.showFrameRate;
    showPreferencesInMenu();
    storePlayerPreferences();
}

void chooseVolume(size_t item) {
    if (item >= kVolumeMenuItems) return;
    preferences.volume = kVolumes[item];
    showPreferencesInMenu();
    storePlayerPreferences();
}

void rememberLoadedGame() {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(pathFromUtf8(machine.romPath), error);
    const std::string path = error ? machine.romPath : utf8FromPath(absolute);
    addRecentGame(path);
    preferences.chooserFolder = folderOf(path);
    showPreferencesInMenu();
    storePlayerPreferences();
}

const char* recentGamePath(size_t item) {
    return item < preferences.recentGames.size() ? preferences.recentGames[item].c_str() : "";
}
