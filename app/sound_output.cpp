#include "app/sound_output.h"

#include <cstdio>
#include <string>

#include "app/app_flags.h"
#include "cartridge/preferences.h"
#include "core/audio.h"
#include "platform/audio_output.h"
#include "platform/window.h"
#include "resources/resources.h"

uint8_t soundEnabled = 1;

namespace {

// The queue level aimed at: 50 ms. A frame's samples (16.7 ms) come on top of it.
constexpr double kTargetFrames = 2400;
// More than this waiting is the device's doing, not the rate's.
constexpr uint32_t kMaxQueuedFrames = 2 * static_cast<uint32_t>(kTargetFrames);
// The pacer keeps emulated time on the host's clock, so the rate only has to make up
// for the sound device's clock running a little fast or slow against it: it moves at
// most this far from exact emulated time, too little to hear.
constexpr double kMaxAdjust = 0.005;
// Proportional and integral gains on the level error (a fraction of the target),
// applied once a frame, and the smoothing of the level, which the device takes in
// periods of its own (43 ms with SDL).
constexpr double kProportional = 0.004;
constexpr double kIntegral = 0.00005;
constexpr double kSmoothing = 0.125;

bool deviceOpen = false;
bool playing = false;
double smoothedLevel = kTargetFrames;
double integral = 0;
SoundQueueLevels levels;
int16_t samples[2 * kAudioPendingFrames];
int16_t silence[2 * 2400] = {};

// The levels just before and just after a frame's samples were queued.
void note(uint32_t before, uint32_t after) {
    if (levels.feeds++ == 0) levels.lowest = levels.highest = before;
    for (const uint32_t level : {before, after}) {
        if (level < levels.lowest) levels.lowest = level;
        if (level > levels.highest) levels.highest = level;
    }
}

}  // namespace

void startSound() {
    std::string error;
    deviceOpen = openAudioOutput(error);
    if (!deviceOpen) {
        // Said once, on stderr with the reason and to the player on the screen; the
        // sound switch shows that there is nothing to switch.
        std::fprintf(stderr, "Korvi: no sound (%s)\n", error.c_str());
        showOnScreenMessage("No sound device: playing silent");
        checkMenuItem(ID_GAME_SOUND, false);
        setMenuItem(ID_GAME_SOUND, "&Sound", false);
    }
    playing = false;
    levels = SoundQueueLevels{};
}

void stopSound() {
    pauseSound();
    if (deviceOpen) closeAudioOutput();
    deviceOpen = false;
}

// The player's volume, in per cent, on each sample of both channels.
void applyVolume(int16_t* frames, size_t count) {
    const int32_t volume = preferences.volume < 100 ? preferences.volume : 100;
    if (volume == 100) return;
    for (size_t i = 0; i < 2 * count; ++i) {
        frames[i] = static_cast<int16_t>(frames[i] * volume / 100);
    }
}

void restartSoundRate() {
    smoothedLevel = kTargetFrames;
    integral = 0;
    levels.ratio = 1.0;
    setAudioRateRatio(1.0);
}

void pauseSound() {
    if (playing) stopAudio();
    playing = false;
    setAudioListening(false);
}

void feedSound(bool realTime) {
    if (!deviceOpen || !soundEnabled || !realTime) {
        pauseSound();
        return;
    }
    if (!playing) {
        // A fresh start: the unit's samples from now on, behind a cushion of silence.
        setAudioListening(true);
        queueAudio(silence, sizeof silence / 4);
        smoothedLevel = kTargetFrames;
        playing = true;
    }
    const uint32_t before = queuedAudioFrames();
    const size_t count = takeAudioSamples(samples, kAudioPendingFrames);
    // A device that takes nothing for a while (one starting up, a stalled sound
    // server) must not pile up latency that the rate could take minutes to work off:
    // while twice the level aimed at waits, a frame's samples are left out.
    if (before <= kMaxQueuedFrames) {
        applyVolume(samples, count);
        queueAudio(samples, count);
    }
    const uint32_t after = queuedAudioFrames();
    note(before, after);

    smoothedLevel += (after - smoothedLevel) * kSmoothing;
    double error = (kTargetFrames - smoothedLevel) / kTargetFrames;
    if (error > 1) error = 1;
    if (error < -1) error = -1;
    integral += error * kIntegral;
    if (integral > kMaxAdjust) integral = kMaxAdjust;
    if (integral < -kMaxAdjust) integral = -kMaxAdjust;
    double adjust = integral + error * kProportional;
    if (adjust > kMaxAdjust) adjust = kMaxAdjust;
    if (adjust < -kMaxAdjust) adjust = -kMaxAdjust;
    levels.ratio = 1 + adjust;
    setAudioRateRatio(levels.ratio);
}

SoundQueueLevels soundQueueLevels() {
    return levels;
}

void resetSoundQueueLevels() {
    const double ratio = levels.ratio;
    levels = SoundQueueLevels{};
    levels.ratio = ratio;
}
