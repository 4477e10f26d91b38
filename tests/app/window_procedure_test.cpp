#include "app/window_procedure.h"

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "cartridge/preferences.h"
#include "cartridge/rom_loader.h"
#include "resources/resources.h"
#include "shell_fixture.h"

namespace {

class WindowProcedureTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(startUp());
    }
    static bool command(uint32_t param) { return windowProcedure({MessageKind::Command, param}); }
};

TEST_F(WindowProcedureTest, EndingMessagesRequestQuitOnly) {
    for (MessageKind kind :
         {MessageKind::Close, MessageKind::Destroy, MessageKind::Quit, MessageKind::EndSession}) {
        quitRequested = 0;
        EXPECT_TRUE(windowProcedure({kind, 0}));
        EXPECT_EQ(quitRequested, 1);
        EXPECT_TRUE(headless::windowExists()) << "the window is not destroyed here";
    }
}

TEST_F(WindowProcedureTest, OnlyExactCommandIdsAreMenuChoices) {
    EXPECT_FALSE(command(ID_FILE_EXIT | (1u << 16))) << "a notification code is no menu choice";
    EXPECT_FALSE(command(40002));
    EXPECT_FALSE(windowProcedure({MessageKind::KeyDown, 'A'}));
    EXPECT_EQ(quitRequested, 0);
    EXPECT_TRUE(command(ID_FILE_EXIT));
    EXPECT_EQ(quitRequested, 1);
}

TEST_F(WindowProcedureTest, EveryMenuItemIsACommand) {
    // Walks menu 102 and checks that each item reaches an action; Exit last.
    const MenuResource* menu = loadMenuResource(IDR_MAIN_MENU);
    ASSERT_NE(menu, nullptr);
    std::vector<uint16_t> ids;
    std::function<void(const MenuItem*, size_t)> walk = [&](const MenuItem* items, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            if (items[i].children != nullptr) walk(items[i].children, items[i].childCount);
            if (items[i].commandId != 0) ids.push_back(items[i].commandId);
        }
    };
    walk(menu->topLevel, menu->topLevelCount);
    EXPECT_EQ(ids.size(), 32u);
    for (uint16_t id : ids) {
        quitRequested = 0;
        EXPECT_TRUE(command(id)) << id;
    }
}

TEST_F(WindowProcedureTest, ScreenCommandsChooseTheViewAndRedrawAtOnce) {
    struct Case {
        uint16_t id;
        uint8_t mode;
    };
    for (Case c : {Case{ID_SCREEN_TILES, 1}, Case{ID_SCREEN_OAM, 2}, Case{ID_SCREEN_MAIN, 0}}) {
        const int before = headless::presenter().presentCount();
        EXPECT_TRUE(command(c.id));
        EXPECT_EQ(screenMode, c.mode);
        EXPECT_EQ(headless::presenter().presentCount(), before + 1) << c.id;
    }
}

TEST_F(WindowProcedureTest, LoadOffersGameboyRomsAndCancelChangesNothing) {
    headless::queueFileChoice(std::nullopt);
    EXPECT_TRUE(command(ID_GAME_LOAD));
    EXPECT_EQ(headless::fileFilterDescriptions(), std::vector<std::string>{"Gameboy ROMs"});
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(machine.cartridgeLoaded, 0);
}

TEST_F(WindowProcedureTest, LoadThatFailsKeepsTheChooserOpenWithTheReason) {
    headless::queueFileChoice(path("missing.gb"));
    headless::queueFileChoice(writeLoopingCartridge("good.gb"));
    EXPECT_TRUE(command(ID_GAME_LOAD));
    ASSERT_EQ(headless::fileRejections().size(), 1u);
    EXPECT_FALSE(headless::fileRejections()[0].empty());
    EXPECT_EQ(machine.cartridgeLoaded, 1);
    EXPECT_EQ(paused, 0);
    EXPECT_EQ(machine.romPath, path("good.gb"));

    // Picking a bad file and then cancelling leaves paused as it was.
    paused = 1;
    headless::queueFileChoice(path("missing.gb"));
    headless::queueFileChoice(std::nullopt);
    EXPECT_TRUE(command(ID_GAME_LOAD));
    EXPECT_EQ(paused, 1);
}

TEST_F(WindowProcedureTest, ResetReloadsTheImageEachTime) {
    const std::string rom = writeLoopingCartridge("reset.gb");
    ASSERT_TRUE(loadCartridge(rom));
    for (char marker : {'\x11', '\x22'}) {
        {
            std::fstream image(rom, std::ios::in | std::ios::out | std::ios::binary);
            image.seekp(0x150);
            image.put(marker);
        }
        paused = 1;
        machine.cpu.PC = 0x1234;
        EXPECT_TRUE(command(ID_GAME_RESET));
        EXPECT_EQ(paused, 0);
        EXPECT_EQ(machine.RomBank0[0x150], static_cast<uint8_t>(marker));
        EXPECT_EQ(machine.romPath, rom);
        EXPECT_EQ(machine.cpu.PC, 0x100) << "the machine was reset";
    }
}

TEST_F(WindowProcedureTest, EscReleasedInTheMenuResumesOnlyAPressMadeThere) {
    const auto key = [](MessageKind kind, bool repeated = false) {
        return windowProcedure({kind, VK_ESCAPE, repeated});
    };
    // Nothing loaded: Esc does nothing.
    key(MessageKind::KeyDown);
    key(MessageKind::KeyUp);
    EXPECT_EQ(paused, 1);

    ASSERT_TRUE(loadCartridge(writeLoopingCartridge("game.gb")));
    paused = 1;
    // The key that paused the game: forgotten when the menu came up; its repeats and
    // its release do not resume.
    key(MessageKind::KeyDown);
    forgetMenuKeys();
    key(MessageKind::KeyDown, true);
    key(MessageKind::KeyUp);
    EXPECT_EQ(paused, 1);
    // A fresh press: the game resumes on its release, not on the press.
    key(MessageKind::KeyDown);
    EXPECT_EQ(paused, 1);
    key(MessageKind::KeyUp);
    EXPECT_EQ(paused, 0);
}

TEST_F(WindowProcedureTest, ChooserStartsInTheFolderOfTheLastCartridge) {
    headless::queueFileChoice(std::nullopt);
    EXPECT_TRUE(command(ID_GAME_LOAD));
    ASSERT_TRUE(loadCartridge(writeLoopingCartridge("game.gb")));
    ASSERT_FALSE(loadCartridge(path("missing.gb")));
    headless::queueFileChoice(std::nullopt);
    EXPECT_TRUE(command(ID_GAME_LOAD));
    const std::vector<std::string> want = {"", folder_.string()};
    EXPECT_EQ(headless::fileChooserStartFolders(), want);
}

// Games dropped on the window are loaded and go to the front of Game > Recent, which
// loads them again; the next run's chooser opens in the last game's folder.
TEST_F(WindowProcedureTest, DroppedGamesAreRecentAndTheChooserRemembersTheirFolder) {
    const std::string first = writeLoopingCartridge("first.gb");
    const std::string second = writeLoopingCartridge("second.gb");
    headless::dropFile(first);
    EXPECT_TRUE(mainWindow.pumpOneMessage());
    EXPECT_EQ(machine.romPath, first);
    EXPECT_EQ(paused, 0);
    headless::dropFile(path("missing.gb"));
    EXPECT_TRUE(mainWindow.pumpOneMessage());
    EXPECT_EQ(machine.romPath, first) << "a drop that cannot load keeps the game";
    EXPECT_EQ(headless::messageBoxes().size(), 1u);
    headless::dropFile(second);
    EXPECT_TRUE(mainWindow.pumpOneMessage());
    EXPECT_EQ(headless::menuItemCaption(ID_GAME_RECENT_1), "&1 second.gb");
    EXPECT_EQ(headless::menuItemCaption(ID_GAME_RECENT_1 + 1), "&2 first.gb");
    EXPECT_FALSE(headless::menuItemEnabled(ID_GAME_RECENT_1 + 2));

    EXPECT_TRUE(command(ID_GAME_RECENT_1 + 1));
    EXPECT_EQ(machine.romPath, first);
    EXPECT_EQ(headless::menuItemCaption(ID_GAME_RECENT_1), "&1 first.gb");

    releaseEverything();
    ASSERT_TRUE(startUp());
    EXPECT_EQ(headless::menuItemCaption(ID_GAME_RECENT_1 + 1), "&2 second.gb")
        << "kept across runs";
    headless::queueFileChoice(std::nullopt);
    EXPECT_TRUE(command(ID_GAME_LOAD));
    EXPECT_EQ(headless::fileChooserStartFolders(), std::vector<std::string>{folder_.string()});
}

TEST_F(WindowProcedureTest, ResetThatFailsKeepsTheGameAndSaysWhy) {
    const std::string rom = writeLoopingCartridge("game.gb");
    ASSERT_TRUE(loadCartridge(rom));
    std::filesystem::resize_file(rom, 0x20);
    paused = 1;
    EXPECT_TRUE(command(ID_GAME_RESET));
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(machine.cartridgeLoaded, 1);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_NE(headless::messageBoxes()[0].find("game.gb"), std::string::npos);
    EXPECT_NE(headless::messageBoxes()[0].find("too short"), std::string::npos);
}

TEST_F(WindowProcedureTest, ResetWithoutCartridgeChangesNothing) {
    EXPECT_TRUE(command(ID_GAME_RESET));
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(machine.cartridgeLoaded, 0);
}

// Another program in front, or the window minimised: a running game waits in the menu,
// unless the player chose to let it run in the background.
TEST_F(WindowProcedureTest, LosingTheFrontPausesTheGameUnlessItRunsInBackground) {
    ASSERT_TRUE(loadCartridge(writeLoopingCartridge("front.gb")));
    for (const bool inBackground : {false, true}) {
        preferences.runInBackground = inBackground;
        paused = 0;
        EXPECT_TRUE(windowProcedure({MessageKind::Deactivated, 0}));
        EXPECT_EQ(paused, inBackground ? 0 : 1) << "run in background: " << inBackground;
    }
}

TEST_F(WindowProcedureTest, ResumeOnlyClearsPaused) {
    EXPECT_TRUE(command(ID_GAME_RESUME));
    EXPECT_EQ(paused, 0);
    EXPECT_EQ(machine.cartridgeLoaded, 0);
}

}  // namespace
