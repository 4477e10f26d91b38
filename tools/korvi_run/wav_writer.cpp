#include "tools/korvi_run/wav_writer.h"

#include <sys/stat.h>

#include <cerrno>
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
    std::string ignored;
    if (file_ != nullptr) close(ignored);
}

bool WavWriter::open(const std::string& path, std::string& error) {
    path_ = path;
    frames_ = 0;
    failed_ = false;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot create \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    uint8_t header[44];
    makeHeader(header, 0);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) failed_ = true;
    return true;
}

void WavWriter::write(const int16_t* frames, size_t count) {
    if (file_ == nullptr || failed_ || count == 0) return;
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
        if (std::fwrite(bytes, kBytesPerFrame, chunk, file_) != chunk) {
            failed_ = true;
            return;
        }
        done += chunk;
    }
    frames_ += count;
}

bool WavWriter::close(std::string& error) {
    if (file_ == nullptr) return !failed_;
    uint8_t header[44];
    makeHeader(header, static_cast<uint32_t>(frames_ * kBytesPerFrame));
    // Seeking fails on a pipe or a character device such as /dev/null; the data is
    // then all there is and the header keeps its zero sizes.
    if (std::fseek(file_, 0, SEEK_SET) == 0 &&
        std::fwrite(header, 1, sizeof header, file_) != sizeof header) {
        failed_ = true;
    }
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) {
        error = "cannot write \"" + path_ + "\"";
        // Only a file of our own is removed, never a device such as /dev/null.
        struct stat info;
        if (stat(path_.c_str(), &info) == 0 && S_ISREG(info.st_mode)) std::remove(path_.c_str());
        return false;
    }
    return true;
}
