#include "core/bus.h"

#include <gtest/gtest.h>

#include <random>

#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

using BusTest = MachineTest;

struct JoypadCase {
    const char* name;
    uint8_t written;
    JoypadButtons pressed;
    uint8_t expected;
};

TEST_F(BusTest, JoypadSelectFoldsInPressedButtonsOfTheChosenGroup) {
    const JoypadButtons none{};
    const JoypadButtons rightDown{1, 0, 0, 1, 0, 0, 0, 0};
    const JoypadButtons aStart{0, 0, 0, 0, 1, 0, 0, 1};
    const JoypadButtons all{1, 1, 1, 1, 1, 1, 1, 1};
    const JoypadCase cases[] = {
        {"no group", 0x30, all, 0xFF},
        {"directions, none pressed", 0x20, none, 0xEF},
        {"directions, right and down", 0x20, rightDown, 0xEF - 8 - 1},
        {"directions ignore buttons", 0x20, aStart, 0xEF},
        {"buttons, A and Start", 0x10, aStart, 0xDF - 8 - 1},
        {"buttons ignore directions", 0x10, rightDown, 0xDF},
        {"buttons, all pressed", 0x10, all, 0xD0},
        {"both groups fold in nothing", 0x00, all, 0xCF},
        {"exactly 0x03", 0x03, all, 0xF0},
        {"0x13 is not 0x03", 0x13, all, 0xD0},
    };
    for (const JoypadCase& c : cases) {
        machine.joypad = c.pressed;
        writeByte(c.written, 0xFF00);
        EXPECT_EQ(readByte(0xFF00), c.expected) << c.name;
    }
}

TEST_F(BusTest, JoypadIsSampledOnlyAtTheWrite) {
    machine.joypad = {};
    writeByte(0x20, 0xFF00);
    machine.joypad.right = 1;
    EXPECT_EQ(readByte(0xFF00), 0xEF);
    writeByte(0x20, 0xFF00);
    EXPECT_EQ(readByte(0xFF00), 0xEE);
}

TEST_F(BusTest, RegistersWithWriteSideEffects) {
    writeByte(0x77, 0xFF04);
    EXPECT_EQ(readByte(0xFF04), 0x00) << "DIV";
    writeByte(0x77, 0xFF44);
    EXPECT_EQ(readByte(0xFF44), 0x00) << "LY";
    io(0xFF41) = 0x86;  // mode 2, LY = LYC
    writeByte(0x79, 0xFF41);
    EXPECT_EQ(readByte(0xFF41), 0x7E) << "STAT takes bits 3-7; mode and LY=LYC flag stay";
    for (uint16_t plain :
         {0xFF05, 0xFF07, 0xFF0F, 0xFF40, 0xFF47, 0xFF48, 0xFF49, 0xFF4D, 0xFFFF}) {
        writeByte(0xA5, plain);
        EXPECT_EQ(readByte(plain), 0xA5) << std::hex << plain;
    }
}

TEST_F(BusTest, OamDmaCopiesAPageIntoOam) {
    for (int i = 0; i < 160; ++i) writeByte(static_cast<uint8_t>(i ^ 0x5A), 0xC100 + i);
    writeByte(0xC1, 0xFF46);
    for (int i = 0; i < 160; ++i) ASSERT_EQ(readByte(0xFE00 + i), (i ^ 0x5A)) << i;
    EXPECT_EQ(readByte(0xFF46), 0xC1);
}

TEST_F(BusTest, OamDmaFromRomAndHighPage) {
    machine.RomBank0[0x0200] = 0x12;
    machine.RomBank0[0x029F] = 0x34;
    writeByte(0x02, 0xFF46);
    EXPECT_EQ(readByte(0xFE00), 0x12);
    EXPECT_EQ(readByte(0xFE9F), 0x34);
    writeByte(0x99, 0xFF80);
    writeByte(0xFF, 0xFF46);  // source 0xFF00-0xFF9F, which includes the DMA register itself
    EXPECT_EQ(readByte(0xFE80), 0x99);
}

TEST_F(BusTest, GeneralDmaOnColourCartridgeCopiesAndClearsLength) {
    machine.RomBank0[0x143] = 0x80;
    struct Case {
        uint8_t value;
        int bytes;
        uint8_t hdma5After;
    };
    for (const Case c : {Case{0x00, 16, 0x00}, Case{0x81, 32, 0x80}, Case{0x7F, 2048, 0x00}}) {
        for (int i = 0; i < 2048; ++i) writeByte(static_cast<uint8_t>(i * 7 + c.value), 0xC000 + i);
        for (int i = 0; i < 0x2000; ++i) machine.VideoRam[i] = 0;
        writeByte(0xC0, 0xFF51);
        writeByte(0x00, 0xFF52);
        writeByte(0x80, 0xFF53);
        writeByte(0x00, 0xFF54);
        writeByte(c.value, 0xFF55);
        for (int i = 0; i < c.bytes; ++i)
            ASSERT_EQ(machine.VideoRam[i], static_cast<uint8_t>(i * 7 + c.value)) << int(c.value);
        if (c.bytes < 0x2000) {
            EXPECT_EQ(machine.VideoRam[c.bytes], 0) << int(c.value);
        }
        EXPECT_EQ(readByte(0xFF55), c.hdma5After);
    }
}

TEST_F(BusTest, GeneralDmaLandsInTheSelectedVideoBankAndWraps) {
    machine.RomBank0[0x143] = 0xC0;
    writeByte(0x01, 0xFF4F);  // VBK bank 1
    writeByte(0xAB, 0xC000);
    writeByte(0xC0, 0xFF51);
    writeByte(0x00, 0xFF52);
    writeByte(0x80, 0xFF53);
    writeByte(0x10, 0xFF54);
    writeByte(0x00, 0xFF55);
    EXPECT_EQ(machine.VideoRam[0x2010], 0xAB);
    EXPECT_EQ(machine.VideoRam[0x0010], 0x00);
    // A destination running past 0xFFFF wraps to 0x0000, where writes reach the controller.
    writeByte(0xFF, 0xFF53);
    writeByte(0xF8, 0xFF54);
    writeByte(0x00, 0xFF55);
    EXPECT_EQ(readByte(0xFFFF), readByte(0xC007));
}

// A transfer whose destination covers the register page rewrites its own address
// registers and HDMA5. The copied HDMA5 byte must not start a nested transfer: this
// cartridge once restarted the copy from inside itself until the stack ran out.
TEST_F(BusTest, GeneralDmaOntoItsOwnRegistersDoesNotStartItselfAgain) {
    const sm83::AssemblyResult assembled = sm83::assemble(R"(
        header colour=0x80
        org 0x0100
        jp start
        org 0x0150
start:  ld hl,0xFF51
        ld a,high(regs)
        ld (hl+),a
        ld a,low(regs)
        ld (hl+),a
        ld a,0xFF
        ld (hl+),a
        ld a,0x51
        ld (hl+),a
        ld a,0x01           ; 32 bytes from regs to 0xFF51-0xFF70
        ld (hl),a
        ld a,(0xFF55)
        ld (0xC000),a
        stop
regs:   db high(regs), low(regs), 0xFF, 0x51, 0x83, 0xE1, 0xE2, 0xE3
        db 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB
        db 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3
        db 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB
    )");
    ASSERT_TRUE(assembled.ok) << assembled.error;
    installImage(assembled.image);
    for (int i = 0; i < 100 && !machine.stopped; ++i) stepMachine();
    ASSERT_EQ(machine.stopped, kWaitingForButton) << "the program did not reach STOP";
    // The copied 0x83 was dropped: HDMA5 keeps the running transfer's top bit only.
    EXPECT_EQ(readByte(0xC000), 0x00);
    // The transfer went on past the register it could not rewrite.
    EXPECT_EQ(readByte(0xFF56), 0xE1);
    EXPECT_EQ(readByte(0xFF70), 0xFB);
}

TEST_F(BusTest, MonochromeCartridgeOnlyStoresHdma5) {
    writeByte(0xAB, 0xC000);
    writeByte(0xC0, 0xFF51);
    writeByte(0x00, 0xFF52);
    writeByte(0x80, 0xFF53);
    writeByte(0x00, 0xFF54);
    writeByte(0x81, 0xFF55);
    EXPECT_EQ(readByte(0xFF55), 0x81);
    EXPECT_EQ(machine.VideoRam[0], 0x00);
}

TEST_F(BusTest, PaletteIndexAdvance) {
    struct Case {
        bool colour;
        uint16_t indexRegister, dataPort;
        uint8_t before, after;
    };
    const Case cases[] = {
        {true, 0xFF68, 0xFF69, 0xBF, 0x80},  {true, 0xFF68, 0xFF69, 0x85, 0x86},
        {true, 0xFF68, 0xFF69, 0x05, 0x05},  {false, 0xFF68, 0xFF69, 0x85, 0x85},
        {true, 0xFF6A, 0xFF6B, 0xFF, 0xC0},  {true, 0xFF6A, 0xFF6B, 0x80, 0x81},
        {false, 0xFF6A, 0xFF6B, 0x80, 0x80},
    };
    for (const Case& c : cases) {
        machine.RomBank0[0x143] = c.colour ? 0x80 : 0x00;
        writeByte(c.before, c.indexRegister);
        writeByte(0x3C, c.dataPort);
        EXPECT_EQ(readByte(c.indexRegister), c.after)
            << std::hex << c.indexRegister << " " << int(c.before);
        EXPECT_EQ(readByte(c.dataPort), 0x3C);
    }
}

TEST_F(BusTest, EchoAreaFollowsWorkRam) {
    writeByte(0x11, 0xC000);
    EXPECT_EQ(readByte(0xE000), 0x11);
    writeByte(0x22, 0xE123);
    EXPECT_EQ(readByte(0xC123), 0x22);
    writeByte(0x02, 0xFF70);
    writeByte(0x33, 0xD123);
    EXPECT_EQ(readByte(0xF123), 0x33);
    writeByte(0x03, 0xFF70);
    EXPECT_EQ(readByte(0xF123), 0x33) << "the echo keeps the last value written";
    EXPECT_EQ(readByte(0xD123), 0x00) << "bank 3 is another bank";
    writeByte(0x44, 0xF456);
    EXPECT_EQ(readByte(0xD456), 0x44) << "echo writes go to the selected bank";
}

TEST_F(BusTest, WorkRamAbove0xDE00DoesNotEchoOntoOamOrRegisters) {
    writeByte(0x91, 0xFF40);
    writeByte(0x55, 0xDE00);
    writeByte(0x66, 0xDF40);
    EXPECT_EQ(readByte(0xFE00), 0x00);
    EXPECT_EQ(readByte(0xFF40), 0x91);
    EXPECT_EQ(readByte(0xDE00), 0x55);
}

TEST_F(BusTest, WorkRamBanksZeroAndOneDiffer) {
    writeByte(0x00, 0xFF70);
    writeByte(0xA0, 0xD000);
    writeByte(0x01, 0xFF70);
    EXPECT_EQ(readByte(0xD000), 0x00);
    writeByte(0xA1, 0xD000);
    EXPECT_EQ(machine.WorkRamBanks[0x0000], 0xA0);
    EXPECT_EQ(machine.WorkRamBanks[0x1000], 0xA1);
    writeByte(0x00, 0xFF70);
    EXPECT_EQ(readByte(0xD000), 0xA0);
}

TEST_F(BusTest, WordAccessIsLittleEndianAndWraps) {
    machine.RomBank0[0x0000] = 0x12;
    writeByte(0x34, 0xFFFF);
    EXPECT_EQ(readWord(0xFFFF), 0x1234);
    writeWord(0xBEEF, 0xC010);
    EXPECT_EQ(readByte(0xC010), 0xEF);
    EXPECT_EQ(readByte(0xC011), 0xBE);
}

TEST_F(BusTest, DisabledCartridgeRamIsReadableButAWriteStopsTheCpu) {
    writeByte(0x5A, 0xA000);
    EXPECT_EQ(machine.stopped, 0);
    machine.ramEnabled = 0;
    EXPECT_EQ(readByte(0xA000), 0x5A);
    writeByte(0x77, 0xA000);
    EXPECT_EQ(readByte(0xA000), 0x5A);
    EXPECT_EQ(machine.stopped, kStoppedForGood);
}

// The cartridge's address lines stop at its size: a bank number beyond the image
// loses its high bits, as on the handheld.
TEST_F(BusTest, RomBankBeyondTheImageLosesItsHighBits) {
    std::vector<uint8_t> image(0x10000);  // four banks, each filled with its number
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i / 0x4000);
    installImage(image, 5);
    struct Case {
        uint8_t bank, shown;
    };
    for (const Case c :
         {Case{1, 1}, Case{3, 3}, Case{4, 0}, Case{6, 2}, Case{8, 0}, Case{255, 3}}) {
        writeByte(c.bank, 0x2000);
        EXPECT_EQ(readByte(0x4000), c.shown) << int(c.bank);
        EXPECT_EQ(readByte(0x7FFF), c.shown) << int(c.bank);
    }
    // A 32 KB image has one address line for the bank: odd numbers show bank 1.
    std::vector<uint8_t> small(0x8000, 0);
    small[0x4000] = 0xB1;
    installImage(small, 5);
    for (int bank = 0; bank < 256; ++bank) {
        writeByte(static_cast<uint8_t>(bank), 0x2000);
        ASSERT_EQ(readByte(0x4000), (bank & 1) ? 0xB1 : 0x00) << bank;
    }
}

// Whatever a program writes, the bus stays inside its buffers. Run under the
// sanitizers, any out-of-bounds index fails this test.
TEST_F(BusTest, RandomWritesNeverLeaveTheBuffers) {
    std::mt19937 random(1234);
    const uint8_t controllers[] = {0, 1, 2, 3, 5, 6};
    const uint32_t ramSizes[] = {0x2000, 0x8000, 0x16000};
    const uint32_t romSizes[] = {0x8000, 0x20000, 0x120000};
    for (uint8_t controller : controllers) {
        for (uint32_t ramSize : ramSizes) {
            for (uint32_t romSize : romSizes) {
                installImage(std::vector<uint8_t>(romSize, 0x5A), controller, ramSize);
                machine.RomBank0[0x143] = (random() & 1) ? 0x80 : 0x00;
                unsigned sum = 0;
                for (int i = 0; i < 20000; ++i) {
                    const uint16_t address = static_cast<uint16_t>(random());
                    const uint8_t value = static_cast<uint8_t>(random());
                    // Favour the controller and banking registers.
                    if (i % 3 == 0) {
                        writeByte(value, static_cast<uint16_t>(address & 0x7FFF));
                    } else if (i % 3 == 1) {
                        const uint16_t reg[] = {0xFF4F, 0xFF70, 0xFF46, 0xFF55, 0xFF51,
                                                0xFF53, 0xFF69, 0xFF6B, 0xFF00};
                        writeByte(value, reg[random() % 9]);
                    } else {
                        writeByte(value, address);
                    }
                    machine.ramEnabled = 1;  // keep RAM writes exercising the index
                    sum += readByte(static_cast<uint16_t>(random()));
                    sum += readWord(static_cast<uint16_t>(random()));
                }
                EXPECT_LE(machine.romBankOffset + 0x4000u, machine.romSize);
                EXPECT_LE(machine.ramBankOffset + 0x2000u, machine.cartRamSize);
                (void)sum;
            }
        }
    }
}

}  // namespace
