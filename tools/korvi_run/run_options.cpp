#include "tools/korvi_run/run_options.h"

#include <charconv>
#include <sstream>

const char* const kRunUsage =
    "Usage: korvi-run [options] [--] [ROM]\n"
    "Runs a cartridge image headless (without ROM: the built-in demo cartridge).\n"
    "\n"
    "  --frames N                 frames of emulated time to run (70,224 clock cycles\n"
    "                             each, the LCD on or off), up to 4294967295 (default 60)\n"
    "  --press FRAME:BUTTONS[:HOLD]\n"
    "                             hold BUTTONS from frame FRAME for HOLD frames (default 1);\n"
    "                             BUTTONS is a '+'-separated list of right, left, up, down,\n"
    "                             a, b, select, start; may be given several times\n"
    "  --screenshot FILE.png      write the last picture presented in the run (or the\n"
    "                             view) as PNG\n"
    "  --wav FILE.wav             write the whole run's sound (48 kHz, stereo, 16-bit)\n"
    "  --load-state FILE          load a state file before the first frame\n"
    "  --save-state FILE          write the machine's state to FILE at the end of the run;\n"
    "                             loaded into another run, it plays on exactly as this one\n"
    "                             would have (with identical sound when both record it)\n"
    "  --view main|tiles|oam      what the screenshot shows (default main: the game)\n"
    "  --size WxH                 display size in pixels (default: the picture at the zoom,\n"
    "                             540x420 for the tiles view, 400x300 for the OAM view)\n"
    "  --zoom Z                   picture scale 1 to 4 (default 1)\n"
    "  --colour lcd|raw           a colour cartridge's colours through the LCD colour curve\n"
    "                             or as stored (default lcd, as the desktop program shows\n"
    "                             them unless its Display settings ask for raw colours)\n"
    "  --show-fps                 draw the frame rate in the top-left corner, as the\n"
    "                             desktop program does (default: the game only)\n"
    "  --quiet                    print nothing but errors\n"
    "  --verbose                  also print each frame at which a rumble cartridge's\n"
    "                             motor starts or stops\n"
    "  --help                     show this text\n"
    "  --                         ends the options: what follows is the ROM, even when\n"
    "                             its name starts with '-'\n"
    "\n"
    "Prints frames (and how many pictures were presented in them), machine steps, wall\n"
    "time and frames per second (and, for a rumble cartridge, the frames in which its\n"
    "motor ran). A battery-backed cartridge's save file is written beside the image at\n"
    "exit.\n"
    "\n"
    "Each output is written whole or not at all, and only in place of a missing name\n"
    "or a regular file: a link, folder, device, pipe or socket there, or the cartridge\n"
    "being run, is refused before the run starts.\n"
    "\n"
    "Exit status: 0 when everything asked for was written, 1 when something could not\n"
    "be loaded or written, 2 for a wrong command line. SIGTERM, SIGINT and SIGHUP stop\n"
    "the run at the end of the frame: the battery save and the sound recorded so far\n"
    "are written, the screenshot and state are not, and the exit status is 128 + the\n"
    "signal's number.\n";

namespace {

bool parseNumber(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool setButton(JoypadButtons& buttons, const std::string& name) {
    struct Name {
        const char* text;
        uint8_t JoypadButtons::*field;
    };
    static const Name kNames[] = {
        {"right", &JoypadButtons::right},   {"left", &JoypadButtons::left},
        {"up", &JoypadButtons::up},         {"down", &JoypadButtons::down},
        {"a", &JoypadButtons::a},           {"b", &JoypadButtons::b},
        {"select", &JoypadButtons::select}, {"start", &JoypadButtons::start},
    };
    for (const Name& n : kNames) {
        if (name == n.text) {
            buttons.*(n.field) = 1;
            return true;
        }
    }
    return false;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

bool parsePress(const std::string& text, ScriptedPress& press, std::string& error) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() < 2 || parts.size() > 3 || !parseNumber(parts[0], press.frame)) {
        error = "--press expects FRAME:BUTTONS[:HOLD], got \"" + text + "\"";
        return false;
    }
    for (const std::string& name : split(parts[1], '+')) {
        if (!setButton(press.buttons, name)) {
            error = "unknown button \"" + name +
                    "\" (buttons: right, left, up, down, a, b, select, start)";
            return false;
        }
    }
    if (parts.size() == 3 && (!parseNumber(parts[2], press.hold) || press.hold == 0)) {
        error = "--press hold must be a positive number of frames, got \"" + parts[2] + "\"";
        return false;
    }
    return true;
}

}  // namespace

std::optional<RunOptions> parseRunOptions(const std::vector<std::string>& arguments,
                                          std::string& error) {
    RunOptions options;
    bool optionsEnded = false;  // after "--" every argument is an image name
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!options.romPath.empty()) {
                error = "only one cartridge image may be given (\"" + options.romPath +
                        "\" and \"" + arg + "\")";
                return std::nullopt;
            }
            options.romPath = arg;
            continue;
        }
        auto value = [&](std::string& out) {
            if (i + 1 >= arguments.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--show-fps") {
            options.showFps = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--frames") {
            if (!value(text)) return std::nullopt;
            if (!parseNumber(text, options.frames)) {
                error = "--frames expects a number, got \"" + text + "\"";
                return std::nullopt;
            }
        } else if (arg == "--press") {
            ScriptedPress press;
            if (!value(text) || !parsePress(text, press, error)) return std::nullopt;
            options.presses.push_back(press);
        } else if (arg == "--screenshot") {
            if (!value(options.screenshotPath)) return std::nullopt;
        } else if (arg == "--wav") {
            if (!value(options.wavPath)) return std::nullopt;
        } else if (arg == "--load-state") {
            if (!value(options.loadStatePath)) return std::nullopt;
        } else if (arg == "--save-state") {
            if (!value(options.saveStatePath)) return std::nullopt;
        } else if (arg == "--view") {
            if (!value(text)) return std::nullopt;
            if (text == "main") {
                options.view = RunView::Main;
            } else if (text == "tiles") {
                options.view = RunView::Tiles;
            } else if (text == "oam") {
                options.view = RunView::Oam;
            } else {
                error = "--view expects main, tiles or oam, got \"" + text + "\"";
                return std::nullopt;
            }
        } else if (arg == "--colour") {
            if (!value(text)) return std::nullopt;
            if (text == "lcd") {
                options.colour = ColourCurve::Lcd;
            } else if (text == "raw") {
                options.colour = ColourCurve::Raw;
            } else {
                error = "--colour expects lcd or raw, got \"" + text + "\"";
                return std::nullopt;
            }
        } else if (arg == "--size") {
            if (!value(text)) return std::nullopt;
            const std::vector<std::string> parts = split(text, 'x');
            uint32_t w = 0, h = 0;
            if (parts.size() != 2 || !parseNumber(parts[0], w) || !parseNumber(parts[1], h) ||
                w < 1 || h < 1 || w > 8192 || h > 8192) {
                error = "--size expects WxH between 1x1 and 8192x8192, got \"" + text + "\"";
                return std::nullopt;
            }
            options.width = static_cast<int>(w);
            options.height = static_cast<int>(h);
        } else if (arg == "--zoom") {
            uint32_t zoom = 0;
            if (!value(text)) return std::nullopt;
            if (!parseNumber(text, zoom) || zoom < 1 || zoom > 4) {
                error = "--zoom expects 1 to 4, got \"" + text + "\"";
                return std::nullopt;
            }
            options.zoom = static_cast<int>(zoom);
        } else {
            error = "unknown option \"" + arg + "\" (see korvi-run --help)";
            return std::nullopt;
        }
    }
    if (options.width == 0) {
        // Large enough for what is shown: the picture at its zoom, or the whole view.
        switch (options.view) {
            case RunView::Main:
                options.width = 160 * options.zoom;
                options.height = 144 * options.zoom;
                break;
            case RunView::Tiles:
                options.width = 540;
                options.height = 420;
                break;
            case RunView::Oam:
                options.width = 400;
                options.height = 300;
                break;
        }
    }
    return options;
}

JoypadButtons scriptedButtons(const std::vector<ScriptedPress>& presses, uint32_t frame) {
    JoypadButtons held{};
    for (const ScriptedPress& p : presses) {
        if (frame < p.frame || frame - p.frame >= p.hold) continue;
        held.right |= p.buttons.right;
        held.left |= p.buttons.left;
        held.up |= p.buttons.up;
        held.down |= p.buttons.down;
        held.a |= p.buttons.a;
        held.b |= p.buttons.b;
        held.select |= p.buttons.select;
        held.start |= p.buttons.start;
    }
    return held;
}
