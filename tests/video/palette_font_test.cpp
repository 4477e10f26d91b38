#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "video/font.h"
#include "video/palette.h"

namespace {

int brightness(PaletteColour c) {
    return 299 * c.red + 587 * c.green + 114 * c.blue;
}

TEST(Palette, FixedIndexesShowTheirColours) {
    struct Case {
        uint8_t index;
        PaletteColour want;
    };
    const Case cases[] = {
        {0, {0, 0, 0}}, {7, {192, 192, 192}}, {248, {128, 128, 128}}, {255, {255, 255, 255}}};
    for (const Case& c : cases) {
        const PaletteColour got = paletteColour(c.index);
        EXPECT_EQ(got.red, c.want.red) << int(c.index);
        EXPECT_EQ(got.green, c.want.green) << int(c.index);
        EXPECT_EQ(got.blue, c.want.blue) << int(c.index);
    }
    // The panel must stand apart from every shade and from the clear colour.
    const PaletteColour panel = paletteColour(kPanelIndex);
    for (uint8_t other : {0, 7, 248, 255}) {
        const PaletteColour c = paletteColour(other);
        EXPECT_FALSE(c.red == panel.red && c.green == panel.green && c.blue == panel.blue)
            << "panel looks like index " << int(other);
    }
}

TEST(Palette, ShadesGoFromLightToDarkAndShadeZeroIsTheKey) {
    EXPECT_EQ(ShadeTable[0], LAYER_KEY);
    for (int s = 1; s < 4; ++s) {
        EXPECT_GT(brightness(paletteColour(ShadeTable[s - 1])),
                  brightness(paletteColour(ShadeTable[s])))
            << "shade " << s;
    }
}

TEST(Palette, IsAFullPaletteNotAFewColours) {
    std::set<int> colours;
    for (int i = 0; i < 256; ++i) {
        const PaletteColour c = paletteColour(static_cast<uint8_t>(i));
        colours.insert((c.red << 16) | (c.green << 8) | c.blue);
    }
    EXPECT_GE(colours.size(), 230u);
    for (int i : {0, 7, 120, 248, 255}) {
        const PaletteColour c = paletteColour(static_cast<uint8_t>(i));
        EXPECT_EQ(indexPixel(static_cast<uint8_t>(i)), toPixel(c)) << i;
        EXPECT_EQ(colourOf(indexPixel(static_cast<uint8_t>(i))).green, c.green) << i;
    }
}

TEST(Font, EveryPrintableGlyphIsItsOwnAndFitsItsCell) {
    std::set<std::vector<uint8_t>> seen;
    for (int code = 0x20; code <= 0x7E; ++code) {
        const uint8_t* rows = glyphRows(static_cast<char>(code));
        std::vector<uint8_t> glyph(rows, rows + kGlyphHeight);
        int lit = 0;
        for (uint8_t row : glyph) {
            EXPECT_EQ(row & ~0x1F, 0) << "glyph " << char(code) << " is wider than its cell";
            lit += row != 0;
        }
        if (code == ' ') {
            EXPECT_EQ(lit, 0);
        } else {
            EXPECT_GT(lit, 0) << "glyph " << char(code) << " is blank";
        }
        EXPECT_TRUE(seen.insert(glyph).second) << "glyph " << char(code) << " repeats another";
    }
    // Letters and digits that should not reach into the descender row.
    for (char c : std::string("ABCHXZ0189abcx")) {
        EXPECT_EQ(glyphRows(c)[kGlyphHeight - 1], 0) << c;
    }
    for (char c : std::string("gjpqy")) EXPECT_NE(glyphRows(c)[kGlyphHeight - 1], 0) << c;
}

TEST(Font, CharactersOutsidePrintableAsciiShowABox) {
    const uint8_t* box = glyphRows('\x01');
    for (char c : {'\x1F', '\x7F', '\x80', '\xFF', '\n'}) EXPECT_EQ(glyphRows(c), box) << int(c);
    EXPECT_EQ(box[0], 0x1F);
    EXPECT_EQ(box[3], 0x11);
}

TEST_F(DisplayTest, TextAdvancesOneCellPerCharacter) {
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.drawText("I\x80I", 0, 0));
    display.present();
    const std::vector<Pixel> together = presenter.frame();
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.drawText("I", 0, 0));
    ASSERT_TRUE(display.drawText("\x80", kGlyphAdvance, 0));
    ASSERT_TRUE(display.drawText("I", 2 * kGlyphAdvance, 0));
    display.present();
    EXPECT_EQ(presenter.frame(), together);
    EXPECT_EQ(presenter.pixel(kGlyphAdvance, 0), indexPixel(kTextIndex)) << "box corner";
}

}  // namespace
