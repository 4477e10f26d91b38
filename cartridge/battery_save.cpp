#include "cartridge/battery_save.h"

#include "cartridge/file_handle.h"
#include "cartridge/whole_file_writer.h"
#include "core/app_flags.h"
#include "core/machine_state.h"

namespace {

std::string lastFailure;

}  // namespace

std::string saveFileName(const std::string& romPath) {
    size_t nameStart = romPath.size();
    while (nameStart > 0 && !isPathSeparator(romPath[nameStart - 1])) --nameStart;
    if (nameStart == romPath.size()) return {};

    const size_t dot = romPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return romPath + ".sav";
    return romPath.substr(0, dot + 1) + "sav";
}

bool saveBatteryRam() {
    lastFailure.clear();
    if (!cartridgeLoaded) return true;
    cartridgeLoaded = 0;
    if (!machine.hasBattery) return true;

    const std::string name = saveFileName(machine.romPath);
    if (name.empty()) return true;

    // Written into a temporary file of its own and renamed over the old save, so that
    // a full disk, a crash half-way or another instance saving at the same moment
    // leaves a whole save rather than a truncated one.
    std::string failure;
    if (writeWholeFile(name, machine.CartRam, machine.cartRamSize, failure)) return true;
    lastFailure = failure;
    return false;
}

const std::string& batterySaveFailure() {
    return lastFailure;
}

void loadBatteryRam() {
    if (!machine.hasBattery) return;
    const std::string name = saveFileName(machine.romPath);
    if (name.empty()) return;
    FileHandle file;
    if (!file.open(name, FileMode::Read)) return;
    file.read(machine.CartRam, machine.cartRamSize);
    file.close();
}
