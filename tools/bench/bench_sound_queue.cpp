// korvi-bench-sound-queue: the demo cartridge at the frame limiter's pace, its
// sound queued on the SDL audio device exactly as the desktop program does, for a
// number of seconds; prints the queue's lowest and highest level. Without a sound
// card, SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null gives a device that
// plays in real time.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/frame_pacer.h"
#include "platform/clock.h"
#include "app/scan_line.h"
#include "app/sound_output.h"
#include "cartridge/rom_loader.h"
#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/machine_state.h"

extern const uint8_t kDemoCartridge[];
extern const size_t kDemoCartridgeSize;

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const std::string path = "/tmp/korvi-bench-sound-queue.gb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(kDemoCartridge),
               static_cast<std::streamsize>(kDemoCartridgeSize));
    if (!allocateMachineBuffers() || !loadCartridge(path)) {
        std::fprintf(stderr, "cannot load the demo cartridge\n");
        return 1;
    }
    std::remove(path.c_str());
    startSound();
    limitFps = 1;
    const uint32_t start = SDL_GetTicks();
    uint32_t frames = 0;
    FramePacer pacer;
    SoundQueueLevels warmUp;
    while (SDL_GetTicks() - start < static_cast<uint32_t>(seconds) * 1000u) {
        if (!endsFrame(stepToLcdEvent())) continue;
        // A frame of emulated time ended: paced and fed as the desktop program does.
        ++frames;
        waitUntil(frameDue(pacer, machine.stepCount, microsecondCount()));
        feedSound(true);
        // The first five seconds settle the rate; after them the levels are watched alone.
        if (frames == 299) {
            warmUp = soundQueueLevels();
            resetSoundQueueLevels();
        }
    }
    const SoundQueueLevels levels = soundQueueLevels();
    std::printf("%u frames in %d s\n", frames, seconds);
    std::printf("queue level, first 5 s: %u to %u frames (%.1f to %.1f ms)\n", warmUp.lowest,
                warmUp.highest, warmUp.lowest / 48.0, warmUp.highest / 48.0);
    std::printf("queue level, after them: %u to %u frames (%.1f to %.1f ms), rate ratio %.4f\n",
                levels.lowest, levels.highest, levels.lowest / 48.0, levels.highest / 48.0,
                levels.ratio);
    stopSound();
    freeMachineBuffers();
    return 0;
}
