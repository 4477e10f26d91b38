#include "cartridge/save_location.h"

#include <cstdio>

#include "cartridge/battery_save.h"
#include "cartridge/crc32.h"
#include "cartridge/environment.h"
#include "cartridge/file_handle.h"
#include "cartridge/whole_file_writer.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// An environment variable's value when it is set to an absolute path.
std::string absoluteFromEnvironment(const char* name) {
    const std::string path = environmentVariable(name);
    if (path.empty()) return {};
#ifdef _WIN32
    if (path.size() < 3 || path[1] != ':') return {};
#else
    if (path[0] != '/') return {};
#endif
    return path;
}

// Creates every folder of path that is missing; false with the host's reason when
// one cannot be made.
bool makeFolders(const std::string& path, std::string& failure) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && !isPathSeparator(path[i])) continue;
        const std::string part = path.substr(0, i);
        if (part.back() == ':') continue;  // a drive letter
        if (!makeFolder(part)) {
            failure = hostErrorText();
            return false;
        }
    }
    return true;
}

}  // namespace

std::string userSavesFolder() {
#ifdef _WIN32
    const std::string appData = absoluteFromEnvironment("APPDATA");
    if (appData.empty()) return {};
    return appData + "\\Korvi\\saves";
#else
    std::string data = absoluteFromEnvironment("XDG_DATA_HOME");
    if (data.empty()) {
        const std::string home = absoluteFromEnvironment("HOME");
        if (home.empty()) return {};
        data = home + "/.local/share";
    }
    return data + "/korvi/saves";
#endif
}

std::string savedApartFileName(const std::string& romPath) {
    const std::string folder = userSavesFolder();
    const std::string beside = saveFileName(romPath);
    if (folder.empty() || beside.empty()) return {};
    const size_t nameStart = fileNameStart(romPath);
    const std::string imageFolder = romPath.substr(0, nameStart);
    char tag[16];
    std::snprintf(tag, sizeof tag, "-%08x",
                  static_cast<unsigned>(crc32(reinterpret_cast<const uint8_t*>(imageFolder.data()),
                                              imageFolder.size())));
    // "game.sav" beside the image becomes "game-1a2b3c4d.sav" apart.
    std::string name = beside.substr(nameStart);
    name.insert(name.size() - 4, tag);
    return folder + kSeparator + name;
}

SaveLocation chooseSaveLocation(const std::string& romPath) {
    const std::string beside = saveFileName(romPath);
    if (beside.empty()) return {};
    std::string failure;
    if (canWriteBeside(beside, failure)) return {beside, ""};
    const std::string apart = savedApartFileName(romPath);
    const std::string problem = "The save file " + beside + " cannot be written (" + failure + ")";
    if (apart.empty()) {
        return {beside, problem + ", and there is no user data folder to keep it in instead: "
                                  "progress in this game will not be saved."};
    }
    std::string folderFailure;
    const std::string folder = apart.substr(0, apart.find_last_of(kSeparator));
    if (!makeFolders(folder, folderFailure)) {
        return {beside, problem + ", nor can the folder " + folder + " be made (" + folderFailure +
                            "): progress in this game will not be saved."};
    }
    return {apart, problem + ": the game's save is kept in " + apart + " instead."};
}
