// korvi-run: runs a cartridge headless for a number of frames, with scripted
// joypad input, and writes the last picture (or a debug view) as a PNG.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_flags.h"
#include "cartridge/battery_save.h"
#include "cartridge/rom_loader.h"
#include "cartridge/state_file.h"
#include "core/audio.h"
#include "core/machine_state.h"
#include "tools/korvi_run/run_options.h"
#include "tools/korvi_run/runner.h"
#include "tools/korvi_run/wav_writer.h"
#include "video/headless_presenter.h"

namespace {

// Why an image could not be opened, in the words a user expects.
std::string openFailure(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return std::string("cannot open: ") + std::strerror(errno);
    if (S_ISDIR(info.st_mode)) return "cannot open: it is a folder, not a cartridge image";
    return std::string("cannot open for reading: ") +
           (access(path.c_str(), R_OK) != 0 ? std::strerror(errno) : "unknown reason");
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
    if (!parsed) return fail(error, 2);
    const RunOptions& options = *parsed;
    if (options.help) {
        std::fputs(kRunUsage, stdout);
        return 0;
    }

    HeadlessPresenter presenter;
    if (!openRunner(options, presenter, error)) return fail(error);

    std::string romPath = options.romPath;
    if (romPath.empty()) {
        romPath = writeDemoCartridge();
        if (romPath.empty()) return fail("cannot write the built-in demo cartridge");
        if (!options.quiet) std::printf("demo cartridge: %s\n", romPath.c_str());
    }
    if (!loadCartridge(romPath)) {
        closeRunner();
        // A plain "cannot open file" is explained from the file system; the loader's
        // own words say more for a name it refused (a device, pipe or socket).
        const std::string reason = lastLoadError().message == "cannot open file"
                                       ? openFailure(romPath)
                                       : lastLoadError().message;
        return fail("\"" + romPath + "\": " + reason);
    }
    if (!lastHeaderNotice().empty())
        std::fprintf(stderr, "korvi-run: \"%s\": %s\n", romPath.c_str(),
                     lastHeaderNotice().c_str());
    if (!batterySaveNotice().empty())
        std::fprintf(stderr, "korvi-run: %s\n", batterySaveNotice().c_str());
    if (!batterySaveReadFailure().empty())
        std::fprintf(stderr, "korvi-run: %s\n", batterySaveReadFailure().c_str());

    WavWriter wav;
    if (!options.wavPath.empty() && !wav.open(options.wavPath, error)) {
        closeRunner();
        return fail(error);
    }
    // The unit listens before a state comes in, so that the sound the state was
    // making goes on where it stopped.
    setAudioListening(wav.isOpen());
    if (!options.loadStatePath.empty()) {
        std::string message;
        const StateFileResult loaded = loadStateFile(options.loadStatePath, message);
        if (loaded != StateFileResult::Done) {
            closeRunner();
            return fail(loaded == StateFileResult::Missing
                            ? "\"" + options.loadStatePath + "\": no such state file"
                            : message);
        }
    }
    const RunResult result = runFrames(options, wav.isOpen() ? &wav : nullptr);
    drawView(options.view);

    int status = 0;
    if (!options.saveStatePath.empty()) {
        std::string message;
        if (saveStateFile(options.saveStatePath, message) != StateFileResult::Done) {
            status = fail(message);
        } else if (!options.quiet) {
            std::printf("state: %s\n", options.saveStatePath.c_str());
        }
    }
    if (wav.isOpen()) {
        if (!wav.close(error)) {
            status = fail(error);
        } else if (!options.quiet) {
            std::printf("sound: %s\n", options.wavPath.c_str());
        }
    }
    if (!options.screenshotPath.empty()) {
        if (!writeScreenshot(options.screenshotPath, presenter, error)) {
            status = fail(error);
        } else if (!options.quiet) {
            std::printf("screenshot: %s\n", options.screenshotPath.c_str());
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
    if (!saveBatteryRam() && battery) {
        status = fail("cannot write the battery save \"" + batterySavePath() + "\": " +
                      batterySaveFailure());
    } else if (battery && !options.quiet && !batterySaveSkipped().empty()) {
        std::printf("battery save: %s left as it was: %s\n", batterySavePath().c_str(),
                    batterySaveSkipped().c_str());
    } else if (battery && !options.quiet) {
        std::printf("battery save: %s\n", batterySavePath().c_str());
    }
    closeRunner();
    return status;
}
