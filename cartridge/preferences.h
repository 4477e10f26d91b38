// The player's preferences and "preferences.ini", the text file beside settings.bin
// that keeps them between runs. settings.bin keeps the screen, zoom, input device,
// frame limit and colours as before; everything added since lives here.
//
// The file is UTF-8 text, one "name = value" a line. A line whose first character
// other than spaces is '#' is a comment; blank lines are skipped; spaces and tabs
// around names and values do not count; names are read in any case. A '#' after the
// start of a line belongs to the value (paths may hold one). The entries:
//
//   show-frame-rate = yes | no
//   run-in-background = yes | no (no: the game pauses when the program loses the front)
//   volume = 0 to 100 (per cent)
//   chooser-folder = the folder the file chooser was last in (empty: none)
//   recent = a game's path; repeated, newest first, at most kMaxRecentGames
//   key.<action> = a key name from input/key_names.h ("X", "Page Up") | none
//   button.<action> = 0 to 127 | hat-up | hat-down | hat-left | hat-right | none
//
// <action> is one of actionName()'s names: a, b, select, start, up, down, left,
// right, menu, fast-forward, save-state, load-state, undo-state, rewind, screenshot.
// Paths are stored as they are, without leading or trailing spaces; a path holding a
// line break cannot be stored and is left out.
//
// Reading never fails: a missing file gives the defaults, and a line that cannot be
// used (an unknown name, a bad value, no '=', a second entry of a name that is not
// "recent", a recent game listed already or past the eighth) is skipped with a warning,
// the first entry of a name being the one kept.
//
// One key drives one action, and one button. When the file binds a key to a second
// action, the first line keeps it and the later line is skipped with a warning. A
// skipped line counts as if it were not there: a later line of the same name may still
// give the value, and an action that no line gives a key keeps its default key, unless
// a line of the file binds that key to another action; then it is left unbound, without
// a warning, as moving a key onto another action is an ordinary edit. Buttons follow
// the same rules.
//
// savePreferences rewrites the whole file, every entry in the order above (actions in
// Action's order) under a comment block that describes the format; comments of one's
// own are not kept. Reading that file and writing it again gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Things the player can do in the program, each bound to one key and one controller
// button.
enum class Action : uint8_t {
    A,
    B,
    Select,
    Start,
    Up,
    Down,
    Left,
    Right,
    Menu,
    FastForward,
    SaveState,
    LoadState,
    UndoState,
    Rewind,
    Screenshot,
    Count
};
inline constexpr size_t kActionCount = static_cast<size_t>(Action::Count);

inline constexpr uint8_t kNoKey = 0;      // scan code 0: unbound
inline constexpr int16_t kNoButton = -1;  // controller: unbound
// Controller buttons 0 to kLastButton are the controller's own buttons; the
// directions of its hat 0 come after them.
inline constexpr int16_t kLastButton = 127;
inline constexpr int16_t kHatUp = 200;
inline constexpr int16_t kHatDown = 201;
inline constexpr int16_t kHatLeft = 202;
inline constexpr int16_t kHatRight = 203;

// key: a scan code (see input/key_names.h) or kNoKey. button: 0 to kLastButton,
// kHatUp to kHatRight, or kNoButton. Only keys with a name can be stored; any other
// key, or a button outside those ranges, is stored as unbound.
struct Binding {
    uint8_t key = kNoKey;
    int16_t button = kNoButton;
};

inline constexpr size_t kMaxRecentGames = 8;

struct Preferences {
    bool showFrameRate = true;
    bool runInBackground = false;          // the game goes on behind other programs
    uint8_t volume = 100;                  // per cent, 0 to 100
    std::string chooserFolder;             // the file chooser's last folder; empty: none
    std::vector<std::string> recentGames;  // newest first, at most kMaxRecentGames, no repeats
    // Indexed by Action. Unbound in a Preferences made from nothing; defaultPreferences()
    // has the defaults.
    Binding bindings[kActionCount];
};

// The preferences in use; loadPreferences fills them.
extern Preferences preferences;

// The first run's preferences. The bindings are the program's fixed ones of before:
// A = X key / button 2, B = Z / button 0, Select = Space / button 10, Start = Return /
// button 11, the arrows / the hat's directions, Menu = Escape / button 1, Fast forward
// = Tab, Save state = F5, Load state = F7, Undo state = F9, Rewind = Backspace,
// Screenshot = F12, the last six with no button.
Preferences defaultPreferences();

// The action's name in the file: "a", "start", "fast-forward", "save-state". nullptr
// for Action::Count.
const char* actionName(Action action);

// "preferences.ini" in the folder of settingsPath, or of locateSettingsFile() while
// settingsPath is empty.
std::string preferencesPath();

// Reads the file into `preferences`, starting from the defaults. Returns one warning a
// line that was skipped ("<path> line 7: unknown name "colour""), in line order, and
// one for a file that is there but cannot be read, which then counts as missing.
std::vector<std::string> loadPreferences();

// Writes the whole file from `preferences` through writeWholeFile, so that a failure
// leaves the old file as it was. On false, failure says why.
bool savePreferences(std::string& failure);

// Puts path at the front of preferences.recentGames, removing an earlier entry of the
// same path (the same bytes) and the oldest beyond kMaxRecentGames. Leading and
// trailing spaces are dropped first; an empty path, or one holding a line break, is
// not added.
void addRecentGame(const std::string& path);
