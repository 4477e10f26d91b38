// State files: the whole emulated handheld at one moment, to be loaded back later.
//
// Layout, little endian:
//   0   8 bytes  "KORVIST\x1A"
//   8   u32      format version (kStateFormatVersion when written)
//   12  16 bytes the cartridge's title as its header holds it (0x134-0x143)
//   28  u32      CRC-32 of the cartridge image
//   32  u32      length of the body
//   36  u32      CRC-32 of the body
//   40  body     the machine's labelled blocks (see core/state_blocks.h)
// A state loads only into the cartridge it was taken of, only when whole and
// undamaged, and only when its format is not newer than this program's; later
// formats keep this header and may add blocks and fields, which this one skips.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kStateFormatVersion = 1;
inline constexpr uint32_t kStateHeaderSize = 40;
// No state of any cartridge comes near this; a bigger file is refused unread.
inline constexpr uint64_t kLargestStateFile = 16u << 20;

// The state of the running machine, header included.
std::vector<uint8_t> encodeState();

// Loads a state made by encodeState into the running machine. Refused, with the reason
// ("it belongs to another cartridge"), when it does not fit the loaded cartridge or
// is cut short, damaged or newer; the machine is then left as it was.
bool decodeState(const std::vector<uint8_t>& state, std::string& reason);

enum class StateFileResult : uint8_t { Done, Missing, Failed };

// Writes the running machine's state to path, as a new file made whole and then
// renamed over the old one. On Failed, message is the sentence for the player.
StateFileResult saveStateFile(const std::string& path, std::string& message);

// Reads the state at path into the running machine. Missing when there is no such
// file; on Failed, message names the file and the reason, and the machine runs on
// untouched.
StateFileResult loadStateFile(const std::string& path, std::string& message);

// The whole contents of a state file for undoing a save: Missing when there was none.
StateFileResult readStateFile(const std::string& path, std::vector<uint8_t>& contents,
                              std::string& message);
