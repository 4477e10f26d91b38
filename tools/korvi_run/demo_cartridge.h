// Where korvi-run puts the built-in demo cartridge when no image is given: the user's
// cache folder, so that its battery save persists between runs, or else a private
// folder made for this run alone and removed at its end. Never a name that someone
// else could have prepared.
#pragma once

#include <string>

struct DemoCartridge {
    std::string path;             // the image, written afresh
    std::string privateFolder;    // made for this run and removed by removeDemoCartridge
};

// Writes the demo image. False with a message when it cannot be written anywhere.
bool writeDemoCartridge(DemoCartridge& demo, std::string& error);

// Removes a private folder and everything in it (the image and its save); the cache
// folder is kept.
void removeDemoCartridge(const DemoCartridge& demo);
