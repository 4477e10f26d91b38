// libFuzzer target: any bytes as a cartridge image, loaded from a real file and run a
// scan line at a time through the renderer, then drawn in both debug views, and
// unloaded through the battery save. The corpus starts from the cartridges in seeds/,
// assembled at build time, so that mutations begin inside working programs: most are
// 2 KB, and three of 544 KB switch to ROM banks past 0x20 (make fuzz allows 1 MB).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/scan_line.h"
#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/rom_loader.h"
#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/machine_state.h"
#include "video/debug_views.h"
#include "video/display.h"
#include "video/headless_presenter.h"
#include "video/presenter.h"
#include "video/renderer.h"

namespace {

// Per input: up to two frames of lines, and no more steps than a few frames take.
constexpr int kMaxLines = 2 * 154;
constexpr uint32_t kMaxSteps = 40000;
constexpr int kScreenWidth = 400;  // room for the picture and both debug views
constexpr int kScreenHeight = 420;

// One private directory per fuzzing process, in memory when the host offers it.
std::string workDirectory() {
    const std::filesystem::path base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string pattern = (base / "korvi-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

struct FuzzFiles {
    std::string directory = workDirectory();
    std::string image = directory + "/image.gb";
    std::string save = directory + "/image.sav";
    ~FuzzFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
};

// The machine's buffers, a headless display and the renderer's layers, once.
bool startMachineAndDisplay() {
    static HeadlessPresenter presenter;
    setPresenter(&presenter);
    if (!allocateMachineBuffers()) return false;
    if (!display.initDisplay(nullptr, kScreenWidth, kScreenHeight, kDisplayBitsPerPixel) || !createScreenLayer())
        return false;
    zoom = 2;
    screenCentreX = kScreenWidth / 2;
    screenCentreY = kScreenHeight / 2;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFiles files;
    static const bool started = startMachineAndDisplay();
    if (!started) std::abort();

    {
        FileHandle file;
        if (!file.open(files.image, FileMode::Create)) std::abort();
        if (size > 0 && file.write(data, static_cast<uint32_t>(size)) != size) std::abort();
    }
    if (loadCartridge(files.image)) {
        uint32_t steps = 0;
        for (int line = 0; line < kMaxLines && steps < kMaxSteps; ++line) {
            uint32_t taken = 0;
            const LcdEvent event = stepToLcdEvent(&taken);
            steps += taken;
            if (event == LcdEvent::LineTransferred) renderLine();
        }
        // The paused views read video RAM and OAM as the program left them.
        for (uint8_t mode : {1, 2}) {
            screenMode = mode;
            redrawView();
        }
        screenMode = 0;
    }
    // Unload, writing the save a battery cartridge leaves, then drop it so that every
    // input starts from the same files.
    saveBatteryRam();
    removeFile(files.save);
    return 0;
}
