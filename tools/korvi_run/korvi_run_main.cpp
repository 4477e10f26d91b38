// korvi-run: runs a cartridge headless for a number of frames, with scripted
// joypad input, and writes the last picture (or a debug view) as a PNG.
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_flags.h"
#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/program_arguments.h"
#include "cartridge/rom_loader.h"
#include "cartridge/state_file.h"
#include "cartridge/whole_file_writer.h"
#include "core/audio.h"
#include "core/machine_state.h"
#include "tools/common/stop_signals.h"
#include "tools/common/terminal_text.h"
#include "tools/korvi_run/demo_cartridge.h"
#include "tools/korvi_run/run_options.h"
#include "tools/korvi_run/runner.h"
#include "tools/korvi_run/wav_writer.h"
#include "video/headless_presenter.h"

namespace {

int fail(const std::string& message, int status = 1) {
    std::fprintf(stderr, "korvi-run: %s\n", printable(message).c_str());
    return status;
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// An output that cannot be written is refused before the run rather than after it:
// one that would replace the cartridge being run, or a name that is no regular file.
bool checkOutputs(const RunOptions& options, const std::string& romPath, std::string& error) {
    const struct {
        const std::string& path;
        AtLink atLink;
    } outputs[] = {{options.screenshotPath, AtLink::Refuse},
                   {options.wavPath, AtLink::Refuse},
                   {options.saveStatePath, AtLink::Replace}};
    for (const auto& output : outputs) {
        if (output.path.empty()) continue;
        if (sameFile(output.path, romPath)) {
            error = "cannot write " + quoted(output.path) + ": it is the cartridge being run";
            return false;
        }
        const std::string refusal = replaceRefusal(output.path, output.atLink);
        if (!refusal.empty()) {
            error = "cannot write " + quoted(output.path) + ": " + refusal;
            return false;
        }
    }
    return true;
}

// Everything korvi-run made is finished or removed on the way out.
struct RunFiles {
    DemoCartridge demo;
    WavWriter wav;
    ~RunFiles() {
        wav.discard();
        closeRunner();  // writes the battery save
        removeDemoCartridge(demo);
    }
};

}  // namespace

int main(int argc, char** argv) {
    catchStopSignals();
    std::string error;
    const std::optional<RunOptions> parsed =
        parseRunOptions(programArguments(argc, argv), error);
    if (!parsed) return fail(error, 2);
    const RunOptions& options = *parsed;
    if (options.help) {
        std::fputs(kRunUsage, stdout);
        return 0;
    }

    HeadlessPresenter presenter;
    RunFiles files;
    if (!openRunner(options, presenter, error)) return fail(error);

    std::string romPath = options.romPath;
    if (romPath.empty()) {
        if (!writeDemoCartridge(files.demo, error)) return fail(error);
        romPath = files.demo.path;
        if (!options.quiet) std::printf("demo cartridge: %s\n", printable(romPath).c_str());
    }
    if (!checkOutputs(options, romPath, error)) return fail(error);
    if (!loadCartridge(romPath)) return fail(quoted(romPath) + ": " + lastLoadError().message);
    if (!lastHeaderNotice().empty()) fail(quoted(romPath) + ": " + lastHeaderNotice());
    if (!batterySaveNotice().empty()) fail(batterySaveNotice());
    if (!batterySaveReadFailure().empty()) fail(batterySaveReadFailure());

    if (!options.wavPath.empty() && !files.wav.open(options.wavPath, error)) return fail(error);
    // The unit listens before a state comes in, so that the sound the state was
    // making goes on where it stopped.
    setAudioListening(files.wav.isOpen());
    if (!options.loadStatePath.empty()) {
        std::string message;
        const StateFileResult loaded = loadStateFile(options.loadStatePath, message);
        if (loaded != StateFileResult::Done) {
            return fail(loaded == StateFileResult::Missing
                            ? quoted(options.loadStatePath) + ": no such state file"
                            : message);
        }
    }
    const RunResult result = runFrames(options, files.wav.isOpen() ? &files.wav : nullptr);
    const int stoppedBy = stopSignal();
    drawView(options.view);

    int status = 0;
    if (stoppedBy != 0) {
        // The run did not reach the frame asked for: its picture and state are not
        // what was wanted. The sound so far is still a whole recording.
        fail(std::string("stopped by ") + signalName(stoppedBy) + " after frame " +
             std::to_string(result.frames) + " of " + std::to_string(options.frames) +
             (options.screenshotPath.empty() && options.saveStatePath.empty()
                  ? ""
                  : "; no screenshot or state written"));
    }
    if (stoppedBy == 0 && !options.saveStatePath.empty()) {
        std::string message;
        if (saveStateFile(options.saveStatePath, message) != StateFileResult::Done) {
            status = fail(message);
        } else if (!options.quiet) {
            std::printf("state: %s\n", printable(options.saveStatePath).c_str());
        }
    }
    if (files.wav.isOpen()) {
        if (!files.wav.close(error)) {
            status = fail(error);
        } else if (!options.quiet) {
            std::printf("sound: %s\n", printable(options.wavPath).c_str());
        }
    }
    if (stoppedBy == 0 && !options.screenshotPath.empty()) {
        if (!writeScreenshot(options.screenshotPath, presenter, error)) {
            status = fail(error);
        } else if (!options.quiet) {
            std::printf("screenshot: %s\n", printable(options.screenshotPath).c_str());
        }
    }
    if (!options.quiet) {
        std::printf("frames %u (%u presented), steps %llu, wall time %.3f s, %.0f frames per "
                    "second",
                    result.frames, result.presented,
                    static_cast<unsigned long long>(result.steps), result.seconds,
                    result.seconds > 0 ? result.frames / result.seconds : 0.0);
        if (machine.controllerType == 6) std::printf(", rumble frames %u", result.rumbleFrames);
        std::printf("\n");
    }

    const bool battery = machine.hasBattery && machine.cartridgeLoaded;
    const std::string savePath = printable(batterySavePath());
    if (!saveBatteryRam() && battery) {
        status = fail("cannot write the battery save " + quoted(batterySavePath()) + ": " +
                      batterySaveFailure());
    } else if (battery && !options.quiet && !batterySaveSkipped().empty()) {
        std::printf("battery save: %s left as it was: %s\n", savePath.c_str(),
                    batterySaveSkipped().c_str());
    } else if (battery && !options.quiet) {
        std::printf("battery save: %s\n", savePath.c_str());
    }
    return stoppedBy != 0 ? 128 + stoppedBy : status;
}
