#include "cartridge/battery_save.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "cartridge/file_handle.h"
#include "cartridge/save_location.h"
#include "cartridge/whole_file_writer.h"
#include "core/machine_state.h"
#include "core/real_time_clock.h"

namespace {

// The clock's footer after the RAM; the older form stores the time in 32 bits.
constexpr uint32_t kClockFooterSize = 48;
constexpr uint32_t kShortClockFooterSize = 44;
// How far beyond the RAM a save may reach: room for any emulator's footer. A longer
// file is no save of this cartridge and is left alone.
constexpr uint32_t kMaxSaveTail = 0x10000;

// What the loaded cartridge's save file was like when it was read.
struct SaveFileState {
    std::string romPath;        // the image it was chosen for
    std::string path;           // where the save is written: beside the image or apart
    std::string notice;         // why it is not beside the image
    bool unreadable = false;    // there but not read: never written over
    bool sizeDiffers = false;   // kept as it was until the game stores something
    std::vector<uint8_t> tail;  // bytes after the RAM, kept when the save is written
};

SaveFileState saveFile;
std::string lastFailure;
std::string lastSkip;
std::string readFailure;

uint64_t unixNow() {
    const std::time_t now = std::time(nullptr);
    return now < 0 ? 0 : static_cast<uint64_t>(now);
}

uint32_t readWord(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void putWord(uint8_t* bytes, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Sets the clock from a footer and runs it on by the seconds since the footer's
// time; a time in the future (the host's clock was put back) adds nothing.
void decodeClockFooter(const uint8_t* footer, uint32_t size) {
    RealTimeClock& clock = machine.clock;
    for (int i = 0; i < 5; ++i) {
        clock.counters[i] = static_cast<uint8_t>(readWord(footer + 4 * i) & kClockRegisterMasks[i]);
        clock.latched[i] =
            static_cast<uint8_t>(readWord(footer + 20 + 4 * i) & kClockRegisterMasks[i]);
    }
    uint64_t savedAt = readWord(footer + 40);
    if (size == kClockFooterSize) savedAt |= uint64_t{readWord(footer + 44)} << 32;
    const uint64_t now = unixNow();
    if (savedAt != 0 && now > savedAt) advanceClockSeconds(now - savedAt);
}

// The footer for the clock as it stands, saved at unixTime.
void encodeClockFooter(uint8_t* footer, uint64_t unixTime) {
    const RealTimeClock& clock = machine.clock;
    for (int i = 0; i < 5; ++i) {
        putWord(footer + 4 * i, clock.counters[i], 4);
        putWord(footer + 20 + 4 * i, clock.latched[i], 4);
    }
    putWord(footer + 40, unixTime, 8);
}

// Whether a file of `size` bytes is what this cartridge's save looks like.
bool isExpectedSize(uint64_t size) {
    if (size == machine.cartRamSize) return true;
    return machine.hasClock && (size == machine.cartRamSize + kClockFooterSize ||
                                size == machine.cartRamSize + kShortClockFooterSize);
}

void refuseSave(const std::string& name, const std::string& reason) {
    saveFile.unreadable = true;
    readFailure = "Could not read the save file " + name + ": " + reason +
                  ". The game starts without it, and the file will not be written over until "
                  "the cartridge is loaded again.";
}

}  // namespace

std::string fileNameBesideImage(const std::string& romPath, const std::string& extension) {
    const size_t nameStart = fileNameStart(romPath);
    if (nameStart == romPath.size()) return {};

    const size_t dot = romPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return romPath + "." + extension;
    return romPath.substr(0, dot + 1) + extension;
}

std::string saveFileName(const std::string& romPath) {
    return fileNameBesideImage(romPath, "sav");
}

bool saveBatteryRam() {
    lastFailure.clear();
    lastSkip.clear();
    if (!machine.cartridgeLoaded) return true;
    machine.cartridgeLoaded = 0;
    if (!machine.hasBattery) return true;

    const std::string name = saveFile.romPath == machine.romPath && !saveFile.path.empty()
                                 ? saveFile.path
                                 : saveFileName(machine.romPath);
    if (name.empty()) return true;
    // A save that was not read is the player's, whatever this run did; one of
    // another size stays as it was until the game has stored something of its own.
    if (saveFile.unreadable) {
        lastSkip = "it could not be read when the cartridge was loaded";
        return true;
    }
    if (saveFile.sizeDiffers && !machine.cartRamWritten) {
        lastSkip = "its size does not fit the cartridge and the game stored nothing new";
        return true;
    }

    std::vector<uint8_t> contents(machine.CartRam.begin(), machine.CartRam.begin() + machine.cartRamSize);
    if (machine.hasClock) {
        syncClock();
        contents.resize(machine.cartRamSize + kClockFooterSize);
        encodeClockFooter(contents.data() + machine.cartRamSize, unixNow());
    } else {
        contents.insert(contents.end(), saveFile.tail.begin(), saveFile.tail.end());
    }
    // Written into a temporary file of its own and renamed over the old save, so that
    // a full disk, a crash half-way or another instance saving at the same moment
    // leaves a whole save rather than a truncated one.
    std::string failure;
    if (writeWholeFile(name, contents.data(), static_cast<uint32_t>(contents.size()), failure,
                       AtLink::Replace))
        return true;
    lastFailure = failure;
    return false;
}

const std::string& batterySaveSkipped() {
    return lastSkip;
}

const std::string& batterySaveFailure() {
    return lastFailure;
}

void loadBatteryRam() {
    saveFile = SaveFileState{};
    readFailure.clear();
    if (!machine.hasBattery) return;
    const SaveLocation location = chooseSaveLocation(machine.romPath);
    saveFile.romPath = machine.romPath;
    saveFile.path = location.path;
    saveFile.notice = location.notice;
    if (location.path.empty()) return;
    // A save kept apart is read from there; before the first one is written there,
    // the save beside the image (on a disc, say) is where the game goes on from.
    std::string name = location.path;
    FileHandle file;
    if (!file.open(name, FileMode::Read) && file.missing() && name != saveFileName(machine.romPath)) {
        name = saveFileName(machine.romPath);
        file.open(name, FileMode::Read);
    }
    if (!file.isOpen()) {
        if (!file.missing()) refuseSave(name, file.failure());
        return;
    }
    // One byte more than the longest save there can be tells a longer file apart.
    std::vector<uint8_t> bytes(machine.cartRamSize + kMaxSaveTail + 1);
    const uint32_t got = file.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (file.readFailed()) return refuseSave(name, file.failure());
    if (got > machine.cartRamSize + kMaxSaveTail)
        return refuseSave(name, "it is too long for this cartridge's save (over " +
                                    std::to_string(machine.cartRamSize + kMaxSaveTail) + " bytes)");
    file.close();

    const uint32_t ramBytes = got < machine.cartRamSize ? got : machine.cartRamSize;
    std::copy(bytes.begin(), bytes.begin() + ramBytes, machine.CartRam.begin());
    const uint32_t tailBytes = got - ramBytes;
    if (machine.hasClock && (tailBytes == kClockFooterSize || tailBytes == kShortClockFooterSize)) {
        decodeClockFooter(bytes.data() + ramBytes, tailBytes);
    } else {
        saveFile.tail.assign(bytes.begin() + ramBytes, bytes.begin() + got);
    }
    saveFile.sizeDiffers = !isExpectedSize(got);
}

const std::string& batterySaveReadFailure() {
    return readFailure;
}

const std::string& batterySavePath() {
    return saveFile.path;
}

const std::string& batterySaveNotice() {
    return saveFile.notice;
}
