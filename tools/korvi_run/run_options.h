// Command-line options of the headless runner.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/machine_state.h"
#include "video/colour_curve.h"

enum class RunView { Main, Tiles, Oam };

// Buttons held from frame `frame` for `hold` frames.
struct ScriptedPress {
    uint32_t frame = 0;
    JoypadButtons buttons{};
    uint32_t hold = 1;
};

struct RunOptions {
    std::string romPath;  // empty: the built-in demo cartridge
    uint32_t frames = 60;
    std::vector<ScriptedPress> presses;
    std::string screenshotPath;
    std::string wavPath;  // empty: no sound is made
    std::string loadStatePath;  // empty: the run starts from the reset
    std::string saveStatePath;  // empty: no state is written
    RunView view = RunView::Main;
    int width = 0;  // 0: just large enough for the picture at the zoom
    int height = 0;
    int zoom = 1;
    // How a colour cartridge's colours are shown; the desktop program's default.
    ColourCurve colour = ColourCurve::Lcd;
    bool showFps = false;  // the frame rate in the corner, as the desktop program shows it
    bool quiet = false;
    bool verbose = false;  // the rumble motor's starts and stops, frame by frame
    bool help = false;
};

// Parses argv[1..]; on failure returns nothing and sets error to a message for the user.
std::optional<RunOptions> parseRunOptions(const std::vector<std::string>& arguments,
                                          std::string& error);

// Joypad state the script asks for during frame `frame`.
JoypadButtons scriptedButtons(const std::vector<ScriptedPress>& presses, uint32_t frame);

extern const char* const kRunUsage;
