// The sound unit's state as it lives in the machine: the four channels, the sweep,
// the noise generator, the frame sequencer, the mixer's weights, and the output
// stage that turns level changes into 48 kHz samples (the buffer of band-limited
// steps not yet taken and the output capacitor). core/audio.h works on it.
#pragma once

#include <cstdint>

inline constexpr uint32_t kAudioSampleRate = 48000;
// The most stereo frames that wait in the unit for a taker; older ones are dropped.
inline constexpr uint32_t kAudioPendingFrames = 8192;
// A change of level reaches the output as a band-limited step spread over this many
// samples from the one it falls in.
inline constexpr int kAudioStepTaps = 16;
inline constexpr uint32_t kAudioBufferLength = kAudioPendingFrames + kAudioStepTaps;
// The frame sequencer moves on every 8,192 cycles: 512 times a second.
inline constexpr uint64_t kCyclesPerSequencerStep = 8192;
// Sample positions are fixed point with 32 fraction bits. At the exact rate one
// cycle is 48,000 / 4,194,304 = 375 / 32,768 of a sample.
inline constexpr uint64_t kExactRateStep = 375ull << 17;

struct AudioEnvelope {
    uint8_t volume = 0;
    uint8_t period = 0;
    uint8_t timer = 0;
    bool increase = false;
};

struct AudioChannel {
    bool on = false;
    bool lengthEnabled = false;
    int8_t level = 0;      // the DAC's output now: -15 to 15, 0 with the DAC off
    uint8_t position = 0;  // duty eighth (pulse) or sample 0-31 (wave)
    uint16_t frequency = 0;
    uint16_t length = 0;  // steps left before the length counter switches it off
    uint32_t timer = 0;   // cycles until the waveform moves on
    AudioEnvelope envelope;
};

struct AudioUnit {
    AudioChannel channels[4];
    uint16_t sweepShadow = 0;
    uint8_t sweepTimer = 0;
    bool sweepEnabled = false;
    uint16_t lfsr = 0x7FFF;
    bool power = false;
    uint8_t sequencerStep = 0;
    uint64_t cycle = 0;  // the unit's time in clock cycles
    uint64_t nextSequencerCycle = kCyclesPerSequencerStep;
    int32_t weightLeft[4] = {};
    int32_t weightRight[4] = {};

    // The output stage. Whether someone takes samples and at what rate are the
    // taker's choices: a reset or a loaded state keeps them.
    bool listening = false;
    uint64_t rateStep = kExactRateStep;
    uint64_t samplePos = 0;  // where `cycle` falls in the buffer
    int32_t sumLeft = 0;     // the integrated level before buffer entry 0
    int32_t sumRight = 0;
    float capacitorLeft = 0;
    float capacitorRight = 0;
    // Slopes of the steps still to be integrated; entries past the last finished
    // frame plus kAudioStepTaps are zero.
    int32_t bufferLeft[kAudioBufferLength] = {};
    int32_t bufferRight[kAudioBufferLength] = {};
};
