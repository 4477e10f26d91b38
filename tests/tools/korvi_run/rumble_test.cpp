// The headless runner counts the frames in which a rumble cartridge's motor ran.
#include <gtest/gtest.h>

#include "tests/tools/korvi_run/assembled_run.h"

namespace {

// Motor on for ten frames (counted at the start of vertical blank), then off.
constexpr const char* kRumbleCartridge = R"(
    header type=0x1C, rom=0x00, ram=0x00
    org 0x0100
    nop
    jp start
    org 0x0150
start:
    ld a,0x08
    ld (0x4000),a
    ld b,10
.frame:
    ldh a,(0x44)
    cp 144
    jr nz,.frame
.vblank:
    ldh a,(0x44)
    cp 144
    jr z,.vblank
    dec b
    jr nz,.frame
    xor a
    ld (0x4000),a
idle:
    jr idle
)";

TEST(RunnerRumbleTest, CountsTheFramesTheMotorRan) {
    HeadlessPresenter presenter;
    const RunResult result = runAssembled(kRumbleCartridge, 30, presenter);
    EXPECT_EQ(result.frames, 30u);
    // The motor stops during the tenth frame; where the first one begins depends on
    // the line the machine starts on.
    EXPECT_GE(result.rumbleFrames, 10u);
    EXPECT_LE(result.rumbleFrames, 11u);
    EXPECT_FALSE(result.rumbleOn);
}

}  // namespace
