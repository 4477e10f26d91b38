// The whole run's sound as a WAV file: 48 kHz, stereo, signed 16-bit samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates the file with a header for no samples yet. False with a message.
    bool open(const std::string& path, std::string& error);
    // Appends interleaved stereo frames; a failed write is reported by close.
    void write(const int16_t* frames, size_t count);
    // Fills in the sizes and closes. On any failure the file is removed, so that
    // no truncated WAV is left behind, and error says why.
    bool close(std::string& error);

    bool isOpen() const { return file_ != nullptr; }
    uint64_t framesWritten() const { return frames_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    uint64_t frames_ = 0;
    bool failed_ = false;
};
