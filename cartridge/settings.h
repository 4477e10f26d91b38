// The user's settings and "settings.bin", the 8-byte little-endian file beside the
// executable that keeps them between runs: width, height (2 bytes each), zoom,
// input device, frame limit, raw colours (1 byte each). Builds that knew only the
// first seven bytes read the file as before and ignore the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Half the screen size in pixels while running; between loadSettings and the end of
// start-up they hold the full size as stored, and start-up halves them.
extern uint16_t screenCentreX;  // initial 640
extern uint16_t screenCentreY;  // initial 480
extern uint8_t zoom;            // 1 to 4, initial 1; kZoomToFit until start-up fits it
extern uint8_t inputDevice;     // 0 keyboard, N the N-th game controller; initial 0
extern uint8_t limitFps;        // non-zero holds the frame rate down; initial 0
// 1 shows colour cartridges' colours as stored, 0 through the LCD colour curve;
// initial 0.
extern uint8_t rawColours;

// Full path of "settings.bin", set by loadSettings (or the first saveSettings).
extern std::string settingsPath;

// A zoom to be chosen at start-up: the largest that shows the whole picture on the
// screen.
inline constexpr uint8_t kZoomToFit = 0;
// The largest zoom, 1 to 4, at which the 160 x 144 picture fits a screen this size.
uint8_t zoomFittingScreen(int width, int height);

// True when loadSettings found no file: start-up writes one once the zoom is fitted.
extern bool settingsFileMissing;

// Finds the file, then reads it. Without one, a first run: the desktop's size, a zoom
// to fit, the frame limit on. Fields a short file lacks keep their values; a zoom
// outside 1-4 becomes kZoomToFit, and a size the program cannot use the desktop's
// (0 x 0): a width or height other than 0 or from the picture's size (160 x 144) up
// to 7680, or more than 7680 x 4320 pixels.
void loadSettings();
// Rewrites the whole file from the full screen size and the other values, through
// a temporary file, so that a failed write leaves the old file as it was. Returns false
// when the file could not be written completely.
bool saveSettings(uint16_t width, uint16_t height);
// Why the last saveSettings failed, in the host's words.
const std::string& settingsSaveFailure();

// Where "settings.bin" belongs: the executable's directory, or the directory set by
// setSettingsDirectory.
std::string locateSettingsFile();
// The settings file beside the executable named by a command line that starts with
// the executable's path, quoted or not: "C:\Program Files\Korvi\korvi.exe" -x gives
// C:\Program Files\Korvi\settings.bin. Just "settings.bin" when there is no directory.
std::string settingsPathFromCommandLine(std::string_view commandLine);

// For tests: keep the file in directory instead of beside the executable (an empty
// string restores the executable's directory), and forget the located path.
void setSettingsDirectory(const std::string& directory);
// Puts the six values back to their initial ones and forgets the located path.
void resetSettings();
