#include "core/audio.h"

#include <cmath>
#include <cstring>

#include "core/io_registers.h"
#include "core/machine_state.h"

namespace {

using namespace reg;

// 7,088 steps are one frame of 70,224 clock cycles: 4,389 cycles every 443 steps.
constexpr uint64_t kCyclesPerStepNumerator = 4389;
constexpr uint64_t kCyclesPerStepDenominator = 443;
// The frame sequencer moves on every 8,192 cycles: 512 times a second.
constexpr uint64_t kCyclesPerSequencerStep = 8192;
// Sample positions are fixed point with 32 fraction bits. At the exact rate one
// cycle is 48,000 / 4,194,304 = 375 / 32,768 of a sample.
constexpr uint64_t kExactRateStep = 375ull << 17;

// A change of level reaches the output as a band-limited step: its slope, a
// windowed sinc, is added to kTaps samples from the one it falls in, at one of
// kPhases positions within that sample; the output integrates the slopes.
constexpr int kTaps = 16;
constexpr int kPhaseBits = 6;
constexpr int kPhases = 1 << kPhaseBits;
constexpr int kUnitBits = 15;
constexpr uint32_t kBufferLength = kAudioPendingFrames + kTaps;

// Output: amplitude units (a channel swings by 30 at most, times a master volume
// of up to 8, four channels) to 16-bit samples, after the high-pass filter of
// the handheld's output capacitor (about 0.996 kept per sample at 48 kHz).
constexpr float kOutputScale = 40.0f / (1 << kUnitBits);
constexpr float kHighPassCharge = 0.00366f;

// Duty patterns, one bit per eighth of the wave: 12.5, 25, 50 and 75 per cent.
constexpr uint8_t kDutyPatterns[4] = {0x80, 0x81, 0xE1, 0x7E};
// Noise clock divisors in cycles for divisor codes 0-7 (code 0 counts as 0.5).
constexpr uint32_t kNoiseDivisors[8] = {8, 16, 32, 48, 64, 80, 96, 112};
// Wave channel output level: mute, 100 %, 50 %, 25 % as right shifts of a sample.
constexpr uint8_t kWaveShifts[4] = {4, 0, 1, 2};

struct Envelope {
    uint8_t volume = 0;
    uint8_t period = 0;
    uint8_t timer = 0;
    bool increase = false;
};

struct Channel {
    bool on = false;
    bool lengthEnabled = false;
    int8_t level = 0;      // the DAC's output now: -15 to 15, 0 with the DAC off
    uint8_t position = 0;  // duty eighth (pulse) or sample 0-31 (wave)
    uint16_t frequency = 0;
    uint16_t length = 0;  // steps left before the length counter switches it off
    uint32_t timer = 0;   // cycles until the waveform moves on
    Envelope envelope;
};

struct AudioUnit {
    Channel channels[4];
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

    bool listening = false;
    uint64_t rateStep = kExactRateStep;
    uint64_t samplePos = 0;  // where `cycle` falls in the buffer
    int32_t sumLeft = 0;     // the integrated level before buffer entry 0
    int32_t sumRight = 0;
    float capacitorLeft = 0;
    float capacitorRight = 0;
};

AudioUnit unit;
int32_t bufferLeft[kBufferLength];
int32_t bufferRight[kBufferLength];
int32_t kernel[kPhases][kTaps];
bool kernelBuilt = false;

uint8_t& io(uint16_t index) {
    return machine.HighPage[index];
}

void buildKernel() {
    constexpr double kPi = 3.14159265358979323846;
    // Cut-off at 0.38 of the sample rate: what folds back from just above half the
    // rate lands above 18 kHz, and the window stops the rest.
    constexpr double kCutoff = 0.38;
    for (int phase = 0; phase < kPhases; ++phase) {
        double taps[kTaps];
        double sum = 0;
        for (int k = 0; k < kTaps; ++k) {
            const double t = k - (kTaps / 2 - 1) - static_cast<double>(phase) / kPhases;
            const double x = 2 * kCutoff * t;
            const double sinc = x == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            const double u = t / kTaps + 0.5;
            const double window = 0.42 - 0.5 * std::cos(2 * kPi * u) + 0.08 * std::cos(4 * kPi * u);
            taps[k] = sinc * window;
            sum += taps[k];
        }
        // Each phase sums to exactly one unit, so the integrated output never drifts.
        int32_t total = 0;
        int largest = 0;
        for (int k = 0; k < kTaps; ++k) {
            kernel[phase][k] = static_cast<int32_t>(std::lround(taps[k] / sum * (1 << kUnitBits)));
            total += kernel[phase][k];
            if (kernel[phase][k] > kernel[phase][largest]) largest = k;
        }
        kernel[phase][largest] += (1 << kUnitBits) - total;
    }
    kernelBuilt = true;
}

uint64_t cyclesAt(uint64_t steps) {
    return steps * kCyclesPerStepNumerator / kCyclesPerStepDenominator;
}

// Buffer position of cycle t of the batch that starts at unit.cycle.
uint64_t positionAt(uint64_t t) {
    return unit.samplePos + (t - unit.cycle) * unit.rateStep;
}

void addStep(uint64_t position, int32_t left, int32_t right) {
    const uint32_t index = static_cast<uint32_t>(position >> 32);
    const int32_t* slope = kernel[(position >> (32 - kPhaseBits)) & (kPhases - 1)];
    int32_t* outLeft = bufferLeft + index;
    int32_t* outRight = bufferRight + index;
    for (int k = 0; k < kTaps; ++k) {
        outLeft[k] += left * slope[k];
        outRight[k] += right * slope[k];
    }
}

void setLevel(int c, int level, uint64_t position) {
    Channel& ch = unit.channels[c];
    if (level == ch.level) return;
    const int32_t delta = level - ch.level;
    ch.level = static_cast<int8_t>(level);
    if (unit.listening) addStep(position, delta * unit.weightLeft[c], delta * unit.weightRight[c]);
}

int32_t mixLeft() {
    int32_t sum = 0;
    for (int c = 0; c < 4; ++c) sum += unit.channels[c].level * unit.weightLeft[c];
    return sum;
}

int32_t mixRight() {
    int32_t sum = 0;
    for (int c = 0; c < 4; ++c) sum += unit.channels[c].level * unit.weightRight[c];
    return sum;
}

// The volume register of channels 1, 2 and 4; the top five bits off mean DAC off.
uint16_t volumeRegister(int c) {
    return c == 0 ? NR12 : c == 1 ? NR22 : NR42;
}

bool dacOn(int c) {
    if (c == 2) return (io(NR30) & 0x80) != 0;
    return (io(volumeRegister(c)) & 0xF8) != 0;
}

uint8_t waveSample(uint8_t position) {
    const uint8_t byte = io(static_cast<uint16_t>(WAVE_RAM + position / 2));
    return (position & 1) ? (byte & 0x0F) : (byte >> 4);
}

// What channel c puts out now, from its state alone.
int levelOf(int c) {
    if (!dacOn(c)) return 0;
    const Channel& ch = unit.channels[c];
    int digital = 0;
    if (ch.on) {
        switch (c) {
            case 0:
            case 1: {
                const uint8_t pattern = kDutyPatterns[io(c == 0 ? NR11 : NR21) >> 6];
                digital = ((pattern >> ch.position) & 1) ? ch.envelope.volume : 0;
                break;
            }
            case 2: digital = waveSample(ch.position) >> kWaveShifts[(io(NR32) >> 5) & 3]; break;
            default: digital = (unit.lfsr & 1) ? 0 : ch.envelope.volume; break;
        }
    }
    return 2 * digital - 15;
}

void refresh(int c) {
    setLevel(c, levelOf(c), unit.samplePos);
}

uint32_t periodOf(int c) {
    const Channel& ch = unit.channels[c];
    if (c == 2) return (2048u - ch.frequency) * 2u;
    if (c < 2) return (2048u - ch.frequency) * 4u;
    const uint8_t nr43 = io(NR43);
    return kNoiseDivisors[nr43 & 7] << (nr43 >> 4);
}

void setWeights() {
    const int32_t oldLeft = mixLeft();
    const int32_t oldRight = mixRight();
    const uint8_t nr50 = io(NR50);
    const uint8_t nr51 = io(NR51);
    for (int c = 0; c < 4; ++c) {
        unit.weightLeft[c] = unit.power ? ((nr51 >> (4 + c)) & 1) * (((nr50 >> 4) & 7) + 1) : 0;
        unit.weightRight[c] = unit.power ? ((nr51 >> c) & 1) * ((nr50 & 7) + 1) : 0;
    }
    if (unit.listening) addStep(unit.samplePos, mixLeft() - oldLeft, mixRight() - oldRight);
}

// The waveforms from unit.cycle up to cycle end, one loop per channel: between
// register writes and sequencer steps the channels do not touch each other.
void runPulse(int c, uint64_t end) {
    Channel& ch = unit.channels[c];
    if (!ch.on) return;  // a channel that is off holds its level; a trigger restarts it
    const uint32_t period = periodOf(c);
    const uint8_t pattern = kDutyPatterns[io(c == 0 ? NR11 : NR21) >> 6];
    const int high = 2 * ch.envelope.volume - 15;
    uint64_t t = unit.cycle + ch.timer;
    for (; t < end; t += period) {
        ch.position = (ch.position + 1) & 7;
        const int level = ((pattern >> ch.position) & 1) ? high : -15;
        if (level != ch.level) setLevel(c, level, positionAt(t));
    }
    ch.timer = static_cast<uint32_t>(t - end);
}

void runWave(uint64_t end) {
    Channel& ch = unit.channels[2];
    if (!ch.on) return;
    const uint32_t period = periodOf(2);
    const uint8_t shift = kWaveShifts[(io(NR32) >> 5) & 3];
    uint64_t t = unit.cycle + ch.timer;
    for (; t < end; t += period) {
        ch.position = (ch.position + 1) & 31;
        const int level = 2 * (waveSample(ch.position) >> shift) - 15;
        if (level != ch.level) setLevel(2, level, positionAt(t));
    }
    ch.timer = static_cast<uint32_t>(t - end);
}

void runNoise(uint64_t end) {
    Channel& ch = unit.channels[3];
    const uint8_t nr43 = io(NR43);
    if (!ch.on || (nr43 >> 4) >= 14) return;  // shifts 14 and 15 stop the clock
    const uint32_t period = periodOf(3);
    const bool shortMode = (nr43 & 0x08) != 0;
    const int high = 2 * ch.envelope.volume - 15;
    uint16_t lfsr = unit.lfsr;
    uint64_t t = unit.cycle + ch.timer;
    for (; t < end; t += period) {
        const uint16_t bit = (lfsr ^ (lfsr >> 1)) & 1;
        lfsr = static_cast<uint16_t>((lfsr >> 1) | (bit << 14));
        if (shortMode) lfsr = static_cast<uint16_t>((lfsr & ~0x40u) | (bit << 6));
        const int level = (lfsr & 1) ? -15 : high;
        if (level != ch.level) setLevel(3, level, positionAt(t));
    }
    unit.lfsr = lfsr;
    ch.timer = static_cast<uint32_t>(t - end);
}

void switchOff(int c) {
    unit.channels[c].on = false;
    refresh(c);
}

uint16_t sweepTarget() {
    const uint16_t change = unit.sweepShadow >> (io(NR10) & 7);
    return (io(NR10) & 0x08) ? static_cast<uint16_t>(unit.sweepShadow - change)
                             : static_cast<uint16_t>(unit.sweepShadow + change);
}

void clockLengths() {
    for (int c = 0; c < 4; ++c) {
        Channel& ch = unit.channels[c];
        if (ch.lengthEnabled && ch.length > 0 && --ch.length == 0) switchOff(c);
    }
}

void clockSweep() {
    if (--unit.sweepTimer != 0) return;
    const uint8_t period = (io(NR10) >> 4) & 7;
    unit.sweepTimer = period ? period : 8;
    if (!unit.sweepEnabled || period == 0) return;
    const uint16_t target = sweepTarget();
    if (target > 2047) {
        switchOff(0);
    } else if ((io(NR10) & 7) != 0) {
        unit.sweepShadow = target;
        unit.channels[0].frequency = target;
        if (sweepTarget() > 2047) switchOff(0);
    }
}

void clockEnvelopes() {
    for (int c : {0, 1, 3}) {
        Envelope& env = unit.channels[c].envelope;
        if (env.period == 0 || --env.timer != 0) continue;
        env.timer = env.period;
        if (env.increase && env.volume < 15) {
            ++env.volume;
        } else if (!env.increase && env.volume > 0) {
            --env.volume;
        }
        refresh(c);
    }
}

void stepSequencer() {
    const uint8_t step = unit.sequencerStep;
    unit.sequencerStep = (step + 1) & 7;
    if ((step & 1) == 0) clockLengths();
    if (step == 2 || step == 6) clockSweep();
    if (step == 7) clockEnvelopes();
}

void dropFrames(uint32_t count);

// Keeps the buffer from overflowing when nobody takes the samples: the oldest go.
void makeRoom(uint64_t cycles) {
    const uint64_t last = (unit.samplePos + cycles * unit.rateStep) >> 32;
    if (last + 1 <= kAudioPendingFrames) return;
    dropFrames(static_cast<uint32_t>(last + 1 - kAudioPendingFrames));
}

void catchUp() {
    if (machine.HighPage == nullptr) return;
    const uint64_t target = cyclesAt(machine.stepCount);
    while (unit.cycle < target) {
        const uint64_t end = target < unit.nextSequencerCycle ? target : unit.nextSequencerCycle;
        if (unit.listening) {
            makeRoom(end - unit.cycle);
            if (unit.power) {
                runPulse(0, end);
                runPulse(1, end);
                runWave(end);
                runNoise(end);
            }
            unit.samplePos += (end - unit.cycle) * unit.rateStep;
        }
        unit.cycle = end;
        if (end == unit.nextSequencerCycle) {
            unit.nextSequencerCycle += kCyclesPerSequencerStep;
            if (unit.power) stepSequencer();
        }
    }
}

void updateStatus() {
    // Bits 4-6 read as 0, so that NR52 keeps the power-on value of every register.
    uint8_t status = unit.power ? 0x80 : 0x00;
    for (int c = 0; c < 4; ++c) {
        if (unit.channels[c].on) status |= static_cast<uint8_t>(1u << c);
    }
    io(NR52) = status;
}

void trigger(int c) {
    Channel& ch = unit.channels[c];
    ch.on = dacOn(c);
    if (ch.length == 0) ch.length = c == 2 ? 256 : 64;
    ch.timer = periodOf(c);
    if (c == 2) {
        ch.position = 0;
    } else {
        const uint8_t nrx2 = io(volumeRegister(c));
        ch.envelope.volume = nrx2 >> 4;
        ch.envelope.increase = (nrx2 & 0x08) != 0;
        ch.envelope.period = nrx2 & 7;
        ch.envelope.timer = ch.envelope.period;
    }
    if (c == 3) unit.lfsr = 0x7FFF;
    if (c == 0) {
        const uint8_t period = (io(NR10) >> 4) & 7;
        const uint8_t shift = io(NR10) & 7;
        unit.sweepShadow = ch.frequency;
        unit.sweepTimer = period ? period : 8;
        unit.sweepEnabled = period != 0 || shift != 0;
        if (shift != 0 && sweepTarget() > 2047) ch.on = false;
    }
    refresh(c);
}

// NRx3 and NRx4 together hold the 11-bit frequency; NRx4 also starts the channel.
void writeFrequencyHigh(int c, uint8_t value) {
    Channel& ch = unit.channels[c];
    ch.frequency = static_cast<uint16_t>((ch.frequency & 0xFF) | ((value & 7) << 8));
    ch.lengthEnabled = (value & 0x40) != 0;
    if (value & 0x80) trigger(c);
}

void writeFrequencyLow(int c, uint8_t value) {
    Channel& ch = unit.channels[c];
    ch.frequency = static_cast<uint16_t>((ch.frequency & 0x700) | value);
}

void setPower(bool on) {
    if (on == unit.power) return;
    if (!on) {
        // Switching off clears every sound register below NR52; wave RAM stays.
        for (uint16_t index = NR10; index < NR52; ++index) io(index) = 0;
        for (int c = 0; c < 4; ++c) {
            const int8_t level = unit.channels[c].level;
            unit.channels[c] = Channel{};
            unit.channels[c].level = level;  // refresh takes it down with a step
            refresh(c);
        }
    }
    unit.power = on;
    unit.sequencerStep = 0;
    setWeights();
}

void restartBuffer() {
    std::memset(bufferLeft, 0, sizeof bufferLeft);
    std::memset(bufferRight, 0, sizeof bufferRight);
    unit.samplePos &= 0xFFFFFFFFull;
    unit.sumLeft = mixLeft() << kUnitBits;
    unit.sumRight = mixRight() << kUnitBits;
    unit.capacitorLeft = static_cast<float>(unit.sumLeft);
    unit.capacitorRight = static_cast<float>(unit.sumRight);
}

int16_t toSample(int32_t sum, float& capacitor) {
    const float x = static_cast<float>(sum);
    const float y = x - capacitor;
    capacitor += y * kHighPassCharge;
    const float scaled = y * kOutputScale;
    if (scaled >= 32767.0f) return 32767;
    if (scaled <= -32768.0f) return -32768;
    return static_cast<int16_t>(std::lrint(scaled));
}

// Removes the first count finished frames, writing them to out when it is given.
void shiftOut(int16_t* out, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        unit.sumLeft += bufferLeft[i];
        unit.sumRight += bufferRight[i];
        const int16_t left = toSample(unit.sumLeft, unit.capacitorLeft);
        const int16_t right = toSample(unit.sumRight, unit.capacitorRight);
        if (out) {
            out[2 * i] = left;
            out[2 * i + 1] = right;
        }
    }
    // Entries past the last finished frame plus the kernel's length are still zero.
    const uint32_t live = static_cast<uint32_t>(unit.samplePos >> 32) - count + kTaps;
    std::memmove(bufferLeft, bufferLeft + count, live * sizeof(int32_t));
    std::memmove(bufferRight, bufferRight + count, live * sizeof(int32_t));
    std::memset(bufferLeft + live, 0, count * sizeof(int32_t));
    std::memset(bufferRight + live, 0, count * sizeof(int32_t));
    unit.samplePos -= static_cast<uint64_t>(count) << 32;
}

void dropFrames(uint32_t count) {
    shiftOut(nullptr, count);
}

}  // namespace

void resetAudio() {
    if (!kernelBuilt) buildKernel();
    const bool listening = unit.listening;
    const uint64_t rateStep = unit.rateStep;
    unit = AudioUnit{};
    unit.listening = listening;
    unit.rateStep = rateStep;
    unit.cycle = cyclesAt(machine.stepCount);
    unit.nextSequencerCycle = unit.cycle + kCyclesPerSequencerStep;
    restartBuffer();
    if (machine.HighPage != nullptr) updateStatus();
}

void writeSoundRegister(uint8_t value, uint16_t address) {
    catchUp();
    const uint16_t index = ioIndex(address);
    if (index == NR52) {
        setPower((value & 0x80) != 0);
        updateStatus();
        return;
    }
    io(index) = value;
    // Wave RAM and the unused bytes are plain storage; while the unit is off the
    // channel registers only store what is written.
    if (index >= WAVE_RAM || index > NR51 || !unit.power) return;
    switch (index) {
        case NR11:
        case NR21:
        case NR41:
            unit.channels[index == NR11 ? 0 : index == NR21 ? 1 : 3].length = 64 - (value & 63);
            break;
        case NR31: unit.channels[2].length = static_cast<uint16_t>(256 - value); break;
        case NR12:
        case NR22:
        case NR42:
        case NR30: {
            const int c = index == NR12 ? 0 : index == NR22 ? 1 : index == NR30 ? 2 : 3;
            if (!dacOn(c)) unit.channels[c].on = false;
            refresh(c);
            break;
        }
        case NR32: refresh(2); break;
        case NR13: writeFrequencyLow(0, value); break;
        case NR23: writeFrequencyLow(1, value); break;
        case NR33: writeFrequencyLow(2, value); break;
        case NR14: writeFrequencyHigh(0, value); break;
        case NR24: writeFrequencyHigh(1, value); break;
        case NR34: writeFrequencyHigh(2, value); break;
        case NR44:
            unit.channels[3].lengthEnabled = (value & 0x40) != 0;
            if (value & 0x80) trigger(3);
            break;
        case NR50:
        case NR51: setWeights(); break;
        default: break;
    }
    updateStatus();
}

uint8_t readSoundStatus() {
    catchUp();
    updateStatus();
    return io(NR52);
}

void setAudioListening(bool listening) {
    if (listening == unit.listening) return;
    if (!kernelBuilt) buildKernel();
    catchUp();
    unit.listening = listening;
    if (listening) restartBuffer();
}

bool audioListening() {
    return unit.listening;
}

void setAudioRateRatio(double ratio) {
    if (!(ratio > 0.5)) ratio = 0.5;
    if (ratio > 2.0) ratio = 2.0;
    catchUp();
    unit.rateStep =
        static_cast<uint64_t>(std::llround(static_cast<double>(kExactRateStep) * ratio));
}

size_t takeAudioSamples(int16_t* out, size_t maxFrames) {
    catchUp();
    if (!unit.listening) return 0;
    const uint64_t finished = unit.samplePos >> 32;
    const uint32_t count = static_cast<uint32_t>(finished < maxFrames ? finished : maxFrames);
    shiftOut(out, count);
    return count;
}
