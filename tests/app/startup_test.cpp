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
              (std::vector<uint8_t>{0x80, 0x02, 0xE0, 0x01, 0x01, 0x00, 0x00}));
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
        EXPECT_EQ(machine.HighPage, nullptr) << "nothing after the failure was made";
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
    EXPECT_EQ(machine.HighPage, nullptr);
    EXPECT_FALSE(display.isInitialised());
    shutDown();
}

}  // namespace
