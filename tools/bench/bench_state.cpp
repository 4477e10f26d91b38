// korvi-bench-state: what states and rewind cost for a cartridge (default: the demo).
// Runs it for a while, then prints the state file's size, the time to make and to load
// a state, and the rewind history's memory and time per frame over 60 seconds of play
// (3,600 frames), with the machine's own time per frame beside it.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/rewind.h"
#include "app/scan_line.h"
#include "cartridge/rom_loader.h"
#include "cartridge/state_file.h"
#include "core/audio.h"
#include "core/io_registers.h"
#include "core/machine_state.h"

extern const uint8_t kDemoCartridge[];
extern const size_t kDemoCartridgeSize;

namespace {

using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// One frame of emulated time: up to the wrap of LY to 0, or a frame's steps with the
// LCD off; its sound is taken, as the desktop program takes it.
void runFrame() {
    static int16_t samples[2 * kAudioPendingFrames];
    for (;;) {
        const LcdEvent event = stepToLcdEvent();
        if (event == LcdEvent::None) break;
        if (event == LcdEvent::BlankLineEnded && machine.HighPage[reg::LY] == 0) break;
    }
    takeAudioSamples(samples, kAudioPendingFrames);
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "";
    const bool demo = path.empty();
    if (demo) {
        path = "/tmp/korvi-bench-state.gb";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(kDemoCartridge),
                   static_cast<std::streamsize>(kDemoCartridgeSize));
    }
    if (!allocateMachineBuffers() || !loadCartridge(path)) {
        std::fprintf(stderr, "korvi-bench-state: cannot load %s: %s\n", path.c_str(),
                     lastLoadError().message.c_str());
        return 1;
    }
    setAudioListening(true);
    // Past the title screens' first moments.
    for (int frame = 0; frame < 600; ++frame) runFrame();

    constexpr int kRepeats = 200;
    std::vector<uint8_t> state;
    auto start = Clock::now();
    for (int i = 0; i < kRepeats; ++i) state = encodeState();
    const double saveMicroseconds = microsecondsSince(start) / kRepeats;
    std::string reason;
    start = Clock::now();
    for (int i = 0; i < kRepeats; ++i) {
        if (!decodeState(state, reason)) {
            std::fprintf(stderr, "korvi-bench-state: the state does not load: %s\n", reason.c_str());
            return 1;
        }
    }
    const double loadMicroseconds = microsecondsSince(start) / kRepeats;

    // 60 seconds of play, recorded; then the same again unrecorded.
    constexpr int kFrames = 3600;
    double recordMicroseconds = 0;
    start = Clock::now();
    for (int frame = 0; frame < kFrames; ++frame) {
        runFrame();
        const auto recordStart = Clock::now();
        rewindHistory.record();
        recordMicroseconds += microsecondsSince(recordStart);
    }
    const double recordedRun = microsecondsSince(start);
    start = Clock::now();
    for (int frame = 0; frame < kFrames; ++frame) runFrame();
    const double plainRun = microsecondsSince(start);
    const uint32_t framesKept = rewindHistory.frames();
    const size_t historyBytes = rewindHistory.memoryBytes();
    start = Clock::now();
    int stepped = 0;
    while (stepped < 600 && rewindHistory.stepBack()) ++stepped;
    const double stepBackMicroseconds = microsecondsSince(start) / (stepped ? stepped : 1);

    std::printf("%s\n", demo ? "demo cartridge" : path.c_str());
    std::printf("state file: %zu bytes; made in %.0f us, loaded in %.0f us\n", state.size(),
                saveMicroseconds, loadMicroseconds);
    std::printf("rewind, %d frames (60 s): %u kept in %.1f MB (%.1f KB a frame)\n", kFrames,
                framesKept, historyBytes / 1048576.0, historyBytes / 1024.0 / kFrames);
    std::printf("rewind: recording %.0f us a frame (%.2f %% of a 16.74 ms frame); the machine "
                "%.0f us a frame; a step back %.0f us\n",
                recordMicroseconds / kFrames, recordMicroseconds / kFrames / 16742.7 * 100,
                plainRun / kFrames, stepBackMicroseconds);
    std::printf("unpaced, the machine with recording runs at %.1f %% of its speed without "
                "(its frames are short beside the recording's fixed cost)\n",
                100.0 * plainRun / recordedRun);
    if (demo) std::remove(path.c_str());
    freeMachineBuffers();
    return 0;
}
