// The host's file calls behind FileHandle. Each host has one source file implementing
// these (file_handle_posix.cpp here); FileHandle itself holds the rules common to all.
#pragma once

#include <cstdint>
#include <string>

#include "cartridge/file_handle.h"

namespace filehost {

// Opens path in the given mode with its sharing rule; FileHandle::kInvalidHandle on
// failure, with failure saying why and missing set when there is no such file. Only
// regular files are opened.
intptr_t open(const std::string& path, FileMode mode, std::string& failure, bool& missing);
// Creates path exclusively for writing, never through a link; taken is set when
// something of that name already exists.
intptr_t createNew(const std::string& path, bool& taken, std::string& failure);
void close(intptr_t handle);
// Each moves up to n bytes, retrying partial transfers; returns the count moved.
// A read that stops on a host error (not at the end of the file) sets failed.
uint32_t read(intptr_t handle, void* destination, uint32_t n, bool& failed);
uint32_t write(intptr_t handle, const void* source, uint32_t n);
bool flush(intptr_t handle);
bool seekToStart(intptr_t handle);
// The file's length in bytes; false when the host cannot tell.
bool size(intptr_t handle, uint64_t& bytes);

}  // namespace filehost
