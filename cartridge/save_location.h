// Where a cartridge's battery save lives. Beside the image ("game.sav" for
// "game.gb") whenever that folder can be written; otherwise (a read-only folder, a
// disc, a folder of someone else's) in the user's own data folder, so that a game's
// progress always has somewhere to go.
#pragma once

#include <string>

// The user's data folder for saves kept apart: $XDG_DATA_HOME/korvi/saves (or
// ~/.local/share/korvi/saves) on Linux, %APPDATA%\Korvi\saves on Windows. Empty
// when the environment names no such place.
std::string userSavesFolder();

// The name a save kept apart gets: the save file's own name with the CRC-32 of the
// image's folder added ("game-1a2b3c4d.sav"), so that two games of one name in two
// folders keep two saves. Empty when there is no user saves folder or no file name.
std::string savedApartFileName(const std::string& romPath);

struct SaveLocation {
    std::string path;    // where the save is written; empty when nowhere
    std::string notice;  // for the player when it is not beside the image
};

// Decides where the save of the image at romPath is written, creating the user
// saves folder when it is needed.
SaveLocation chooseSaveLocation(const std::string& romPath);
