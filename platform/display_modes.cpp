#include "platform/display_modes.h"

std::vector<DisplayModeDescription> offeredDisplayModes(const std::vector<ScreenSize>& reported) {
    std::vector<DisplayModeDescription> modes;
    auto add = [&modes](int width, int height) {
        if (width <= 0 || height <= 0) return;
        for (const DisplayModeDescription& m : modes) {
            if (m.width == width && m.height == height) return;
        }
        modes.push_back({width, height, kDisplayBitsPerPixel});
    };
    for (const ScreenSize& size : reported) add(size.width, size.height);
    add(320, 240);
    add(640, 480);
    return modes;
}
