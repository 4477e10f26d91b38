#include "cartridge/rom_loader.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "core/app_flags.h"
#include "core/machine_state.h"

namespace {

constexpr uint16_t kTypeOffset = 0x147;
constexpr uint16_t kRomSizeOffset = 0x148;
constexpr uint16_t kRamSizeOffset = 0x149;

LoadError lastError;

bool fail(LoadErrorKind kind, const char* message) {
    lastError = LoadError{kind, 0, message};
    return false;
}

bool failOnHeader(LoadErrorKind kind, const char* what, uint8_t value, uint16_t offset) {
    char text[96];
    std::snprintf(text, sizeof text, "unsupported %s 0x%02X (header byte 0x%03X)", what, value,
                  offset);
    lastError = LoadError{kind, value, text};
    return false;
}

// A name that is there but is no file (a device, pipe or socket) is refused as such.
bool failToOpen(const FileHandle& file) {
    return fail(LoadErrorKind::CannotOpen, file.failure() == kNotARegularFile
                                               ? "cannot open file: not a regular file"
                                               : "cannot open file");
}

// Swaps in a new zero-filled buffer of size bytes; on failure the old one stays, so
// the buffer and its size never disagree.
bool replaceBuffer(uint8_t*& buffer, uint32_t& bufferSize, uint32_t size) {
    uint8_t* fresh = new (std::nothrow) uint8_t[size]();
    if (!fresh) return false;
    delete[] buffer;
    buffer = fresh;
    bufferSize = size;
    return true;
}

}  // namespace

std::optional<uint32_t> romSizeForCode(uint8_t code) {
    if (code <= 0x07) return 0x8000u << code;
    switch (code) {
        case 0x52: return 0x120000;
        case 0x53: return 0x140000;
        case 0x54: return 0x180000;
        default: return std::nullopt;
    }
}

std::optional<uint32_t> cartRamSizeForCode(uint8_t code) {
    switch (code) {
        case 0x00:
        case 0x01:
        case 0x02: return 0x2000;
        case 0x03: return 0x8000;
        case 0x04: return 0x16000;  // eleven 8 KB banks
        default: return std::nullopt;
    }
}

std::optional<CartridgeKind> cartridgeKindForType(uint8_t type) {
    switch (type) {
        case 0x00: return CartridgeKind{0, 0};
        case 0x01: return CartridgeKind{1, 0};
        case 0x02: return CartridgeKind{1, 0};
        case 0x03: return CartridgeKind{1, 1};
        case 0x05: return CartridgeKind{2, 0};
        case 0x06: return CartridgeKind{2, 1};
        case 0x08: return CartridgeKind{0, 0};
        case 0x09: return CartridgeKind{0, 1};
        case 0x0F: return CartridgeKind{3, 1};
        case 0x10: return CartridgeKind{3, 1};
        case 0x11: return CartridgeKind{3, 0};
        case 0x12: return CartridgeKind{3, 0};
        case 0x13: return CartridgeKind{3, 1};
        case 0x19: return CartridgeKind{5, 0};
        case 0x1A: return CartridgeKind{5, 0};
        case 0x1B: return CartridgeKind{5, 1};
        case 0x1C: return CartridgeKind{6, 0};
        case 0x1D: return CartridgeKind{6, 0};
        case 0x1E: return CartridgeKind{6, 1};
        default: return std::nullopt;
    }
}

const LoadError& lastLoadError() {
    return lastError;
}

bool loadCartridge(const std::string& requestedPath) {
    // The Reset command passes romPath itself; keep a copy before anything changes it.
    const std::string path = requestedPath;
    lastError = LoadError{};

    // The previous cartridge is saved and unloaded whatever becomes of this load.
    saveBatteryRam();
    if (!machine.RomBank0 || !machine.RomBankArea || !machine.CartRam)
        return fail(LoadErrorKind::MachineNotReady, "the emulated machine is not ready");

    FileHandle file;
    if (!file.open(path, FileMode::Read)) return failToOpen(file);
    // A short image leaves zeros behind it, never the previous cartridge's bytes.
    std::memset(machine.RomBank0, 0, kRomBank0Size);
    file.read(machine.RomBank0, kRomBank0Size);
    file.close();

    const uint8_t romCode = machine.RomBank0[kRomSizeOffset];
    const std::optional<uint32_t> romSize = romSizeForCode(romCode);
    if (!romSize)
        return failOnHeader(LoadErrorKind::UnsupportedRomSize, "ROM size code", romCode,
                            kRomSizeOffset);
    if (!replaceBuffer(machine.RomBankArea, machine.romSize, *romSize))
        return fail(LoadErrorKind::OutOfMemory, "not enough memory for the cartridge image");

    if (!file.open(path, FileMode::Read)) return failToOpen(file);
    file.read(machine.RomBankArea, machine.romSize);
    file.close();

    const uint8_t ramCode = machine.RomBank0[kRamSizeOffset];
    const std::optional<uint32_t> ramSize = cartRamSizeForCode(ramCode);
    if (!ramSize)
        return failOnHeader(LoadErrorKind::UnsupportedRamSize, "RAM size code", ramCode,
                            kRamSizeOffset);
    if (!replaceBuffer(machine.CartRam, machine.cartRamSize, *ramSize))
        return fail(LoadErrorKind::OutOfMemory, "not enough memory for the cartridge RAM");

    const uint8_t type = machine.RomBank0[kTypeOffset];
    const std::optional<CartridgeKind> kind = cartridgeKindForType(type);
    if (!kind)
        return failOnHeader(LoadErrorKind::UnsupportedCartridgeType, "cartridge type", type,
                            kTypeOffset);
    machine.controllerType = kind->controllerType;
    machine.hasBattery = kind->hasBattery;

    cartridgeLoaded = 1;
    resetMachine();
    machine.romPath = path;
    loadBatteryRam();
    return true;
}
