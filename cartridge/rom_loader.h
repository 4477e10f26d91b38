// Cartridge images: the header tables and loading an image into the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Header byte 0x148 to the image size in bytes.
std::optional<uint32_t> romSizeForCode(uint8_t code);
// Header byte 0x149 to the size of CartRam; every cartridge gets at least 8 KB.
std::optional<uint32_t> cartRamSizeForCode(uint8_t code);

struct CartridgeKind {
    uint8_t controllerType;  // 0 none, 1 MBC1, 2 MBC2, 3 MBC3, 5 MBC5, 6 MBC5 + rumble
    uint8_t hasBattery;
};
// Header byte 0x147 to the bank controller and whether the RAM keeps its contents.
std::optional<CartridgeKind> cartridgeKindForType(uint8_t type);

enum class LoadErrorKind : uint8_t {
    None,
    MachineNotReady,  // the machine's buffers were never allocated
    CannotOpen,
    UnsupportedRomSize,
    UnsupportedRamSize,
    UnsupportedCartridgeType,
    OutOfMemory,
};

struct LoadError {
    LoadErrorKind kind = LoadErrorKind::None;
    uint8_t headerValue = 0;  // the offending header byte for the Unsupported kinds
    std::string message;      // for the user, e.g. "cannot open file"
};

// Saves and unloads the current cartridge, then loads the image at path, sets up its
// bank controller and RAM, resets the machine and reads the battery save. On false no
// cartridge is loaded and lastLoadError() says why.
bool loadCartridge(const std::string& path);

// Why the most recent loadCartridge failed; kind None after a success.
const LoadError& lastLoadError();
