#include "tools/korvi_run/wav_writer.h"

#include <cstring>

#include "core/audio.h"

namespace {

constexpr uint32_t kChannels = 2;
constexpr uint32_t kBytesPerFrame = kChannels * 2;
// The sizes in the header are 32-bit; a run longer than they can count (about
// six hours) ends its data there.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

void putLittle(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

void makeHeader(uint8_t* header, uint32_t dataBytes) {
    std::memcpy(header, "RIFF", 4);
    putLittle(header + 4, 36 + dataBytes, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    putLittle(header + 16, 16, 4);  // size of the format chunk
    putLittle(header + 20, 1, 2);   // integer PCM
    putLittle(header + 22, kChannels, 2);
    putLittle(header + 24, kAudioSampleRate, 4);
    putLittle(header + 28, kAudioSampleRate * kBytesPerFrame, 4);
    putLittle(header + 32, kBytesPerFrame, 2);
    putLittle(header + 34, 16, 2);  // bits per sample
    std::memcpy(header + 36, "data", 4);
    putLittle(header + 40, dataBytes, 4);
}

}  // namespace

WavWriter::~WavWriter() {
    discard();
}

bool WavWriter::open(const std::string& path, std::string& error) {
    path_ = path;
    frames_ = 0;
    failed_ = false;
    std::string failure;
    if (!file_.begin(path, failure)) {
        error = "cannot write \"" + path + "\": " + failure;
        return false;
    }
    uint8_t header[44];
    makeHeader(header, 0);
    if (file_.file().write(header, sizeof header) != sizeof header) failed_ = true;
    return true;
}

void WavWriter::write(const int16_t* frames, size_t count) {
    if (!isOpen() || failed_ || count == 0) return;
    if ((frames_ + count) * kBytesPerFrame > kMaxDataBytes) return;
    uint8_t bytes[4096];
    size_t done = 0;
    while (done < count) {
        const size_t chunk = count - done < sizeof bytes / kBytesPerFrame
                                 ? count - done
                                 : sizeof bytes / kBytesPerFrame;
        for (size_t i = 0; i < chunk * kChannels; ++i) {
            const uint16_t sample = static_cast<uint16_t>(frames[done * kChannels + i]);
            bytes[2 * i] = static_cast<uint8_t>(sample & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
        }
        const auto length = static_cast<uint32_t>(chunk * kBytesPerFrame);
        if (file_.file().write(bytes, length) != length) {
            failed_ = true;
            return;
        }
        done += chunk;
    }
    frames_ += count;
}

bool WavWriter::close(std::string& error) {
    if (!isOpen()) return !failed_;
    uint8_t header[44];
    makeHeader(header, static_cast<uint32_t>(frames_ * kBytesPerFrame));
    if (!failed_ && (!file_.file().seekToStart() ||
                     file_.file().write(header, sizeof header) != sizeof header)) {
        failed_ = true;
    }
    std::string failure;
    if (failed_) {
        failure = "cannot write it completely: " + file_.file().failure();
        file_.abandon();
    } else if (!file_.commit(failure)) {
        failed_ = true;
    }
    if (failed_) error = "cannot write \"" + path_ + "\": " + failure;
    return !failed_;
}

void WavWriter::discard() {
    file_.abandon();
}
