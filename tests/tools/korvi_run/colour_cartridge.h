// A small colour cartridge for the picture's golden test: eight background and eight
// sprite palettes written through the auto-incrementing palette ports, an attribute
// map that gives each column its palette and its tile bank and each row its flips,
// two rows of tiles kept in front of sprites, sprites in several palettes, from both
// banks, flipped, overlapping and kept behind the background, and three tiles that
// arrive by horizontal-blank DMA while the picture is on.
#pragma once

#include <string>

// The assembler source of the cartridge.
std::string colourCartridgeSource();
