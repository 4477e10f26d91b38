// The queue of 48 kHz stereo frames between the program and a sound device that pulls
// them on its own thread, and what the device plays when the queue runs dry: the last
// frame played, faded out to silence over a few milliseconds, rather than a hard
// drop to zero that would click. Not thread-safe by itself: the device's side and
// the program's take the same lock around each call.
#pragma once

#include <cstddef>
#include <cstdint>

// An underrun fades the last frame to silence over this many frames (5 ms).
inline constexpr uint32_t kUnderrunFadeFrames = 240;

// Writes count frames of an underrun that started from frame `last`, the first of
// them being the fade's frame `position` (0 is the first after the last one played):
// a straight line down to zero over kUnderrunFadeFrames, then silence.
void writeUnderrunFrames(const int16_t last[2], uint32_t position, int16_t* out, size_t count);

class AudioRing {
public:
    static constexpr size_t kCapacity = 16384;

    // Appends as many frames as fit; returns how many did.
    size_t push(const int16_t* frames, size_t count);
    // Fills out with count frames: queued ones first, then the underrun's.
    void pull(int16_t* out, size_t count);
    size_t size() const { return count_; }
    // Drops what is queued; whatever follows starts from silence.
    void clear();

private:
    int16_t frames_[2 * kCapacity] = {};
    size_t head_ = 0;
    size_t count_ = 0;
    int16_t last_[2] = {};
    uint32_t underrunPosition_ = kUnderrunFadeFrames;
};
