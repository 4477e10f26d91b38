#include "cartridge/settings.h"

#include "cartridge/file_handle.h"
#include "cartridge/whole_file_writer.h"

#ifdef _WIN32
#include <windows.h>

#include "cartridge/wide_text_win32.h"
#else
#include <unistd.h>

#include <vector>
#endif

uint16_t screenCentreX = 640;
uint16_t screenCentreY = 480;
uint8_t zoom = 1;
uint8_t inputDevice = 0;
uint8_t limitFps = 0;
uint8_t rawColours = 0;
std::string settingsPath;
bool settingsFileMissing = false;

namespace {

constexpr const char* kSettingsFileName = "settings.bin";
constexpr uint32_t kSettingsFileSize = 8;

std::string directoryOverride;
std::string saveFailure;

#ifndef _WIN32
// Everything up to and including the last separator, or "" when there is none.
std::string directoryOf(std::string_view path) {
    size_t end = path.size();
    while (end > 0 && !isPathSeparator(path[end - 1])) --end;
    return std::string(path.substr(0, end));
}

std::string readExecutableLink() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);  // may have been cut short; try a larger buffer
    }
}
#endif

uint16_t littleEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Stored screen sizes the program can use: 0 (the desktop's size), or from the
// picture's own size up to the largest screens made. Anything else would end in a
// display that cannot be set up, or one of gigabytes; it is taken as missing.
constexpr uint16_t kLargestSide = 7680;
constexpr uint32_t kLargestArea = 7680u * 4320u;

bool usableSide(uint16_t value, uint16_t pictureSide) {
    return value == 0 || (value >= pictureSide && value <= kLargestSide);
}

}  // namespace

std::string settingsPathFromCommandLine(std::string_view commandLine) {
    std::string_view executable;
    if (!commandLine.empty() && commandLine.front() == '"') {
        const size_t close = commandLine.find('"', 1);
        executable = commandLine.substr(1, close == std::string_view::npos ? close : close - 1);
    } else {
        executable = commandLine.substr(0, commandLine.find_first_of(" \t"));
    }
    size_t end = executable.size();
    while (end > 0 && executable[end - 1] != '\\' && executable[end - 1] != '/') --end;
    return std::string(executable.substr(0, end)) + kSettingsFileName;
}

std::string locateSettingsFile() {
    if (!directoryOverride.empty()) {
        std::string directory = directoryOverride;
        if (!isPathSeparator(directory.back())) directory += '/';
        return directory + kSettingsFileName;
    }
#ifdef _WIN32
    // The command line starts with the executable's path in quotes when the shell
    // started the program. Started by a bare name (found through PATH or the
    // current folder) it holds no folder at all: the module's own path does.
    // Both are read in UTF-16 and kept in UTF-8, so that a folder named outside the
    // user's code page is found.
    const wchar_t* wideCommandLine = GetCommandLineW();
    const std::string commandLine = wideCommandLine != nullptr ? utf8FromWide(wideCommandLine) : "";
    if (!commandLine.empty() && commandLine[0] == '"') {
        return settingsPathFromCommandLine(commandLine);
    }
    // The module's path may be longer than MAX_PATH; a result that fills the buffer
    // was cut short.
    std::wstring module(MAX_PATH, L'\0');
    DWORD length = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0 || length < module.size()) break;
        module.resize(module.size() * 4);
    }
    if (length == 0 || length >= module.size()) return settingsPathFromCommandLine(commandLine);
    module.resize(length);
    std::string quoted = utf8FromWide(module);
    quoted.insert(quoted.begin(), '"');
    quoted += '"';
    return settingsPathFromCommandLine(quoted);
#else
    // The kernel's link to the running image: right even when started through $PATH
    // or a relative path. Without it, fall back to the current directory.
    return directoryOf(readExecutableLink()) + kSettingsFileName;
#endif
}

void loadSettings() {
    settingsPath = locateSettingsFile();
    settingsFileMissing = false;

    FileHandle file;
    uint8_t bytes[kSettingsFileSize];
    // An empty file (one whose first write never finished) holds nothing to go by:
    // it counts as none.
    uint32_t count = 0;
    if (file.open(settingsPath, FileMode::Read)) {
        count = file.read(bytes, kSettingsFileSize);
        file.close();
    }
    if (count > 0) {
        // A field is taken only when the file holds all of its bytes; a field the file
        // lacks keeps its initial value. A screen size or zoom the program cannot use
        // is replaced by the first run's: the desktop's size, the largest zoom that
        // fits it. The file itself is corrected only by the next confirmed dialog. An
        // input device that is not attached falls back when input is set up.
        if (count >= 4) {
            const uint16_t width = littleEndian16(bytes), height = littleEndian16(bytes + 2);
            const bool usable = usableSide(width, 160) && usableSide(height, 144) &&
                                uint32_t{width} * height <= kLargestArea;
            screenCentreX = usable ? width : 0;
            screenCentreY = usable ? height : 0;
        } else if (count >= 2 && usableSide(littleEndian16(bytes), 160)) {
            screenCentreX = littleEndian16(bytes);
        }
        if (count >= 5) zoom = bytes[4] >= 1 && bytes[4] <= 4 ? bytes[4] : kZoomToFit;
        if (count >= 6) inputDevice = bytes[5];
        if (count >= 7) limitFps = bytes[6];
        if (count >= 8 && bytes[7] <= 1) rawColours = bytes[7];
        return;
    }
    // No file yet, a first run: the game plays at once, at the handheld's pace, on the
    // whole desktop, as large as it fits. Start-up fits the zoom and creates the file.
    screenCentreX = 0;
    screenCentreY = 0;
    zoom = kZoomToFit;
    limitFps = 1;
    settingsFileMissing = true;
}

uint8_t zoomFittingScreen(int width, int height) {
    int fit = width / 160 < height / 144 ? width / 160 : height / 144;
    if (fit > 4) fit = 4;
    return static_cast<uint8_t>(fit < 1 ? 1 : fit);
}

bool saveSettings(uint16_t width, uint16_t height) {
    if (settingsPath.empty()) settingsPath = locateSettingsFile();
    const uint8_t bytes[kSettingsFileSize] = {
        static_cast<uint8_t>(width & 0xFF), static_cast<uint8_t>(width >> 8),
        static_cast<uint8_t>(height & 0xFF), static_cast<uint8_t>(height >> 8),
        zoom, inputDevice, limitFps, rawColours};
    return writeWholeFile(settingsPath, bytes, sizeof bytes, saveFailure);
}

const std::string& settingsSaveFailure() {
    return saveFailure;
}

void setSettingsDirectory(const std::string& directory) {
    directoryOverride = directory;
    settingsPath.clear();
}

void resetSettings() {
    screenCentreX = 640;
    screenCentreY = 480;
    zoom = 1;
    inputDevice = 0;
    limitFps = 0;
    rawColours = 0;
    settingsPath.clear();
    settingsFileMissing = false;
}
