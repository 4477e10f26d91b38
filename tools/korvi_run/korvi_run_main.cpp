// korvi-run: runs a cartridge headless for a number of frames, with scripted
// joypad input, and writes the last picture (or a debug view) as a PNG.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/scan_line.h"
#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/rom_loader.h"
#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "core/machine_state.h"
#include "tools/korvi_run/png_image.h"
#include "tools/korvi_run/run_options.h"
#include "video/debug_views.h"
#include "video/display.h"
#include "video/headless_presenter.h"
#include "video/presenter.h"
#include "video/renderer.h"

extern const uint8_t kDemoCartridge[];
extern const size_t kDemoCartridgeSize;

namespace {

constexpr uint32_t kLinesPerFrame = 154;

// The built-in demo is written to a cache folder so that its battery save, which
// counts how often it was started, persists from one run to the next.
std::string writeDemoCartridge() {
    std::string directory;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
        directory = std::string(cache) + "/korvi";
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        directory = std::string(home) + "/.cache/korvi";
    } else {
        directory = "/tmp/korvi-" + std::to_string(getuid());
    }
    // Create each missing level of the folder.
    for (size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        mkdir(directory.substr(0, slash).c_str(), 0755);
        if (slash == std::string::npos) break;
    }
    const std::string path = directory + "/demo.gb";
    FileHandle file;
    if (!file.open(path, FileMode::Create) ||
        file.write(kDemoCartridge, static_cast<uint32_t>(kDemoCartridgeSize)) !=
            kDemoCartridgeSize) {
        return {};
    }
    file.close();
    return path;
}

struct RunResult {
    uint32_t frames = 0;
    uint64_t steps = 0;
    double seconds = 0;
};

// The run state of the emulation loop, headless: a scan line at a time, scripted
// buttons in place of the input device. A line whose LY does not move (LCD off)
// still counts, so that every run ends.
RunResult run(const RunOptions& options) {
    RunResult result;
    const auto start = std::chrono::steady_clock::now();
    const uint32_t lineLimit = (options.frames + 1) * kLinesPerFrame;
    uint32_t framesBefore = framesThisSecond;
    for (uint32_t line = 0; result.frames < options.frames && line < lineLimit; ++line) {
        JoypadState = scriptedButtons(options.presses, result.frames);
        uint32_t steps = 0;
        stepUntilLineChanges(&steps);
        result.steps += steps;
        renderLine();
        // The renderer counts each presented frame.
        result.frames += framesThisSecond - framesBefore;
        framesBefore = framesThisSecond;
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

int fail(const std::string& message, int status = 1) {
    std::fprintf(stderr, "korvi-run: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<RunOptions> parsed =
        parseRunOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) return fail(error + "\n" + kRunUsage, 2);
    const RunOptions& options = *parsed;
    if (options.help) {
        std::fputs(kRunUsage, stdout);
        return 0;
    }

    HeadlessPresenter presenter;
    setPresenter(&presenter);
    if (!allocateMachineBuffers()) return fail("out of memory");
    if (!display.initDisplay(nullptr, options.width, options.height, 8) || !createLayers())
        return fail("cannot set up a display of " + std::to_string(options.width) + "x" +
                    std::to_string(options.height));
    zoom = static_cast<uint8_t>(options.zoom);
    screenCentreX = static_cast<uint16_t>(options.width / 2);
    screenCentreY = static_cast<uint16_t>(options.height / 2);

    std::string romPath = options.romPath;
    if (romPath.empty()) {
        romPath = writeDemoCartridge();
        if (romPath.empty()) return fail("cannot write the built-in demo cartridge");
        if (!options.quiet) std::printf("demo cartridge: %s\n", romPath.c_str());
    }
    if (!loadCartridge(romPath)) return fail("\"" + romPath + "\": " + lastLoadError().message);

    const RunResult result = run(options);

    if (options.view != RunView::Main) {
        screenMode = options.view == RunView::Tiles ? 1 : 2;
        redrawView();
    }
    int status = 0;
    if (!options.screenshotPath.empty()) {
        if (presenter.frame().empty()) {
            status = fail("nothing was presented (the LCD stayed off), no screenshot written");
        } else if (!writePng(options.screenshotPath,
                             indexedToRgb(presenter.frame().data(), presenter.frameWidth(),
                                          presenter.frameHeight(), presenter.frameWidth()))) {
            status = fail("cannot write \"" + options.screenshotPath + "\"");
        } else if (!options.quiet) {
            std::printf("screenshot: %s\n", options.screenshotPath.c_str());
        }
    }
    if (!options.quiet) {
        std::printf("frames %u, steps %llu, wall time %.3f s, %.0f frames per second\n",
                    result.frames, static_cast<unsigned long long>(result.steps), result.seconds,
                    result.seconds > 0 ? result.frames / result.seconds : 0.0);
    }

    const bool battery = machine.hasBattery && cartridgeLoaded;
    if (!saveBatteryRam() && battery)
        status = fail("cannot write the battery save");
    else if (battery && !options.quiet)
        std::printf("battery save: %s\n", saveFileName(romPath).c_str());

    releaseLayers();
    freeMachineBuffers();
    display.releaseDisplay();
    setPresenter(nullptr);
    return status;
}
