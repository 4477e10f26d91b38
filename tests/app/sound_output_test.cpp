#include "app/sound_output.h"

#include <gtest/gtest.h>

#include "app/scan_line.h"
#include "app/startup.h"
#include "app/window_procedure.h"
#include "core/io_registers.h"
#include "shell_fixture.h"

namespace {

class SoundOutputTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(startUp());
        ASSERT_TRUE(loadCartridgeAndReport(writeLoopingCartridge("loop.gb")));
    }

    // Runs `frames` frames of emulated time, each followed by its sound, while the
    // device plays at `deviceRate` times 48 kHz of the host's time, at the handheld's
    // 59.73 frames a second. Returns the lowest and highest queue level seen after the
    // first `settle` frames.
    std::pair<uint32_t, uint32_t> play(int frames, double deviceRate, int settle) {
        const double perFrame = 48000.0 * 70224.0 / 4194304.0 * deviceRate;
        double owed = 0;
        uint32_t lowest = UINT32_MAX, highest = 0;
        for (int f = 0; f < frames; ++f) {
            while (stepToLcdEvent() != LcdEvent::BlankLineEnded || machine.HighPage[reg::LY] != 0) {
            }
            feedSound(true);
            owed += perFrame;
            headless::playAudio(static_cast<uint32_t>(owed));
            owed -= static_cast<uint32_t>(owed);
            if (f >= settle) {
                lowest = std::min(lowest, soundQueueLevels().lowest);
                highest = std::max(highest, soundQueueLevels().highest);
            }
            resetSoundQueueLevels();
        }
        return {lowest, highest};
    }
};

// A device whose clock runs a little fast or slow against the host's: the rate follows
// it, within half a per cent, and the queue neither runs dry nor grows. Past half a per
// cent the rate stays at the bound, and a device that falls behind does not pile up
// latency. A cartridge loaded again starts from the exact rate.
TEST_F(SoundOutputTest, TheRateFollowsTheDevicesClockWithinHalfAPerCentAndStartsAgainPerGame) {
    struct Case {
        double deviceRate, expectRatio;
    };
    for (const Case& c :
         {Case{1.003, 1.003}, Case{0.998, 0.998}, Case{1.02, 1.005}, Case{0.98, 0.995}}) {
        SCOPED_TRACE(c.deviceRate);
        ASSERT_TRUE(loadCartridgeAndReport(machine.romPath));
        EXPECT_EQ(soundQueueLevels().ratio, 1.0);
        const auto [lowest, highest] = play(60 * 60, c.deviceRate, 60 * 40);
        EXPECT_NEAR(soundQueueLevels().ratio, c.expectRatio, 0.0005);
        EXPECT_GE(soundQueueLevels().ratio, 0.995);
        EXPECT_LE(soundQueueLevels().ratio, 1.005);
        if (c.deviceRate == c.expectRatio) {
            // Around the 50 ms aimed at, give or take a frame's samples: never near
            // running dry, never growing.
            EXPECT_GT(lowest, 800u);
            EXPECT_LT(highest, 3600u);
        } else if (c.deviceRate > 1) {
            EXPECT_EQ(lowest, 0u) << "a device 2 % fast runs dry, as it must";
        } else {
            // A device 2 % slow: frames are left out rather than piling up latency.
            EXPECT_LE(highest, 2 * 2400u + 810u);
            EXPECT_GT(lowest, 3000u);
        }
    }
}

}  // namespace
