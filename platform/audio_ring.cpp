#include "platform/audio_ring.h"

#include <cstring>

void writeUnderrunFrames(const int16_t last[2], uint32_t position, int16_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i, ++position) {
        const int32_t left = position < kUnderrunFadeFrames ? kUnderrunFadeFrames - 1 - position : 0;
        for (int channel = 0; channel < 2; ++channel)
            out[2 * i + channel] =
                static_cast<int16_t>(int32_t{last[channel]} * left / int32_t{kUnderrunFadeFrames});
    }
}

size_t AudioRing::push(const int16_t* frames, size_t count) {
    if (count > kCapacity - count_) count = kCapacity - count_;
    size_t tail = (head_ + count_) % kCapacity;
    for (size_t done = 0; done < count;) {
        const size_t run = count - done < kCapacity - tail ? count - done : kCapacity - tail;
        std::memcpy(frames_ + 2 * tail, frames + 2 * done, run * 4);
        done += run;
        tail = (tail + run) % kCapacity;
    }
    count_ += count;
    return count;
}

void AudioRing::pull(int16_t* out, size_t count) {
    size_t done = 0;
    while (done < count && count_ > 0) {
        size_t run = count - done < count_ ? count - done : count_;
        if (run > kCapacity - head_) run = kCapacity - head_;
        std::memcpy(out + 2 * done, frames_ + 2 * head_, run * 4);
        done += run;
        head_ = (head_ + run) % kCapacity;
        count_ -= run;
    }
    if (done > 0) {
        std::memcpy(last_, out + 2 * (done - 1), sizeof last_);
        underrunPosition_ = 0;
    }
    if (done == count) return;
    writeUnderrunFrames(last_, underrunPosition_, out + 2 * done, count - done);
    const size_t passed = count - done;
    underrunPosition_ = passed >= kUnderrunFadeFrames - underrunPosition_
                            ? kUnderrunFadeFrames
                            : underrunPosition_ + static_cast<uint32_t>(passed);
}

void AudioRing::clear() {
    head_ = 0;
    count_ = 0;
    underrunPosition_ = kUnderrunFadeFrames;
}
