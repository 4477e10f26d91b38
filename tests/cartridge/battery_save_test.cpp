#include "cartridge/battery_save.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>

#include "cartridge_fixture.h"

namespace {

TEST(SaveFileNameTest, ReplacesOnlyTheFileNamesExtension) {
    struct Case {
        const char* romPath;
        const char* want;
    };
    const Case cases[] = {
        {"/roms/game.gbc", "/roms/game.sav"},
        {"/roms/game.gb", "/roms/game.sav"},
        {"/roms/game.tar.gb", "/roms/game.tar.sav"},
        {"/roms/game.", "/roms/game.sav"},
        {"/roms/my.dir/game", "/roms/my.dir/game.sav"},
        {"/roms/my.dir/game.gb", "/roms/my.dir/game.sav"},
        {"/roms/game", "/roms/game.sav"},
        {"/roms/.hidden", "/roms/.hidden.sav"},
        {"/roms/.hidden.gb", "/roms/.hidden.sav"},
        {"game.gb", "game.sav"},
        {"game", "game.sav"},
        {"./game", "./game.sav"},
        {"../game.gb", "../game.sav"},
        {"/roms/", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(saveFileName(c.romPath), c.want) << c.romPath;
}

using BatterySaveTest = CartridgeTest;

TEST_F(BatterySaveTest, BatteryRamIsSavedOnReloadAndUnloadAndReadBack) {
    const std::string path = putImage("game.gbc", makeImage({0x03, 0x00, 0x03}));
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_FALSE(fileExists(dir / "game.sav")) << "nothing is written while loading";
    ASSERT_EQ(machine.cartRamSize, 0x8000u);

    fillCartRam(1);
    const std::vector<uint8_t> first = cartRam();
    ASSERT_TRUE(loadCartridge(machine.romPath));  // Reset
    EXPECT_EQ(readBytes(dir / "game.sav"), first);
    EXPECT_EQ(cartRam(), first) << "the save is read back after the reset";

    fillCartRam(2);
    const std::vector<uint8_t> second = cartRam();
    ASSERT_TRUE(saveBatteryRam());  // exit
    EXPECT_EQ(cartridgeLoaded, 0);
    EXPECT_EQ(readBytes(dir / "game.sav"), second);
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{"game.gbc", "game.sav"}))
        << "no temporary file is left behind";

    fillCartRam(3);
    EXPECT_TRUE(saveBatteryRam()) << "nothing is loaded any more";
    EXPECT_EQ(readBytes(dir / "game.sav"), second);

    // The same cartridge under its other extension shares the save.
    ASSERT_TRUE(loadCartridge(putImage("game.gb", makeImage({0x03, 0x00, 0x03}))));
    EXPECT_EQ(cartRam(), second);
}

TEST_F(BatterySaveTest, CartridgeWithoutBatteryNeverWritesASave) {
    for (uint8_t type : {0x00, 0x01, 0x02, 0x05, 0x08, 0x11, 0x12, 0x19, 0x1A, 0x1C, 0x1D}) {
        TempDir local;
        const std::string path = local / "game.gb";
        writeBytes(path, makeImage({type, 0x00, 0x03}));
        ASSERT_TRUE(loadCartridge(path)) << "type " << int(type);
        fillCartRam(4);
        ASSERT_TRUE(loadCartridge(path));
        fillCartRam(5);
        ASSERT_TRUE(saveBatteryRam());
        EXPECT_EQ(listDirectory(local.path()), std::vector<std::string>{"game.gb"})
            << "type " << int(type);
    }
}

TEST_F(BatterySaveTest, SaveIsReadIntoCartRamAsFarAsBothReach) {
    const std::string path = putImage("game.gb", makeImage({0x1B, 0x00, 0x02}));
    std::vector<uint8_t> shortSave(100, 0x77);
    writeBytes(dir / "game.sav", shortSave);
    ASSERT_TRUE(loadCartridge(path));
    for (uint32_t i = 0; i < machine.cartRamSize; ++i)
        ASSERT_EQ(machine.CartRam[i], i < 100 ? 0x77 : 0) << "CartRam at " << i;

    ASSERT_TRUE(saveBatteryRam());  // unload first, or the reload would save over it
    std::vector<uint8_t> longSave(0x3000, 0x66);
    writeBytes(dir / "game.sav", longSave);
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_EQ(cartRam(), std::vector<uint8_t>(0x2000, 0x66));
}

TEST_F(BatterySaveTest, DotsInDirectoryNamesNeverNameTheSave) {
    std::filesystem::create_directory(dir / "my.dir");
    const std::string path = putImage("my.dir/game", makeImage({0x09, 0x00, 0x00}));
    ASSERT_TRUE(loadCartridge(path));
    fillCartRam(6);
    const std::vector<uint8_t> ram = cartRam();
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_FALSE(fileExists(dir / "my.sav"));
    EXPECT_EQ(readBytes(dir / "my.dir/game.sav"), ram);
    EXPECT_EQ(cartRam(), ram);
}

TEST_F(BatterySaveTest, FailedLoadKeepsTheGameAndItsUnsavedRamUntilExit) {
    ASSERT_TRUE(loadCartridge(putImage("game.gb", makeImage({0x13, 0x00, 0x03}))));
    fillCartRam(7);
    const std::vector<uint8_t> ram = cartRam();
    ASSERT_FALSE(loadCartridge(putImage("bad.gb", makeImage({0x00, 0x08, 0x00}))));
    EXPECT_FALSE(fileExists(dir / "game.sav")) << "nothing is unloaded, so nothing is saved";
    EXPECT_FALSE(fileExists(dir / "bad.sav"));
    EXPECT_EQ(cartRam(), ram);

    EXPECT_TRUE(saveBatteryRam());
    EXPECT_EQ(readBytes(dir / "game.sav"), ram);
}

// Ways to make the save write fail that hold even for root.
class FailingSaveTest : public CartridgeTest {
protected:
    void SetUp() override {
        CartridgeTest::SetUp();
        path = putImage("game.gb", makeImage({0x03, 0x00, 0x03}));
        oldSave = std::vector<uint8_t>(0x8000, 0x42);
        writeBytes(dir / "game.sav", oldSave);
        ASSERT_TRUE(loadCartridge(path));
        ASSERT_EQ(cartRam(), oldSave);
        fillCartRam(8);
    }
    std::string path;
    std::vector<uint8_t> oldSave;
};

TEST_F(FailingSaveTest, SaveThatCannotBeCreatedKeepsTheOldOne) {
    // A directory, not empty, where the new save would be written first.
    std::filesystem::create_directories(dir / "game.sav.tmp/inside");
    EXPECT_FALSE(saveBatteryRam());
    EXPECT_EQ(cartridgeLoaded, 0);
    EXPECT_EQ(readBytes(dir / "game.sav"), oldSave);
}

#ifndef _WIN32
// Windows has no file-size limit to stand in for a full disk.
TEST_F(FailingSaveTest, SaveThatRunsOutOfSpaceKeepsTheOldOne) {
    // A file-size limit stands in for a full disk: the write stops after 4 KB.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 0x1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool result = saveBatteryRam();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result);
    EXPECT_EQ(readBytes(dir / "game.sav"), oldSave);
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{"game.gb", "game.sav"}))
        << "the partial temporary file is removed";
}
#endif

TEST_F(FailingSaveTest, SaveIntoAPathThroughAFileFails) {
    writeBytes(dir / "notadir", {1});
    machine.romPath = dir / "notadir/game.gb";
    EXPECT_FALSE(saveBatteryRam());
    EXPECT_EQ(readBytes(dir / "notadir"), std::vector<uint8_t>{1});
    EXPECT_EQ(readBytes(dir / "game.sav"), oldSave);
}

}  // namespace
