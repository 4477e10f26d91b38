// Prints how fast the renderer draws and composes frames of a busy scene (background,
// window and sprites on, 40 sprites, tiles full of changing pixels) at each zoom, on the
// headless presenter. Figures only; nothing is judged here.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/machine_state.h"
#include "video/display.h"
#include "video/headless_presenter.h"
#include "video/renderer.h"

namespace {

void buildScene() {
    uint32_t seed = 12345;
    for (int i = 0; i < 0x1800; ++i) {
        seed = seed * 1103515245u + 12345u;
        machine.VideoRam[i] = static_cast<uint8_t>(seed >> 16);
    }
    for (int i = 0; i < 0x800; ++i) machine.VideoRam[0x1800 + i] = static_cast<uint8_t>(i * 7);
    for (int s = 0; s < 40; ++s) {
        uint8_t* entry = machine.HighPage.data() + 0x1E00 + 4 * s;
        entry[0] = static_cast<uint8_t>(16 + (s * 29) % 140);
        entry[1] = static_cast<uint8_t>(8 + (s * 37) % 160);
        entry[2] = static_cast<uint8_t>(s * 3);
        entry[3] = static_cast<uint8_t>((s & 3) << 5);
    }
    uint8_t* io = machine.HighPage.data() + 0x1F00;
    io[0x40] = 0xE7;  // LCD, window at 0x9C00, window, signed tiles, tall sprites, all layers
    io[0x42] = 100;   // SCY and SCX past the wrap of the background map, SCX not on a tile
    io[0x43] = 123;
    io[0x47] = 0xE4;
    io[0x48] = 0xD2;
    io[0x4A] = 40;
    io[0x4B] = 50;
}

double framesPerSecond(int frames) {
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        for (int ly = 0; ly < 144; ++ly) {
            machine.HighPage[0x1F44] = static_cast<uint8_t>(ly);
            // The window's own line count, as the LCD keeps it: shown from WY on.
            machine.windowYReached = ly >= 40;
            machine.windowLinesShown = static_cast<uint8_t>(ly - 39);
            renderLine();
        }
        machine.HighPage[0x1F42] = static_cast<uint8_t>(f);  // keep the background moving
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return frames / seconds;
}

}  // namespace

int main() {
    HeadlessPresenter presenter;
    setPresenter(&presenter);
    if (!allocateMachineBuffers() || !display.initDisplay(nullptr, 800, 600, kDisplayBitsPerPixel) ||
        !createScreenLayer()) {
        std::fprintf(stderr, "bench: could not set up the machine and display\n");
        return 1;
    }
    screenCentreX = 400;
    screenCentreY = 300;
    buildScene();
    constexpr int kFrames = 2000;
    std::printf("renderer on an 800x600 display, %d frames of 144 lines each\n", kFrames);
    for (int z = 1; z <= 4; ++z) {
        zoom = static_cast<uint8_t>(z);
        framesPerSecond(50);  // warm up
        const double fps = framesPerSecond(kFrames);
        std::printf("zoom %d: %8.0f frames/s  %7.1f us/frame\n", z, fps, 1e6 / fps);
    }
    releaseScreenLayer();
    display.releaseDisplay();
    freeMachineBuffers();
    return presenter.presentCount() > 0 ? 0 : 1;
}
