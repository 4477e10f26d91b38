// Prints what each DirectDraw display operation of a frame costs, in microseconds,
// on the machine (or Wine) it runs on: row locks of a layer, keyed and stretched
// copies, the frame-rate text and present. Run by hand through desktop_run.sh.
// clang-format off
#include "platform/win32/win32_platform.h"
#include "video/display.h"
#include "video/palette.h"
// clang-format on

#include <chrono>
#include <cstdio>

namespace {

template <typename Operation>
double microsecondsPerCall(int calls, Operation operation) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) operation(i);
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / calls;
}

}  // namespace

int main() {
    PlatformWindow* window = createPlatformWindow("Korvi", 640, 480);
    if (window == nullptr || !display.initDisplay(window, 640, 480, kDisplayBitsPerPixel)) {
        std::printf("no 640x480x32 display\n");
        return 1;
    }
    showPlatformWindow(window, true);
    Surface* layer = display.createOffscreen(160, 144, LAYER_KEY);
    if (layer == nullptr) return 1;

    const double rowLock = microsecondsPerCall(144 * 20, [&](int i) {
        int pitch = 0;
        Pixel* row = display.lock(layer, Rect{0, i % 144, 160, i % 144 + 1}, &pitch);
        if (row != nullptr) {
            for (int x = 0; x < 160; ++x) row[x] = static_cast<Pixel>(x + i);
            display.unlock(layer);
        }
    });
    const double clear = microsecondsPerCall(50, [&](int) { display.clearBack(0); });
    const double copy1 = microsecondsPerCall(50, [&](int) {
        display.blitToBack({240, 168, 400, 312}, layer, {0, 0, 160, 144}, true);
    });
    const double copy2 = microsecondsPerCall(50, [&](int) {
        display.blitToBack({160, 96, 480, 384}, layer, {0, 0, 160, 144}, true);
    });
    const double text = microsecondsPerCall(50, [&](int i) { display.drawNumber(i, 0, 0); });
    const double present = microsecondsPerCall(50, [&](int) { display.present(); });

    std::printf("row lock + write + unlock   %9.1f us\n", rowLock);
    std::printf("clearBack                   %9.1f us\n", clear);
    std::printf("keyed copy 160x144, zoom 1  %9.1f us\n", copy1);
    std::printf("keyed copy 160x144, zoom 2  %9.1f us\n", copy2);
    std::printf("drawNumber                  %9.1f us\n", text);
    std::printf("present                     %9.1f us\n", present);
    std::printf("a zoom-1 frame (432 row locks, 3 copies, text, present): %.1f ms\n",
                (432 * rowLock + 3 * copy1 + clear + text + present) / 1000.0);

    display.releaseSurface(layer);
    display.releaseDisplay();
    destroyPlatformWindow(window);
    return 0;
}
