#include "app/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cartridge/battery_save.h"
#include "cartridge/rom_loader.h"
#include "shell_fixture.h"

namespace {

class StartUpTest : public ShellTest {};

// A first run fills the desktop with the largest zoom that shows the whole picture,
// the limit on, and keeps that in a new settings file.
TEST_F(StartUpTest, FirstRunFillsTheDesktopAtTheLargestZoomThatFitsAndKeepsIt) {
    struct Case {
        uint16_t width, height;
        uint8_t zoom;
    };
    for (const Case& c : {Case{1024, 768, 4}, Case{640, 480, 3}, Case{400, 300, 2}}) {
        SCOPED_TRACE(c.width);
        releaseEverything();
        std::filesystem::remove(path("settings.bin"));
        headless::setDesktopSize(c.width, c.height);
        ASSERT_TRUE(startUp());
        EXPECT_EQ(readFile(path("settings.bin")),
                  (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, c.zoom, 0x00, 0x01, 0x00}));
        EXPECT_EQ(headless::windowWidth(), c.width);
        EXPECT_EQ(headless::windowHeight(), c.height);
        EXPECT_TRUE(headless::windowVisible());
        EXPECT_EQ(screenCentreX, c.width / 2);
        EXPECT_EQ(screenCentreY, c.height / 2);
        EXPECT_EQ(display.width(), c.width);
        EXPECT_EQ(zoom, c.zoom);
        EXPECT_EQ(limitFps, 1);
        EXPECT_TRUE(headless::messageBoxes().empty());
    }
}

TEST_F(StartUpTest, ZeroSizeMeansTheDesktopsSizeAndAStoredZoomIsCutToFitIt) {
    {
        std::ofstream file(path("settings.bin"), std::ios::binary);
        file.write("\x00\x00\x00\x00\x04\x00\x00", 7);
    }
    headless::setDesktopSize(640, 480);
    ASSERT_TRUE(startUp());
    EXPECT_EQ(headless::windowWidth(), 640);
    EXPECT_EQ(headless::windowHeight(), 480);
    EXPECT_EQ(display.width(), 640);
    EXPECT_EQ(screenCentreX, 320);
    EXPECT_EQ(screenCentreY, 240);
    EXPECT_EQ(zoom, 3) << "zoom 4 would push the picture off a 640 x 480 screen";
}

TEST_F(StartUpTest, SizeAndZoomTheProgramCannotUseGiveTheFirstRunsWithoutRewritingTheSettings) {
    // 20000 pixels is wider than any screen, zoom 9 does not exist: the desktop's size
    // and the zoom that fits it are taken instead, the rest as stored.
    const std::vector<uint8_t> stored = {0x20, 0x4E, 0xE0, 0x01, 0x09, 0x00, 0x00};
    {
        std::ofstream file(path("settings.bin"), std::ios::binary);
        file.write(reinterpret_cast<const char*>(stored.data()), 7);
    }
    headless::setDesktopSize(800, 600);
    ASSERT_TRUE(startUp());
    EXPECT_EQ(headless::windowWidth(), 800);
    EXPECT_EQ(headless::windowHeight(), 600);
    EXPECT_EQ(display.width(), 800);
    EXPECT_EQ(screenCentreX, 400);
    EXPECT_EQ(screenCentreY, 300);
    EXPECT_EQ(zoom, 4);
    EXPECT_EQ(limitFps, 0);
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

TEST_F(StartUpTest, FailuresShowTheirMessageAndTheProgramEndsCleanlyWithAnError) {
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
        EXPECT_EQ(runProgram(), 1) << c.message << ": a failed start is an error exit";
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
