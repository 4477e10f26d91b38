#include "core/machine_state.h"

#include <gtest/gtest.h>

#include "core/bus.h"
#include "machine_fixture.h"

namespace {

using ResetTest = MachineTest;

TEST_F(ResetTest, RegistersTakeTheirPowerOnValues) {
    const CpuRegisters& r = machine.cpu;
    EXPECT_EQ(r.PC, 0x0100);
    EXPECT_EQ(r.SP, 0xFFFE);
    EXPECT_EQ((r.A << 8) | r.F, 0x01B0);
    EXPECT_EQ((r.B << 8) | r.C, 0x0013);
    EXPECT_EQ((r.D << 8) | r.E, 0x00D8);
    EXPECT_EQ((r.H << 8) | r.L, 0x014D);
    EXPECT_EQ(machine.ime, 0);
    EXPECT_EQ(machine.halted, 0);
    EXPECT_EQ(machine.stopped, 0);
    EXPECT_EQ(machine.romBank, 1);
    EXPECT_EQ(machine.ramBank, 0);
    EXPECT_EQ(machine.ramEnabled, 1);
}

TEST_F(ResetTest, IoRegistersTakeTheirPowerOnValuesAndTheRestIsZero) {
    std::vector<uint8_t> expected(0x80, 0);
    const std::pair<int, int> set[] = {
        {0x00, 0xCF}, {0x02, 0x7E}, {0x03, 0xFF}, {0x04, 0xAD}, {0x07, 0xF8}, {0x08, 0xFF},
        {0x09, 0xFF}, {0x0A, 0xFF}, {0x0B, 0xFF}, {0x0C, 0xFF}, {0x0D, 0xFF}, {0x0E, 0xFF},
        {0x0F, 0xE1}, {0x40, 0x91}, {0x41, 0x80}, {0x44, 0x05}, {0x47, 0xFC}, {0x48, 0xFF},
        {0x49, 0xFF}, {0x4C, 0xFF}, {0x4D, 0x7E}, {0x4E, 0xFF}, {0x4F, 0xFE}, {0x68, 0xC0},
        {0x69, 0xFF}, {0x6A, 0xC1}, {0x6B, 0x20}, {0x70, 0xF8},
    };
    for (auto [reg, value] : set) expected[reg] = static_cast<uint8_t>(value);
    for (int reg = 0; reg < 0x80; ++reg)
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xFF00 + reg)), expected[reg]) << std::hex << reg;
    EXPECT_EQ(readByte(0xFFFF), 0x00) << "IE";
}

TEST_F(ResetTest, ClearsRamButKeepsRomAndVideoBankOne) {
    std::vector<uint8_t> image(0x8000, 0x77);
    installImage(image, 1, 0x8000);
    machine.VideoRam[0x0000] = 1;
    machine.VideoRam[0x2000] = 2;
    machine.CartRam[0x7FFF] = 3;
    machine.WorkRam0[0x10] = 4;
    machine.WorkRamBanks[0x7FFF] = 5;
    machine.HighPage[0x1E00] = 6;
    machine.HighPage[0x1F80] = 7;
    machine.lcdTickCounter = 9;
    machine.halted = machine.stopped = machine.ime = 1;
    resetMachine();
    EXPECT_EQ(machine.VideoRam[0x0000], 0);
    EXPECT_EQ(machine.VideoRam[0x2000], 2) << "video bank 1 survives";
    EXPECT_EQ(machine.CartRam[0x7FFF], 0);
    EXPECT_EQ(machine.WorkRam0[0x10], 0);
    EXPECT_EQ(machine.WorkRamBanks[0x7FFF], 0);
    EXPECT_EQ(machine.HighPage[0x1E00], 0);
    EXPECT_EQ(machine.HighPage[0x1F80], 0);
    EXPECT_EQ(machine.RomBankArea[0x7FFF], 0x77);
    EXPECT_EQ(machine.lcdTickCounter, 9) << "the LCD step counter is not reset";
    EXPECT_EQ(machine.halted + machine.stopped + machine.ime, 0);
}

TEST_F(ResetTest, DoesNothingWithoutACartridge) {
    machine.cpu.PC = 0x1234;
    machine.WorkRam0[0] = 0x42;
    machine.cartridgeLoaded = 0;
    resetMachine();
    EXPECT_EQ(machine.cpu.PC, 0x1234);
    EXPECT_EQ(machine.WorkRam0[0], 0x42);
}

// A colour cartridge starts on the colour handheld, whose A = 0x11 tells the program
// it may use the colour hardware; a monochrome one sees the monochrome handheld's 0x01.
TEST_F(ResetTest, ColourCartridgeStartsWithTheColourHandheldsRegisters) {
    struct Case {
        uint8_t header, colourModel, a, f;
    };
    for (const Case c : {Case{0x80, 1, 0x11, 0x80}, Case{0xC0, 1, 0x11, 0x80},
                         Case{0x7F, 0, 0x01, 0xB0}, Case{0x00, 0, 0x01, 0xB0}}) {
        std::vector<uint8_t> image(0x8000, 0);
        image[0x143] = c.header;
        installImage(image);
        EXPECT_EQ(machine.colourModel, c.colourModel) << int(c.header);
        EXPECT_EQ(machine.cpu.A, c.a) << int(c.header);
        EXPECT_EQ(machine.cpu.F, c.f) << int(c.header);
        EXPECT_EQ(machine.cpu.PC, 0x0100);
    }
}

TEST(MachineBuffers, AllocatedZeroFilledAndFreedTwiceHarmlessly) {
    ASSERT_TRUE(allocateMachineBuffers());
    EXPECT_EQ(machine.romSize, 0x4000u);
    EXPECT_EQ(machine.cartRamSize, 0x2000u);
    for (uint32_t i = 0; i < kWorkRamBanksSize; ++i) ASSERT_EQ(machine.WorkRamBanks[i], 0);
    freeMachineBuffers();
    freeMachineBuffers();
    EXPECT_TRUE(machine.HighPage.empty());
}

}  // namespace
