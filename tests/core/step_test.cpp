#include "core/step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/bus.h"
#include "core/io_registers.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

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
    machine.cartridgeLoaded = 0;
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

namespace {

// Everything a step can change, for comparing two ways of running the same steps.
struct MachineSnapshot {
    CpuRegisters cpu;
    uint8_t ime, halted, stopped, lcdTickCounter;
    uint32_t timerPhase;
    std::vector<uint8_t> highPage;

    static MachineSnapshot take() {
        return {machine.cpu,
                machine.ime,
                machine.halted,
                machine.stopped,
                machine.lcdTickCounter,
                machine.timerPhase,
                std::vector<uint8_t>(machine.HighPage.data(), machine.HighPage.data() + kHighPageSize)};
    }
    bool operator==(const MachineSnapshot& o) const {
        return std::memcmp(&cpu, &o.cpu, sizeof cpu) == 0 && ime == o.ime && halted == o.halted &&
               stopped == o.stopped && lcdTickCounter == o.lcdTickCounter &&
               timerPhase == o.timerPhase && highPage == o.highPage;
    }
};

// A program that halts for its interrupts: VBlank and LY=LYC handlers that count,
// a main loop that halts; then STOP once the counter reaches a value, and later the
// LCD switched off from the STAT handler.
std::vector<uint8_t> haltingProgram() {
    std::vector<uint8_t> image(0x8000, 0x00);
    const uint8_t vblank[] = {0x3C, 0xE0, 0x90, 0xD9};           // inc a; ldh ($90),a; reti
    const uint8_t stat[] = {0x04, 0x78, 0xFE, 0x05, 0x20, 0x04,  // inc b; ld a,b; cp 5; jr nz,+4
                            0xAF, 0xE0, 0x40, 0x00,              // xor a; ldh ($40),a; nop
                            0xD9};                               // reti
    const uint8_t main[] = {0x3E, 0x03, 0xE0, 0xFF,              // ld a,3; ldh ($FF),a (IE)
                            0x3E, 0x40, 0xE0, 0x41,  // ld a,$40; ldh ($41),a (STAT: LY=LYC)
                            0x3E, 0x20, 0xE0, 0x45,  // ld a,$20; ldh ($45),a (LYC)
                            0xFB,                    // ei
                            0x76, 0x00,              // loop: halt; nop
                            0x18, 0xFC};             // jr loop
    std::copy(std::begin(vblank), std::end(vblank), image.begin() + 0x40);
    std::copy(std::begin(stat), std::end(stat), image.begin() + 0x48);
    std::copy(std::begin(main), std::end(main), image.begin() + 0x100);
    return image;
}

// With the LCD off only the timer ends the halts: twenty interrupts at 16 cycles a
// count and an overflow every 16 counts, then on at the slowest rate.
std::vector<uint8_t> timerHaltingProgram() {
    const sm83::AssemblyResult assembled = sm83::assemble(R"(
        org 0x0050
        push af
        ldh a,(0x80)
        inc a
        ldh (0x80),a
        cp 20
        jr nz,.done
        ld a,0x04
        ldh (0x07),a        ; TAC: 1024 cycles a count from now on
.done:  pop af
        reti
        org 0x0100
        jp start
        org 0x0150
start:  xor a
        ldh (0x40),a        ; LCD off
        ldh (0x80),a
        ldh (0x0F),a
        ld a,0xF0
        ldh (0x06),a        ; TMA
        ld a,0x04
        ldh (0xFF),a        ; IE: timer only
        ld a,0x05
        ldh (0x07),a        ; TAC: 16 cycles a count
        ei
.wait:  halt
        jr .wait
    )");
    EXPECT_TRUE(assembled.ok) << assembled.error;
    return assembled.image;
}

// Runs the image kSteps steps one by one, then again with skipIdleSteps wherever it
// takes steps, and compares the whole machine after every step and every skip.
void expectSkippingMatchesStepping(const std::vector<uint8_t>& image, int kSteps) {
    installImage(image);
    machine.lcdTickCounter = 0;  // reset keeps the counter; both runs start alike
    std::vector<MachineSnapshot> reference;
    for (int i = 0; i < kSteps; ++i) {
        stepMachine();
        reference.push_back(MachineSnapshot::take());
    }
    ASSERT_EQ(machine.HighPage[reg::LCDC] & 0x80, 0) << "the program should end with the LCD off";

    installImage(image);
    machine.lcdTickCounter = 0;
    int done = 0;
    int skippedTotal = 0;
    uint32_t request = 1;
    while (done < kSteps) {
        // Vary the size of the requests, including 0 and beyond a tick.
        request = (request * 7 + 3) % 40;
        const uint32_t skipped = skipIdleSteps(std::min<uint32_t>(request, kSteps - done));
        ASSERT_LE(skipped, request);
        done += static_cast<int>(skipped);
        skippedTotal += static_cast<int>(skipped);
        if (skipped > 0) {
            ASSERT_TRUE(MachineSnapshot::take() == reference[done - 1])
                << "after skipping to step " << done;
        }
        if (done == kSteps) break;
        stepMachine();
        ++done;
        ASSERT_TRUE(MachineSnapshot::take() == reference[done - 1]) << "after step " << done;
    }
    EXPECT_GT(skippedTotal, kSteps / 2) << "a halting program should mostly be skipped";
}

}  // namespace

TEST(IdleStepsTest, SkippingGivesTheSameMachineAsSteppingOneByOne) {
    // Three frames; the LCD goes off in the third.
    expectSkippingMatchesStepping(haltingProgram(), 3 * 443 * 16);
    freeMachineBuffers();
}

TEST(IdleStepsTest, SkippingStopsWhereTheTimerOverflows) {
    expectSkippingMatchesStepping(timerHaltingProgram(), 3 * 443 * 16);
    EXPECT_GT(machine.HighPage[0x1F80], 20) << "the slow rate should have interrupted too";
    freeMachineBuffers();
}

TEST(IdleStepsTest, NothingIsSkippedWhileTheCpuRunsOrAnInterruptWaits) {
    installImage(std::vector<uint8_t>(0x8000, 0x00));
    EXPECT_EQ(skipIdleSteps(100), 0u) << "running";
    machine.halted = 1;
    machine.ime = 1;
    machine.HighPage[0x1FFF] = 0x01;
    machine.HighPage[0x1F0F] = 0x01;
    EXPECT_EQ(skipIdleSteps(100), 0u) << "VBlank pending";
    machine.HighPage[0x1FFF] = 0x10;
    machine.HighPage[0x1F0F] = 0x10;
    EXPECT_EQ(skipIdleSteps(100), 0u) << "joypad pending";
    machine.HighPage[0x1FFF] = 0x01;
    machine.HighPage[0x1F0F] = 0x02;
    machine.lcdTickCounter = 3;
    EXPECT_EQ(skipIdleSteps(100), 12u) << "up to the step before the tick";
    machine.HighPage[0x1F40] = 0x00;
    const uint8_t div = machine.HighPage[0x1F04];
    EXPECT_EQ(skipIdleSteps(100), 100u) << "LCD off: only DIV moves";
    EXPECT_EQ(machine.HighPage[0x1F04], static_cast<uint8_t>(div - 100));
    machine.cartridgeLoaded = 0;
    EXPECT_EQ(skipIdleSteps(100), 0u) << "no cartridge";
    freeMachineBuffers();
}
