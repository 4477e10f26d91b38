// Small test cartridges that set up one renderer situation and then loop: a checker
// background with a dark frame along map row 0 and column 0, a window of open boxes
// with marked corners, and the sprites a case lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SpriteEntry {
    uint8_t y, x, tile, attributes;
};

struct RendererScene {
    const char* name;
    uint8_t lcdc;
    uint8_t scx = 0, scy = 0, wx = 7, wy = 0;
    std::vector<SpriteEntry> sprites = {};
    // Written to LCDC after three frames, when it differs from lcdc.
    int lcdcLater = -1;
    // Background and window palette; the sprite palettes are OBP0 $D2 (colour 1
    // white) and OBP1 $1B (colours reversed: 3 white).
    uint8_t bgp = 0xE4;
};

// The assembler source of the scene's cartridge.
std::string rendererCartridgeSource(const RendererScene& scene);
