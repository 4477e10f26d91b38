#include "cartridge/whole_file_writer.h"

#include <chrono>

#include "cartridge/file_handle.h"

#ifdef _WIN32
#include <process.h>
#define KORVI_PROCESS_ID _getpid
#else
#include <unistd.h>
#define KORVI_PROCESS_ID getpid
#endif

namespace {

// A well-mixed 64-bit value from any input, so that neighbouring seeds and attempts
// give unrelated names.
uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Differs between processes (the id) and between runs of one process (the clock).
uint64_t processSeed() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return mix(static_cast<uint64_t>(now) ^ (static_cast<uint64_t>(KORVI_PROCESS_ID()) << 32));
}

uint64_t nextSeed = processSeed();

}  // namespace

std::string temporaryNameBeside(const std::string& path, uint64_t seed, uint32_t attempt) {
    size_t folderEnd = path.size();
    while (folderEnd > 0 && !isPathSeparator(path[folderEnd - 1])) --folderEnd;
    const uint64_t value = mix(seed + attempt);
    static const char kHex[] = "0123456789abcdef";
    std::string name = path.substr(0, folderEnd) + ".korvi-";
    for (int shift = 28; shift >= 0; shift -= 4) name += kHex[(value >> shift) & 0xF];
    return name + ".tmp";
}

void seedTemporaryNames(uint64_t seed) {
    nextSeed = seed;
}

namespace {

// Creates a fresh temporary file beside path, under the next seed's names.
bool createTemporaryBeside(const std::string& path, FileHandle& file, std::string& temporary,
                           std::string& failure) {
    const uint64_t seed = nextSeed;
    nextSeed = mix(nextSeed);
    for (uint32_t attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        temporary = temporaryNameBeside(path, seed, attempt);
        if (file.createNew(temporary) || !file.nameTaken()) break;
    }
    if (file.isOpen()) return true;
    failure = "cannot create a temporary file beside it: " + file.failure();
    return false;
}

}  // namespace

bool canWriteBeside(const std::string& path, std::string& failure) {
    FileHandle file;
    std::string temporary;
    if (!createTemporaryBeside(path, file, temporary, failure)) return false;
    file.close();
    removeFile(temporary);
    return true;
}

std::string replaceRefusal(const std::string& path, AtLink atLink) {
    const std::string occupant = occupiedBy(path);
    if (occupant.empty() || (atLink == AtLink::Replace && occupant == "a symbolic link")) return {};
    return "refused: it is " + occupant + ", which is never replaced";
}

bool FileReplacement::begin(const std::string& path, std::string& failure, AtLink atLink) {
    abandon();
    path_ = path;
    atLink_ = atLink;
    failure = replaceRefusal(path, atLink);
    if (!failure.empty()) return false;
    if (createTemporaryBeside(path, file_, temporary_, failure)) return true;
    temporary_.clear();
    return false;
}

bool FileReplacement::commit(std::string& failure) {
    if (!file_.isOpen()) {
        failure = "nothing to put in place";
        return false;
    }
    const bool written = file_.flush();
    if (!written) failure = "cannot write it completely: " + file_.failure();
    file_.close();
    if (written) {
        // Checked again at the last moment: something may have taken the name since.
        failure = replaceRefusal(path_, atLink_);
        if (failure.empty() && renameFile(temporary_, path_)) {
            temporary_.clear();
            return true;
        }
        if (failure.empty()) failure = "cannot put it in place: " + hostErrorText();
    }
    abandon();
    return false;
}

void FileReplacement::abandon() {
    file_.close();
    if (!temporary_.empty()) removeFile(temporary_);
    temporary_.clear();
}

bool writeWholeFile(const std::string& path, const void* data, uint32_t size,
                    std::string& failure, AtLink atLink) {
    FileReplacement replacement;
    if (!replacement.begin(path, failure, atLink)) return false;
    if (size != 0 && replacement.file().write(data, size) != size) {
        failure = "cannot write it completely: " + replacement.file().failure();
        return false;
    }
    return replacement.commit(failure);
}
