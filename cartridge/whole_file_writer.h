// Replacing a file's whole contents so that no one can subvert the write or catch it
// half-done: the bytes go into a fresh temporary file beside the target, created
// exclusively under a short unique name, and only a complete, flushed file is renamed
// over the target. Saves, screenshots and recordings are written this way.
#pragma once

#include <cstdint>
#include <string>

// Writes size bytes from data as the whole new contents of path. On false, path is as
// it was before, no temporary file is left, and failure says why in the host's words.
// Two writers at once each use their own temporary file; the last rename wins.
bool writeWholeFile(const std::string& path, const void* data, uint32_t size, std::string& failure);

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
