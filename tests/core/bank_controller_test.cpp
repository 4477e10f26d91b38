#include "core/bank_controller.h"

#include <gtest/gtest.h>

#include <string>

#include "core/bus.h"
#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

struct Write {
    uint16_t address;
    uint8_t value;
};

// What the program sees after the writes: the ROM bank at 0x4000, the RAM bank at
// 0xA000 (both counted from 0), RAM enabled, and the rumble motor.
struct BankCase {
    const char* name;
    uint8_t controller;
    uint32_t romSize, cartRamSize;
    uint8_t startMode;
    std::vector<Write> writes;
    uint32_t romBank, ramBank;
    uint8_t ramEnabled = 1, motor = 0;
};

class BankControllerTest : public MachineTest {};

TEST_F(BankControllerTest, WritesSelectBanksAsEachControllerDoes) {
    constexpr uint32_t k2M = 0x200000, k512K = 0x80000, k32K = 0x8000, k8K = 0x2000;
    const BankCase cases[] = {
        {"MBC1 bank 0 reads as 1", 1, k2M, k8K, 0, {{0x2000, 0x00}}, 1, 0},
        {"MBC1 bank 0x20 keeps five bits", 1, k2M, k8K, 0, {{0x2000, 0x20}}, 1, 0},
        {"MBC1 bank 0xFF", 1, k2M, k8K, 0, {{0x3FFF, 0xFF}}, 0x1F, 0},
        {"MBC1 upper bits", 1, k2M, k8K, 0, {{0x2000, 0x05}, {0x4000, 0x01}}, 0x25, 0},
        {"MBC1 lower write keeps upper bits",
         1,
         k2M,
         k8K,
         0,
         {{0x2000, 0x05}, {0x4000, 0x01}, {0x2000, 0x07}},
         0x27,
         0},
        {"MBC1 upper bits with lower 0", 1, k2M, k8K, 0, {{0x4000, 0x01}, {0x2000, 0x00}}, 0x21, 0},
        {"MBC1 0x1F with upper 2", 1, k2M, k8K, 0, {{0x2000, 0x1F}, {0x5FFF, 0x02}}, 0x5F, 0},
        {"MBC1 bank past 256 KB drops bit 4", 1, 0x40000, k8K, 0, {{0x2000, 0x12}}, 0x02, 0},
        {"MBC1 bank 0x10 of 256 KB is bank 0", 1, 0x40000, k8K, 0, {{0x2000, 0x10}}, 0, 0},
        {"MBC1 upper bits also in mode 1", 1, k2M, k8K, 1, {{0x4000, 0x02}}, 0x41, 0},
        {"MBC1 mode 1 selects RAM bank 2",
         1,
         k512K,
         k32K,
         0,
         {{0x6000, 0x01}, {0x4000, 0x02}},
         1,
         2},
        {"MBC1 mode 1 RAM bank 1", 1, k512K, k32K, 1, {{0x4000, 0x01}}, 1, 1},
        {"MBC1 mode 1 reaches the fourth bank", 1, k512K, k32K, 1, {{0x4000, 0x07}}, 1, 3},
        {"MBC1 mode 0 maps RAM bank 0", 1, k512K, k32K, 1, {{0x4000, 0x02}, {0x6000, 0x00}}, 1, 0},
        {"MBC1 8 KB wraps bank 3 to 0", 1, k512K, k8K, 1, {{0x4000, 0x03}}, 1, 0},
        {"MBC2 ignores enable", 2, 0x40000, k8K, 0, {{0x0000, 0x00}}, 1, 0},
        {"MBC2 bank nibble", 2, 0x40000, k8K, 0, {{0x2100, 0x1B}}, 0x0B, 0},
        {"MBC2 address bit 8 clear selects no bank", 2, 0x40000, k8K, 0, {{0x2000, 0x05}}, 1, 0},
        {"MBC2 bank at 0x0100", 2, 0x40000, k8K, 0, {{0x01FF, 0x03}}, 3, 0},
        {"MBC2 bank 0x10 reads as 1", 2, 0x40000, k8K, 0, {{0x2100, 0x10}}, 1, 0},
        {"MBC2 ignores upper range", 2, 0x40000, k32K, 0, {{0x4000, 0x02}, {0x6000, 0x01}}, 1, 0},
        {"MBC3 bank 0x7F", 3, k2M, k8K, 0, {{0x2000, 0xFF}}, 0x7F, 0},
        {"MBC3 bank 0x80 reads as 1", 3, k2M, k8K, 0, {{0x2000, 0x80}}, 1, 0},
        {"MBC3 RAM bank 3", 3, k2M, k32K, 0, {{0x4000, 0x03}}, 1, 3},
        {"MBC3 without clock: 0x08 is RAM bank 0",
         3,
         k2M,
         k32K,
         0,
         {{0x4000, 0x0B}, {0x4000, 0x08}},
         1,
         0},
        {"MBC5 bank 0 is bank 0", 5, k2M, k8K, 0, {{0x2000, 0x00}}, 0, 0},
        {"MBC5 bank 0xFF", 5, 0x800000, k8K, 0, {{0x2FFF, 0xFF}}, 0xFF, 0},
        {"MBC5 ninth bit", 5, 0x800000, k8K, 0, {{0x2000, 0x42}, {0x3000, 0x01}}, 0x142, 0},
        {"MBC5 bank past 1 MB drops high bits", 5, 0x100000, k8K, 0, {{0x2000, 0x45}}, 0x05, 0},
        {"MBC5 RAM bank 15 of 128 KB", 5, k2M, 0x20000, 0, {{0x4000, 0x0F}}, 1, 15},
        {"MBC5 RAM bank 5 of 32 KB", 5, k2M, k32K, 0, {{0x4000, 0x05}}, 1, 1},
        {"rumble MBC5 banks ROM", 6, k2M, k32K, 0, {{0x2000, 0x05}, {0x3000, 0x00}}, 5, 0},
        {"rumble bit 3 drives the motor", 6, k2M, k32K, 0, {{0x4000, 0x0A}}, 1, 2, 1, 1},
        {"rumble motor stops", 6, k2M, k32K, 0, {{0x4000, 0x0A}, {0x4000, 0x03}}, 1, 3, 1, 0},
        {"no controller ignores all",
         0,
         k32K,
         k32K,
         0,
         {{0x0000, 0x00}, {0x2000, 0x05}, {0x4000, 0x02}},
         1,
         0},
    };
    for (const BankCase& c : cases) {
        std::vector<uint8_t> image(c.romSize);
        // Each bank's first byte tells its number.
        for (uint32_t bank = 0; bank < c.romSize / 0x4000; ++bank)
            image[bank * 0x4000] = static_cast<uint8_t>(bank);
        installImage(image, c.controller, c.cartRamSize);
        for (uint32_t bank = 0; bank < c.cartRamSize / 0x2000; ++bank)
            machine.CartRam[bank * 0x2000] = static_cast<uint8_t>(bank);
        machine.bankingMode = c.startMode;
        for (const Write& w : c.writes) writeByte(w.value, w.address);
        EXPECT_EQ(machine.romBankOffset, c.romBank * 0x4000) << c.name;
        EXPECT_EQ(readByte(0x4000), static_cast<uint8_t>(c.romBank)) << c.name;
        EXPECT_EQ(readByte(0xA000), c.ramBank) << c.name;
        EXPECT_EQ(machine.ramEnabled, c.ramEnabled) << c.name;
        EXPECT_EQ(machine.rumbleMotor, c.motor) << c.name;
    }
}

TEST_F(BankControllerTest, EnableValuesUseTheLowNibble) {
    struct Case {
        uint8_t value, enabled;
    };
    for (uint8_t controller : {1, 3, 5}) {
        installImage(std::vector<uint8_t>(0x8000), controller);
        for (const Case c : {Case{0x0A, 1}, Case{0x1A, 1}, Case{0xFA, 1}, Case{0x00, 0},
                             Case{0x0B, 0}, Case{0xA0, 0}}) {
            writeByte(c.value, 0x1000);
            EXPECT_EQ(machine.ramEnabled, c.enabled) << int(controller) << " " << int(c.value);
        }
    }
}

TEST_F(BankControllerTest, RamBankMapsItsEightKilobytes) {
    installImage(std::vector<uint8_t>(0x8000), 1, 0x8000);
    machine.CartRam[0x0000] = 0x10;
    machine.CartRam[0x4000] = 0x20;
    writeByte(0x01, 0x6000);
    writeByte(0x02, 0x4000);
    EXPECT_EQ(readByte(0xA000), 0x20);
    writeByte(0x99, 0xA001);
    EXPECT_EQ(machine.CartRam[0x4001], 0x99);
    writeByte(0x00, 0x4000);
    EXPECT_EQ(readByte(0xA000), 0x10);
}

TEST_F(BankControllerTest, BankingModeSurvivesResetAndRomNeverChanges) {
    std::vector<uint8_t> image(0x8000, 0x3C);
    installImage(image, 1);
    writeByte(0x01, 0x6000);
    machine.cartridgeLoaded = 1;
    resetMachine();
    EXPECT_EQ(machine.bankingMode, 1);
    for (uint32_t a = 0; a < 0x8000; a += 0x0800) writeByte(0x00, static_cast<uint16_t>(a));
    EXPECT_EQ(readByte(0x0000), 0x3C);
    EXPECT_EQ(readByte(0x4000), 0x3C);
}

// Whole cartridges: bank 0 selects a bank through the controller's registers and calls
// 0x4000, where every bank holds a routine that stores its own number at 0xC000.
TEST_F(BankControllerTest, ProgramsCallIntoTheBankTheControllerSelects) {
    struct Case {
        const char* name;
        uint8_t type, controller;
        uint32_t romSize;
        std::vector<Write> writes;
        uint8_t bank;
    };
    const Case cases[] = {
        {"rumble MBC5 reaches its last bank", 0x1C, 6, 0x200000, {{0x2000, 0x7F}}, 0x7F},
        {"MBC5 bank past 1 MB loses its high bits", 0x1B, 5, 0x100000, {{0x2000, 0x45}}, 0x05},
        {"MBC5 ninth bit past 1 MB is dropped",
         0x1B,
         5,
         0x100000,
         {{0x2000, 0x3F}, {0x3000, 0x01}},
         0x3F},
        {"MBC1 upper bits survive a lower write",
         0x01,
         1,
         0x100000,
         {{0x4000, 0x01}, {0x2000, 0x03}},
         0x23},
        {"MBC1 bank 0x10 of 256 KB is bank 0", 0x01, 1, 0x40000, {{0x2000, 0x10}}, 0x00},
        {"MBC3 reaches bank 127", 0x13, 3, 0x200000, {{0x2000, 0x7F}}, 0x7F},
        {"MBC2 selects through 0x2100", 0x06, 2, 0x40000, {{0x2100, 0x0F}}, 0x0F},
    };
    for (const Case& c : cases) {
        std::string source =
            "org 0x0000\nld a,0\nld (0xC000),a\nret\norg 0x0100\nnop\njp start\n"
            "org 0x0150\nstart:\nld sp,0xFFFE\n";
        for (const Write& w : c.writes)
            source +=
                "ld a," + std::to_string(w.value) + "\nld (" + std::to_string(w.address) + "),a\n";
        source += "call 0x4000\nstop\n";
        for (uint32_t bank = 1; bank < c.romSize / 0x4000; ++bank)
            source += "bank " + std::to_string(bank) + "\norg 0x4000\nld a," +
                      std::to_string(bank & 0xFF) + "\nld (0xC000),a\nret\n";
        const sm83::AssemblyResult assembled = sm83::assemble(source, c.romSize);
        ASSERT_TRUE(assembled.ok) << c.name << ": " << assembled.error;
        installImage(assembled.image, c.controller);
        writeByte(0xEE, 0xC000);
        for (int step = 0; step < 1000 && stepMachine(); ++step) {
        }
        EXPECT_EQ(machine.stopped, kWaitingForButton) << c.name;
        EXPECT_EQ(readByte(0xC000), c.bank) << c.name;
    }
}

}  // namespace
