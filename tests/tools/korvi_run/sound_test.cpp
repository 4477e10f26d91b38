// Small cartridges that play known sounds, run headless with a WAV file, and the
// file measured: pitch from zero crossings, duty from the time spent above zero,
// when a sound stops, how it repeats and which side it reaches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/cartridge/file_fixture.h"
#include "cartridge/rom_loader.h"
#include "tools/assembler/assembler.h"
#include "tools/korvi_run/runner.h"
#include "tools/korvi_run/wav_writer.h"
#include "video/headless_presenter.h"

namespace {

namespace fs = std::filesystem;

constexpr double kRate = 48000.0;

struct Sound {
    std::vector<double> left, right;
};

using Writes = std::vector<std::pair<uint8_t, uint8_t>>;  // (register 0xFFnn's nn, value)

std::string poke(const Writes& writes) {
    std::string text;
    char line[64];
    for (const auto& [reg, value] : writes) {
        std::snprintf(line, sizeof line, "    ld a, $%02X\n    ldh ($%02X), a\n", value, reg);
        text += line;
    }
    return text;
}

// The unit on, both sides at full volume, every channel on both sides.
const Writes kPowerOn = {{0x26, 0x80}, {0x24, 0x77}, {0x25, 0xFF}};

// A cartridge running `body` once, then halting for ever. `wait B` frames are
// available as `call waitFrames` with the count in B.
std::string cartridge(const std::string& body) {
    return "header type=0, rom=0, ram=0\norg $100\n    nop\n    jp start\norg $150\nstart:\n" +
           poke(kPowerOn) + body +
           "idle:\n    halt\n    jr idle\n"
           "waitFrames:\n"
           "    ldh a, ($44)\n    cp 144\n    jr nz, waitFrames\n"
           ".vblank:\n    ldh a, ($44)\n    cp 144\n    jr z, .vblank\n"
           "    dec b\n    jr nz, waitFrames\n    ret\n";
}

std::string waitFrames(int frames) {
    return "    ld b, " + std::to_string(frames) + "\n    call waitFrames\n";
}

// Pulse on channel 2 at 11-bit frequency x with the given NR21 and NR22.
Writes pulse2(uint16_t x, uint8_t nr21 = 0x80, uint8_t nr22 = 0xF0, uint8_t nr24 = 0x80) {
    return {{0x16, nr21},
            {0x17, nr22},
            {0x18, static_cast<uint8_t>(x & 0xFF)},
            {0x19, static_cast<uint8_t>(nr24 | (x >> 8))}};
}

class SoundTest : public ::testing::Test {
protected:
    void TearDown() override { closeRunner(); }

    // Assembles and runs the cartridge with a WAV file and reads the file back.
    Sound play(const std::string& source, uint32_t frames) {
        Sound sound;
        const sm83::AssemblyResult image = sm83::assemble(source);
        EXPECT_TRUE(image.ok) << image.error << "\n" << source;
        if (!image.ok) return sound;
        const fs::path rom = directory_ / "sound.gb";
        std::ofstream(rom, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.image.data()),
                   static_cast<std::streamsize>(image.image.size()));
        RunOptions options;
        options.frames = frames;
        options.width = 160;
        options.height = 144;
        std::string error;
        EXPECT_TRUE(openRunner(options, presenter_, error)) << error;
        EXPECT_TRUE(loadCartridge(rom.string())) << lastLoadError().message;
        const fs::path wavPath = directory_ / "sound.wav";
        WavWriter wav;
        EXPECT_TRUE(wav.open(wavPath.string(), error)) << error;
        runFrames(options, &wav);
        EXPECT_TRUE(wav.close(error)) << error;
        closeRunner();
        return readWav(wavPath);
    }

    static Sound readWav(const fs::path& path) {
        Sound sound;
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_GE(bytes.size(), 44u);
        if (bytes.size() < 44) return sound;
        auto little = [&](size_t at, int n) {
            uint32_t v = 0;
            for (int i = n - 1; i >= 0; --i) v = (v << 8) | bytes[at + i];
            return v;
        };
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(little(22, 2), 2u) << "stereo";
        EXPECT_EQ(little(24, 4), 48000u) << "sample rate";
        EXPECT_EQ(little(34, 2), 16u) << "bits per sample";
        EXPECT_EQ(little(40, 4), bytes.size() - 44) << "data size in the header";
        for (size_t at = 44; at + 4 <= bytes.size(); at += 4) {
            sound.left.push_back(static_cast<int16_t>(little(at, 2)));
            sound.right.push_back(static_cast<int16_t>(little(at + 2, 2)));
        }
        return sound;
    }

    HeadlessPresenter presenter_;
    TempDir scratch_;
    fs::path directory_ = scratch_.path();
};

size_t at(double seconds) {
    return static_cast<size_t>(seconds * kRate);
}

std::vector<size_t> upwardCrossings(const std::vector<double>& s, double from, double to) {
    std::vector<size_t> crossings;
    for (size_t i = std::max<size_t>(at(from), 1); i < std::min(at(to), s.size()); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) crossings.push_back(i);
    }
    return crossings;
}

double frequency(const std::vector<double>& s, double from, double to) {
    const std::vector<size_t> c = upwardCrossings(s, from, to);
    if (c.size() < 3) return 0;
    return (c.size() - 1) * kRate / static_cast<double>(c.back() - c.front());
}

double fractionAboveZero(const std::vector<double>& s, double from, double to) {
    size_t above = 0;
    for (size_t i = at(from); i < at(to); ++i) above += s[i] > 0;
    return static_cast<double>(above) / static_cast<double>(at(to) - at(from));
}

double peakToPeak(const std::vector<double>& s, double from, double to) {
    double low = 0, high = 0;
    for (size_t i = at(from); i < std::min(at(to), s.size()); ++i) {
        low = std::min(low, s[i]);
        high = std::max(high, s[i]);
    }
    return high - low;
}

// Time of the last sample louder than the threshold: when the sound ended.
double lastLoud(const std::vector<double>& s, double threshold = 200) {
    for (size_t i = s.size(); i-- > 0;) {
        if (std::fabs(s[i]) > threshold) return static_cast<double>(i) / kRate;
    }
    return 0;
}

// Correlation of the signal with itself `lag` samples later, over a window.
double selfSimilarity(const std::vector<double>& s, size_t lag, double from, double to) {
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = at(from); i < at(to) && i + lag < s.size(); ++i) {
        sxy += s[i] * s[i + lag];
        sxx += s[i] * s[i];
        syy += s[i + lag] * s[i + lag];
    }
    return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

TEST_F(SoundTest, PulsePitchAndDuty) {
    struct Case {
        uint16_t x;
        uint8_t duty;  // NR21 bits 6-7
        double hertz;
        double high;  // share of the wave above zero
    };
    const Case cases[] = {
        {1536, 0x80, 256.0, 0.5},             // 131072 / 512
        {1899, 0x00, 131072.0 / 149, 0.125},  // about 880 Hz
        {1985, 0x80, 131072.0 / 63, 0.5},     // about 2080 Hz
        {1800, 0x40, 131072.0 / 248, 0.25},
        {1750, 0xC0, 131072.0 / 298, 0.75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("x " + std::to_string(c.x));
        const Sound sound = play(cartridge(poke(pulse2(c.x, c.duty))), 30);
        ASSERT_GT(sound.left.size(), at(0.45));
        EXPECT_NEAR(frequency(sound.left, 0.1, 0.45), c.hertz, c.hertz * 0.01);
        EXPECT_NEAR(fractionAboveZero(sound.left, 0.1, 0.45), c.high, 0.02);
    }
}

TEST_F(SoundTest, EnvelopeAndLengthEndTheNote) {
    // Volume 15 falling one step every 1/64 s: silent after 15 steps. The first step
    // comes up to 1/64 s after the trigger, with the sequencer's phase.
    Sound sound = play(cartridge(poke(pulse2(1536, 0x80, 0xF1))), 30);
    EXPECT_GT(peakToPeak(sound.left, 0.02, 0.06), 1.5 * peakToPeak(sound.left, 0.15, 0.19))
        << "the envelope lowers the volume";
    EXPECT_NEAR(lastLoud(sound.left, 100), 14.5 / 64, 1.0 / 64);

    // Length 64 - 32 = 32 steps at 256 Hz: 125 ms. The program then waits for NR52
    // to report channel 2 off and starts channel 1 at another pitch.
    const std::string body = poke(pulse2(1536, 0xA0, 0xF0, 0xC0)) +
                             "wait:\n    ldh a, ($26)\n    and 2\n    jr nz, wait\n" +
                             poke({{0x11, 0x80}, {0x12, 0xF0}, {0x13, 0x00}, {0x14, 0x87}});
    sound = play(cartridge(body), 30);
    const std::vector<size_t> c = upwardCrossings(sound.left, 0.0, 0.3);
    ASSERT_FALSE(c.empty());
    // Channel 2 runs at 256 Hz until the length runs out; channel 1 follows at 512 Hz.
    EXPECT_NEAR(frequency(sound.left, 0.02, 0.115), 256.0, 2.56);
    EXPECT_NEAR(frequency(sound.left, 0.15, 0.3), 512.0, 5.12);
    // The pitch changes where channel 2 stopped: no 256 Hz period after 126 ms.
    size_t change = 0;
    for (size_t i = 1; i < c.size(); ++i) {
        if (c[i] - c[i - 1] > 150) change = c[i];
    }
    EXPECT_NEAR(change / kRate, 0.1235, 0.0045);
}

TEST_F(SoundTest, SweepMovesThePitch) {
    struct Case {
        uint8_t nr10;
        bool rises;
    };
    // Period 4 (every 1/32 s), shift 5: x moves by a 32nd of itself per sweep step.
    for (const Case c : {Case{0x45, true}, Case{0x4D, false}}) {
        SCOPED_TRACE(c.rises ? "up" : "down");
        const Writes writes = {
            {0x10, c.nr10}, {0x11, 0x80}, {0x12, 0xF0}, {0x13, 0x00}, {0x14, 0x85}};
        const Sound sound = play(cartridge(poke(writes)), 16);
        const double early = frequency(sound.left, 0.004, 0.026);
        const double later = frequency(sound.left, 0.2, 0.24);
        ASSERT_GT(early, 0);
        ASSERT_GT(later, 0);
        if (c.rises) {
            EXPECT_GT(later, early * 1.15);
        } else {
            EXPECT_LT(later, early / 1.15);
        }
    }
}

TEST_F(SoundTest, NoiseShortModeRepeatsEvery127Outputs) {
    // Divisor code 0, shift 12: one output every 32,768 cycles, which is 375
    // samples, so 127 outputs span exactly 47,625 samples.
    for (const uint8_t nr43 : {uint8_t{0xC8}, uint8_t{0xC0}}) {
        SCOPED_TRACE(nr43 == 0xC8 ? "7-bit" : "15-bit");
        const Sound sound = play(cartridge(poke({{0x21, 0xF0}, {0x22, nr43}, {0x23, 0x80}})), 150);
        ASSERT_GT(sound.left.size(), at(2.3));
        const double similarity = selfSimilarity(sound.left, 47625, 0.2, 1.2);
        if (nr43 == 0xC8) {
            EXPECT_GT(similarity, 0.99);
        } else {
            EXPECT_LT(similarity, 0.5) << "the long register does not repeat so soon";
        }
        EXPECT_LT(selfSimilarity(sound.left, 47625 / 127 * 63, 0.2, 1.2), 0.5);
    }
}

TEST_F(SoundTest, WaveRepeatsItsSamplesAtTheOutputLevel) {
    // A ramp up and down over the 32 samples; x = 1536 is 128 Hz, 375 samples.
    Writes ramp;
    for (uint8_t i = 0; i < 16; ++i) {
        const uint8_t a = static_cast<uint8_t>(i < 8 ? 2 * i : 2 * (15 - i) + 1);
        const uint8_t b = static_cast<uint8_t>(i < 8 ? 2 * i + 1 : 2 * (15 - i));
        ramp.push_back({static_cast<uint8_t>(0x30 + i), static_cast<uint8_t>(a << 4 | b)});
    }
    double full = 0;
    for (const uint8_t level : {uint8_t{0x20}, uint8_t{0x40}}) {
        Writes writes = ramp;
        writes.insert(writes.end(), {{0x1A, 0x80}, {0x1C, level}, {0x1D, 0x00}, {0x1E, 0x86}});
        const Sound sound = play(cartridge(poke(writes)), 30);
        EXPECT_NEAR(frequency(sound.left, 0.1, 0.45), 128.0, 1.28);
        EXPECT_GT(selfSimilarity(sound.left, 375, 0.1, 0.4), 0.999);
        EXPECT_LT(selfSimilarity(sound.left, 187, 0.1, 0.4), 0.0) << "half a period is the mirror";
        if (level == 0x20) {
            full = peakToPeak(sound.left, 0.1, 0.4);
        } else {
            // Samples 0-15 shifted right once: levels -15 to -1 instead of -15 to 15.
            EXPECT_NEAR(peakToPeak(sound.left, 0.1, 0.4), full * 7 / 15, full * 0.03)
                << "50 % level";
        }
    }
}

TEST_F(SoundTest, PanningAndPower) {
    // NR51: channel 2 to the left only.
    Sound sound = play(cartridge(poke(pulse2(1536)) + poke({{0x25, 0x20}})), 20);
    EXPECT_GT(peakToPeak(sound.left, 0.05, 0.3), 3000);
    EXPECT_LT(peakToPeak(sound.right, 0.05, 0.3), 100);

    // NR52 bit 7 off after ten frames: everything falls silent.
    const std::string body = poke(pulse2(1536)) + poke({{0x1A, 0x80}, {0x1E, 0x87}}) +
                             waitFrames(10) + poke({{0x26, 0x00}});
    sound = play(cartridge(body), 30);
    EXPECT_GT(peakToPeak(sound.left, 0.05, 0.15), 3000);
    const double off = lastLoud(sound.left);
    EXPECT_GT(off, 0.15);
    EXPECT_LT(off, 0.2);
    EXPECT_LT(lastLoud(sound.right), 0.2);
}

// Programs switch a DAC off and straight back on to reload the wave or restart a
// note; in silence that must not click.
TEST_F(SoundTest, ADacSwitchedOffAndStraightBackOnMakesNoPulse) {
    std::string body = poke({{0x1A, 0x80}, {0x12, 0xF0}}) + waitFrames(6);
    for (int i = 0; i < 3; ++i)
        body += poke({{0x1A, 0x00}, {0x1A, 0x80}, {0x12, 0x00}, {0x12, 0xF0}}) + waitFrames(6);
    const Sound sound = play(cartridge(body), 30);
    EXPECT_LT(peakToPeak(sound.left, 0.09, 0.45), 20);
}

}  // namespace
