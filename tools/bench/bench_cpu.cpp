// korvi-bench-cpu: how many emulation steps per second the machine runs on one core
// with a CPU-heavy cartridge (arithmetic, loads, 16-bit work, CB operations, calls
// and returns, work RAM and high RAM traffic and an OAM DMA now and then).
//
// Usage: korvi-bench-cpu [steps]   (default 500 million)
//        korvi-bench-cpu --write-cartridge FILE   (the cartridge, for korvi-run)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "core/machine_state.h"
#include "core/step.h"
#include "tools/bench/bench_cartridge.h"

namespace {

constexpr uint64_t kDefaultSteps = 500'000'000;
constexpr double kStepsPerFrame = 7088.0;

bool parseSteps(const char* text, uint64_t& steps) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0' || value == 0) return false;
    steps = value;
    return true;
}

// Puts the image into the machine the way the loader lays a cartridge out.
bool installCartridge(const std::vector<uint8_t>& image) {
    if (!allocateMachineBuffers()) return false;
    std::memcpy(machine.RomBank0.data(), image.data(), kRomBank0Size);
    machine.RomBankArea.assign(image.size(), 0);
    std::memcpy(machine.RomBankArea.data(), image.data(), image.size());
    machine.romSize = static_cast<uint32_t>(image.size());
    machine.controllerType = 0;
    machine.cartridgeLoaded = 1;
    resetMachine();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t steps = kDefaultSteps;
    const bool writeOnly = argc == 3 && std::strcmp(argv[1], "--write-cartridge") == 0;
    if (!writeOnly && (argc > 2 || (argc == 2 && !parseSteps(argv[1], steps)))) {
        std::fprintf(stderr,
                     "usage: korvi-bench-cpu [steps]  (a whole number above 0)\n"
                     "       korvi-bench-cpu --write-cartridge FILE\n");
        return 2;
    }
    std::vector<uint8_t> image;
    std::string error;
    if (!buildBenchCartridge(image, error)) {
        std::fprintf(stderr, "korvi-bench-cpu: cannot build the cartridge: %s\n", error.c_str());
        return 1;
    }
    if (writeOnly) {
        std::FILE* file = std::fopen(argv[2], "wb");
        const bool written = file && std::fwrite(image.data(), 1, image.size(), file) == image.size();
        if (file && std::fclose(file) != 0) return 1;
        if (!written) {
            std::fprintf(stderr, "korvi-bench-cpu: cannot write \"%s\"\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (!installCartridge(image)) {
        std::fprintf(stderr, "korvi-bench-cpu: out of memory\n");
        return 1;
    }

    // The rate is taken from the processor time this program used, so other work on a
    // shared machine slows the wall clock but not the figure; both are printed.
    const auto wallStart = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    for (uint64_t i = 0; i < steps; ++i) stepMachine();
    const std::clock_t cpuEnd = std::clock();
    const auto wallEnd = std::chrono::steady_clock::now();

    const double wallSeconds = std::chrono::duration<double>(wallEnd - wallStart).count();
    const double seconds = static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC;
    const double stepsPerSecond = static_cast<double>(steps) / seconds;
    // A program that ran into STOP or an undefined opcode would only time the LCD.
    const bool ranToTheEnd = machine.stopped == 0;
    std::printf("korvi-bench-cpu: %llu steps in %.3f s of processor time (%.3f s wall clock)\n",
                static_cast<unsigned long long>(steps), seconds, wallSeconds);
    std::printf("  %.1f million steps per second\n", stepsPerSecond / 1e6);
    std::printf("  %.0f frames per second equivalent (%.0f steps a frame)\n",
                stepsPerSecond / kStepsPerFrame, kStepsPerFrame);
    freeMachineBuffers();
    if (!ranToTheEnd) {
        std::fprintf(stderr, "korvi-bench-cpu: the CPU stopped before the end of the run\n");
        return 1;
    }
    return 0;
}
