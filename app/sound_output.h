// The desktop program's sound: the audio unit's samples queued on the platform's
// device once per frame of emulated time, with the unit's rate nudged (by half a
// per cent at the most) so that the queue neither runs dry nor grows.
#pragma once

#include <cstdint>

// Game › Sound, for this session only (not in settings.bin); initial 1.
extern uint8_t soundEnabled;

// Opens the device. Without one the program runs silent; the reason goes to stderr
// once. Never a failure to start.
void startSound();
void stopSound();

// After each frame of emulated time. Sound is queued only when realTime says the
// frames come at the limiter's pace (not with the limit off, not fast-forwarding,
// not rewinding) and sound is enabled; otherwise the device falls silent and the
// unit stops making samples.
void feedSound(bool realTime);

// The rate controller belongs to the game: a cartridge loaded or reset starts it
// again from exact emulated time.
void restartSoundRate();

// Silence at once, nothing left queued: for the menu state.
void pauseSound();

// Queue levels in frames seen since startSound: just before and just after each
// frame's samples were queued, and the rate ratio last chosen.
struct SoundQueueLevels {
    uint32_t lowest = 0;
    uint32_t highest = 0;
    uint64_t feeds = 0;
    double ratio = 1.0;
};
SoundQueueLevels soundQueueLevels();
void resetSoundQueueLevels();
