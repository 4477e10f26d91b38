// Battery-backed cartridge RAM kept between runs in a save file beside the image.
#pragma once

#include <string>

// The save file of the image at romPath: the image's name with its extension replaced
// by "sav" ("game.gbc" and "game.gb" both give "game.sav"), or with ".sav" appended
// when the name has none. Only a '.' in the file name itself counts, never one in a
// directory name, and a leading '.' (a hidden file) is no extension. Empty when
// romPath names no file.
std::string saveFileName(const std::string& romPath);

// Unloads the cartridge (cartridgeLoaded becomes 0) and, when it has a battery, writes
// its whole CartRam to the save file. The old save is replaced only once the new one
// is completely on disk. Returns false only when a write was needed and failed; the
// old save file is then untouched and batterySaveFailure() says why.
bool saveBatteryRam();
// Why the last saveBatteryRam failed ("cannot write it completely: No space left on
// device"); empty after a success.
const std::string& batterySaveFailure();

// Reads the save file of the loaded cartridge into the start of CartRam, as far as
// cartRamSize. A missing save file is no error and leaves CartRam as it is.
void loadBatteryRam();
