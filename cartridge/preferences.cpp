#include "cartridge/preferences.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <utility>

#include "cartridge/file_handle.h"
#include "cartridge/settings.h"
#include "cartridge/whole_file_writer.h"
#include "input/key_names.h"

namespace {

constexpr const char* kPreferencesFileName = "preferences.ini";
// Far beyond any file the program writes; a larger one is not read at all.
constexpr uint32_t kLargestFile = 1u << 20;

constexpr const char* kActionNames[kActionCount] = {
    "a",          "b",          "select",     "start",  "up",
    "down",       "left",       "right",      "menu",   "fast-forward",
    "save-state", "load-state", "undo-state", "rewind", "screenshot",
};

// The bindings the program had before they could be changed. Scan codes as in
// platform/input_devices.h.
constexpr Binding kDefaultBindings[kActionCount] = {
    {0x2D, 2},          // A: X
    {0x2C, 0},          // B: Z
    {0x39, 10},         // Select: Space
    {0x1C, 11},         // Start: Return
    {0xC8, kHatUp},     // Up
    {0xD0, kHatDown},   // Down
    {0xCB, kHatLeft},   // Left
    {0xCD, kHatRight},  // Right
    {0x01, 1},          // Menu: Escape
    {0x0F, kNoButton},  // Fast forward: Tab
    {0x3F, kNoButton},  // Save state: F5
    {0x41, kNoButton},  // Load state: F7
    {0x43, kNoButton},  // Undo state: F9
    {0x0E, kNoButton},  // Rewind: Backspace
    {0x58, kNoButton},  // Screenshot: F12
};

constexpr std::pair<int16_t, const char*> kHatNames[] = {
    {kHatUp, "hat-up"}, {kHatDown, "hat-down"}, {kHatLeft, "hat-left"}, {kHatRight, "hat-right"}};

const char kFileHeader[] =
    "# Korvi's preferences, rewritten whole whenever they change.\n"
    "# One \"name = value\" a line; a line starting with # is a comment.\n"
    "#   show-frame-rate   yes or no\n"
    "#   run-in-background yes or no: the game goes on while another program is in\n"
    "#                     front or the window is minimised\n"
    "#   volume            0 to 100 (per cent)\n"
    "#   chooser-folder    the folder the file chooser was last in\n"
    "#   recent            a game played lately, one line each, newest first\n"
    "#   key.<action>      a key's name (X, Return, Left Shift, Keypad 5), or none\n"
    "#   button.<action>   a controller button 0 to 127, hat-up, hat-down, hat-left,\n"
    "#                     hat-right, or none\n"
    "# A key or button drives one action: a line giving a second action the same one\n"
    "# is skipped.\n"
    "# The actions:";

// The comment's list of action names, in lines of up to 80 characters.
void appendActionList(std::string& text) {
    size_t lineStart = text.rfind('\n') + 1;
    for (size_t i = 0; i < kActionCount; ++i) {
        const std::string name = std::string(kActionNames[i]) + (i + 1 < kActionCount ? "," : ".");
        if (text.size() - lineStart + 1 + name.size() > 80) {
            text += "\n#";
            lineStart = text.size() - 1;
        }
        text += ' ';
        text += name;
    }
    text += '\n';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = lower(c);
    return result;
}

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A path as the file stores it: without surrounding spaces; empty when it cannot be
// stored on one line.
std::string storablePath(std::string_view path) {
    const std::string_view kept = trimmed(path);
    if (kept.find_first_of("\r\n") != std::string_view::npos) return {};
    return std::string(kept);
}

// A whole decimal number from low to high, nothing else; false otherwise.
bool wholeNumber(std::string_view text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    if (parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool actionFromName(std::string_view name, Action& action) {
    for (size_t i = 0; i < kActionCount; ++i) {
        if (name == kActionNames[i]) {
            action = static_cast<Action>(i);
            return true;
        }
    }
    return false;
}

bool buttonFromText(std::string_view text, int16_t& button) {
    const std::string name = lowered(text);
    if (name == "none") {
        button = kNoButton;
        return true;
    }
    for (const auto& [value, hatName] : kHatNames) {
        if (name == hatName) {
            button = value;
            return true;
        }
    }
    int number = 0;
    if (!wholeNumber(text, 0, kLastButton, number)) return false;
    button = static_cast<int16_t>(number);
    return true;
}

std::string buttonText(int16_t button) {
    if (button >= 0 && button <= kLastButton) return std::to_string(button);
    for (const auto& [value, hatName] : kHatNames) {
        if (button == value) return hatName;
    }
    return "none";
}

std::string keyText(uint8_t key) {
    const char* name = key == kNoKey ? nullptr : keyName(key);
    return name != nullptr ? name : "none";
}

// The keys or the buttons the file gives the actions, with the line of each, for
// settling which action keeps a key that two lines bind.
template <typename Value>
struct FileBindings {
    bool given[kActionCount] = {};
    Value value[kActionCount] = {};
    int line[kActionCount] = {};

    // The action an earlier line gave value, if any.
    bool heldBy(Value wanted, Value none, Action& holder) const {
        if (wanted == none) return false;
        for (size_t i = 0; i < kActionCount; ++i) {
            if (given[i] && value[i] == wanted) {
                holder = static_cast<Action>(i);
                return true;
            }
        }
        return false;
    }

    // The final binding of each action: its own line's, else its default unless
    // another action's line took that.
    void settle(Value Binding::*member, Value none, Binding (&bindings)[kActionCount]) const {
        for (size_t i = 0; i < kActionCount; ++i) {
            Action holder{};
            const Value fallback = kDefaultBindings[i].*member;
            if (given[i]) {
                bindings[i].*member = value[i];
            } else {
                bindings[i].*member = heldBy(fallback, none, holder) ? none : fallback;
            }
        }
    }
};

class PreferencesReader {
public:
    explicit PreferencesReader(std::string path) : path_(std::move(path)) {}

    void read(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
        int number = 0;
        while (!text.empty()) {
            const size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            ++number;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            readLine(number, trimmed(line));
        }
        keys_.settle(&Binding::key, kNoKey, result_.bindings);
        buttons_.settle(&Binding::button, kNoButton, result_.bindings);
    }

    // A warning about the file as a whole.
    void warnAboutFile(const std::string& what) { warnings_.push_back(path_ + ": " + what); }

    const Preferences& result() const { return result_; }
    std::vector<std::string> takeWarnings() { return std::move(warnings_); }

private:
    void warn(int line, const std::string& what) {
        warnings_.push_back(path_ + " line " + std::to_string(line) + ": " + what);
    }

    // Whether a single-valued name has had its value; warns about a second one.
    bool repeated(int line, bool& seen, std::string_view name) {
        if (!seen) return false;
        warn(line, std::string(name) + " is given already");
        return true;
    }

    void readLine(int line, std::string_view text) {
        if (text.empty() || text.front() == '#') return;
        const size_t equals = text.find('=');
        const std::string name = lowered(trimmed(text.substr(0, equals)));
        if (equals == std::string_view::npos || name.empty()) {
            warn(line, "not a \"name = value\" line");
            return;
        }
        const std::string_view value = trimmed(text.substr(equals + 1));
        Action action{};
        if (name == "show-frame-rate") {
            readYesOrNo(line, name, value, frameRateSeen_, result_.showFrameRate);
        } else if (name == "run-in-background") {
            readYesOrNo(line, name, value, backgroundSeen_, result_.runInBackground);
        } else if (name == "volume") {
            readVolume(line, value);
        } else if (name == "chooser-folder") {
            if (!repeated(line, chooserFolderSeen_, name)) {
                result_.chooserFolder = std::string(value);
                chooserFolderSeen_ = true;
            }
        } else if (name == "recent") {
            readRecentGame(line, value);
        } else if (name.starts_with("key.") && actionFromName(name.substr(4), action)) {
            readKey(line, action, value);
        } else if (name.starts_with("button.") && actionFromName(name.substr(7), action)) {
            readButton(line, action, value);
        } else {
            warn(line, "unknown name \"" + name + "\"");
        }
    }

    void readYesOrNo(int line, const std::string& name, std::string_view value, bool& seen,
                     bool& setting) {
        if (repeated(line, seen, name)) return;
        const std::string answer = lowered(value);
        if (answer != "yes" && answer != "no") {
            warn(line, name + " must be yes or no, not \"" + std::string(value) + "\"");
            return;
        }
        setting = answer == "yes";
        seen = true;
    }

    void readVolume(int line, std::string_view value) {
        if (repeated(line, volumeSeen_, "volume")) return;
        int volume = 0;
        if (!wholeNumber(value, 0, 100, volume)) {
            warn(line,
                 "volume must be a whole number from 0 to 100, not \"" + std::string(value) + "\"");
            return;
        }
        result_.volume = static_cast<uint8_t>(volume);
        volumeSeen_ = true;
    }

    void readRecentGame(int line, std::string_view value) {
        std::vector<std::string>& games = result_.recentGames;
        if (value.empty()) {
            warn(line, "recent has no path");
        } else if (std::find(games.begin(), games.end(), value) != games.end()) {
            warn(line, "recent game \"" + std::string(value) + "\" is listed already");
        } else if (games.size() >= kMaxRecentGames) {
            warn(line, "more than " + std::to_string(kMaxRecentGames) + " recent games");
        } else {
            games.emplace_back(value);
        }
    }

    void readKey(int line, Action action, std::string_view value) {
        const std::string name = std::string("key.") + kActionNames[static_cast<size_t>(action)];
        uint8_t key = kNoKey;
        if (lowered(value) != "none" && !keyFromName(value, key)) {
            warn(line, "unknown key \"" + std::string(value) + "\" for " + name);
            return;
        }
        bind(line, action, name, keys_, key, kNoKey, "key " + keyText(key));
    }

    void readButton(int line, Action action, std::string_view value) {
        const std::string name =
            std::string("button.") + kActionNames[static_cast<size_t>(action)];
        int16_t button = kNoButton;
        if (!buttonFromText(value, button)) {
            warn(line,
                 name + " must be 0 to 127, hat-up, hat-down, hat-left, hat-right or none, not \"" +
                     std::string(value) + "\"");
            return;
        }
        bind(line, action, name, buttons_, button, kNoButton, "button " + buttonText(button));
    }

    // Gives the action the key or button of its line, unless the action has had one
    // already or an earlier line bound it to another action.
    template <typename Value>
    void bind(int line, Action action, const std::string& name, FileBindings<Value>& given,
              Value value, Value none, const std::string& described) {
        const size_t i = static_cast<size_t>(action);
        if (given.given[i]) {
            warn(line, name + " is given already");
            return;
        }
        Action holder{};
        if (given.heldBy(value, none, holder)) {
            warn(line, described + " is bound to " + actionName(holder) + " already (line " +
                           std::to_string(given.line[static_cast<size_t>(holder)]) + ")");
            return;
        }
        given.given[i] = true;
        given.value[i] = value;
        given.line[i] = line;
    }

    std::string path_;
    Preferences result_ = defaultPreferences();
    std::vector<std::string> warnings_;
    bool frameRateSeen_ = false, backgroundSeen_ = false, volumeSeen_ = false,
         chooserFolderSeen_ = false;
    FileBindings<uint8_t> keys_;
    FileBindings<int16_t> buttons_;
};

// The whole file, or false with a warning when it is there and cannot be read.
bool readWholeFile(const std::string& path, std::string& text, PreferencesReader& reader) {
    FileHandle file;
    if (!file.open(path, FileMode::Read)) {
        if (!file.missing()) reader.warnAboutFile("cannot read it: " + file.failure());
        return false;
    }
    char chunk[4096];
    for (;;) {
        const uint32_t count = file.read(chunk, sizeof chunk);
        text.append(chunk, count);
        if (file.readFailed()) {
            reader.warnAboutFile("cannot read it: " + file.failure());
            return false;
        }
        if (text.size() > kLargestFile) {
            reader.warnAboutFile("larger than " + std::to_string(kLargestFile >> 20) +
                                 " MiB, so not read");
            return false;
        }
        if (count < sizeof chunk) return true;
    }
}

}  // namespace

Preferences preferences = defaultPreferences();

Preferences defaultPreferences() {
    Preferences defaults;
    std::copy(std::begin(kDefaultBindings), std::end(kDefaultBindings), defaults.bindings);
    return defaults;
}

const char* actionName(Action action) {
    const size_t i = static_cast<size_t>(action);
    return i < kActionCount ? kActionNames[i] : nullptr;
}

std::string preferencesPath() {
    const std::string settings = settingsPath.empty() ? locateSettingsFile() : settingsPath;
    size_t end = settings.size();
    while (end > 0 && !isPathSeparator(settings[end - 1])) --end;
    return settings.substr(0, end) + kPreferencesFileName;
}

std::vector<std::string> loadPreferences() {
    const std::string path = preferencesPath();
    PreferencesReader reader(path);
    std::string text;
    if (readWholeFile(path, text, reader)) reader.read(text);
    preferences = reader.result();
    return reader.takeWarnings();
}

bool savePreferences(std::string& failure) {
    std::string text = kFileHeader;
    appendActionList(text);
    const auto entry = [&text](std::string_view name, std::string_view value) {
        text.append(name);
        text.append(value.empty() ? " =" : " = ");
        text.append(value);
        text += '\n';
    };
    text += '\n';
    entry("show-frame-rate", preferences.showFrameRate ? "yes" : "no");
    entry("run-in-background", preferences.runInBackground ? "yes" : "no");
    entry("volume", std::to_string(std::min<int>(preferences.volume, 100)));
    entry("chooser-folder", storablePath(preferences.chooserFolder));
    std::vector<std::string> written;
    for (const std::string& game : preferences.recentGames) {
        const std::string path = storablePath(game);
        if (path.empty() || written.size() == kMaxRecentGames ||
            std::find(written.begin(), written.end(), path) != written.end())
            continue;
        entry("recent", path);
        written.push_back(path);
    }
    text += '\n';
    for (size_t i = 0; i < kActionCount; ++i)
        entry(std::string("key.") + kActionNames[i], keyText(preferences.bindings[i].key));
    text += '\n';
    for (size_t i = 0; i < kActionCount; ++i)
        entry(std::string("button.") + kActionNames[i], buttonText(preferences.bindings[i].button));
    return writeWholeFile(preferencesPath(), text.data(), static_cast<uint32_t>(text.size()),
                          failure);
}

void addRecentGame(const std::string& path) {
    const std::string game = storablePath(path);
    if (game.empty()) return;
    std::vector<std::string>& games = preferences.recentGames;
    games.erase(std::remove(games.begin(), games.end(), game), games.end());
    games.insert(games.begin(), game);
    if (games.size() > kMaxRecentGames) games.resize(kMaxRecentGames);
}
