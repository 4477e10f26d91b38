#include "cartridge/battery_save.h"

#include "cartridge/file_handle.h"
#include "core/app_flags.h"
#include "core/machine_state.h"

namespace {

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

}  // namespace

std::string saveFileName(const std::string& romPath) {
    size_t nameStart = romPath.size();
    while (nameStart > 0 && !isSeparator(romPath[nameStart - 1])) --nameStart;
    if (nameStart == romPath.size()) return {};

    const size_t dot = romPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return romPath + ".sav";
    return romPath.substr(0, dot + 1) + "sav";
}

bool saveBatteryRam() {
    if (!cartridgeLoaded) return true;
    cartridgeLoaded = 0;
    if (!machine.hasBattery) return true;

    const std::string name = saveFileName(machine.romPath);
    if (name.empty()) return true;

    // Written beside the old save and renamed over it, so that a full disk or a crash
    // half-way leaves the previous save whole rather than a truncated one.
    const std::string temporary = name + ".tmp";
    FileHandle file;
    if (!file.open(temporary, FileMode::Create)) return false;
    const bool written =
        file.write(machine.CartRam, machine.cartRamSize) == machine.cartRamSize && file.flush();
    file.close();
    if (written && renameFile(temporary, name)) return true;
    removeFile(temporary);
    return false;
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
