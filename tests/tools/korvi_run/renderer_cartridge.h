// Small test cartridges that set up one renderer situation and then loop: a checker
// background with a dark frame along map row 0 and column 0, a window of open boxes
// with marked corners, the sprites a case lists and, for raster effects, register
// writes made between two lines of every frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SpriteEntry {
    uint8_t y, x, tile, attributes;
};

// A write of value to I/O register $FF00 + reg, made in the horizontal blank just
// before screen line `line` (0-143) is drawn, so that lines from `line` on show it.
// Writes for line 0 are made after line 143, before the vertical blank.
struct RasterWrite {
    uint8_t line, reg, value;
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
    // Made every frame, in line order (writes for one line in list order), from an
    // LY=LYC interrupt at the line before. By line 0 the writes should have put the
    // registers back to the scene's values, so that every frame looks the same.
    std::vector<RasterWrite> raster = {};
    // Writes made at once by the LY=LYC interrupt of their own line, as a game's
    // handler makes them, instead of in the horizontal blank before it: the line is
    // drawn only once its transfer ends, so it shows them too.
    bool rasterAtLineStart = false;
};

// The subroutine `copy` in assembler source: BC bytes from HL on to DE on.
extern const char* const kCopyRoutine;

// The assembler source of the scene's cartridge.
std::string rendererCartridgeSource(const RendererScene& scene);
