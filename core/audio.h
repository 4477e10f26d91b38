// The audio unit: two pulse channels (the first with a frequency sweep), a wave
// channel and a noise channel, a 512 Hz frame sequencer for lengths, sweep and
// envelopes, and the stereo mixer of NR50/NR51, all powered by NR52 bit 7.
//
// The unit does nothing while the machine steps. It catches up with the machine's
// step count only when a sound register is written, when NR52 is read and when
// samples are taken: then it runs the channels over the clock cycles that have
// passed (7,088 steps are 70,224 cycles, counted exactly) and, while someone
// listens, turns each change of a channel's level into a band-limited step in a
// 48 kHz stereo buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/audio_unit.h"

// Power-on state: the unit off, every channel silent, no samples waiting. The
// listening flag and the rate ratio are kept.
void resetAudio();

// A write to 0xFF10-0xFF3F, with its effect on the channels at this moment.
void writeSoundRegister(uint8_t value, uint16_t address);

// NR52 as it stands now: the power bit and which channels are on in bits 0-3.
// Kept in HighPage as well.
uint8_t readSoundStatus();

// While nobody listens the unit keeps only the frame sequencer going (lengths can
// switch channels off), so the machine barely slows down. Starting to listen
// begins with an empty buffer.
void setAudioListening(bool listening);
bool audioListening();

// Output samples per emulated second relative to 48,000: above 1 the unit makes
// more samples for the same emulated time. The desktop output nudges it to keep
// its queue level; 1 is exact emulated time.
void setAudioRateRatio(double ratio);

// Brings the unit up to the machine's step count and moves up to maxFrames
// finished stereo frames (left, right, signed 16-bit) to out. Returns how many.
size_t takeAudioSamples(int16_t* out, size_t maxFrames);

// Brings a sound unit read from a state into the range a running one keeps (levels,
// weights and positions within their bounds, its time close behind stepCount's), so
// that catching up can neither overflow nor run for ages.
void bringAudioIntoRange(AudioUnit& unit, uint64_t stepCount);

// After the machine was replaced by a state: the taker's choices made before it
// (listening, the rate) hold on, and a state taken while nobody listened starts on an
// empty buffer.
void keepAudioTaker(bool listening, uint64_t rateStep);
