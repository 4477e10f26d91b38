#include "app/startup.h"

#include <gtest/gtest.h>

#include "cartridge/battery_save.h"
#include "cartridge/rom_loader.h"
#include "shell_fixture.h"

namespace {

class StartUpTest : public ShellTest {};

TEST_F(StartUpTest, FirstStartCreatesTheSettingsAndAWindowOfTheirSize) {
    ASSERT_TRUE(startUp());
    EXPECT_EQ(readFile(path("settings.bin")),
              (std::vector<uint8_t>{0x80, 0x02, 0xE0, 0x01, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(headless::windowWidth(), 640);
    EXPECT_EQ(headless::windowHeight(), 480);
    EXPECT_TRUE(headless::windowVisible());
    EXPECT_EQ(screenCentreX, 320);
    EXPECT_EQ(screenCentreY, 240);
    EXPECT_EQ(display.width(), 640);
    EXPECT_EQ(display.height(), 480);
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(StartUpTest, ZeroSizeMeansTheDesktopsSize) {
    {
        std::ofstream file(path("settings.bin"), std::ios::binary);
        file.write("\x00\x00\x00\x00\x01\x00\x00", 7);
    }
    headless::setDesktopSize(1024, 768);
    ASSERT_TRUE(startUp());
    EXPECT_EQ(headless::windowWidth(), 1024);
    EXPECT_EQ(headless::windowHeight(), 768);
    EXPECT_EQ(display.width(), 1024);
    EXPECT_EQ(screenCentreX, 512);
    EXPECT_EQ(screenCentreY, 384);
}

TEST_F(StartUpTest, ASizeTheDisplayCannotTakeFallsBackWithoutRewritingTheSettings) {
    // 20000 pixels is wider than any display surface; 640 x 480 is taken instead.
    const std::vector<uint8_t> stored = {0x20, 0x4E, 0xE0, 0x01, 0x02, 0x00, 0x01};
    {
        std::ofstream file(path("settings.bin"), std::ios::binary);
        file.write(reinterpret_cast<const char*>(stored.data()), 7);
    }
    ASSERT_TRUE(startUp());
    EXPECT_EQ(headless::windowWidth(), 640);
    EXPECT_EQ(headless::windowHeight(), 480);
    EXPECT_EQ(display.width(), 640);
    EXPECT_EQ(screenCentreX, 320);
    EXPECT_EQ(screenCentreY, 240);
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(readFile(path("settings.bin")), stored) << "written only on the dialog's OK";
}

TEST_F(StartUpTest, ACartridgeOnTheCommandLineRunsAtOnceAndABadOneLeavesTheMenu) {
    // The game runs until Esc; the empty menu wait then ends the session.
    headless::setKeyboardHandler([](uint32_t read) {
        if (read == 10) headless::setKey(DIK_ESCAPE, true);
    });
    EXPECT_EQ(runProgram(writeLoopingCartridge("game.gb").c_str()), 0);
    EXPECT_EQ(headless::keyboardReads(), 11u);
    EXPECT_TRUE(headless::messageBoxes().empty());

    releaseEverything();
    std::ofstream(path("empty.gb")).close();
    EXPECT_EQ(runProgram(path("empty.gb").c_str()), 0);
    EXPECT_EQ(headless::keyboardReads(), 0u) << "nothing ran";
    EXPECT_EQ(headless::emptyWaits(), 1u) << "the menu was up";
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_NE(headless::messageBoxes()[0].find("empty.gb: the file is too short"),
              std::string::npos)
        << headless::messageBoxes()[0];
}

TEST_F(StartUpTest, ABatterySaveThatCannotBeWrittenIsReportedAtExit) {
    ASSERT_TRUE(startUp());
    ASSERT_TRUE(loadCartridge(writeLoopingCartridge("game.gb", 0x03, 0x02)));
    // A folder that is not empty stands where the save belongs: no write can replace it.
    std::filesystem::create_directories(path("game.sav") + "/inside");
    shutDown();
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    const std::string& text = headless::messageBoxes()[0];
    EXPECT_EQ(text.rfind("Could not write " + path("game.sav") + ": ", 0), 0u) << text;
    EXPECT_TRUE(std::filesystem::is_directory(path("game.sav") + "/inside"));
}

// The player is told at once; the game runs with blank RAM, and the exit leaves the
// unread save alone rather than writing the blank RAM over it.
TEST_F(StartUpTest, ASaveThatCannotBeReadIsReportedAndLeftAlone) {
    const std::string rom = writeLoopingCartridge("game.gb", 0x03, 0x02);
    std::filesystem::create_directories(path("game.sav") + "/inside");
    headless::setKeyboardHandler([](uint32_t read) {
        if (read == 10) headless::setKey(DIK_ESCAPE, true);
    });
    EXPECT_EQ(runProgram(rom.c_str()), 0);
    EXPECT_EQ(headless::keyboardReads(), 11u) << "the game ran";
    ASSERT_EQ(headless::messageBoxes().size(), 1u) << "the load's message, none at exit";
    const std::string& text = headless::messageBoxes()[0];
    EXPECT_EQ(text.rfind("Could not read the save file " + path("game.sav") + ": ", 0), 0u) << text;
    EXPECT_TRUE(std::filesystem::is_directory(path("game.sav") + "/inside"));
}

TEST_F(StartUpTest, FailuresShowTheirMessageAndTheProgramStillEndsCleanly) {
    struct Case {
        const char* message;
        std::function<void()> breakIt;
        bool windowRemains;
    };
    const Case cases[] = {
        {"ERROR: Window initialization failed.", [] { headless::failWindowCreation(true); }, false},
        {"ERROR: Display initialization failed.", [] { headless::presenter().setOpenFails(true); },
         true},
        {"ERROR: Input initialization failed.", [] { headless::failKeyboardCreation(true); }, true},
    };
    for (const Case& c : cases) {
        releaseEverything();
        headless::presenter().setOpenFails(false);
        c.breakIt();
        EXPECT_EQ(runProgram(), 0) << c.message;
        EXPECT_EQ(headless::messageBoxes(), std::vector<std::string>{c.message});
        // The window outlives a later failure until the program's exit destroys it.
        EXPECT_EQ(headless::windowExists(), c.windowRemains) << c.message;
        EXPECT_TRUE(machine.HighPage.empty()) << "nothing after the failure was made";
    }
    headless::presenter().setOpenFails(false);
}

TEST_F(StartUpTest, ShutdownSavesBatteryRamAndIsHarmlessTwice) {
    ASSERT_TRUE(startUp());
    const std::string rom = writeLoopingCartridge("saved.gb", 0x03, 0x02);  // MBC1 + battery, 8 KB
    ASSERT_TRUE(loadCartridge(rom));
    machine.CartRam[0] = 0x5A;
    machine.CartRam[0x1FFF] = 0xA5;
    shutDown();
    const std::vector<uint8_t> save = readFile(path("saved.sav"));
    ASSERT_EQ(save.size(), 0x2000u);
    EXPECT_EQ(save[0], 0x5A);
    EXPECT_EQ(save[0x1FFF], 0xA5);
    EXPECT_TRUE(machine.HighPage.empty());
    EXPECT_FALSE(display.isInitialised());
    shutDown();
}

}  // namespace
