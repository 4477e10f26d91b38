#include "cartridge/rom_loader.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "cartridge/battery_save.h"
#include "cartridge/file_handle.h"
#include "cartridge/write_failure.h"
#include "core/machine_state.h"

namespace {

constexpr uint16_t kTypeOffset = 0x147;
constexpr uint16_t kRomSizeOffset = 0x148;
constexpr uint16_t kRamSizeOffset = 0x149;

// The header ends with its checksum at 0x14F: an image must hold at least this much.
constexpr uint32_t kHeaderEnd = 0x150;

LoadError lastError;
std::string lastSaveFailure;
std::string lastNotice;

void addNotice(std::string& notice, const std::string& part) {
    if (!notice.empty()) notice += "; ";
    notice += part;
}

// One part of lastHeaderNotice().
std::string headerNotice(const char* what, uint8_t value, uint16_t offset,
                         const std::string& instead) {
    char text[96];
    std::snprintf(text, sizeof text, "unknown %s 0x%02X (header byte 0x%03X): ", what, value,
                  offset);
    return text + instead;
}

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

// Says why in the host's words ("No such file or directory", "Permission denied"), or
// that the name is a folder, device, pipe or socket.
bool failToOpen(const FileHandle& file) {
    lastError = LoadError{LoadErrorKind::CannotOpen, 0, "cannot open file: " + file.failure()};
    return false;
}

// The file opened but a read of it failed on the way (an I/O error).
bool failToRead(const FileHandle& file) {
    lastError = LoadError{LoadErrorKind::CannotOpen, 0, "cannot read file: " + file.failure()};
    return false;
}

}  // namespace

std::optional<uint32_t> romSizeForCode(uint8_t code) {
    if (code <= 0x08) return 0x8000u << code;
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
        case 0x04: return 0x20000;  // sixteen 8 KB banks
        case 0x05: return 0x10000;  // eight 8 KB banks
        default: return std::nullopt;
    }
}

uint32_t romAreaSize(uint32_t headerSize, uint64_t fileSize) {
    if (headerSize != 0 && fileSize <= headerSize) return headerSize;
    uint32_t size = 0x8000;
    while (size < fileSize && size < kMaxRomSize) size <<= 1;
    return size > headerSize ? size : headerSize;
}

std::optional<CartridgeKind> cartridgeKindForType(uint8_t type) {
    // controller, battery, clock, RAM
    switch (type) {
        case 0x00: return CartridgeKind{0, 0, 0, 0};
        case 0x01: return CartridgeKind{1, 0, 0, 0};
        case 0x02: return CartridgeKind{1, 0, 0, 1};
        case 0x03: return CartridgeKind{1, 1, 0, 1};
        case 0x05: return CartridgeKind{2, 0, 0, 0};
        case 0x06: return CartridgeKind{2, 1, 0, 0};
        case 0x08: return CartridgeKind{0, 0, 0, 1};
        case 0x09: return CartridgeKind{0, 1, 0, 1};
        case 0x0F: return CartridgeKind{3, 1, 1, 0};
        case 0x10: return CartridgeKind{3, 1, 1, 1};
        case 0x11: return CartridgeKind{3, 0, 0, 0};
        case 0x12: return CartridgeKind{3, 0, 0, 1};
        case 0x13: return CartridgeKind{3, 1, 0, 1};
        case 0x19: return CartridgeKind{5, 0, 0, 0};
        case 0x1A: return CartridgeKind{5, 0, 0, 1};
        case 0x1B: return CartridgeKind{5, 1, 0, 1};
        case 0x1C: return CartridgeKind{6, 0, 0, 0};
        case 0x1D: return CartridgeKind{6, 0, 0, 1};
        case 0x1E: return CartridgeKind{6, 1, 0, 1};
        default: return std::nullopt;
    }
}

const LoadError& lastLoadError() {
    return lastError;
}

bool loadCartridge(const std::string& requestedPath) {
    // The Reset command passes romPath itself; keep a copy before anything changes it.
    // Kept absolute, so that Reset, the battery save and the state files still find
    // the image's folder after the current folder changes.
    const std::string path = absolutePath(requestedPath);
    lastError = LoadError{};
    lastSaveFailure.clear();
    lastNotice.clear();

    if (machine.RomBank0.empty() || machine.HighPage.empty())
        return fail(LoadErrorKind::MachineNotReady, "the emulated machine is not ready");

    // Everything that can go wrong with the new image is found out before the running
    // cartridge is touched: a load that fails leaves the game, its RAM and its state
    // as they were, so that the player can go on with it.
    FileHandle file;
    if (!file.open(path, FileMode::Read)) return failToOpen(file);
    uint8_t header[kHeaderEnd];
    const uint32_t headerBytes = file.read(header, kHeaderEnd);
    if (headerBytes < kHeaderEnd) {
        if (file.readFailed()) return failToRead(file);
        char text[128];
        std::snprintf(text, sizeof text,
                      "the file is too short for a cartridge image (%u bytes; its header "
                      "alone takes %u)",
                      headerBytes, kHeaderEnd);
        lastError = LoadError{LoadErrorKind::TooShort, 0, text};
        return false;
    }

    // Sizes the header names that do not exist are taken from the file or given the
    // smallest RAM; a type that does not exist is refused, unless the image is small
    // enough to run without a controller.
    const uint64_t fileSize = file.size();
    std::string notice;
    const uint8_t type = header[kTypeOffset];
    std::optional<CartridgeKind> kind = cartridgeKindForType(type);
    if (!kind) {
        if (fileSize > 0x8000)
            return failOnHeader(LoadErrorKind::UnsupportedCartridgeType, "cartridge type", type,
                                kTypeOffset);
        kind = CartridgeKind{0, 0, 0, 0};
        addNotice(notice, headerNotice("cartridge type", type, kTypeOffset,
                                       "running the 32 KB image without a bank controller"));
    }
    const uint8_t romCode = header[kRomSizeOffset];
    const std::optional<uint32_t> headerRomSize = romSizeForCode(romCode);
    const uint32_t romSize = romAreaSize(headerRomSize.value_or(0), fileSize);
    if (!headerRomSize)
        addNotice(notice, headerNotice("ROM size code", romCode, kRomSizeOffset,
                                       "taking " + std::to_string(romSize / 1024) +
                                           " KB from the file's size"));
    const uint8_t ramCode = header[kRamSizeOffset];
    std::optional<uint32_t> ramSize = cartRamSizeForCode(ramCode);
    if (!ramSize) {
        ramSize = kCartRamMinSize;
        if (kind->hasRam)
            addNotice(notice,
                      headerNotice("RAM size code", ramCode, kRamSizeOffset, "giving it 8 KB"));
    }

    // The new buffers are filled while the old ones still serve the running game. A
    // short image leaves zeros behind it, never the previous cartridge's bytes.
    std::vector<uint8_t> romArea;
    std::vector<uint8_t> cartRam;
    if (!assignZeroed(romArea, romSize))
        return fail(LoadErrorKind::OutOfMemory, "not enough memory for the cartridge image");
    if (!assignZeroed(cartRam, *ramSize))
        return fail(LoadErrorKind::OutOfMemory, "not enough memory for the cartridge RAM");
    std::memcpy(romArea.data(), header, kHeaderEnd);
    file.read(romArea.data() + kHeaderEnd, romSize - kHeaderEnd);
    if (file.readFailed()) return failToRead(file);
    file.close();

    // From here on nothing fails: the previous cartridge is saved and unloaded, and
    // the new one takes its place.
    if (!saveBatteryRam())
        lastSaveFailure = writeFailureMessage(batterySavePath(), batterySaveFailure());
    machine.RomBankArea = std::move(romArea);
    machine.romSize = romSize;
    machine.CartRam = std::move(cartRam);
    machine.cartRamSize = *ramSize;
    // Bank 0 is the start of the image: every ROM size holds at least two banks.
    std::memcpy(machine.RomBank0.data(), machine.RomBankArea.data(), kRomBank0Size);
    machine.controllerType = kind->controllerType;
    machine.hasBattery = kind->hasBattery;
    machine.hasClock = kind->hasClock;
    lastNotice = notice;

    machine.cartridgeLoaded = 1;
    resetMachine();
    machine.romPath = path;
    loadBatteryRam();
    return true;
}

const std::string& lastHeaderNotice() {
    return lastNotice;
}

const std::string& lastBatterySaveFailure() {
    return lastSaveFailure;
}
