// The display's own bitmap font: 5 x 8 glyphs for printable ASCII, drawn white by
// Display::drawText. Capitals and digits use rows 0-6; row 7 holds descenders.
#pragma once

#include <cstdint>

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 8;
inline constexpr int kGlyphAdvance = 6;  // one blank column between letters

// The glyph of a character: kGlyphHeight rows, bit 4 the leftmost pixel. Characters
// outside 0x20-0x7E get a hollow box so that they still show up.
const uint8_t* glyphRows(char character);
