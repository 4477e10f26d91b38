#include "core/lcd.h"

#include <gtest/gtest.h>

#include "core/bus.h"
#include "machine_fixture.h"

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
    for (int i = 0; i < 1000; ++i) advanceLcd();
    EXPECT_EQ(ly(), 5);
    EXPECT_EQ(io(0xFF04), static_cast<uint8_t>(0x10 - 1000));
    EXPECT_EQ(machine.lcdTickCounter, 0);
}

TEST_F(LcdTest, DivCountsDownFromAWrite) {
    writeByte(0x12, 0xFF04);
    advanceLcd();
    EXPECT_EQ(io(0xFF04), 0xFF);
}

TEST_F(LcdTest, StatWrittenByTheProgramDrivesTheNextTick) {
    io(0xFF41) = 0x83;  // mode 3
    writeByte(0x00, 0xFF41);
    tick();
    EXPECT_EQ(ly(), 6);
    EXPECT_EQ(mode(), 2);
    EXPECT_EQ(io(0xFF41) & 0x04, 0) << "the coincidence flag is never written";
}

}  // namespace
