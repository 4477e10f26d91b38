#include "core/step.h"

#include <gtest/gtest.h>

#include "core/bus.h"
#include "machine_fixture.h"

namespace {

class StepTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        io(0xFF0F) = 0;
        machine.lcdTickCounter = 0;
    }
};

struct DispatchCase {
    const char* name;
    uint8_t ime, ie, ifFlags;
    uint16_t pcAfter;
    uint8_t ifAfter, imeAfter;
};

TEST_F(StepTest, DispatchTakesTheLowestEnabledRequestedBit) {
    const DispatchCase cases[] = {
        {"VBlank before STAT", 1, 0x03, 0x03, 0x0040, 0x02, 0},
        {"STAT", 1, 0x02, 0x03, 0x0048, 0x01, 0},
        {"timer requested by the program", 1, 0x04, 0x04, 0x0050, 0x00, 0},
        {"serial", 1, 0x1F, 0x08, 0x0058, 0x00, 0},
        {"joypad", 1, 0x10, 0x10, 0x0060, 0x00, 0},
        {"IE zero", 1, 0x00, 0x1F, 0x0201, 0x1F, 1},
        {"ime clear", 0, 0x01, 0x01, 0x0201, 0x01, 0},
        {"bits 5-7 ignored", 1, 0xE0, 0xE0, 0x0201, 0xE0, 1},
    };
    for (const DispatchCase& c : cases) {
        installImage(std::vector<uint8_t>(0x8000, 0x00));  // all NOPs
        machine.lcdTickCounter = 0;
        machine.cpu.PC = 0x0200;
        machine.cpu.SP = 0xFFFE;
        machine.ime = c.ime;
        io(0xFFFF) = c.ie;
        io(0xFF0F) = c.ifFlags;
        EXPECT_TRUE(stepMachine()) << c.name;
        EXPECT_EQ(machine.cpu.PC, c.pcAfter) << c.name;
        EXPECT_EQ(io(0xFF0F), c.ifAfter) << c.name;
        EXPECT_EQ(machine.ime, c.imeAfter) << c.name;
        if (c.pcAfter < 0x100) {
            EXPECT_EQ(machine.cpu.SP, 0xFFFC) << c.name;
            EXPECT_EQ(readWord(0xFFFC), 0x0201) << c.name << ": address after the NOP";
        }
    }
}

TEST_F(StepTest, HaltedCpuPushesTheAddressAfterTheHalt) {
    machine.cpu.PC = 0x0150;
    machine.cpu.SP = 0xFFFE;
    machine.halted = 1;
    machine.ime = 1;
    io(0xFFFF) = 0x01;
    EXPECT_TRUE(stepMachine());
    EXPECT_EQ(machine.cpu.PC, 0x0150) << "halted: nothing runs, nothing pending";
    io(0xFF0F) = 0x01;
    EXPECT_TRUE(stepMachine());
    EXPECT_EQ(machine.halted, 0);
    EXPECT_EQ(machine.cpu.PC, 0x0040);
    EXPECT_EQ(machine.cpu.SP, 0xFFFC);
    EXPECT_EQ(readByte(0xFFFC), 0x51);
    EXPECT_EQ(readByte(0xFFFD), 0x01);
}

TEST_F(StepTest, HaltWaitsForTheVBlankOfTheLcd) {
    std::vector<uint8_t> image(0x8000, 0x00);
    image[0x0100] = 0xFB;  // EI
    image[0x0101] = 0x76;  // HALT
    installImage(image);
    io(0xFF0F) = 0;
    io(0xFFFF) = 0x01;
    int steps = 0;
    while (machine.cpu.PC != 0x0040 && steps < 20000) {
        stepMachine();
        ++steps;
    }
    EXPECT_EQ(machine.cpu.PC, 0x0040);
    EXPECT_EQ(io(0xFF44), 0) << "dispatched in the step that wrapped LY";
    EXPECT_EQ(readWord(machine.cpu.SP), 0x0102);
}

TEST_F(StepTest, NothingHappensWithoutACartridge) {
    cartridgeLoaded = 0;
    const uint8_t div = io(0xFF04);
    const uint16_t pc = machine.cpu.PC;
    EXPECT_FALSE(stepMachine());
    EXPECT_EQ(io(0xFF04), div);
    EXPECT_EQ(machine.cpu.PC, pc);
}

TEST_F(StepTest, StoppedCpuKeepsTheLcdRunning) {
    std::vector<uint8_t> image(0x8000, 0x00);
    image[0x0100] = 0x10;  // STOP
    installImage(image);
    EXPECT_FALSE(stepMachine());
    EXPECT_EQ(machine.cpu.PC, 0x0102);
    const uint8_t ly = io(0xFF44);
    for (int i = 0; i < 16 * 3 * 4; ++i) EXPECT_FALSE(stepMachine());
    EXPECT_NE(io(0xFF44), ly);
    EXPECT_EQ(machine.cpu.PC, 0x0102);
    // A pending interrupt is still dispatched, but nothing executes after it.
    machine.ime = 1;
    io(0xFFFF) = 0x04;
    io(0xFF0F) = 0x04;
    stepMachine();
    EXPECT_EQ(machine.cpu.PC, 0x0050);
    stepMachine();
    EXPECT_EQ(machine.cpu.PC, 0x0050);
}

TEST_F(StepTest, EiDispatchesAPendingInterruptInTheSameStep) {
    std::vector<uint8_t> image(0x8000, 0x00);
    image[0x0100] = 0xFB;  // EI
    installImage(image);
    io(0xFFFF) = 0x04;
    io(0xFF0F) = 0x04;
    stepMachine();
    EXPECT_EQ(machine.cpu.PC, 0x0050);
    EXPECT_EQ(readWord(machine.cpu.SP), 0x0101);
}

}  // namespace
