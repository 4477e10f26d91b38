// The one fixed 256-colour palette of the colours the program draws with by index:
// the four monochrome shades, the clear colour, the panel colour, the text and the
// layers' transparent key. Surfaces hold pixels (0x00RRGGBB); an index becomes a
// pixel through this palette, a colour cartridge's colours are pixels of their own.
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

// A screen pixel: red in bits 16-23, green in 8-15, blue in 0-7, bits 24-31 zero.
using Pixel = uint32_t;

constexpr Pixel toPixel(uint8_t red, uint8_t green, uint8_t blue) {
    return (Pixel{red} << 16) | (Pixel{green} << 8) | blue;
}
constexpr Pixel toPixel(PaletteColour c) {
    return toPixel(c.red, c.green, c.blue);
}
constexpr PaletteColour colourOf(Pixel pixel) {
    return {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
            static_cast<uint8_t>(pixel)};
}

// The pixel of an index.
Pixel indexPixel(uint8_t index);

// The colour the screen shows for an index.
PaletteColour paletteColour(uint8_t index);
