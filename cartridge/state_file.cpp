#include "cartridge/state_file.h"

#include <cstring>

#include "cartridge/crc32.h"
#include "cartridge/file_handle.h"
#include "cartridge/whole_file_writer.h"
#include "cartridge/write_failure.h"
#include "core/machine_state.h"
#include "core/state_blocks.h"

namespace {

constexpr char kMagic[8] = {'K', 'O', 'R', 'V', 'I', 'S', 'T', 0x1A};
constexpr uint16_t kTitleOffset = 0x134;
constexpr uint32_t kTitleSize = 16;

void putWord(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t wordAt(const std::vector<uint8_t>& in, size_t at) {
    return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) | (static_cast<uint32_t>(in[at + 3]) << 24);
}

uint32_t imageChecksum() {
    return crc32(machine.RomBankArea.data(), machine.romSize);
}

// The title for a message: printable characters only, up to the first zero.
std::string printableTitle(const uint8_t* title) {
    std::string text;
    for (uint32_t i = 0; i < kTitleSize && title[i] != 0; ++i)
        text += (title[i] >= 0x20 && title[i] < 0x7F) ? static_cast<char>(title[i]) : '?';
    return text;
}

std::string describeFailure(const std::string& path, const std::string& reason) {
    return "Cannot load the state " + path + ": " + reason + ".";
}

}  // namespace

std::vector<uint8_t> encodeState() {
    std::vector<uint8_t> state(kStateHeaderSize, 0);
    std::memcpy(state.data(), kMagic, sizeof kMagic);
    putWord(state, 8, kStateFormatVersion);
    std::memcpy(state.data() + 12, machine.RomBank0.data() + kTitleOffset, kTitleSize);
    putWord(state, 28, imageChecksum());
    writeMachineBlocks(machine, state);
    const uint32_t bodyLength = static_cast<uint32_t>(state.size() - kStateHeaderSize);
    putWord(state, 32, bodyLength);
    putWord(state, 36, crc32(state.data() + kStateHeaderSize, bodyLength));
    return state;
}

bool decodeState(const std::vector<uint8_t>& state, std::string& reason) {
    if (!machine.cartridgeLoaded) {
        reason = "no cartridge is loaded";
        return false;
    }
    if (state.size() < kStateHeaderSize || std::memcmp(state.data(), kMagic, sizeof kMagic) != 0) {
        reason = "it is not a state file";
        return false;
    }
    const uint32_t version = wordAt(state, 8);
    if (version > kStateFormatVersion) {
        reason = "it was made by a newer version of Korvi (state format " + std::to_string(version) +
                 "; this one reads up to " + std::to_string(kStateFormatVersion) + ")";
        return false;
    }
    if (version == 0) {
        reason = "it is not a state file";
        return false;
    }
    const uint8_t* title = state.data() + 12;
    if (std::memcmp(title, machine.RomBank0.data() + kTitleOffset, kTitleSize) != 0 ||
        wordAt(state, 28) != imageChecksum()) {
        reason = "it belongs to another cartridge (\"" + printableTitle(title) + "\")";
        return false;
    }
    const uint64_t bodyLength = wordAt(state, 32);
    const uint64_t present = state.size() - kStateHeaderSize;
    if (present < bodyLength) {
        reason = "the file is cut short (" + std::to_string(present) + " of its " +
                 std::to_string(bodyLength) + " bytes of state are there)";
        return false;
    }
    const uint8_t* body = state.data() + kStateHeaderSize;
    if (crc32(body, bodyLength) != wordAt(state, 36)) {
        reason = "the file is damaged (its checksum does not match)";
        return false;
    }
    // Read into a copy, so that a body that turns out unreadable leaves the game as it is.
    MachineState loaded = machine;
    std::string blockReason;
    if (!readMachineBlocks(body, bodyLength, loaded, blockReason)) {
        reason = "the file is damaged (" + blockReason + ")";
        return false;
    }
    adoptMachineState(std::move(loaded));
    return true;
}

StateFileResult saveStateFile(const std::string& path, std::string& message) {
    const std::vector<uint8_t> state = encodeState();
    std::string failure;
    if (writeWholeFile(path, state.data(), static_cast<uint32_t>(state.size()), failure,
                       AtLink::Replace))
        return StateFileResult::Done;
    message = writeFailureMessage(path, failure);
    return StateFileResult::Failed;
}

StateFileResult readStateFile(const std::string& path, std::vector<uint8_t>& contents,
                              std::string& message) {
    FileHandle file;
    if (!file.open(path, FileMode::Read)) {
        if (file.missing()) return StateFileResult::Missing;
        message = describeFailure(path, file.failure());
        return StateFileResult::Failed;
    }
    const uint64_t size = file.size();
    if (size > kLargestStateFile) {
        message = describeFailure(path, "it is too large for a state file (" +
                                            std::to_string(size) + " bytes)");
        return StateFileResult::Failed;
    }
    contents.assign(static_cast<size_t>(size), 0);
    const uint32_t got = file.read(contents.data(), static_cast<uint32_t>(size));
    if (file.readFailed()) {
        message = describeFailure(path, file.failure());
        return StateFileResult::Failed;
    }
    contents.resize(got);
    return StateFileResult::Done;
}

StateFileResult loadStateFile(const std::string& path, std::string& message) {
    std::vector<uint8_t> state;
    const StateFileResult read = readStateFile(path, state, message);
    if (read != StateFileResult::Done) return read;
    std::string reason;
    if (decodeState(state, reason)) return StateFileResult::Done;
    message = describeFailure(path, reason);
    return StateFileResult::Failed;
}
