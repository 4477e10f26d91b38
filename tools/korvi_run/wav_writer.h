// The whole run's sound as a WAV file: 48 kHz, stereo, signed 16-bit samples. It is
// recorded into a temporary file beside the target and put in place when closed, so
// that no one sees a half-written WAV under the target's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cartridge/whole_file_writer.h"

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Starts the recording with a header for no samples yet. Refuses a target that is
    // a link, folder, device, pipe or socket. False with a message.
    bool open(const std::string& path, std::string& error);
    // Appends interleaved stereo frames; a failed write is reported by close.
    void write(const int16_t* frames, size_t count);
    // Fills in the sizes and puts the file in place. On any failure nothing is left
    // behind and the target is as it was, and error says why.
    bool close(std::string& error);
    // Drops the recording: the temporary file is removed, the target left alone.
    void discard();

    bool isOpen() const { return file_.isOpen(); }
    uint64_t framesWritten() const { return frames_; }

private:
    FileReplacement file_;
    std::string path_;
    uint64_t frames_ = 0;
    bool failed_ = false;
};
