#include "app/frame_log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace {

std::string logPath;
// The time with the top bit set for a presented picture.
std::vector<uint64_t> entries;
constexpr uint64_t kPresented = 1ull << 63;

void note(uint64_t flag) {
    if (logPath.empty() || entries.size() == entries.capacity()) return;
    entries.push_back(microsecondCount() | flag);
}

}  // namespace

void startFrameLog() {
    const char* path = std::getenv("KORVI_FRAME_LOG");
    logPath = path != nullptr ? path : "";
    entries.clear();
    if (!logPath.empty()) entries.reserve(kFrameLogEntries);
}

void noteEmulatedFrame() {
    note(0);
}

void notePresentedFrame() {
    note(kPresented);
}

void finishFrameLog() {
    if (logPath.empty()) return;
    std::FILE* file = std::fopen(logPath.c_str(), "w");
    bool written = file != nullptr;
    for (size_t i = 0; written && i < entries.size(); ++i) {
        const bool presented = (entries[i] & kPresented) != 0;
        written = std::fprintf(file, "%c %llu\n", presented ? 'P' : 'E',
                               static_cast<unsigned long long>(entries[i] & ~kPresented)) > 0;
    }
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written)
        std::fprintf(stderr, "Korvi: cannot write the frame log %s: %s\n", logPath.c_str(),
                     std::strerror(errno));
    logPath.clear();
}
