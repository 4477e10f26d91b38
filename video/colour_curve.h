// The colour handheld's 15-bit colours as screen pixels. Its LCD does not show
// them as a computer screen would: the colours bleed into each other, so they look
// less saturated, and its greens are darker. The LCD curve imitates that; the raw
// curve spreads each 5-bit component over 0-255 as it stands.
#pragma once

#include <cstdint>

#include "video/palette.h"

enum class ColourCurve : uint8_t {
    Lcd = 0,
    Raw = 1,
};

// The curve colourPixel follows; the LCD curve until set otherwise.
void setColourCurve(ColourCurve curve);
ColourCurve colourCurve();

// A colour as the colour handheld stores it (red in bits 0-4, green 5-9, blue 10-14;
// bit 15 is ignored) as a screen pixel under the current curve.
Pixel colourPixel(uint16_t colour);

// Colour `colour` of palette `palette` in one of the colour handheld's palette
// memories (8 palettes of 4 colours, two bytes each, low byte first) as a pixel.
inline Pixel paletteMemoryPixel(const uint8_t* memory, int palette, int colour) {
    const uint8_t* bytes = memory + 8 * palette + 2 * colour;
    return colourPixel(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}
