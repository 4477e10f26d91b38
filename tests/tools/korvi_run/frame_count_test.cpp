// The runner counts frames of emulated time, with the LCD on or off: a game that
// keeps the LCD off for a while still runs the frames asked for, in their steps.
#include <gtest/gtest.h>

#include "tests/tools/korvi_run/assembled_run.h"

namespace {

// Switches the LCD off at the start of its fourth frame and waits there, in a loop
// that counts nothing, for ever.
constexpr const char* kDarkAfterThreeFrames = R"(
org $100
    nop
    jp start
org $150
start:
    ld b, 4
.frame:
    ldh a, ($44)
    cp 144
    jr nz, .frame
.blank:
    ldh a, ($44)
    cp 144
    jr z, .blank
    dec b
    jr nz, .frame
.line0:
    ldh a, ($44)
    or a
    jr nz, .line0
    xor a
    ldh ($40), a
idle:
    jr idle
)";

TEST(RunnerFrameCountTest, FramesWithTheLcdOffCountAsFrames) {
    HeadlessPresenter presenter;
    const RunResult result = runAssembled(kDarkAfterThreeFrames, 120, presenter);
    EXPECT_EQ(result.frames, 120u);
    EXPECT_GE(result.presented, 3u);
    EXPECT_LE(result.presented, 4u);
    // A frame is 7,088 steps, the LCD on or off; the first may start part-way.
    EXPECT_GT(result.steps, 119u * 7088u);
    EXPECT_LE(result.steps, 120u * 7088u);
    EXPECT_FALSE(presenter.frame().empty()) << "the last picture presented is kept";
}

}  // namespace
