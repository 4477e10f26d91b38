// libFuzzer target: any bytes as a cartridge image, loaded from a real file and run for
// a few thousand steps, then unloaded through the battery save.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/rom_loader.h"
#include "core/machine_state.h"
#include "core/step.h"

namespace {

constexpr int kStepsPerInput = 4000;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFiles files;
    static const bool started = allocateMachineBuffers();
    if (!started) std::abort();

    {
        FileHandle file;
        if (!file.open(files.image, FileMode::Create)) std::abort();
        if (size > 0 && file.write(data, static_cast<uint32_t>(size)) != size) std::abort();
    }
    if (loadCartridge(files.image)) {
        for (int i = 0; i < kStepsPerInput && stepMachine(); ++i) {
        }
    }
    // Unload, writing the save a battery cartridge leaves, then drop it so that every
    // input starts from the same files.
    saveBatteryRam();
    removeFile(files.save);
    return 0;
}
