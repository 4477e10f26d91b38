// korvi-bench-pacing: the pieces of the pacing benchmark (scripts/measure-pacing.sh).
//
//   korvi-bench-pacing --write-cartridge FILE
//       A cartridge that plays a steady tone and switches the LCD off for 30 frames
//       out of every 120 (2 s), so that paced time with nothing presented shows.
//   korvi-bench-pacing --analyse FRAME_LOG [SOUND]
//       Figures from the desktop program's frame log (KORVI_FRAME_LOG) and a raw
//       recording of its sound (48 kHz, 16-bit stereo, as SDL's disk driver writes it).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tools/assembler/assembler.h"

namespace {

constexpr const char* kSource = R"(
header type=0, rom=0, ram=0
org $100
    nop
    jp start
org $150
start:
    ld sp, $FFFE
    ld a, $80          ; sound on, full volume, channel 2 on both sides
    ldh ($26), a
    ld a, $77
    ldh ($24), a
    ld a, $22
    ldh ($25), a
    ld a, $80          ; a 50 % pulse at 440 Hz, volume 10, held for ever
    ldh ($16), a
    ld a, $A0
    ldh ($17), a
    ld a, $D6
    ldh ($18), a
    ld a, $86
    ldh ($19), a
main:
    ld b, 90
    call waitFrames    ; 90 frames with the LCD on, ending at the vertical blank
    xor a
    ldh ($40), a       ; LCD off
    ld b, 30
.off:
    ld de, 2508        ; a frame's 17,556 machine cycles, 7 a pass
.spin:
    dec de
    ld a, d
    or e
    jr nz, .spin
    dec b
    jr nz, .off
    ld a, $91
    ldh ($40), a       ; LCD on
    jr main
waitFrames:
    ldh a, ($44)
    cp 144
    jr nz, waitFrames
.vblank:
    ldh a, ($44)
    cp 144
    jr z, .vblank
    dec b
    jr nz, waitFrames
    ret
)";

int writeCartridge(const char* path) {
    const sm83::AssemblyResult result = sm83::assemble(kSource);
    if (!result.ok) {
        std::fprintf(stderr, "korvi-bench-pacing: the cartridge does not assemble: %s\n",
                     result.error.c_str());
        return 1;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(result.image.data()),
              static_cast<std::streamsize>(result.image.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "korvi-bench-pacing: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Frames per second of a series of times, from the first to the last.
double rate(const std::vector<uint64_t>& times) {
    if (times.size() < 2) return 0;
    return 1e6 * static_cast<double>(times.size() - 1) /
           static_cast<double>(times.back() - times.front());
}

void analyseFrames(const char* path) {
    std::ifstream in(path);
    std::vector<uint64_t> emulated, presented, steps;
    char kind = 0;
    unsigned long long time = 0, stepCount = 0;
    std::string line;
    while (std::getline(in, line)) {
        const int fields = std::sscanf(line.c_str(), "%c %llu %llu", &kind, &time, &stepCount);
        if (kind == 'P' && fields >= 2) presented.push_back(time);
        if (kind == 'E' && fields == 3) {
            emulated.push_back(time);
            steps.push_back(stepCount);
        }
    }
    // The first second settles (the window appearing, the sound starting): left out.
    const auto settled = [](std::vector<uint64_t>& times) {
        if (times.empty()) return;
        const uint64_t from = times.front() + 1000000;
        times.erase(times.begin(), std::lower_bound(times.begin(), times.end(), from));
    };
    const size_t before = emulated.size();
    settled(emulated);
    steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(before - emulated.size()));
    settled(presented);
    // Emulated time from the machine's steps, 7,088 to a frame of 70,224 clock cycles:
    // frames that end early or late (the LCD switched off or on) count for what they are.
    double emulatedRate = 0;
    if (emulated.size() >= 2)
        emulatedRate = static_cast<double>(steps.back() - steps.front()) / 7088.0 * 1e6 /
                       static_cast<double>(emulated.back() - emulated.front());
    std::vector<double> intervals;
    for (size_t i = 1; i < emulated.size(); ++i)
        intervals.push_back(static_cast<double>(emulated[i] - emulated[i - 1]) / 1000.0);
    const auto late = std::count_if(intervals.begin(), intervals.end(), [](double ms) { return ms > 25; });
    std::printf("   %.3f frames per second of emulated time (the handheld: 59.727)\n", emulatedRate);
    std::printf("   %zu pictures presented: %.3f per second\n", presented.size(), rate(presented));
    std::printf("   interval between frame ends: median %.2f ms, 5 %% %.2f ms, 95 %% %.2f ms, %ld over 25 ms\n",
                percentile(intervals, 0.5), percentile(intervals, 0.05), percentile(intervals, 0.95),
                static_cast<long>(late));
}

// Silent gaps: runs of at least 5 ms in which no sample of either side strays more
// than a few units from 0, after the first second (the silence queued at the start).
void analyseSound(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<int16_t> samples;
    int16_t pair[2];
    while (in.read(reinterpret_cast<char*>(pair), sizeof pair)) {
        samples.push_back(static_cast<int16_t>(std::max(std::abs(pair[0]), std::abs(pair[1]))));
    }
    constexpr size_t kRate = 48000, kGap = kRate / 200, kQuiet = 8;
    size_t gaps = 0, longest = 0, run = 0;
    std::string where;
    for (size_t i = kRate; i < samples.size(); ++i) {
        if (samples[i] <= static_cast<int16_t>(kQuiet)) {
            ++run;
            continue;
        }
        if (run >= kGap && ++gaps <= 5) {
            char text[48];
            std::snprintf(text, sizeof text, "%s%.2f s (%.1f ms)", where.empty() ? "" : ", ",
                          static_cast<double>(i - run) / kRate,
                          static_cast<double>(run) * 1000.0 / kRate);
            where += text;
        }
        longest = std::max(longest, run);
        run = 0;
    }
    std::printf("   sound: %.1f s recorded, %zu silent gaps over 5 ms (longest %.1f ms)%s%s\n",
                static_cast<double>(samples.size()) / kRate, gaps,
                static_cast<double>(longest) * 1000.0 / kRate, where.empty() ? "" : ": ",
                where.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-cartridge") == 0) return writeCartridge(argv[2]);
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--analyse") == 0) {
        analyseFrames(argv[2]);
        if (argc == 4) analyseSound(argv[3]);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: korvi-bench-pacing --write-cartridge FILE\n"
                 "       korvi-bench-pacing --analyse FRAME_LOG [SOUND]\n");
    return 2;
}
