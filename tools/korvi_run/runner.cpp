#include "tools/korvi_run/runner.h"

#include <chrono>
#include <cstdio>

#include "app/scan_line.h"
#include "cartridge/battery_save.h"
#include "cartridge/preferences.h"
#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/audio.h"
#include "core/bank_controller.h"
#include "core/machine_state.h"
#include "video/png_image.h"
#include "tools/korvi_run/wav_writer.h"
#include "video/debug_views.h"
#include "video/display.h"
#include "video/headless_presenter.h"
#include "video/presenter.h"
#include "video/renderer.h"
#include "tools/common/stop_signals.h"

bool openRunner(const RunOptions& options, HeadlessPresenter& presenter, std::string& error) {
    resetAppFlags();
    setPresenter(&presenter);
    if (!allocateMachineBuffers()) {
        error = "out of memory";
        return false;
    }
    if (!display.initDisplay(nullptr, options.width, options.height, kDisplayBitsPerPixel) || !createScreenLayer()) {
        error = "cannot set up a display of " + std::to_string(options.width) + "x" +
                std::to_string(options.height);
        return false;
    }
    zoom = static_cast<uint8_t>(options.zoom);
    setColourCurve(options.colour);
    preferences.showFrameRate = options.showFps;
    screenCentreX = static_cast<uint16_t>(options.width / 2);
    screenCentreY = static_cast<uint16_t>(options.height / 2);
    return true;
}

namespace {

// A line takes at most 7,088 steps, about 800 frames of sound; a frame is taken as
// often as it is finished.
void takeSound(WavWriter* wav) {
    if (wav == nullptr) return;
    int16_t samples[2 * 1024];
    for (;;) {
        const size_t count = takeAudioSamples(samples, 1024);
        wav->write(samples, count);
        if (count < 1024) return;
    }
}

// Looks at the rumble motor once per presented frame, as the desktop program does.
void countRumble(const RunOptions& options, RunResult& result) {
    const bool on = takeRumble();
    if (on) ++result.rumbleFrames;
    if (options.verbose && !options.quiet && on != result.rumbleOn)
        std::printf("frame %u: rumble %s\n", result.frames, on ? "on" : "off");
    result.rumbleOn = on;
}

}  // namespace

RunResult runFrames(const RunOptions& options, WavWriter* wav) {
    RunResult result;
    setAudioListening(wav != nullptr);
    const auto start = std::chrono::steady_clock::now();
    uint32_t counted = framesThisSecond;
    // A frame of emulated time ends as LY wraps round to 0 or, with the LCD off, after
    // a frame's worth of steps: the run counts those, whether anything was presented
    // in them or not.
    while (result.frames < options.frames) {
        // Scripted buttons take the place of polling the input device.
        machine.joypad = scriptedButtons(options.presses, result.frames);
        uint32_t steps = 0;
        const LcdEvent event = stepToLcdEvent(&steps);
        result.steps += steps;
        takeSound(wav);
        if (event == LcdEvent::LineTransferred) renderLine();
        if (framesThisSecond != counted) countRumble(options, result);
        result.presented += framesThisSecond - counted;  // the renderer counts presented frames
        counted = framesThisSecond;
        if (endsFrame(event)) {
            ++result.frames;
            if (stopSignal() != 0) break;  // asked to stop: the frame is whole
        }
    }
    takeSound(wav);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

void drawView(RunView view) {
    if (view == RunView::Main) return;
    screenMode = view == RunView::Tiles ? 1 : 2;
    redrawView();
}

bool writeScreenshot(const std::string& path, const HeadlessPresenter& presenter,
                     std::string& error) {
    if (presenter.frame().empty()) {
        error = "nothing was presented (the LCD stayed off), no screenshot written";
        return false;
    }
    std::string failure;
    if (!writePng(path,
                  pixelsToRgb(presenter.frame().data(), presenter.frameWidth(),
                              presenter.frameHeight(), presenter.frameWidth()),
                  failure)) {
        error = "cannot write \"" + path + "\": " + failure;
        return false;
    }
    return true;
}

void closeRunner() {
    setAudioListening(false);
    saveBatteryRam();
    releaseScreenLayer();
    freeMachineBuffers();
    display.releaseDisplay();
    setPresenter(nullptr);
}
