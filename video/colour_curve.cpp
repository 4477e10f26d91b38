#include "video/colour_curve.h"

#include <array>
#include <cmath>

namespace {

// Every 15-bit colour's pixel under the current curve, built when the curve is
// chosen (or first used), so that a lookup is all a pixel costs.
std::array<Pixel, 0x8000> table;
ColourCurve current = ColourCurve::Lcd;
bool built = false;

uint8_t raw(int component) {
    return static_cast<uint8_t>((component << 3) | (component >> 2));
}

// The LCD: each component of the lit colour is a mix of all three stored ones, worked
// out in linear light. Each row sums to 1, so greys (white and black included) stay
// as they are; pure colours lose saturation and green most of its strength. The
// panel's response is a little steeper than a computer screen's, which darkens the
// middle tones slightly.
Pixel lcdPixel(int red, int green, int blue) {
    constexpr double kMix[3][3] = {
        {0.86, 0.10, 0.04},
        {0.05, 0.80, 0.15},
        {0.12, 0.08, 0.80},
    };
    constexpr double kStoredGamma = 2.2;
    constexpr double kShownGamma = 2.0;
    const double linear[3] = {std::pow(red / 31.0, kStoredGamma), std::pow(green / 31.0, kStoredGamma),
                              std::pow(blue / 31.0, kStoredGamma)};
    uint8_t shown[3];
    for (int c = 0; c < 3; ++c) {
        const double mixed =
            kMix[c][0] * linear[0] + kMix[c][1] * linear[1] + kMix[c][2] * linear[2];
        const double level = std::pow(mixed, 1.0 / kShownGamma) * 255.0 + 0.5;
        shown[c] = static_cast<uint8_t>(level > 255.0 ? 255.0 : level);
    }
    return toPixel(shown[0], shown[1], shown[2]);
}

void build() {
    for (int colour = 0; colour < 0x8000; ++colour) {
        const int red = colour & 31, green = (colour >> 5) & 31, blue = (colour >> 10) & 31;
        table[colour] = current == ColourCurve::Raw ? toPixel(raw(red), raw(green), raw(blue))
                                                    : lcdPixel(red, green, blue);
    }
    built = true;
}

}  // namespace

void setColourCurve(ColourCurve curve) {
    if (built && curve == current) return;
    current = curve;
    build();
}

ColourCurve colourCurve() {
    return current;
}

Pixel colourPixel(uint16_t colour) {
    if (!built) build();
    return table[colour & 0x7FFF];
}
