// The one way the program opens, reads, writes and closes files: a small object that
// owns one host file handle and remembers the mode it was opened in.
#pragma once

#include <cstdint>
#include <string>

// FileHandle::failure() for a name that is there but is no regular file.
inline constexpr const char* kNotARegularFile = "not a regular file (a device, pipe or socket)";

// Whether c ends a folder name in a path on this host.
inline bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// Where a path's file name starts: just after its last separator, 0 with none.
inline size_t fileNameStart(const std::string& path) {
    size_t start = path.size();
    while (start > 0 && !isPathSeparator(path[start - 1])) --start;
    return start;
}
// The file name at the end of a path ("game.gb" of "/roms/game.gb").
inline std::string fileNameOf(const std::string& path) {
    return path.substr(fileNameStart(path));
}
// The folder part of a path, without the separator after it ("/roms" of
// "/roms/game.gb", "/" of "/game.gb"); empty when there is none.
inline std::string folderOf(const std::string& path) {
    const size_t start = fileNameStart(path);
    if (start == 0) return {};
    return path.substr(0, start > 1 ? start - 1 : start);
}

enum class FileMode : uint8_t {
    Read = 0,       // an existing file, for reading; other readers may share it
    Create = 1,     // create, or truncate an existing file, for writing; no sharing
    Overwrite = 2,  // write from the start, creating if missing, keeping the rest; no sharing
    Append = 3,     // write at the end, creating if missing; no sharing
};

class FileHandle {
public:
    // Host handle value meaning "no file open" (all bits set).
    static constexpr intptr_t kInvalidHandle = -1;

    FileHandle() = default;
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Closes any open file first. The mode is kept even when the open fails. A second
    // writer, or a reader while a writer holds the file, is refused, and so is anything
    // that is not a regular file (a folder, device, pipe or socket) without waiting on it.
    bool open(const std::string& path, FileMode mode);
    // Creates path as a new, empty file and opens it in mode Create. Fails when the
    // name is taken by anything at all, a link included, which is never followed.
    bool createNew(const std::string& path);
    // Harmless when nothing is open.
    void close();

    // Whole-buffer transfers: return the number of bytes moved, 0 when nothing is
    // open, when n is 0, or when the handle's mode does not allow the direction.
    // A read stops early only at the end of the file or on a host error, which
    // readFailed() and failure() then tell.
    uint32_t read(void* destination, uint32_t n);
    uint32_t write(const void* source, uint32_t n);
    // Writes the n (1 to 4) low-order bytes of value, least significant first.
    uint32_t writeValue(uint32_t value, uint32_t n);

    // Pushes written data through to the storage device; false on failure or when
    // nothing is open for writing.
    bool flush();

    // Moves the write position back to the start of the file, so that a header can be
    // filled in once the rest is written; false when nothing is open for writing.
    bool seekToStart();

    // The open file's length in bytes; 0 when nothing is open or the host cannot tell.
    uint64_t size() const;

    bool isOpen() const { return handle_ != kInvalidHandle; }
    FileMode mode() const { return mode_; }

    // Why the last open, createNew, read, write or flush failed, in words for a
    // message ("not a regular file", or the host's own); empty after a success.
    const std::string& failure() const { return failure_; }
    // Whether the last open failed only because there is no file of that name: a
    // file that is there but cannot be opened is another matter.
    bool missing() const { return missing_; }
    // Whether the last read stopped on an error rather than at the end of the file.
    bool readFailed() const { return readFailed_; }
    // Whether the last createNew failed only because the name was already taken.
    bool nameTaken() const { return nameTaken_; }

private:
    intptr_t handle_ = kInvalidHandle;
    FileMode mode_ = FileMode::Read;
    bool nameTaken_ = false;
    bool missing_ = false;
    bool readFailed_ = false;
    std::string failure_;
};

// Host file-system operations the save and settings code needs beside FileHandle.
// Replaces `to` with `from` in one step; the old `to` survives any failure.
bool renameFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
// Creates the folder at path (only for its owner where the host has owners); true
// when it exists as a folder afterwards.
bool makeFolder(const std::string& path);
// The host's words for the most recent failed file operation of this thread.
std::string hostErrorText();

// What stands at path when it is neither missing nor a regular file: "a symbolic
// link", "a folder" or "a device, pipe or socket" (a link is named as such, never
// followed). Empty when path is free or a regular file. Outputs are only ever put in
// place of those.
std::string occupiedBy(const std::string& path);

// path made absolute against the current folder (as it stands now), so that it keeps
// naming the same file whatever changes the current folder later; unchanged when it is
// absolute already or the current folder cannot be told.
std::string absolutePath(const std::string& path);

// Whether two paths name the same existing file (through links and other spellings).
bool sameFile(const std::string& first, const std::string& second);
