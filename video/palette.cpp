#include "video/palette.h"

#include <array>

namespace {

// A conventional 8-bit system palette: twenty fixed colours, ten at each end
// (black at 0, white at 255, the two greys at 7 and 248), a 6 x 6 x 6 colour cube
// from index 10 and a ramp of twenty greys filling the gap before the upper ten.
constexpr std::array<PaletteColour, 256> buildPalette() {
    std::array<PaletteColour, 256> colours{};
    constexpr PaletteColour low[10] = {
        {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    };
    constexpr PaletteColour high[10] = {
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255},
    };
    for (int i = 0; i < 10; ++i) {
        colours[i] = low[i];
        colours[246 + i] = high[i];
    }
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                colours[10 + r * 36 + g * 6 + b] = {static_cast<uint8_t>(r * 51),
                                                    static_cast<uint8_t>(g * 51),
                                                    static_cast<uint8_t>(b * 51)};
            }
        }
    }
    // Greys between the cube's steps, from 8 up to 236 in steps of 12.
    for (int i = 0; i < 20; ++i) {
        const auto level = static_cast<uint8_t>(8 + i * 12);
        colours[226 + i] = {level, level, level};
    }
    return colours;
}

constexpr std::array<PaletteColour, 256> kPalette = buildPalette();

constexpr bool isWhite(PaletteColour c) {
    return c.red == 255 && c.green == 255 && c.blue == 255;
}
static_assert(isWhite(kPalette[ShadeTable[0]]) && isWhite(kPalette[LAYER_KEY]),
              "shade 0 and the copies' key are both white");

}  // namespace

PaletteColour paletteColour(uint8_t index) {
    return kPalette[index];
}

Pixel indexPixel(uint8_t index) {
    return toPixel(kPalette[index]);
}
