#include "cartridge/rom_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "cartridge/file_handle.h"
#include "cartridge_fixture.h"
#include "core/bus.h"
#include "core/step.h"

namespace {

using RomLoaderTest = CartridgeTest;

TEST_F(RomLoaderTest, RomSizeCodesGiveTheImageSize) {
    struct Case {
        uint8_t code;
        uint32_t romSize;
    };
    const Case cases[] = {
        {0x00, 0x8000},   {0x01, 0x10000},  {0x02, 0x20000},  {0x03, 0x40000},
        {0x04, 0x80000},  {0x05, 0x100000}, {0x06, 0x200000}, {0x07, 0x400000},
        {0x08, 0x800000}, {0x52, 0x120000}, {0x53, 0x140000}, {0x54, 0x180000},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> image = makeImage({0x19, c.code, 0x00}, c.romSize);
        ASSERT_TRUE(loadCartridge(putImage("rom.gb", image))) << lastLoadError().message;
        EXPECT_EQ(machine.romSize, c.romSize) << "code " << int(c.code);
        EXPECT_EQ(0, std::memcmp(machine.RomBankArea.data(), image.data(), c.romSize))
            << "code " << int(c.code);
        EXPECT_EQ(0, std::memcmp(machine.RomBank0.data(), image.data(), 0x4000));
    }
}

TEST_F(RomLoaderTest, RamSizeCodesGiveAtLeastEightKilobytes) {
    struct Case {
        uint8_t code;
        uint32_t cartRamSize;
    };
    const Case cases[] = {
        {0x00, 0x2000},  {0x01, 0x2000},  {0x02, 0x2000}, {0x03, 0x8000},
        {0x04, 0x20000}, {0x05, 0x10000}, {0x06, 0x2000}, {0xFF, 0x2000},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(loadCartridge(putImage("rom.gb", makeImage({0x1A, 0x00, c.code}))));
        EXPECT_EQ(machine.cartRamSize, c.cartRamSize) << "code " << int(c.code);
        // The whole buffer exists and was cleared by the reset.
        EXPECT_EQ(machine.CartRam[c.cartRamSize - 1], 0);
        machine.CartRam[c.cartRamSize - 1] = 0xEE;
    }
}

TEST_F(RomLoaderTest, CartridgeTypesGiveControllerBatteryAndClock) {
    struct Row {
        uint8_t type, controller, battery, clock;
    };
    const Row supported[] = {
        {0x00, 0, 0, 0}, {0x01, 1, 0, 0}, {0x02, 1, 0, 0}, {0x03, 1, 1, 0}, {0x05, 2, 0, 0},
        {0x06, 2, 1, 0}, {0x08, 0, 0, 0}, {0x09, 0, 1, 0}, {0x0F, 3, 1, 1}, {0x10, 3, 1, 1},
        {0x11, 3, 0, 0}, {0x12, 3, 0, 0}, {0x13, 3, 1, 0}, {0x19, 5, 0, 0}, {0x1A, 5, 0, 0},
        {0x1B, 5, 1, 0}, {0x1C, 6, 0, 0}, {0x1D, 6, 0, 0}, {0x1E, 6, 1, 0},
    };
    // A type that does not exist is refused on an image over 32 KB; one of 32 KB runs
    // without a controller.
    for (int type = 0; type < 256; ++type) {
        const Row* row = nullptr;
        for (const Row& r : supported)
            if (r.type == type) row = &r;
        const Header header{static_cast<uint8_t>(type), 0x01, 0x00};
        const bool loaded = loadCartridge(putImage("t.gb", makeImage(header, 0x10000)));
        ASSERT_EQ(loaded, row != nullptr) << "type " << type;
        if (row) {
            EXPECT_EQ(machine.controllerType, row->controller) << "type " << type;
            EXPECT_EQ(machine.hasBattery, row->battery) << "type " << type;
            EXPECT_EQ(machine.hasClock, row->clock) << "type " << type;
            EXPECT_EQ(lastHeaderNotice(), "");
            continue;
        }
        EXPECT_EQ(lastLoadError().kind, LoadErrorKind::UnsupportedCartridgeType);
        EXPECT_EQ(lastLoadError().headerValue, type);
        ASSERT_TRUE(loadCartridge(putImage("t.gb", makeImage(header, 0x8000)))) << "type " << type;
        EXPECT_EQ(machine.controllerType, 0) << "type " << type;
        EXPECT_EQ(machine.hasBattery, 0) << "type " << type;
        EXPECT_NE(lastHeaderNotice().find("unknown cartridge type"), std::string::npos);
    }
}

TEST_F(RomLoaderTest, HeaderCodesThatNameNothingAreReplacedAndNamed) {
    struct Case {
        Header header;
        size_t fileSize;
        uint32_t romSize, cartRamSize;
        const char* notice;
    };
    const Case cases[] = {
        {{0x19, 0x51, 0x00},
         0x28000,
         0x40000,
         0x2000,
         "unknown ROM size code 0x51 (header byte 0x148): taking 256 KB from the file's size"},
        {{0x19, 0xFF, 0x00},
         0x4000,
         0x8000,
         0x2000,
         "unknown ROM size code 0xFF (header byte 0x148): taking 32 KB from the file's size"},
        {{0x1B, 0x00, 0x3F},
         0x8000,
         0x8000,
         0x2000,
         "unknown RAM size code 0x3F (header byte 0x149): giving it 8 KB"},
        // A type without RAM has no use for the code: nothing to say.
        {{0x19, 0x00, 0x3F}, 0x8000, 0x8000, 0x2000, ""},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(loadCartridge(putImage("odd.gb", makeImage(c.header, c.fileSize))))
            << c.notice << lastLoadError().message;
        EXPECT_EQ(machine.romSize, c.romSize) << c.notice;
        EXPECT_EQ(machine.cartRamSize, c.cartRamSize) << c.notice;
        EXPECT_EQ(lastHeaderNotice(), c.notice);
    }
}

TEST_F(RomLoaderTest, UnsupportedTypeFailsWithAReasonAndKeepsTheGame) {
    for (const uint8_t type : {0x04, 0xFF}) {
        const std::string good = putImage("good.gb", makeImage({0x01, 0x01, 0x00}, 0x10000));
        ASSERT_TRUE(loadCartridge(good));
        EXPECT_EQ(lastLoadError().kind, LoadErrorKind::None);
        for (int i = 0; i < 1000; ++i) stepMachine();
        const CpuRegisters registers = machine.cpu;
        EXPECT_FALSE(loadCartridge(putImage("bad.gb", makeImage({type, 0x01, 0x00}, 0x10000))));
        EXPECT_EQ(lastLoadError().kind, LoadErrorKind::UnsupportedCartridgeType);
        char message[64];
        std::snprintf(message, sizeof message,
                      "unsupported cartridge type 0x%02X (header byte 0x147)", type);
        EXPECT_EQ(lastLoadError().message, message);
        // The running game is untouched: image, controller, registers and path.
        EXPECT_EQ(machine.cartridgeLoaded, 1) << message;
        EXPECT_EQ(machine.romSize, 0x10000u) << message;
        EXPECT_EQ(machine.RomBank0[0x148], 0x01) << message;
        EXPECT_EQ(machine.controllerType, 1) << message;
        EXPECT_EQ(machine.cpu.PC, registers.PC) << message;
        EXPECT_EQ(machine.romPath, good) << message;
    }
}

TEST_F(RomLoaderTest, MissingFileFailsWithCannotOpen) {
    ASSERT_TRUE(loadCartridge(putImage("good.gb", makeImage({}))));
    EXPECT_FALSE(loadCartridge(dir / "missing.gb"));
    EXPECT_EQ(lastLoadError().kind, LoadErrorKind::CannotOpen);
    EXPECT_EQ(lastLoadError().message.rfind("cannot open file: ", 0), 0u)
        << "with the host's reason: " << lastLoadError().message;
    EXPECT_GT(lastLoadError().message.size(), 18u) << lastLoadError().message;
    EXPECT_EQ(machine.cartridgeLoaded, 1) << "the game that ran goes on";
    EXPECT_FALSE(loadCartridge(dir.path())) << "a directory is no image";
    EXPECT_EQ(lastLoadError().kind, LoadErrorKind::CannotOpen);
#ifndef _WIN32
    EXPECT_FALSE(loadCartridge("/dev/zero"));
    EXPECT_EQ(lastLoadError().message, std::string("cannot open file: ") + kNotARegularFile);
#endif
}

// A name given relative to the current folder is kept absolute: after the folder
// changes (a file chooser browsing elsewhere), Reset reloads the same image and the
// battery save still goes beside it.
TEST_F(RomLoaderTest, ARelativeNameStaysTheSameFileWhenTheFolderChanges) {
    putImage("game.gb", makeImage({0x03, 0x00, 0x02}));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const bool loaded = loadCartridge("game.gb");
    std::filesystem::current_path(before);
    ASSERT_TRUE(loaded) << lastLoadError().message;
    EXPECT_TRUE(sameFile(machine.romPath, dir / "game.gb")) << machine.romPath;
    machine.cartRamWritten = 1;
    ASSERT_TRUE(loadCartridge(machine.romPath)) << "Reset: " << lastLoadError().message;
    EXPECT_TRUE(std::filesystem::exists(dir / "game.sav"));
}

TEST_F(RomLoaderTest, FailsWhenTheMachineWasNeverStarted) {
    freeMachineBuffers();
    EXPECT_FALSE(loadCartridge(putImage("good.gb", makeImage({}))));
    EXPECT_EQ(lastLoadError().kind, LoadErrorKind::MachineNotReady);
    EXPECT_EQ(machine.cartridgeLoaded, 0);
}

TEST_F(RomLoaderTest, ShortImageNeverShowsThePreviousCartridge) {
    ASSERT_TRUE(loadCartridge(putImage("big.gb", makeImage({0x19, 0x02, 0x00}, 0x20000))));
    std::vector<uint8_t> image = makeImage({0x01, 0x00, 0x00}, 0x6000);
    ASSERT_TRUE(loadCartridge(putImage("short.gb", image)));
    EXPECT_EQ(machine.romSize, 0x8000u);
    EXPECT_EQ(0, std::memcmp(machine.RomBankArea.data(), image.data(), image.size()));
    for (uint32_t i = 0x6000; i < 0x8000; ++i)
        ASSERT_EQ(machine.RomBankArea[i], 0) << "RomBankArea at " << i;

    ASSERT_TRUE(loadCartridge(putImage("big.gb", makeImage({0x19, 0x02, 0x00}, 0x20000))));
    ASSERT_TRUE(loadCartridge(putImage("header.gb", std::vector<uint8_t>(0x150, 0x00))));
    for (uint32_t i = 0; i < 0x4000; ++i) ASSERT_EQ(machine.RomBank0[i], 0) << "RomBank0 at " << i;
    for (uint32_t i = 0; i < machine.romSize; ++i)
        ASSERT_EQ(machine.RomBankArea[i], 0) << "RomBankArea at " << i;
    EXPECT_EQ(machine.controllerType, 0);
}

TEST_F(RomLoaderTest, ImagesTooShortForAHeaderAreRefused) {
    ASSERT_TRUE(loadCartridge(putImage("good.gb", makeImage({}))));
    for (const size_t size : {size_t{0}, size_t{0x100}, size_t{0x14F}}) {
        EXPECT_FALSE(loadCartridge(putImage("short.gb", std::vector<uint8_t>(size, 0x00))))
            << size << " bytes";
        EXPECT_EQ(lastLoadError().kind, LoadErrorKind::TooShort) << size << " bytes";
        EXPECT_NE(lastLoadError().message.find(std::to_string(size) + " bytes"), std::string::npos)
            << lastLoadError().message;
        EXPECT_EQ(machine.romPath, dir / "good.gb");
    }
}

// A header that understates the ROM does not hide the rest of the image.
TEST_F(RomLoaderTest, LongerImageIsReadWholeUpToTheLargestController) {
    const std::vector<uint8_t> image = makeImage({0x19, 0x00, 0x00}, 0x34000);
    ASSERT_TRUE(loadCartridge(putImage("long.gb", image)));
    EXPECT_EQ(machine.romSize, 0x40000u);
    EXPECT_EQ(0, std::memcmp(machine.RomBankArea.data(), image.data(), image.size()));
    writeByte(0x0C, 0x2000);
    EXPECT_EQ(readByte(0x4000), image[0xC * 0x4000]);
}

TEST_F(RomLoaderTest, ResetsTheMachineAndKeepsThePath) {
    Header colour;
    colour.colourFlag = 0x80;
    const std::string path = putImage("game.gbc", makeImage(colour));
    ASSERT_TRUE(loadCartridge(path));
    EXPECT_EQ(machine.romPath, path);
    EXPECT_EQ(machine.cpu.PC, 0x0100);
    EXPECT_EQ(machine.romBank, 1);
    EXPECT_TRUE(isColourCartridge());

    // Reset reloads romPath itself, twice in a row.
    machine.cpu.PC = 0x1234;
    ASSERT_TRUE(loadCartridge(machine.romPath));
    ASSERT_TRUE(loadCartridge(machine.romPath));
    EXPECT_EQ(machine.romPath, path);
    EXPECT_EQ(machine.cpu.PC, 0x0100);

    colour.colourFlag = 0x7F;
    ASSERT_TRUE(loadCartridge(putImage("mono.gb", makeImage(colour))));
    EXPECT_FALSE(isColourCartridge());
}

TEST_F(RomLoaderTest, PathsLongerThanAnyFixedBufferLoadAndSave) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows ANSI file calls stop at MAX_PATH (260) characters";
#endif
    std::string directory = dir.path();
    for (int i = 0; i < 8; ++i) directory += "/" + std::string(60, static_cast<char>('a' + i));
    std::filesystem::create_directories(directory);
    const std::string path = directory + "/game.gb";
    ASSERT_GT(path.size(), 400u);
    writeBytes(path, makeImage({0x03, 0x00, 0x00}));

    ASSERT_TRUE(loadCartridge(path)) << lastLoadError().message;
    EXPECT_EQ(machine.romPath, path);
    fillCartRam(3);
    const std::vector<uint8_t> ram = cartRam();
    ASSERT_TRUE(saveBatteryRam());
    EXPECT_EQ(readBytes(directory + "/game.sav"), ram);
}

}  // namespace
