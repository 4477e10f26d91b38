// Colour cartridges on the colour handheld, each shown by a small assembled program
// run through stepMachine: palette memory through the auto-incrementing ports, the
// speed switch against the LCD and the timer, and the horizontal-blank transfer to
// video RAM.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/bus.h"
#include "core/io_registers.h"
#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

class ColourTest : public MachineTest {
protected:
    // Assembles and installs a program, then steps until it reaches STOP (or the limit)
    // and returns the steps taken. onStep, when given, runs after every step.
    template <typename OnStep>
    long runProgram(const std::string& source, long maxSteps, OnStep onStep) {
        const sm83::AssemblyResult assembled = sm83::assemble(source);
        if (!assembled.ok) {
            ADD_FAILURE() << "assembly failed: " << assembled.error;
            return -1;
        }
        installImage(assembled.image);
        long steps = 0;
        while (steps < maxSteps && stepMachine()) {
            ++steps;
            onStep();
        }
        EXPECT_EQ(machine.stopped, kWaitingForButton)
            << "the program did not reach STOP in " << maxSteps << " steps; PC=" << machine.cpu.PC;
        return steps;
    }
    long runProgram(const std::string& source, long maxSteps = 200'000) {
        return runProgram(source, maxSteps, [] {});
    }
};

TEST_F(ColourTest, PalettesThroughTheAutoIncrementingPorts) {
    runProgram(R"(
        header colour=0x80
        org 0x0100
        jp start
        org 0x0150
start:  ld a,0xBE           ; background index 0x3E, moving on after each write
        ldh (0x68),a
        ld a,0x11
        ldh (0x69),a
        ld a,0x22
        ldh (0x69),a
        ld a,0x33           ; the index wraps from 0x3F to 0x00
        ldh (0x69),a
        ldh a,(0x68)
        ld (0xC000),a
        ld a,0x3F           ; index 0x3F, standing still
        ldh (0x68),a
        ldh a,(0x69)
        ld (0xC001),a
        ldh a,(0x69)
        ld (0xC002),a
        ld a,0x01
        ldh (0x68),a
        ldh a,(0x69)
        ld (0xC003),a
        ld a,0x82           ; sprite index 2, moving on
        ldh (0x6A),a
        ld a,0xE0
        ldh (0x6B),a
        ld a,0x03
        ldh (0x6B),a
        ld a,0x02
        ldh (0x6A),a
        ldh a,(0x6B)
        ld (0xC004),a
        stop
    )");
    EXPECT_EQ(machine.backgroundPalettes[0x3E], 0x11);
    EXPECT_EQ(machine.backgroundPalettes[0x3F], 0x22);
    EXPECT_EQ(machine.backgroundPalettes[0x00], 0x33);
    EXPECT_EQ(readByte(0xC000), 0x81) << "index after the wrap, bit 7 kept";
    EXPECT_EQ(readByte(0xC001), 0x22) << "the port reads the byte at the index";
    EXPECT_EQ(readByte(0xC002), 0x22) << "a read does not move the index";
    EXPECT_EQ(readByte(0xC003), 0xFF) << "background colours start white";
    EXPECT_EQ(machine.spritePalettes[2], 0xE0);
    EXPECT_EQ(machine.spritePalettes[3], 0x03);
    EXPECT_EQ(readByte(0xC004), 0xE0);
    EXPECT_EQ(machine.backgroundPalettes[0x01], 0xFF) << "no write went astray";
}

// The program counts TIMA over one frame of the LCD at normal speed, at double speed
// and at normal speed again. At double speed the timer counts twice as fast against the
// LCD, a frame takes twice the steps, and stepCount still moves on by 7088 a frame.
TEST_F(ColourTest, SpeedSwitchDoublesTheTimerAgainstTheLcd) {
    // Where each frame starts (LY wraps to 0): steps taken, stepCount, and how many
    // speed switches came before.
    struct FrameStart {
        long steps;
        uint64_t stepCount;
        int switches;
    };
    std::vector<FrameStart> frames;
    long steps = 0;
    int switches = 0;
    uint8_t speed = 0;
    uint8_t lastLy = 0;
    runProgram(
        R"(
        header colour=0x80
        org 0x0100
        jp start
        org 0x0150
start:  ld a,0x04           ; timer on, 1024 cycles a count
        ldh (0x07),a
        call countFrame
        ld (0xC000),a
        ldh a,(0x4D)
        ld (0xC010),a
        ld a,0x01           ; arm the switch
        ldh (0x4D),a
        ldh a,(0x4D)
        ld (0xC011),a
        stop
        ldh a,(0x4D)
        ld (0xC012),a
        call countFrame
        ld (0xC001),a
        ld a,0x01
        ldh (0x4D),a
        stop                ; and back
        ldh a,(0x4D)
        ld (0xC013),a
        call countFrame
        ld (0xC002),a
        stop                ; nothing armed: waits for a button
; TIMA counts from the start of line 144 to the start of line 144 a frame later.
countFrame:
.away:  ldh a,(0x44)
        cp 144
        jr z,.away
.to:    ldh a,(0x44)
        cp 144
        jr nz,.to
        xor a
        ldh (0x05),a
.leave: ldh a,(0x44)
        cp 144
        jr z,.leave
.back:  ldh a,(0x44)
        cp 144
        jr nz,.back
        ldh a,(0x05)
        ret
    )",
        200'000, [&] {
            ++steps;
            if (machine.doubleSpeed != speed) ++switches;
            speed = machine.doubleSpeed;
            const uint8_t ly = machine.HighPage[reg::LY];
            if (ly == 0 && lastLy == 153) frames.push_back({steps, machine.stepCount, switches});
            lastLy = ly;
        });
    int wholeFrames[2] = {};  // at normal and at double speed
    for (size_t i = 1; i < frames.size(); ++i) {
        if (frames[i].switches != frames[i - 1].switches) continue;
        const int doubleSpeed = frames[i].switches % 2;
        EXPECT_EQ(frames[i].steps - frames[i - 1].steps, doubleSpeed ? 14176 : 7088) << i;
        EXPECT_EQ(frames[i].stepCount - frames[i - 1].stepCount, 7088u) << i;
        ++wholeFrames[doubleSpeed];
    }
    EXPECT_GE(wholeFrames[0], 1);
    EXPECT_GE(wholeFrames[1], 1);
    // 70224 cycles a frame at 1024 cycles a count: 68.6 counts, twice that at double speed.
    EXPECT_GE(readByte(0xC000), 68);
    EXPECT_LE(readByte(0xC000), 69);
    EXPECT_GE(readByte(0xC001), 136);
    EXPECT_LE(readByte(0xC001), 138);
    EXPECT_GE(readByte(0xC002), 68);
    EXPECT_LE(readByte(0xC002), 69);
    EXPECT_EQ(readByte(0xC010), 0x7E) << "KEY1 at normal speed";
    EXPECT_EQ(readByte(0xC011), 0x7F) << "KEY1 armed";
    EXPECT_EQ(readByte(0xC012), 0xFE) << "KEY1 at double speed, no longer armed";
    EXPECT_EQ(readByte(0xC013), 0x7E) << "KEY1 back at normal speed";
    EXPECT_EQ(machine.doubleSpeed, 0);
}

// A transfer of 3 blocks copies one at the end of each visible line's transfer; the
// program samples HDMA5 at each new line. A second transfer, with the addresses going
// on where the first ended, is stopped after one block; a third, with the LCD off,
// copies its first block at once.
TEST_F(ColourTest, HblankTransferCopiesOneBlockALine) {
    std::string tiles = "tiles:  db ";
    for (int i = 0; i < 80; ++i) {
        if (i) tiles += ", ";
        tiles += std::to_string(i + 1);
    }
    runProgram(R"(
        header colour=0x80
        org 0x0100
        jp start
        org 0x0150
start:  ld a,0x01
        ldh (0x4F),a        ; video RAM bank 1
        ld a,high(tiles)
        ldh (0x51),a
        ld a,low(tiles)
        ldh (0x52),a
        ld a,0x88
        ldh (0x53),a
        ld a,0x0F           ; bits 0-3 are dropped: 0x8800
        ldh (0x54),a
        ld b,10
        call toLine
        ld a,0x82           ; 3 blocks
        ldh (0x55),a
        ld hl,0xC000
        call sample
        call sample
        call sample
        call sample
        ld b,20
        call toLine
        ld a,0x83           ; 4 blocks, from tiles + 48 to 0x8830
        ldh (0x55),a
        call sample
        xor a               ; stop it
        ldh (0x55),a
        call sample
        call sample
        xor a
        ldh (0x40),a        ; LCD off
        ld a,0x81           ; 2 blocks, from tiles + 64 to 0x8840
        ldh (0x55),a
        call sample
        stop
; Waits for LY to become b.
toLine: ldh a,(0x44)
        cp b
        jr nz,toLine
        ret
; Waits for the next line (not with the LCD off) and stores HDMA5 at (hl+).
sample: ldh a,(0x40)
        bit 7,a
        jr z,.read
        ldh a,(0x44)
        ld c,a
.wait:  ldh a,(0x44)
        cp c
        jr z,.wait
.read:  ldh a,(0x55)
        ld (hl+),a
        ret
        align 16            ; a block starts on 16 bytes
)" + tiles);
    const uint8_t expected[] = {0x01, 0x00, 0xFF, 0xFF, 0x02, 0x82, 0x82, 0x00};
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC000 + i)), expected[i]) << "sample " << i;
    // Blocks 1-3, then the one block of the stopped transfer and the first of the last.
    for (int i = 0; i < 80; ++i) {
        EXPECT_EQ(machine.VideoRam[0x2800 + i], i + 1) << i;
        EXPECT_EQ(machine.VideoRam[0x0800 + i], 0) << "bank 0 " << i;
    }
    EXPECT_EQ(machine.VideoRam[0x2850], 0) << "nothing past the last block";
}

// A program that halts at double speed, woken by the VBlank and the timer: skipping
// the idle steps in bulk leaves the machine as stepping them one by one, stepCount and
// the LCD's step counter included.
TEST_F(ColourTest, SkippingIdleStepsAtDoubleSpeedMatchesStepping) {
    const sm83::AssemblyResult assembled = sm83::assemble(R"(
        header colour=0x80
        org 0x0040
        push af
        ldh a,(0x80)
        inc a
        ldh (0x80),a
        pop af
        reti
        org 0x0050
        push af
        ldh a,(0x81)
        inc a
        ldh (0x81),a
        pop af
        reti
        org 0x0100
        jp start
        org 0x0150
start:  ld a,0x01
        ldh (0x4D),a
        stop                ; to double speed
        ld a,0xF0
        ldh (0x06),a        ; TMA
        ld a,0x06           ; timer on, 64 cycles a count
        ldh (0x07),a
        ld a,0x05           ; VBlank and timer
        ldh (0xFF),a
        xor a
        ldh (0x0F),a
        ei
.wait:  halt
        jr .wait
    )");
    ASSERT_TRUE(assembled.ok) << assembled.error;

    struct State {
        CpuRegisters cpu;
        uint8_t flags[6];  // halted, stopped, doubleSpeed, LCD step counter, parity, ime
        uint8_t io[7];     // LY, STAT, IF, DIV, TIMA, the two interrupt counts
        uint32_t timerPhase;
        uint64_t stepsOfTime;  // stepCount since the start
        bool operator==(const State& o) const {
            return std::memcmp(&cpu, &o.cpu, sizeof cpu) == 0 &&
                   std::memcmp(flags, o.flags, sizeof flags) == 0 &&
                   std::memcmp(io, o.io, sizeof io) == 0 && timerPhase == o.timerPhase &&
                   stepsOfTime == o.stepsOfTime;
        }
    };
    uint64_t startCount = 0;
    const auto start = [&] {
        installImage(assembled.image);
        machine.lcdTickCounter = 0;  // reset keeps it; both runs start alike
        startCount = machine.stepCount;
    };
    const auto take = [&] {
        const uint8_t* h = machine.HighPage.data();
        return State{machine.cpu,
                     {machine.halted, machine.stopped, machine.doubleSpeed, machine.lcdTickCounter,
                      machine.stepCountParity, machine.ime},
                     {h[reg::LY], h[reg::STAT], h[reg::IF], h[reg::DIV], h[reg::TIMA],
                      h[ioIndex(0xFF80)], h[ioIndex(0xFF81)]},
                     machine.timerPhase,
                     machine.stepCount - startCount};
    };

    constexpr int kSteps = 3 * 14176;  // three frames at double speed
    start();
    std::vector<State> reference;
    reference.reserve(kSteps);
    for (int i = 0; i < kSteps; ++i) {
        stepMachine();
        reference.push_back(take());
    }
    ASSERT_EQ(machine.doubleSpeed, 1);
    EXPECT_GE(reference.back().io[5], 2) << "VBlank interrupts";
    // Four steps at normal speed (jp, ld, ldh, stop), then every second step.
    EXPECT_EQ(reference.back().stepsOfTime, 4u + (kSteps - 4) / 2);

    start();
    int done = 0;
    int skipped = 0;
    uint32_t request = 1;
    while (done < kSteps) {
        request = (request * 7 + 3) % 80;  // sizes from 0 to beyond a tick
        const uint32_t n = skipIdleSteps(std::min<uint32_t>(request, kSteps - done));
        done += static_cast<int>(n);
        skipped += static_cast<int>(n);
        if (n > 0) {
            ASSERT_TRUE(take() == reference[done - 1]) << "after skipping to step " << done;
        }
        if (done == kSteps) break;
        stepMachine();
        ++done;
        ASSERT_TRUE(take() == reference[done - 1]) << "after step " << done;
    }
    EXPECT_GT(skipped, kSteps / 2) << "a halting program should mostly be skipped";
}

}  // namespace
