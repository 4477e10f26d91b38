#include "cartridge/preferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "cartridge/settings.h"
#include "file_fixture.h"
#include "platform/input_devices.h"

namespace {

constexpr size_t index(Action action) {
    return static_cast<size_t>(action);
}

void expectSame(const Preferences& actual, const Preferences& expected, const std::string& name) {
    EXPECT_EQ(actual.showFrameRate, expected.showFrameRate) << name;
    EXPECT_EQ(actual.volume, expected.volume) << name;
    EXPECT_EQ(actual.chooserFolder, expected.chooserFolder) << name;
    EXPECT_EQ(actual.recentGames, expected.recentGames) << name;
    for (size_t i = 0; i < kActionCount; ++i) {
        EXPECT_EQ(actual.bindings[i].key, expected.bindings[i].key)
            << name << ", " << actionName(Action(i));
        EXPECT_EQ(actual.bindings[i].button, expected.bindings[i].button)
            << name << ", " << actionName(Action(i));
    }
}

std::string readText(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        setSettingsDirectory(dir.path());
        preferences = defaultPreferences();
    }
    void TearDown() override {
        setSettingsDirectory("");
        resetSettings();
        preferences = defaultPreferences();
    }
    std::string file() const { return dir / "preferences.ini"; }
    // Loads text as the file and returns the warnings without the file's path.
    std::vector<std::string> load(const std::string& text) {
        writeText(file(), text);
        std::vector<std::string> warnings = loadPreferences();
        for (std::string& warning : warnings) {
            if (warning.starts_with(file())) warning.erase(0, file().size());
        }
        return warnings;
    }
    TempDir dir;
};

// Without a file: the bindings the program had before, silently. The file lies beside
// settings.bin.
TEST_F(PreferencesTest, MissingFileGivesThePreviousBindingsBesideSettings) {
    EXPECT_EQ(preferencesPath(), file());
    loadSettings();
    EXPECT_EQ(preferencesPath(), file());
    preferences.volume = 7;
    EXPECT_TRUE(loadPreferences().empty());
    const Binding expected[kActionCount] = {
        {DIK_X, 2},
        {DIK_Z, 0},
        {DIK_SPACE, 10},
        {DIK_RETURN, 11},
        {DIK_UP, kHatUp},
        {DIK_DOWN, kHatDown},
        {DIK_LEFT, kHatLeft},
        {DIK_RIGHT, kHatRight},
        {DIK_ESCAPE, 1},
        {DIK_TAB, kNoButton},
        {DIK_F5, kNoButton},
        {DIK_F7, kNoButton},
        {DIK_F9, kNoButton},
        {DIK_BACK, kNoButton},
        {0x58 /* F12 */, kNoButton},
    };
    Preferences defaults;
    std::copy(std::begin(expected), std::end(expected), defaults.bindings);
    expectSame(preferences, defaults, "no file");
    EXPECT_FALSE(fileExists(file()));
}

// Everything changed comes back as it was, and the file written again is the same.
TEST_F(PreferencesTest, NonDefaultPreferencesRoundTrip) {
    Preferences changed = defaultPreferences();
    changed.showFrameRate = false;
    changed.volume = 0;
    changed.chooserFolder = "/home/pat/Spiele #2/Größe = 3";
    for (int i = 8; i >= 1; --i)
        changed.recentGames.push_back("/games/game " + std::to_string(i) + ".gb");
    changed.recentGames[3] = "C:\\Games\\a=b #c.gbc";
    // A and B swapped, Up moved to the keypad, Menu unbound; buttons likewise.
    changed.bindings[index(Action::A)] = {DIK_Z, 0};
    changed.bindings[index(Action::B)] = {DIK_X, 2};
    changed.bindings[index(Action::Up)] = {0x48 /* Keypad 8 */, kHatDown};
    changed.bindings[index(Action::Down)] = {0xD1 /* Page Down */, kHatUp};
    changed.bindings[index(Action::Menu)] = {kNoKey, kNoButton};
    changed.bindings[index(Action::FastForward)] = {0x36 /* Right Shift */, 127};
    changed.bindings[index(Action::Screenshot)] = {DIK_ESCAPE, 1};
    preferences = changed;

    std::string failure;
    ASSERT_TRUE(savePreferences(failure)) << failure;
    const std::string written = readText(file());
    EXPECT_TRUE(written.starts_with("# ")) << written;
    preferences = defaultPreferences();
    EXPECT_EQ(loadPreferences(), std::vector<std::string>{});
    expectSame(preferences, changed, "read back");
    ASSERT_TRUE(savePreferences(failure)) << failure;
    EXPECT_EQ(readText(file()), written);
    EXPECT_EQ(listDirectory(dir.path()), std::vector<std::string>{"preferences.ini"});
}

// A file written by hand: a byte order mark, CRLF line ends, names in any case, tabs
// and spaces around names and values.
TEST_F(PreferencesTest, HandWrittenFileIsReadAsMeant) {
    const std::vector<std::string> warnings = load(
        "\xEF\xBB\xBF# mine\r\n\r\n  Show-Frame-Rate = NO\r\n\tVOLUME\t=\t35\r\n"
        "recent =   /games/a b.gb  \r\nchooser-folder=/x#y\r\n"
        "KEY.Fast-Forward = left shift\r\nButton.Rewind = Hat-Left\r\n   # key.a = q\r\n");
    EXPECT_EQ(warnings, std::vector<std::string>{});
    Preferences expected = defaultPreferences();
    expected.showFrameRate = false;
    expected.volume = 35;
    expected.recentGames = {"/games/a b.gb"};
    expected.chooserFolder = "/x#y";
    expected.bindings[index(Action::FastForward)].key = 0x2A;
    expected.bindings[index(Action::Rewind)].button = kHatLeft;
    expected.bindings[index(Action::Left)].button = kNoButton;  // its default went to Rewind
    expectSame(preferences, expected, "hand-written");
}

// Each of these lines is skipped with one warning naming its line; the rest is the
// defaults.
TEST_F(PreferencesTest, BadLinesWarnAndLeaveTheDefaults) {
    struct Case {
        const char* line;
        const char* warning;
    };
    const Case cases[] = {
        {"volume", "not a \"name = value\" line"},
        {"= 5", "not a \"name = value\" line"},
        {"colour = blue", "unknown name \"colour\""},
        {"Key.Jump = X", "unknown name \"key.jump\""},
        {"key. = X", "unknown name \"key.\""},
        {"volume = 101", "volume must be a whole number from 0 to 100, not \"101\""},
        {"volume = -1", "volume must be a whole number from 0 to 100, not \"-1\""},
        {"volume = 5%", "volume must be a whole number from 0 to 100, not \"5%\""},
        {"volume =", "volume must be a whole number from 0 to 100, not \"\""},
        {"show-frame-rate = maybe", "show-frame-rate must be yes or no, not \"maybe\""},
        {"key.a = Hyper", "unknown key \"Hyper\" for key.a"},
        {"key.start = 0x1C", "unknown key \"0x1C\" for key.start"},
        {"button.a = 128",
         "button.a must be 0 to 127, hat-up, hat-down, hat-left, hat-right or none, not \"128\""},
        {"button.select = 2x",
         "button.select must be 0 to 127, hat-up, hat-down, hat-left, hat-right or none, not "
         "\"2x\""},
        {"recent = ", "recent has no path"},
    };
    for (const Case& c : cases) {
        preferences.volume = 50;
        const std::vector<std::string> warnings =
            load(std::string("# comment\n\n") + c.line + "\n");
        EXPECT_EQ(warnings, std::vector<std::string>{std::string(" line 3: ") + c.warning})
            << c.line;
        expectSame(preferences, defaultPreferences(), c.line);
    }
}

// Which of two lines wins, and where an action whose key went elsewhere ends up.
TEST_F(PreferencesTest, FirstLineKeepsAKeyOrButtonAndDisplacedActionsFallBack) {
    struct Case {
        const char* text;
        std::vector<std::string> warnings;
        void (*expect)(Preferences&);  // the defaults changed as the file says
    };
    const Case cases[] = {
        // B's line is skipped, and B's own default went to A: unbound.
        {"key.a = Z\nkey.b = Z\n",
         {" line 2: key Z is bound to a already (line 1)"},
         [](Preferences& p) {
             p.bindings[index(Action::A)].key = DIK_Z;
             p.bindings[index(Action::B)].key = kNoKey;
         }},
        // The same without a line for B at all: no warning.
        {"key.a = Z\n",
         {},
         [](Preferences& p) {
             p.bindings[index(Action::A)].key = DIK_Z;
             p.bindings[index(Action::B)].key = kNoKey;
         }},
        // B's line is skipped, and B keeps its default Z.
        {"key.a = Q\nkey.b = q\n",
         {" line 2: key Q is bound to a already (line 1)"},
         [](Preferences& p) { p.bindings[index(Action::A)].key = 0x10; }},
        // Skipped lines do not count: the first good one gives B its key.
        {"key.a = Z\nkey.b = Z\nkey.b = Hyper\nkey.b = W\nkey.b = E\n",
         {" line 2: key Z is bound to a already (line 1)",
          " line 3: unknown key \"Hyper\" for key.b", " line 5: key.b is given already"},
         [](Preferences& p) {
             p.bindings[index(Action::A)].key = DIK_Z;
             p.bindings[index(Action::B)].key = 0x11;
         }},
        // none binds nothing, so it clashes with nothing.
        {"key.a = none\nkey.menu = none\nkey.b = X\n",
         {},
         [](Preferences& p) {
             p.bindings[index(Action::A)].key = kNoKey;
             p.bindings[index(Action::Menu)].key = kNoKey;
             p.bindings[index(Action::B)].key = DIK_X;
         }},
        {"button.a = hat-up\nbutton.up = HAT-UP\nbutton.menu = 2\n",
         {" line 2: button hat-up is bound to a already (line 1)"},
         [](Preferences& p) {
             p.bindings[index(Action::A)].button = kHatUp;
             p.bindings[index(Action::Up)].button = kNoButton;
             p.bindings[index(Action::Menu)].button = 2;  // A's default, A has its own line
         }},
        {"volume = 20\nVolume = 30\nshow-frame-rate = no\nshow-frame-rate = yes\n"
         "chooser-folder = /a\nchooser-folder = /b\nkey.a = Q\nkey.a = W\n",
         {" line 2: volume is given already", " line 4: show-frame-rate is given already",
          " line 6: chooser-folder is given already", " line 8: key.a is given already"},
         [](Preferences& p) {
             p.volume = 20;
             p.showFrameRate = false;
             p.chooserFolder = "/a";
             p.bindings[index(Action::A)].key = 0x10;
         }},
        {"volume = loud\nvolume = 30\n",
         {" line 1: volume must be a whole number from 0 to 100, not \"loud\""},
         [](Preferences& p) { p.volume = 30; }},
        // Newest first; a repeat and a ninth game are skipped.
        {"recent = /1\nrecent = /2\nrecent = /1\nrecent = /3\nrecent = /4\nrecent = /5\n"
         "recent = /6\nrecent = /7\nrecent = /8\nrecent = /9\n",
         {" line 3: recent game \"/1\" is listed already", " line 10: more than 8 recent games"},
         [](Preferences& p) { p.recentGames = {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}; }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load(c.text), c.warnings) << c.text;
        Preferences expected = defaultPreferences();
        if (c.expect != nullptr) c.expect(expected);
        expectSame(preferences, expected, c.text);
    }
}

TEST_F(PreferencesTest, RecentGamesAreNewestFirstWithoutRepeatsAtMostEight) {
    for (int i = 1; i <= 10; ++i) addRecentGame("/g" + std::to_string(i));
    EXPECT_EQ(preferences.recentGames,
              (std::vector<std::string>{"/g10", "/g9", "/g8", "/g7", "/g6", "/g5", "/g4", "/g3"}));
    addRecentGame("  /g5\t");  // moves to the front, surrounding spaces dropped
    addRecentGame("/g10");
    EXPECT_EQ(preferences.recentGames,
              (std::vector<std::string>{"/g10", "/g5", "/g9", "/g8", "/g7", "/g6", "/g4", "/g3"}));
    for (const char* unstorable : {"", "   ", "/a\nb.gb", "/a\rb.gb"}) addRecentGame(unstorable);
    addRecentGame("/G10");  // another path on a host that tells case apart
    EXPECT_EQ(preferences.recentGames,
              (std::vector<std::string>{"/G10", "/g10", "/g5", "/g9", "/g8", "/g7", "/g6", "/g4"}));
}

// A file that is there but cannot be read warns and gives the defaults; a save that
// cannot put the file in place says why and leaves what was there.
TEST_F(PreferencesTest, UnreadableFileWarnsAndFailedSaveSaysWhy) {
    ASSERT_TRUE(std::filesystem::create_directory(file()));
    preferences.volume = 9;
    const std::vector<std::string> warnings = loadPreferences();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0].starts_with(file() + ": cannot read it: ")) << warnings[0];
    EXPECT_EQ(preferences.volume, 100);
    std::string failure;
    EXPECT_FALSE(savePreferences(failure));
    EXPECT_FALSE(failure.empty());
    EXPECT_TRUE(std::filesystem::is_directory(file()));

    setSettingsDirectory(dir / "missing");
    failure.clear();
    EXPECT_FALSE(savePreferences(failure));
    EXPECT_FALSE(failure.empty());
    EXPECT_FALSE(fileExists(dir / "missing"));
}

}  // namespace
