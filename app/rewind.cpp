#include "app/rewind.h"

#include <string>

#include "core/machine_state.h"
#include "core/state_blocks.h"

RewindHistory rewindHistory;

namespace {

void putCount(std::vector<uint8_t>& out, size_t n) {
    while (n >= 0x80) {
        out.push_back(static_cast<uint8_t>(n | 0x80));
        n >>= 7;
    }
    out.push_back(static_cast<uint8_t>(n));
}

size_t takeCount(const uint8_t*& p) {
    size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t byte = *p++;
        n |= static_cast<size_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return n;
    }
}

// The difference of two states of one size: pairs of (bytes alike, bytes that differ),
// each followed by the differing bytes XORed.
void encodeDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                      std::vector<uint8_t>& out) {
    const size_t size = a.size();
    size_t i = 0;
    while (i < size) {
        const size_t alikeStart = i;
        while (i < size && a[i] == b[i]) ++i;
        const size_t changedStart = i;
        // A run of changes ends at the first four alike bytes in a row: shorter
        // gaps are cheaper kept inside the run.
        size_t alike = 0;
        while (i < size && alike < 4) {
            alike = a[i] == b[i] ? alike + 1 : 0;
            ++i;
        }
        const size_t changedEnd = alike == 4 ? i - 4 : i;
        i = changedEnd;
        putCount(out, changedStart - alikeStart);
        putCount(out, changedEnd - changedStart);
        for (size_t k = changedStart; k < changedEnd; ++k)
            out.push_back(static_cast<uint8_t>(a[k] ^ b[k]));
    }
}

void applyDifference(const std::vector<uint8_t>& difference, std::vector<uint8_t>& state) {
    const uint8_t* p = difference.data();
    const uint8_t* end = p + difference.size();
    size_t i = 0;
    while (p < end) {
        i += takeCount(p);
        const size_t changed = takeCount(p);
        for (size_t k = 0; k < changed; ++k) state[i++] ^= *p++;
    }
}

}  // namespace

void RewindHistory::record() {
    scratch_.clear();
    writeMachineBlocks(machine, scratch_);
    if (newest_.size() != scratch_.size()) {
        // Another cartridge, or a state of another shape: the history starts again.
        clear();
        newest_.swap(scratch_);
        return;
    }
    std::vector<uint8_t> difference;
    encodeDifference(newest_, scratch_, difference);
    difference.shrink_to_fit();
    differenceBytes_ += difference.capacity();
    differences_.push_back(std::move(difference));
    newest_.swap(scratch_);
    while (!differences_.empty() &&
           (differences_.size() > kRewindFrames || memoryBytes() > kRewindMemoryBudget)) {
        differenceBytes_ -= differences_.front().capacity();
        differences_.pop_front();
    }
}

bool RewindHistory::stepBack() {
    if (differences_.empty()) return false;
    applyDifference(differences_.back(), newest_);
    differenceBytes_ -= differences_.back().capacity();
    differences_.pop_back();
    std::string reason;
    return restoreMachineBlocks(newest_.data(), newest_.size(), reason);
}

void RewindHistory::clear() {
    newest_.clear();
    differences_.clear();
    differenceBytes_ = 0;
}
