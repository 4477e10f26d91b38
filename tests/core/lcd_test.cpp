#include "core/lcd.h"

#include <gtest/gtest.h>

#include <string>

#include "core/bus.h"
#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

class LcdTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        machine.lcdTickCounter = 0;
        io(0xFF0F) = 0;
    }
    void tick() {
        for (int i = 0; i < kStepsPerLcdTick; ++i) advanceLcd();
    }
    uint8_t ly() { return io(0xFF44); }
    uint8_t mode() { return io(0xFF41) & 3; }
};

TEST_F(LcdTest, LyMovesOnlyOnTheSixteenthStep) {
    for (int i = 0; i < 15; ++i) {
        advanceLcd();
        ASSERT_EQ(ly(), 5);
        ASSERT_EQ(mode(), 0);
    }
    advanceLcd();
    EXPECT_EQ(ly(), 6);
    EXPECT_EQ(mode(), 2);
}

TEST_F(LcdTest, AFrameIs443TicksWithVBlankAtTheWrap) {
    // Run to the start of line 0 (mode 1 after the wrap).
    int guard = 0;
    while (!(ly() == 0 && mode() == 1) && ++guard < 10000) tick();
    ASSERT_LT(guard, 10000);
    io(0xFF0F) = 0;
    int ticks = 0;
    int vblanks = 0;
    int ticksOnLine[154] = {};
    do {
        ++ticksOnLine[ly()];
        tick();
        ++ticks;
        if (io(0xFF0F) & 1) {
            ++vblanks;
            io(0xFF0F) = 0;
        }
    } while (!(ly() == 0 && mode() == 1));
    EXPECT_EQ(ticks, 443);
    EXPECT_EQ(vblanks, 1);
    EXPECT_EQ(ticksOnLine[0], 4);
    for (int line = 1; line < 144; ++line) ASSERT_EQ(ticksOnLine[line], 3) << line;
    for (int line = 144; line < 154; ++line) ASSERT_EQ(ticksOnLine[line], 1) << line;
}

TEST_F(LcdTest, FromLine143ToTheWrap) {
    io(0xFF44) = 143;
    io(0xFF41) = 0x80;  // mode 0
    tick();
    EXPECT_EQ(ly(), 144);
    EXPECT_EQ(mode(), 2);
    for (int i = 0; i < 9; ++i) tick();
    EXPECT_EQ(ly(), 153);
    EXPECT_EQ(io(0xFF0F) & 1, 0) << "no VBlank on entering line 144";
    tick();
    EXPECT_EQ(ly(), 0);
    EXPECT_EQ(io(0xFF0F) & 1, 1);
    EXPECT_EQ(mode(), 1);
    tick();
    EXPECT_EQ(ly(), 0);
    EXPECT_EQ(mode(), 2);
}

// Counts STAT requests over one whole frame for each source bit.
TEST_F(LcdTest, StatRequestsPerSourceBit) {
    struct Case {
        const char* name;
        uint8_t statBits;
        uint8_t lyc;
        int requests;
    };
    const Case cases[] = {
        {"leaving mode 0", 0x08, 0, 144},
        {"leaving mode 2", 0x20, 0, 144},
        {"at the wrap", 0x10, 0, 1},
        {"LY == LYC 10", 0x40, 10, 3},
        {"LY == LYC 0", 0x40, 0, 4},
        {"LY == LYC 150", 0x40, 150, 1},
        {"none", 0x00, 10, 0},
    };
    for (const Case& c : cases) {
        io(0xFF44) = 0;
        io(0xFF41) = static_cast<uint8_t>(c.statBits | 1);  // start of line 0, mode 1
        io(0xFF45) = c.lyc;
        machine.lcdTickCounter = 0;
        int requests = 0;
        for (int t = 0; t < 443; ++t) {
            io(0xFF0F) = 0;
            tick();
            if (io(0xFF0F) & 2) ++requests;
        }
        EXPECT_EQ(requests, c.requests) << c.name;
        EXPECT_EQ(ly(), 0) << c.name;
        EXPECT_EQ(mode(), 1) << c.name;
    }
}

TEST_F(LcdTest, LcdOffFreezesLyButDivStillCounts) {
    io(0xFF40) = 0x11;
    io(0xFF04) = 0x10;
    for (int i = 0; i < 1000; ++i) stepMachine();
    EXPECT_EQ(ly(), 5);
    EXPECT_EQ(io(0xFF04), static_cast<uint8_t>(0x10 - 1000));
    EXPECT_EQ(machine.lcdTickCounter, 0);
}

TEST_F(LcdTest, DivCountsDownFromAWrite) {
    writeByte(0x12, 0xFF04);
    stepMachine();
    EXPECT_EQ(io(0xFF04), 0xFF);
}

TEST_F(LcdTest, StatWriteLeavesTheModeToTheLcd) {
    io(0xFF41) = 0x83;  // mode 3
    writeByte(0x00, 0xFF41);
    EXPECT_EQ(mode(), 3);
    tick();
    EXPECT_EQ(ly(), 5) << "mode 3 ends in mode 0 on the same line";
    EXPECT_EQ(mode(), 0);
}

// Runs an assembled cartridge until STOP or the step limit; true when it stopped.
bool runUntilStop(const std::string& source, long maxSteps) {
    const sm83::AssemblyResult assembled = sm83::assemble(source);
    EXPECT_TRUE(assembled.ok) << assembled.error;
    if (!assembled.ok) return false;
    installImage(assembled.image);
    for (long i = 0; i < maxSteps; ++i) {
        if (!stepMachine()) return true;
    }
    return false;
}

// The "wait until video RAM is free" loop of the common homebrew libraries, right
// after switching the LCD off in mode 3: the mode must read 0 or the loop never ends.
TEST_F(LcdTest, SwitchingOffEndsTheVideoRamWaitAndRestartsAtLine0) {
    ASSERT_TRUE(runUntilStop(R"(
        org 0x0100
        jp start
        org 0x0150
start:  ld a,100
        ldh (0x45),a        ; LYC: a line the LCD never reaches before switching off
.busy:  ldh a,(0x41)        ; wait for mode 3
        and 3
        cp 3
        jr nz,.busy
        xor a
        ldh (0x40),a        ; LCD off in the middle of a line
.free:  ldh a,(0x41)
        and 2
        jr nz,.free
        ldh a,(0x41)
        ldh (0x80),a
        ldh a,(0x44)
        ldh (0x81),a
        ld a,0x91
        ldh (0x40),a        ; LCD on again
        stop
    )",
                             20000));
    EXPECT_EQ(io(0xFF80) & 3, 0) << "mode read after switching off";
    EXPECT_EQ(io(0xFF81), 0) << "LY read after switching off";
    // Switched on again, timing starts from line 0: its one mode-0 tick, then line 1.
    EXPECT_EQ(ly(), 0);
    int steps = 0;
    while (ly() == 0 && steps < 100) {
        stepMachine();
        ++steps;
    }
    EXPECT_EQ(ly(), 1);
    EXPECT_EQ(mode(), 2);
    EXPECT_LE(steps, kStepsPerLcdTick);
}

// A program that asks for the LY=LYC interrupt alone must get exactly that one, on
// the three ticks of line 32, frame after frame: the wrap to line 0 keeps the
// interrupt sources it was given.
TEST_F(LcdTest, StatInterruptSourcesSurviveTheFrameWrap) {
    ASSERT_TRUE(runUntilStop(R"(
        org 0x0048
        push af
        ldh a,(0x81)
        inc a
        ldh (0x81),a
        pop af
        reti
        org 0x0100
        jp start
        org 0x0150
start:  ld sp,0xFFFE
        ld a,0x40
        ldh (0x41),a        ; STAT: interrupt while LY = LYC
        ld a,32
        ldh (0x45),a        ; LYC
        xor a
        ldh (0x81),a
        ldh (0x0F),a
        ld a,0x02
        ldh (0xFF),a        ; IE: STAT only
        ei
        call frame
        call frame
        call frame
        di
        ldh a,(0x41)
        ldh (0x80),a
        stop
frame:                      ; returns once LY has come back to 0
.leave: ldh a,(0x44)
        and a
        jr z,.leave
.back:  ldh a,(0x44)
        and a
        jr nz,.back
        ret
    )",
                             4 * 443 * 16));
    EXPECT_EQ(io(0xFF81), 9) << "three requests at line 32 in each of three frames";
    EXPECT_EQ(io(0xFF80), 0x41) << "STAT at line 0: the source bit kept, mode 1, LY != LYC";
}

// The LY=LYC flag (STAT bit 2) follows LY tick by tick.
TEST_F(LcdTest, CoincidenceFlagFollowsLy) {
    io(0xFF45) = 6;
    io(0xFF41) = 0x84;  // a flag left over from before
    tick();             // line 6, mode 2
    EXPECT_EQ(io(0xFF41), 0x86);
    for (int i = 0; i < 3; ++i) tick();  // line 7, mode 2
    EXPECT_EQ(io(0xFF41), 0x82);
}

}  // namespace
