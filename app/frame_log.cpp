#include "app/frame_log.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cartridge/environment.h"
#include "cartridge/whole_file_writer.h"
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
    logPath = environmentVariable("KORVI_FRAME_LOG");
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
    std::string text;
    for (const Entry& e : entries) {
        text += e.presented ? "P " : "E ";
        text += std::to_string(e.microseconds);
        if (!e.presented) {
            text += ' ';
            text += std::to_string(e.steps);
        }
        text += "\n";
    }
    std::string failure;
    if (!writeWholeFile(logPath, text.data(), static_cast<uint32_t>(text.size()), failure))
        std::fprintf(stderr, "Korvi: cannot write the frame log %s: %s\n", logPath.c_str(),
                     failure.c_str());
    logPath.clear();
}
