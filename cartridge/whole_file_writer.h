// Replacing a file's whole contents so that no one can subvert the write or catch it
// half-done: the bytes go into a fresh temporary file beside the target, created
// exclusively under a short unique name, and only a complete, flushed file is renamed
// over the target. Saves, screenshots and recordings are written this way.
//
// Only a missing name or a regular file is ever replaced. A folder, a device, a pipe or
// a socket at the target is refused, and so is a symbolic link unless the caller lets
// links be replaced (the link itself, never what it names).
#pragma once

#include <cstdint>
#include <string>

#include "cartridge/file_handle.h"

enum class AtLink : uint8_t {
    Refuse,   // an output the user named: a link there is refused
    Replace,  // a save of the game's own: the link gives way to the file, nothing is lost
};

// Why the target cannot be replaced ("refused: it is a folder"), empty when it can.
std::string replaceRefusal(const std::string& path, AtLink atLink = AtLink::Refuse);

// A file written piece by piece and put in place whole at the end: until commit,
// everything goes into the temporary file, so a reader of the target never sees a
// partial file. Destroyed or abandoned before commit, the temporary file is removed.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement() { abandon(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Checks the target and creates the temporary file beside it. False with a reason.
    bool begin(const std::string& path, std::string& failure, AtLink atLink = AtLink::Refuse);
    // The temporary file, open for writing.
    FileHandle& file() { return file_; }
    bool isOpen() const { return file_.isOpen(); }
    const std::string& temporaryPath() const { return temporary_; }
    // Flushes and closes the temporary file and renames it over the target, checked
    // again. On false the target is as it was, the temporary file is gone, and failure
    // says why.
    bool commit(std::string& failure);
    // Closes and removes the temporary file; harmless when there is none.
    void abandon();

private:
    FileHandle file_;
    std::string path_;
    std::string temporary_;
    AtLink atLink_ = AtLink::Refuse;
};

// Writes size bytes from data as the whole new contents of path. On false, path is as
// it was before, no temporary file is left, and failure says why in the host's words.
// Two writers at once each use their own temporary file; the last rename wins.
bool writeWholeFile(const std::string& path, const void* data, uint32_t size, std::string& failure,
                    AtLink atLink = AtLink::Refuse);

// Whether writeWholeFile could put a file at path: a temporary file is created in
// its folder and removed again. On false, failure says why.
bool canWriteBeside(const std::string& path, std::string& failure);

// How many temporary names one write tries before giving up: a name is skipped when
// anything, a link included, already has it.
inline constexpr uint32_t kTemporaryNameAttempts = 16;

// The temporary name tried for path at the given attempt (0 to
// kTemporaryNameAttempts - 1) by a write drawing its names from seed: in path's
// folder, ".korvi-" and eight hex digits, ".tmp".
std::string temporaryNameBeside(const std::string& path, uint64_t seed, uint32_t attempt);

// Makes the next write draw its names from seed; later writes go on from there. Each
// process otherwise starts from its own seed.
void seedTemporaryNames(uint64_t seed);
