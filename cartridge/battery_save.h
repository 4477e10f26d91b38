// Battery-backed cartridge RAM kept between runs in a save file beside the image.
//
// The file holds the raw cartridge RAM. For a cartridge with the real-time clock,
// 48 bytes follow it, in the layout the widely used emulators share so that a save
// moves between them: ten little-endian 32-bit words (seconds, minutes, hours, day
// low, day high; then the same five as last latched) and the time of saving as a
// 64-bit count of seconds since 1970 (UTC). A 44-byte form with a 32-bit time is
// read too.
#pragma once

#include <cstdint>
#include <string>

// The save file of the image at romPath: the image's name with its extension replaced
// by "sav" ("game.gbc" and "game.gb" both give "game.sav"), or with ".sav" appended
// when the name has none. Only a '.' in the file name itself counts, never one in a
// directory name, and a leading '.' (a hidden file) is no extension. Empty when
// romPath names no file.
std::string saveFileName(const std::string& romPath);
// The same rule for any extension: fileNameBesideImage("game.gb", "ss1") is "game.ss1".
std::string fileNameBesideImage(const std::string& romPath, const std::string& extension);

// Unloads the cartridge (machine.cartridgeLoaded becomes 0) and, when it has a battery, writes
// its whole CartRam (and clock) to the save file. The old save is replaced only once
// the new one is completely on disk. Nothing is written over a save that could not
// be read when the cartridge was loaded, nor over one whose size did not fit the
// cartridge while the game has stored nothing since. Returns false only when a write
// was needed and failed; the old save file is then untouched and
// batterySaveFailure() says why.
bool saveBatteryRam();
// Why the last saveBatteryRam of a battery cartridge wrote nothing although nothing
// failed ("the save could not be read when the cartridge was loaded"); empty when it
// wrote the save or had nothing to save.
const std::string& batterySaveSkipped();
// Why the last saveBatteryRam failed ("cannot write it completely: No space left on
// device"); empty after a success.
const std::string& batterySaveFailure();

// Reads the save file of the loaded cartridge into the start of CartRam, as far as
// cartRamSize, and sets the clock from its footer, moved on by the time that passed
// since it was written. A missing save file is no error and leaves CartRam as it is.
// A save that is there but cannot be read leaves CartRam as it is too, and is then
// never written over until the cartridge is loaded again: batterySaveReadFailure()
// says so.
void loadBatteryRam();
// Where the loaded battery cartridge's save is written: beside the image, or in the
// user's saves folder when the image's folder cannot be written (see
// cartridge/save_location.h). Kept after the cartridge is unloaded; empty for a
// cartridge without a battery.
const std::string& batterySavePath();
// For the player when the last loadBatteryRam found that the save cannot be kept
// beside the image: where it goes instead, or that it cannot be kept at all.
const std::string& batterySaveNotice();
// The message for the player when the last loadBatteryRam found a save it could not
// read, naming the file and the reason; empty otherwise.
const std::string& batterySaveReadFailure();
