// Rewind: the machine's state at the end of every frame played, kept so that holding
// the rewind key can take the game back frame by frame through the last minute.
//
// The newest state is kept whole; each older one only as its difference from the
// one after it (the two states' blocks XORed, runs of unchanged bytes counted rather
// than stored), so a frame costs what the game changed in it: a few kilobytes for
// most games. The history keeps kRewindFrames frames, fewer when it would outgrow
// kRewindMemoryBudget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// 60.3 seconds at the handheld's 59.73 frames per second.
inline constexpr uint32_t kRewindFrames = 3600;
inline constexpr size_t kRewindMemoryBudget = size_t{48} << 20;

class RewindHistory {
public:
    // Adds the running machine's state as the newest frame.
    void record();
    // Makes the running machine the state one recorded frame before the newest, which
    // it then replaces; false, with the machine untouched, when no older frame is left.
    bool stepBack();
    void clear();

    uint32_t frames() const { return static_cast<uint32_t>(differences_.size()); }
    // The memory the history holds now, in bytes.
    size_t memoryBytes() const { return newest_.capacity() + differenceBytes_; }

private:
    std::vector<uint8_t> newest_;
    // differences_[i] turns frame i + 1 back into frame i; the last turns the newest
    // into the one before it.
    std::deque<std::vector<uint8_t>> differences_;
    size_t differenceBytes_ = 0;
    std::vector<uint8_t> scratch_;
};

extern RewindHistory rewindHistory;
