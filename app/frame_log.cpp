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
struct Entry {
    uint64_t microseconds;
    uint64_t steps;
    bool presented;
};
std::vector<Entry> entries;

void note(uint64_t steps, bool presented) {
    if (logPath.empty() || entries.size() == entries.capacity()) return;
    entries.push_back({microsecondCount(), steps, presented});
}

}  // namespace

void startFrameLog() {
    const char* path = std::getenv("KORVI_FRAME_LOG");
    logPath = path != nullptr ? path : "";
    entries.clear();
    if (!logPath.empty()) entries.reserve(kFrameLogEntries);
}

void noteEmulatedFrame(uint64_t stepCount) {
    note(stepCount, false);
}

void notePresentedFrame() {
    note(0, true);
}

void finishFrameLog() {
    if (logPath.empty()) return;
    std::FILE* file = std::fopen(logPath.c_str(), "w");
    bool written = file != nullptr;
    for (size_t i = 0; written && i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const auto time = static_cast<unsigned long long>(e.microseconds);
        written = (e.presented ? std::fprintf(file, "P %llu\n", time)
                               : std::fprintf(file, "E %llu %llu\n", time,
                                              static_cast<unsigned long long>(e.steps))) > 0;
    }
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written)
        std::fprintf(stderr, "Korvi: cannot write the frame log %s: %s\n", logPath.c_str(),
                     std::strerror(errno));
    logPath.clear();
}
