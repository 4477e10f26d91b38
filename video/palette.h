// The one fixed 256-colour palette through which every 8-bit surface is shown,
// and the indexes the rest of the program draws with. The palette is never
// replaced: the four monochrome shades, the clear colour, the panel colour and the
// layers' transparent key are plain indexes into it.
#pragma once

#include <cstdint>

struct PaletteColour {
    uint8_t red, green, blue;
};

// Shades 0-3 of the handheld (white, light grey, dark grey, black) as indexes.
inline constexpr uint8_t ShadeTable[4] = {0xFF, 0x07, 0xF8, 0x00};

// Transparent key of keyed copies (the debug views' sprite images); white when shown.
inline constexpr uint8_t LAYER_KEY = 255;
inline constexpr uint8_t kClearIndex = 0;    // black
inline constexpr uint8_t kPanelIndex = 120;  // behind the debug views' images
inline constexpr uint8_t kTextIndex = 255;   // white

// The colour the screen shows for an index.
PaletteColour paletteColour(uint8_t index);
// All 256 colours in index order, for presenters that convert whole frames.
const PaletteColour* paletteColours();
