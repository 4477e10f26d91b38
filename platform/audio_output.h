// The sound device: a queue of 48 kHz stereo frames (left, right, signed 16-bit)
// that the platform plays in order. Implemented once per platform: SDL2 audio,
// DirectSound 8, and a headless queue for tests that plays nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Opens the default device, not yet playing. False with the reason when there is
// none (no sound server, a broken driver): the program then runs without sound.
bool openAudioOutput(std::string& error);
void closeAudioOutput();

// Appends frames to the queue and keeps the device playing.
void queueAudio(const int16_t* frames, size_t count);
// Frames queued and not yet played.
uint32_t queuedAudioFrames();
// Drops whatever is queued and stops: the device stays silent until the next queueAudio.
void stopAudio();
