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

bool writeWholeFile(const std::string& path, const void* data, uint32_t size,
                    std::string& failure) {
    FileHandle file;
    std::string temporary;
    if (!createTemporaryBeside(path, file, temporary, failure)) return false;

    const bool written = (size == 0 || file.write(data, size) == size) && file.flush();
    if (!written) failure = "cannot write it completely: " + file.failure();
    file.close();
    if (written && !renameFile(temporary, path)) {
        failure = "cannot put it in place: " + hostErrorText();
    } else if (written) {
        return true;
    }
    removeFile(temporary);
    return false;
}
