#include "core/bank_controller.h"

#include <gtest/gtest.h>

#include "core/bus.h"
#include "machine_fixture.h"

namespace {

struct Write {
    uint16_t address;
    uint8_t value;
};

struct BankCase {
    const char* name;
    uint8_t controller;
    uint32_t cartRamSize;
    uint8_t startMode;
    std::vector<Write> writes;
    uint8_t romBank, ramBank, ramEnabled;
};

class BankControllerTest : public MachineTest {};

TEST_F(BankControllerTest, WritesSelectBanksAsEachControllerDoes) {
    const BankCase cases[] = {
        {"MBC1 bank 0 becomes 1", 1, 0x2000, 0, {{0x2000, 0x00}}, 1, 1, 1},
        {"MBC1 bank 0x20 keeps only five bits", 1, 0x2000, 0, {{0x2000, 0x20}}, 1, 1, 1},
        {"MBC1 bank 0x15", 1, 0x2000, 0, {{0x2000, 0x15}}, 0x15, 1, 1},
        {"MBC1 bank 0xFF", 1, 0x2000, 0, {{0x3FFF, 0xFF}}, 0x1F, 1, 1},
        {"MBC1 upper bits", 1, 0x2000, 0, {{0x2000, 0x05}, {0x4000, 0x01}}, 0x25, 1, 1},
        {"MBC1 lower write drops upper bits",
         1,
         0x2000,
         0,
         {{0x2000, 0x05}, {0x4000, 0x01}, {0x2000, 0x07}},
         0x07,
         1,
         1},
        {"MBC1 0x1F with upper 2", 1, 0x2000, 0, {{0x2000, 0x1F}, {0x5FFF, 0x02}}, 0x5F, 1, 1},
        {"MBC1 mode 1 selects RAM bank", 1, 0x8000, 0, {{0x6000, 0x01}, {0x4000, 0x02}}, 1, 2, 1},
        {"MBC1 mode 1 value 1 is the first bank",
         1,
         0x8000,
         0,
         {{0x6000, 0x01}, {0x4000, 0x02}, {0x4000, 0x01}},
         1,
         1,
         1},
        {"MBC1 mode 1 value 0",
         1,
         0x8000,
         0,
         {{0x6000, 0x01}, {0x4000, 0x03}, {0x4000, 0x00}},
         1,
         1,
         1},
        {"MBC1 mask 3 never reaches bank 4", 1, 0x8000, 1, {{0x4000, 0x07}}, 1, 3, 1},
        {"MBC1 8 KB refuses bank 2", 1, 0x2000, 1, {{0x4000, 0x02}}, 1, 1, 1},
        {"MBC2 ignores enable", 2, 0x2000, 0, {{0x0000, 0x00}}, 1, 1, 1},
        {"MBC2 bank nibble", 2, 0x2000, 0, {{0x2100, 0x1B}}, 0x0B, 1, 1},
        {"MBC2 bank 0x10 becomes 1", 2, 0x2000, 0, {{0x2000, 0x10}}, 1, 1, 1},
        {"MBC2 ignores upper range", 2, 0x8000, 0, {{0x4000, 0x02}, {0x6000, 0x01}}, 1, 1, 1},
        {"MBC3 bank 0x7F", 3, 0x2000, 0, {{0x2000, 0xFF}}, 0x7F, 1, 1},
        {"MBC3 bank 0x80 becomes 1", 3, 0x2000, 0, {{0x2000, 0x80}}, 1, 1, 1},
        {"MBC3 clock register 0x08 selects bank 1", 3, 0x8000, 0, {{0x4000, 0x08}}, 1, 1, 1},
        {"MBC3 0x0A selects bank 2", 3, 0x4000, 0, {{0x4000, 0x0A}}, 1, 2, 1},
        {"MBC3 0x0A refused on 8 KB", 3, 0x2000, 0, {{0x4000, 0x0A}}, 1, 1, 1},
        {"MBC5 bank 0 becomes 1", 5, 0x2000, 0, {{0x2000, 0x00}}, 1, 1, 1},
        {"MBC5 bank 0xFF", 5, 0x2000, 0, {{0x2FFF, 0xFF}}, 0xFF, 1, 1},
        {"MBC5 ninth bit ignored", 5, 0x2000, 0, {{0x2000, 0x42}, {0x3000, 0x01}}, 0x42, 1, 1},
        {"MBC5 mask 0x0F reaches bank 4", 5, 0x8000, 0, {{0x4000, 0x04}}, 1, 4, 1},
        {"MBC5 90 KB accepts 11", 5, 0x16000, 0, {{0x4000, 0x0B}}, 1, 11, 1},
        {"MBC5 90 KB refuses 12", 5, 0x16000, 0, {{0x4000, 0x0B}, {0x4000, 0x0C}}, 1, 11, 1},
        {"no controller ignores all",
         0,
         0x8000,
         0,
         {{0x0000, 0x00}, {0x2000, 0x05}, {0x4000, 0x02}},
         1,
         1,
         1},
        {"rumble type ignores all", 6, 0x8000, 0, {{0x0000, 0x00}, {0x2000, 0x05}}, 1, 1, 1},
        {"unknown type ignores all", 9, 0x8000, 0, {{0x2000, 0x05}}, 1, 1, 1},
    };
    for (const BankCase& c : cases) {
        installImage(std::vector<uint8_t>(0x8000), c.controller, c.cartRamSize);
        machine.bankingMode = c.startMode;
        for (const Write& w : c.writes) writeByte(w.value, w.address);
        EXPECT_EQ(machine.romBank, c.romBank) << c.name;
        EXPECT_EQ(machine.ramBank, c.ramBank) << c.name;
        EXPECT_EQ(machine.ramEnabled, c.ramEnabled) << c.name;
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
    machine.CartRam[0x2000] = 0x20;
    writeByte(0x01, 0x6000);
    writeByte(0x02, 0x4000);
    EXPECT_EQ(readByte(0xA000), 0x20);
    writeByte(0x99, 0xA001);
    EXPECT_EQ(machine.CartRam[0x2001], 0x99);
    writeByte(0x00, 0x4000);
    EXPECT_EQ(readByte(0xA000), 0x10);
}

TEST_F(BankControllerTest, BankingModeSurvivesResetAndRomNeverChanges) {
    std::vector<uint8_t> image(0x8000, 0x3C);
    installImage(image, 1);
    writeByte(0x01, 0x6000);
    cartridgeLoaded = 1;
    resetMachine();
    EXPECT_EQ(machine.bankingMode, 1);
    for (uint32_t a = 0; a < 0x8000; a += 0x0800) writeByte(0x00, static_cast<uint16_t>(a));
    EXPECT_EQ(readByte(0x0000), 0x3C);
    EXPECT_EQ(readByte(0x4000), 0x3C);
}

}  // namespace
