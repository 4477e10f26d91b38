#include "cartridge/settings.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>

#include "file_fixture.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettings();
        setSettingsDirectory(dir.path());
    }
    void TearDown() override {
        setSettingsDirectory("");
        resetSettings();
    }
    std::string file() const { return dir / "settings.bin"; }
    TempDir dir;
};

// Without a file, or with an empty one, a first run: the game plays at the
// handheld's pace on the whole desktop, its zoom fitted at start-up, which writes the
// file.
TEST_F(SettingsTest, FirstRunTakesTheDesktopAFittedZoomAndTheLimit) {
    for (const bool emptyFile : {false, true}) {
        resetSettings();
        if (emptyFile) writeBytes(file(), {});
        loadSettings();
        EXPECT_EQ(settingsPath, file());
        EXPECT_TRUE(settingsFileMissing);
        EXPECT_EQ(screenCentreX, 0);
        EXPECT_EQ(screenCentreY, 0);
        EXPECT_EQ(zoom, kZoomToFit);
        EXPECT_EQ(inputDevice, 0);
        EXPECT_EQ(limitFps, 1);
    }
    struct Screen {
        int width, height;
        uint8_t zoom;
    };
    for (const Screen& s : {Screen{640, 480, 3}, Screen{1024, 768, 4}, Screen{800, 576, 4},
                            Screen{800, 575, 3}, Screen{479, 1000, 2}, Screen{320, 240, 1},
                            Screen{100, 100, 1}, Screen{7680, 4320, 4}})
        EXPECT_EQ(zoomFittingScreen(s.width, s.height), s.zoom) << s.width << "x" << s.height;
}

TEST_F(SettingsTest, StoredValuesAreReadAndShortFilesKeepTheRest) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint16_t x, y;
        uint8_t zoom, inputDevice, limitFps;
    };
    const Case cases[] = {
        {"full", {0x00, 0x04, 0x00, 0x03, 0x03, 0x02, 0x01}, 1024, 768, 3, 2, 1},
        {"longer than 7",
         {0x20, 0x03, 0x58, 0x02, 0x02, 0x01, 0x01, 0xFF, 0xFF},
         800,
         600,
         2,
         1,
         1},
        {"4 bytes", {0x00, 0x04, 0x00, 0x03}, 1024, 768, 1, 0, 0},
        {"3 bytes", {0x00, 0x04, 0x00}, 1024, 480, 1, 0, 0},
        {"6 bytes", {0x00, 0x04, 0x00, 0x03, 0x04, 0x01}, 1024, 768, 4, 1, 0},
                {"odd width", {0x81, 0x02, 0xE0, 0x01, 0x01, 0x00, 0x00}, 641, 480, 1, 0, 0},
        {"zero size", {0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}, 0, 0, 2, 0, 0},
        {"limit stored as 5", {0x80, 0x02, 0xE0, 0x01, 0x01, 0x00, 0x05}, 640, 480, 1, 0, 5},
        // Sizes no display offers give way to the desktop's; the rest stays.
        {"all bytes 0xFF", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0, 0, kZoomToFit, 255, 255},
        {"width 16385", {0x01, 0x40, 0x00, 0x03, 0x02, 0x00, 0x00}, 0, 0, 2, 0, 0},
        {"16384 x 16384", {0x00, 0x40, 0x00, 0x40, 0x01, 0x00, 0x00}, 0, 0, 1, 0, 0},
        {"smaller than the picture", {0x64, 0x00, 0x64, 0x00, 0x01, 0x00, 0x00}, 0, 0, 1, 0, 0},
        {"7680 x 7680", {0x00, 0x1E, 0x00, 0x1E, 0x01, 0x00, 0x00}, 0, 0, 1, 0, 0},
        {"8K screen", {0x00, 0x1E, 0xE0, 0x10, 0x01, 0x00, 0x00}, 7680, 4320, 1, 0, 0},
    };
    for (const Case& c : cases) {
        resetSettings();
        writeBytes(file(), c.bytes);
        loadSettings();
        EXPECT_EQ(screenCentreX, c.x) << c.name;
        EXPECT_EQ(screenCentreY, c.y) << c.name;
        EXPECT_EQ(zoom, c.zoom) << c.name;
        EXPECT_EQ(inputDevice, c.inputDevice) << c.name;
        EXPECT_EQ(limitFps, c.limitFps) << c.name;
        EXPECT_EQ(readBytes(file()), c.bytes) << c.name << ": loading never rewrites the file";
    }
}

TEST_F(SettingsTest, ZoomOutsideOneToFourIsFittedAtStartUp) {
    for (int stored : {0, 1, 2, 3, 4, 5, 17, 255}) {
        resetSettings();
        writeBytes(file(), {0x80, 0x02, 0xE0, 0x01, static_cast<uint8_t>(stored), 0x00, 0x00});
        loadSettings();
        EXPECT_EQ(zoom, stored >= 1 && stored <= 4 ? stored : kZoomToFit) << "stored zoom " << stored;
    }
}

TEST_F(SettingsTest, OddWidthIsHalvedAndWrittenBackEven) {
    writeBytes(file(), {0x81, 0x02, 0xE0, 0x01, 0x02, 0x01, 0x01});
    loadSettings();
    // What start-up does once the window exists.
    screenCentreX /= 2;
    screenCentreY /= 2;
    EXPECT_EQ(screenCentreX, 320);
    // The input dialog's OK saves twice the centre; the raw colours setting goes after
    // the bytes older builds know, and comes back at the next start.
    inputDevice = 3;
    rawColours = 1;
    EXPECT_TRUE(saveSettings(2 * screenCentreX, 2 * screenCentreY));
    EXPECT_EQ(readBytes(file()),
              (std::vector<uint8_t>{0x80, 0x02, 0xE0, 0x01, 0x02, 0x03, 0x01, 0x01}));
    rawColours = 0;
    loadSettings();
    EXPECT_EQ(rawColours, 1);
}

TEST_F(SettingsTest, SaveFailsCleanlyWhereNoFileCanBe) {
    writeBytes(dir / "plain", {1});
    setSettingsDirectory(dir / "plain");
    loadSettings();  // can neither read nor create; runs with the first run's values
    EXPECT_EQ(zoom, kZoomToFit);
    EXPECT_FALSE(saveSettings(800, 600));
    EXPECT_EQ(readBytes(dir / "plain"), std::vector<uint8_t>{1});
}

#ifndef _WIN32
// A link at settings.bin, leading anywhere or nowhere, is never written through nor
// replaced: the save is refused with the reason and the link's target never created.
TEST_F(SettingsTest, ALinkInPlaceOfTheFileIsRefused) {
    std::filesystem::create_symlink(dir / "elsewhere.bin", file());
    loadSettings();
    EXPECT_FALSE(saveSettings(800, 600));
    EXPECT_NE(settingsSaveFailure().find("symbolic link"), std::string::npos)
        << settingsSaveFailure();
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.bin"));
}
#endif

TEST(SettingsLocationTest, CommandLineNamesTheExecutablesDirectory) {
    struct Case {
        const char* commandLine;
        const char* want;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Korvi\\korvi.exe\" -x", "C:\\Program Files\\Korvi\\settings.bin"},
        {"\"C:\\Program Files\\Korvi\\korvi.exe\"", "C:\\Program Files\\Korvi\\settings.bin"},
        {"\"C:\\Games\\korvi.exe", "C:\\Games\\settings.bin"},
        {"C:\\Games\\korvi.exe C:\\roms\\a.gb", "C:\\Games\\settings.bin"},
        {"\"korvi.exe\"", "settings.bin"},
        {"korvi", "settings.bin"},
        {"", "settings.bin"},
        {"\"D:/tools/korvi.exe\"", "D:/tools/settings.bin"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settingsPathFromCommandLine(c.commandLine), c.want) << c.commandLine;
}

TEST(SettingsLocationTest, FileBelongsBesideTheExecutable) {
    setSettingsDirectory("");
#ifdef _WIN32
    char module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    const std::string executable = module;
    EXPECT_EQ(locateSettingsFile(),
              executable.substr(0, executable.find_last_of('\\') + 1) + "settings.bin");
#else
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(locateSettingsFile(), (executable.parent_path() / "settings.bin").string());
#endif
}

}  // namespace
