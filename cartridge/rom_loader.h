// Cartridge images: the header tables and loading an image into the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Header byte 0x148 to the image size in bytes; nothing for a code that names none.
std::optional<uint32_t> romSizeForCode(uint8_t code);
// Header byte 0x149 to the size of CartRam; every cartridge gets at least 8 KB.
std::optional<uint32_t> cartRamSizeForCode(uint8_t code);

// The largest image a controller can address: 512 banks of 16 KB.
inline constexpr uint32_t kMaxRomSize = 0x800000;
// The ROM area for an image file of fileSize bytes whose header names headerSize
// (0 for a code that names no size): the larger of the two, the file's rounded up to
// a whole power of two, from 32 KB to kMaxRomSize. A file larger than its header
// says is all reachable, as on a cartridge whose header understates its ROM.
uint32_t romAreaSize(uint32_t headerSize, uint64_t fileSize);

struct CartridgeKind {
    uint8_t controllerType;  // 0 none, 1 MBC1, 2 MBC2, 3 MBC3, 5 MBC5, 6 MBC5 + rumble
    uint8_t hasBattery;
    uint8_t hasClock = 0;
    uint8_t hasRam = 0;  // the type says the cartridge carries RAM
};
// Header byte 0x147 to the bank controller and whether the RAM keeps its contents.
std::optional<CartridgeKind> cartridgeKindForType(uint8_t type);

enum class LoadErrorKind : uint8_t {
    None,
    MachineNotReady,  // the machine's buffers were never allocated
    CannotOpen,
    TooShort,  // under 0x150 bytes: not even the header is there
    UnsupportedCartridgeType,
    OutOfMemory,
};

struct LoadError {
    LoadErrorKind kind = LoadErrorKind::None;
    uint8_t headerValue = 0;  // the offending header byte for the Unsupported kinds
    std::string message;      // for the user, e.g. "cannot open file"
};

// Loads the image at path: checks first that it can be loaded (it opens, holds a whole
// header, names a supported type, and memory can be had for it); then saves
// and unloads the current cartridge, sets up the new one's bank controller and RAM,
// resets the machine and reads the battery save. On false nothing has changed: the
// cartridge that was running is still loaded as it was, and lastLoadError() says why.
bool loadCartridge(const std::string& path);

// Why the most recent loadCartridge failed; kind None after a success.
const LoadError& lastLoadError();

// After the most recent successful loadCartridge: what the header named that does not
// exist and what was taken instead ("unknown ROM size code 0x26 (header byte 0x148):
// taking 64 KB from the file's size"), in one line, parts separated by "; "; empty
// when the header was sound.
const std::string& lastHeaderNotice();

// After the most recent loadCartridge: when the battery save of the cartridge it
// replaced could not be written, the message for the player naming the file and the
// reason; empty otherwise.
const std::string& lastBatterySaveFailure();
