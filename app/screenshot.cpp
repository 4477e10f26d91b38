#include "app/screenshot.h"

#include <cstdio>
#include <ctime>

#include "app/app_flags.h"
#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/save_location.h"
#include "cartridge/settings.h"
#include "core/machine_state.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "video/display.h"
#include "video/png_image.h"
#include "video/renderer.h"

namespace {

// "game-20261210-114503" beside where the save goes, with "-2", "-3"... when a
// screenshot of that second is there already.
std::string screenshotPath() {
    std::string save = batterySavePath();
    if (save.empty()) save = chooseSaveLocation(machine.romPath).path;
    if (save.empty()) return {};
    const std::string stem = save.substr(0, save.size() - 4);  // without ".sav"
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "-%Y%m%d-%H%M%S", &local);
    const std::string base = stem + stamp;
    std::string path = base + ".png";
    for (int n = 2; n < 100; ++n) {
        FileHandle existing;
        if (!existing.open(path, FileMode::Read) && existing.missing()) return path;
        path = base + "-" + std::to_string(n) + ".png";
    }
    return {};
}

// The last frame the LCD drew, each pixel scale x scale.
RgbImage scaledScreen(int scale) {
    int pitch = 0;
    const Pixel* pixels =
        display.lock(ScreenLayer, {0, 0, kScreenWidth, kScreenHeight}, &pitch);
    if (pixels == nullptr) return {};
    const RgbImage frame = pixelsToRgb(pixels, kScreenWidth, kScreenHeight, pitch);
    display.unlock(ScreenLayer);
    RgbImage image;
    image.width = kScreenWidth * scale;
    image.height = kScreenHeight * scale;
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const size_t from = (static_cast<size_t>(y / scale) * kScreenWidth + x / scale) * 3;
            const size_t to = (static_cast<size_t>(y) * image.width + x) * 3;
            for (int c = 0; c < 3; ++c) image.rgb[to + c] = frame.rgb[from + c];
        }
    }
    return image;
}

}  // namespace

std::string takeScreenshot() {
    if (machine.cartridgeLoaded == 0) return {};
    const std::string path = screenshotPath();
    const int scale = zoom >= 1 && zoom <= 4 ? zoom : 1;
    const RgbImage image = scaledScreen(scale);
    std::string failure = path.empty() ? "there is no folder to put it in" : "";
    if (!path.empty() && writePng(path, image, failure)) {
        showOnScreenMessage(("Screenshot " + fileNameOf(path)).c_str());
        return path;
    }
    const std::string text = "Cannot write the screenshot " + path + ": " + failure + ".";
    showMessageBox(topLevelWindow(), text.c_str());
    return {};
}
