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

// A change of level reaches the output as a band-limited step: its slope, a
// windowed sinc, is added to kTaps samples from the one it falls in, at one of
// kPhases positions within that sample; the output integrates the slopes.
constexpr int kTaps = kAudioStepTaps;
constexpr int kPhaseBits = 6;
constexpr int kPhases = 1 << kPhaseBits;
constexpr int kUnitBits = 15;

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

using Envelope = AudioEnvelope;
using Channel = AudioChannel;

// The step shapes are a constant table, built once.
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

// Buffer position of cycle t of the batch that starts at machine.audio.cycle.
uint64_t positionAt(uint64_t t) {
    return machine.audio.samplePos + (t - machine.audio.cycle) * machine.audio.rateStep;
}

void addStep(uint64_t position, int32_t left, int32_t right) {
    const uint32_t index = static_cast<uint32_t>(position >> 32);
    const int32_t* slope = kernel[(position >> (32 - kPhaseBits)) & (kPhases - 1)];
    int32_t* outLeft = machine.audio.bufferLeft + index;
    int32_t* outRight = machine.audio.bufferRight + index;
    for (int k = 0; k < kTaps; ++k) {
        outLeft[k] += left * slope[k];
        outRight[k] += right * slope[k];
    }
}

void setLevel(int c, int level, uint64_t position) {
    Channel& ch = machine.audio.channels[c];
    if (level == ch.level) return;
    const int32_t delta = level - ch.level;
    ch.level = static_cast<int8_t>(level);
    if (machine.audio.listening) addStep(position, delta * machine.audio.weightLeft[c], delta * machine.audio.weightRight[c]);
}

int32_t mixLeft() {
    int32_t sum = 0;
    for (int c = 0; c < 4; ++c) sum += machine.audio.channels[c].level * machine.audio.weightLeft[c];
    return sum;
}

int32_t mixRight() {
    int32_t sum = 0;
    for (int c = 0; c < 4; ++c) sum += machine.audio.channels[c].level * machine.audio.weightRight[c];
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
    const Channel& ch = machine.audio.channels[c];
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
            default: digital = (machine.audio.lfsr & 1) ? 0 : ch.envelope.volume; break;
        }
    }
    return 2 * digital - 15;
}

void refresh(int c) {
    setLevel(c, levelOf(c), machine.audio.samplePos);
}

uint32_t periodOf(int c) {
    const Channel& ch = machine.audio.channels[c];
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
        machine.audio.weightLeft[c] = machine.audio.power ? ((nr51 >> (4 + c)) & 1) * (((nr50 >> 4) & 7) + 1) : 0;
        machine.audio.weightRight[c] = machine.audio.power ? ((nr51 >> c) & 1) * ((nr50 & 7) + 1) : 0;
    }
    if (machine.audio.listening) addStep(machine.audio.samplePos, mixLeft() - oldLeft, mixRight() - oldRight);
}

// The waveforms from machine.audio.cycle up to cycle end, one loop per channel: between
// register writes and sequencer steps the channels do not touch each other.
void runPulse(int c, uint64_t end) {
    Channel& ch = machine.audio.channels[c];
    if (!ch.on) return;  // a channel that is off holds its level; a trigger restarts it
    const uint32_t period = periodOf(c);
    const uint8_t pattern = kDutyPatterns[io(c == 0 ? NR11 : NR21) >> 6];
    const int high = 2 * ch.envelope.volume - 15;
    uint64_t t = machine.audio.cycle + ch.timer;
    for (; t < end; t += period) {
        ch.position = (ch.position + 1) & 7;
        const int level = ((pattern >> ch.position) & 1) ? high : -15;
        if (level != ch.level) setLevel(c, level, positionAt(t));
    }
    ch.timer = static_cast<uint32_t>(t - end);
}

void runWave(uint64_t end) {
    Channel& ch = machine.audio.channels[2];
    if (!ch.on) return;
    const uint32_t period = periodOf(2);
    const uint8_t shift = kWaveShifts[(io(NR32) >> 5) & 3];
    uint64_t t = machine.audio.cycle + ch.timer;
    for (; t < end; t += period) {
        ch.position = (ch.position + 1) & 31;
        const int level = 2 * (waveSample(ch.position) >> shift) - 15;
        if (level != ch.level) setLevel(2, level, positionAt(t));
    }
    ch.timer = static_cast<uint32_t>(t - end);
}

void runNoise(uint64_t end) {
    Channel& ch = machine.audio.channels[3];
    const uint8_t nr43 = io(NR43);
    if (!ch.on || (nr43 >> 4) >= 14) return;  // shifts 14 and 15 stop the clock
    const uint32_t period = periodOf(3);
    const bool shortMode = (nr43 & 0x08) != 0;
    const int high = 2 * ch.envelope.volume - 15;
    uint16_t lfsr = machine.audio.lfsr;
    uint64_t t = machine.audio.cycle + ch.timer;
    for (; t < end; t += period) {
        const uint16_t bit = (lfsr ^ (lfsr >> 1)) & 1;
        lfsr = static_cast<uint16_t>((lfsr >> 1) | (bit << 14));
        if (shortMode) lfsr = static_cast<uint16_t>((lfsr & ~0x40u) | (bit << 6));
        const int level = (lfsr & 1) ? -15 : high;
        if (level != ch.level) setLevel(3, level, positionAt(t));
    }
    machine.audio.lfsr = lfsr;
    ch.timer = static_cast<uint32_t>(t - end);
}

void switchOff(int c) {
    machine.audio.channels[c].on = false;
    refresh(c);
}

uint16_t sweepTarget() {
    const uint16_t change = machine.audio.sweepShadow >> (io(NR10) & 7);
    return (io(NR10) & 0x08) ? static_cast<uint16_t>(machine.audio.sweepShadow - change)
                             : static_cast<uint16_t>(machine.audio.sweepShadow + change);
}

void clockLengths() {
    for (int c = 0; c < 4; ++c) {
        Channel& ch = machine.audio.channels[c];
        if (ch.lengthEnabled && ch.length > 0 && --ch.length == 0) switchOff(c);
    }
}

void clockSweep() {
    if (--machine.audio.sweepTimer != 0) return;
    const uint8_t period = (io(NR10) >> 4) & 7;
    machine.audio.sweepTimer = period ? period : 8;
    if (!machine.audio.sweepEnabled || period == 0) return;
    const uint16_t target = sweepTarget();
    if (target > 2047) {
        switchOff(0);
    } else if ((io(NR10) & 7) != 0) {
        machine.audio.sweepShadow = target;
        machine.audio.channels[0].frequency = target;
        if (sweepTarget() > 2047) switchOff(0);
    }
}

void clockEnvelopes() {
    for (int c : {0, 1, 3}) {
        Envelope& env = machine.audio.channels[c].envelope;
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
    const uint8_t step = machine.audio.sequencerStep;
    machine.audio.sequencerStep = (step + 1) & 7;
    if ((step & 1) == 0) clockLengths();
    if (step == 2 || step == 6) clockSweep();
    if (step == 7) clockEnvelopes();
    // DACs switched off since the last step have let go of their output by now.
    for (int c = 0; c < 4; ++c) {
        if (!dacOn(c)) refresh(c);
    }
}

void dropFrames(uint32_t count);

// Keeps the buffer from overflowing when nobody takes the samples: the oldest go.
void makeRoom(uint64_t cycles) {
    const uint64_t last = (machine.audio.samplePos + cycles * machine.audio.rateStep) >> 32;
    if (last + 1 <= kAudioPendingFrames) return;
    dropFrames(static_cast<uint32_t>(last + 1 - kAudioPendingFrames));
}

void catchUp() {
    if (machine.HighPage.empty()) return;
    const uint64_t target = cyclesAt(machine.stepCount);
    while (machine.audio.cycle < target) {
        const uint64_t end = target < machine.audio.nextSequencerCycle ? target : machine.audio.nextSequencerCycle;
        if (machine.audio.listening) {
            makeRoom(end - machine.audio.cycle);
            if (machine.audio.power) {
                runPulse(0, end);
                runPulse(1, end);
                runWave(end);
                runNoise(end);
            }
            machine.audio.samplePos += (end - machine.audio.cycle) * machine.audio.rateStep;
        }
        machine.audio.cycle = end;
        if (end == machine.audio.nextSequencerCycle) {
            machine.audio.nextSequencerCycle += kCyclesPerSequencerStep;
            if (machine.audio.power) stepSequencer();
        }
    }
}

void updateStatus() {
    // Bits 4-6 read as 0, so that NR52 keeps the power-on value of every register.
    uint8_t status = machine.audio.power ? 0x80 : 0x00;
    for (int c = 0; c < 4; ++c) {
        if (machine.audio.channels[c].on) status |= static_cast<uint8_t>(1u << c);
    }
    io(NR52) = status;
}

void trigger(int c) {
    Channel& ch = machine.audio.channels[c];
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
    if (c == 3) machine.audio.lfsr = 0x7FFF;
    if (c == 0) {
        const uint8_t period = (io(NR10) >> 4) & 7;
        const uint8_t shift = io(NR10) & 7;
        machine.audio.sweepShadow = ch.frequency;
        machine.audio.sweepTimer = period ? period : 8;
        machine.audio.sweepEnabled = period != 0 || shift != 0;
        if (shift != 0 && sweepTarget() > 2047) ch.on = false;
    }
    refresh(c);
}

// NRx3 and NRx4 together hold the 11-bit frequency; NRx4 also starts the channel.
void writeFrequencyHigh(int c, uint8_t value) {
    Channel& ch = machine.audio.channels[c];
    ch.frequency = static_cast<uint16_t>((ch.frequency & 0xFF) | ((value & 7) << 8));
    ch.lengthEnabled = (value & 0x40) != 0;
    if (value & 0x80) trigger(c);
}

void writeFrequencyLow(int c, uint8_t value) {
    Channel& ch = machine.audio.channels[c];
    ch.frequency = static_cast<uint16_t>((ch.frequency & 0x700) | value);
}

void setPower(bool on) {
    if (on == machine.audio.power) return;
    if (!on) {
        // Switching off clears every sound register below NR52; wave RAM stays.
        for (uint16_t index = NR10; index < NR52; ++index) io(index) = 0;
        for (int c = 0; c < 4; ++c) {
            const int8_t level = machine.audio.channels[c].level;
            machine.audio.channels[c] = Channel{};
            machine.audio.channels[c].level = level;  // refresh takes it down with a step
            refresh(c);
        }
    }
    machine.audio.power = on;
    machine.audio.sequencerStep = 0;
    setWeights();
}

void restartBuffer() {
    std::memset(machine.audio.bufferLeft, 0, sizeof machine.audio.bufferLeft);
    std::memset(machine.audio.bufferRight, 0, sizeof machine.audio.bufferRight);
    machine.audio.samplePos &= 0xFFFFFFFFull;
    machine.audio.sumLeft = mixLeft() << kUnitBits;
    machine.audio.sumRight = mixRight() << kUnitBits;
    machine.audio.capacitorLeft = static_cast<float>(machine.audio.sumLeft);
    machine.audio.capacitorRight = static_cast<float>(machine.audio.sumRight);
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
        machine.audio.sumLeft += machine.audio.bufferLeft[i];
        machine.audio.sumRight += machine.audio.bufferRight[i];
        const int16_t left = toSample(machine.audio.sumLeft, machine.audio.capacitorLeft);
        const int16_t right = toSample(machine.audio.sumRight, machine.audio.capacitorRight);
        if (out) {
            out[2 * i] = left;
            out[2 * i + 1] = right;
        }
    }
    // Entries past the last finished frame plus the kernel's length are still zero.
    const uint32_t live = static_cast<uint32_t>(machine.audio.samplePos >> 32) - count + kTaps;
    std::memmove(machine.audio.bufferLeft, machine.audio.bufferLeft + count, live * sizeof(int32_t));
    std::memmove(machine.audio.bufferRight, machine.audio.bufferRight + count, live * sizeof(int32_t));
    std::memset(machine.audio.bufferLeft + live, 0, count * sizeof(int32_t));
    std::memset(machine.audio.bufferRight + live, 0, count * sizeof(int32_t));
    machine.audio.samplePos -= static_cast<uint64_t>(count) << 32;
}

void dropFrames(uint32_t count) {
    shiftOut(nullptr, count);
}

}  // namespace

void resetAudio() {
    if (!kernelBuilt) buildKernel();
    const bool listening = machine.audio.listening;
    const uint64_t rateStep = machine.audio.rateStep;
    machine.audio = AudioUnit{};
    machine.audio.listening = listening;
    machine.audio.rateStep = rateStep;
    machine.audio.cycle = cyclesAt(machine.stepCount);
    machine.audio.nextSequencerCycle = machine.audio.cycle + kCyclesPerSequencerStep;
    restartBuffer();
    if (!machine.HighPage.empty()) updateStatus();
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
    if (index >= WAVE_RAM || index > NR51 || !machine.audio.power) return;
    switch (index) {
        case NR11:
        case NR21:
        case NR41:
            machine.audio.channels[index == NR11 ? 0 : index == NR21 ? 1 : 3].length = 64 - (value & 63);
            break;
        case NR31: machine.audio.channels[2].length = static_cast<uint16_t>(256 - value); break;
        case NR12:
        case NR22:
        case NR42:
        case NR30: {
            const int c = index == NR12 ? 0 : index == NR22 ? 1 : index == NR30 ? 2 : 3;
            if (dacOn(c)) {
                refresh(c);
            } else {
                // A DAC switched off does not drop to 0 at once: its output holds
                // until the sequencer's next step. A DAC switched off and straight
                // back on, as programs do to reload the wave or restart a note,
                // makes no pulse.
                machine.audio.channels[c].on = false;
            }
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
            machine.audio.channels[3].lengthEnabled = (value & 0x40) != 0;
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
    if (listening == machine.audio.listening) return;
    if (!kernelBuilt) buildKernel();
    catchUp();
    machine.audio.listening = listening;
    if (listening) restartBuffer();
}

bool audioListening() {
    return machine.audio.listening;
}

void setAudioRateRatio(double ratio) {
    if (!(ratio > 0.5)) ratio = 0.5;
    if (ratio > 2.0) ratio = 2.0;
    catchUp();
    machine.audio.rateStep =
        static_cast<uint64_t>(std::llround(static_cast<double>(kExactRateStep) * ratio));
}

size_t takeAudioSamples(int16_t* out, size_t maxFrames) {
    catchUp();
    if (!machine.audio.listening) return 0;
    const uint64_t finished = machine.audio.samplePos >> 32;
    const uint32_t count = static_cast<uint32_t>(finished < maxFrames ? finished : maxFrames);
    shiftOut(out, count);
    return count;
}

void bringAudioIntoRange(AudioUnit& unit, uint64_t stepCount) {
    // The integrated levels stay far inside 32 bits: a channel swings by 30 at most,
    // weighted by 8 at most, four channels, in units of 2^15.
    constexpr int32_t kLevelBound = 1 << 24;
    const auto clamp = [](int32_t value, int32_t low, int32_t high) {
        return value < low ? low : value > high ? high : value;
    };
    for (int c = 0; c < 4; ++c) {
        AudioChannel& ch = unit.channels[c];
        ch.level = static_cast<int8_t>(clamp(ch.level, -15, 15));
        ch.position &= c == 2 ? 31 : 7;
        ch.frequency &= 0x7FF;
        if (ch.length > 256) ch.length = 256;
        ch.envelope.volume &= 15;
        ch.envelope.period &= 7;
        unit.weightLeft[c] = clamp(unit.weightLeft[c], 0, 8);
        unit.weightRight[c] = clamp(unit.weightRight[c], 0, 8);
    }
    unit.sweepShadow &= 0x7FF;
    unit.sweepTimer &= 7;
    unit.lfsr &= 0x7FFF;
    unit.sequencerStep &= 7;
    // At most a second behind the machine, never ahead of it.
    const uint64_t now = cyclesAt(stepCount);
    if (unit.cycle > now || now - unit.cycle > 4194304) unit.cycle = now;
    if (unit.nextSequencerCycle <= unit.cycle ||
        unit.nextSequencerCycle > unit.cycle + kCyclesPerSequencerStep)
        unit.nextSequencerCycle = unit.cycle + kCyclesPerSequencerStep;
    if ((unit.samplePos >> 32) + kTaps > kAudioBufferLength) unit.samplePos &= 0xFFFFFFFFull;
    unit.sumLeft = clamp(unit.sumLeft, -kLevelBound, kLevelBound);
    unit.sumRight = clamp(unit.sumRight, -kLevelBound, kLevelBound);
    // Past the live entries the buffer is zero; within them, the output integrates
    // to levels a real unit can reach, or the buffer starts again empty.
    const uint32_t live = static_cast<uint32_t>(unit.samplePos >> 32) + kTaps;
    int64_t left = unit.sumLeft;
    int64_t right = unit.sumRight;
    bool reachable = true;
    for (uint32_t i = 0; i < kAudioBufferLength; ++i) {
        if (i >= live) unit.bufferLeft[i] = unit.bufferRight[i] = 0;
        left += unit.bufferLeft[i];
        right += unit.bufferRight[i];
        if (left < -kLevelBound || left > kLevelBound || right < -kLevelBound ||
            right > kLevelBound)
            reachable = false;
    }
    if (!reachable) {
        std::memset(unit.bufferLeft, 0, sizeof unit.bufferLeft);
        std::memset(unit.bufferRight, 0, sizeof unit.bufferRight);
    }
    if (!std::isfinite(unit.capacitorLeft)) unit.capacitorLeft = 0;
    if (!std::isfinite(unit.capacitorRight)) unit.capacitorRight = 0;
}

void keepAudioTaker(bool listening, uint64_t rateStep) {
    const bool stateListened = machine.audio.listening;
    machine.audio.listening = listening;
    machine.audio.rateStep = rateStep;
    if (listening) {
        if (!kernelBuilt) buildKernel();
        if (!stateListened) restartBuffer();
    }
}
