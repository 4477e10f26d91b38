#include "platform/audio_ring.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::vector<int16_t> tone(size_t frames, int16_t from) {
    std::vector<int16_t> out(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        out[2 * i] = static_cast<int16_t>(from + i);
        out[2 * i + 1] = static_cast<int16_t>(-from - static_cast<int16_t>(i));
    }
    return out;
}

// The device pulls in periods that do not match what was queued: the frames come out
// in order, and running dry fades the last one out step by step to silence, across
// periods, instead of dropping to zero.
TEST(AudioRing, QueuedFramesPlayInOrderAndRunningDryFadesTheLastOneOut) {
    AudioRing ring;
    const std::vector<int16_t> first = tone(1000, 10000);
    EXPECT_EQ(ring.push(first.data(), 1000), 1000u);
    std::vector<int16_t> out(2 * 480);
    ring.pull(out.data(), 480);
    ring.pull(out.data(), 480);
    EXPECT_EQ(ring.size(), 40u);
    std::vector<int16_t> tail(2 * 4 * kUnderrunFadeFrames);
    for (size_t at = 0; at < tail.size() / 2; at += 100)
        ring.pull(tail.data() + 2 * at, std::min<size_t>(100, tail.size() / 2 - at));
    EXPECT_EQ(tail[0], 10000 + 960);
    EXPECT_EQ(tail[2 * 39], 10000 + 999);
    int previous = 10999;
    for (size_t i = 40; i < tail.size() / 2; ++i) {
        EXPECT_LE(tail[2 * i], previous) << i;
        EXPECT_LE(previous - tail[2 * i], 10999 / static_cast<int>(kUnderrunFadeFrames) + 1) << i;
        EXPECT_EQ(tail[2 * i + 1], -tail[2 * i]) << i;
        previous = tail[2 * i];
    }
    EXPECT_EQ(tail[2 * (40 + kUnderrunFadeFrames)], 0);
    EXPECT_EQ(tail.back(), 0);

    // Frames queued after the fade play as they are; what does not fit is refused.
    const std::vector<int16_t> big = tone(AudioRing::kCapacity + 10, 5);
    EXPECT_EQ(ring.push(big.data(), AudioRing::kCapacity + 10), AudioRing::kCapacity);
    ring.pull(out.data(), 2);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[2], 6);
    // A cleared ring plays silence, not a fade of what was dropped.
    ring.clear();
    ring.pull(out.data(), 480);
    for (int16_t sample : out) ASSERT_EQ(sample, 0);
}

}  // namespace
