#include "video/debug_views.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "machine_video_fixture.h"

namespace {

class DebugViewTest : public MachineVideoTest {
protected:
    void SetUp() override { startDisplay(640, 480); }

    static Pixel viewValue(uint8_t colour, uint8_t obp0) {
        return indexPixel(colour == 0 ? LAYER_KEY : ShadeTable[(obp0 >> (2 * colour)) & 3]);
    }

    // Expects the 8 x rows image at (left, top) to be rows of the given tiles.
    void expectImage(int left, int top, int rows, int (*tileOf)(int row), int (*rowOf)(int row),
                     uint8_t obp0) {
        for (int r = 0; r < rows; ++r) {
            for (int k = 0; k < 8; ++k) {
                const Pixel want = viewValue(signatureColour(tileOf(r), rowOf(r), k), obp0);
                ASSERT_EQ(presenter.pixel(left + k, top + r), want) << "row " << r << " px " << k;
            }
        }
    }
};

TEST_F(DebugViewTest, MainViewIsABlackScreen) {
    display.clearBack(77);
    display.present();
    screenMode = 0;
    redrawView();
    EXPECT_EQ(presenter.presentCount(), 2);
    for (size_t i = 0; i < presenter.frame().size(); ++i) ASSERT_EQ(presenter.frame()[i], 0) << i;
}

TEST_F(DebugViewTest, TilesViewPlacesEveryTileOnTheGrid) {
    for (int tile : {1, 15, 16, 200, 256, 383}) setSignatureTile(tile);
    io(0xFF47) = 0x00;  // the views ignore BGP
    screenMode = 1;
    for (uint8_t obp0 : {kIdentityPalette, uint8_t{0x1B}}) {
        SCOPED_TRACE("OBP0 " + std::to_string(obp0));
        io(0xFF48) = obp0;
        redrawView();
        for (int tile : {1, 15, 16, 200, 256, 383}) {
            SCOPED_TRACE("tile " + std::to_string(tile));
            const int left = 13 + 16 * (tile % 16), top = 30 + 16 * (tile / 16);
            for (int r = 0; r < 8; ++r) {
                for (int k = 0; k < 8; ++k) {
                    ASSERT_EQ(presenter.pixel(left + k, top + r),
                              viewValue(signatureColour(tile, r, k), obp0))
                        << "row " << r << " pixel " << k;
                }
            }
        }
    }

    // An empty tile is an 8 x 8 block of the key colour framed by the panel.
    for (int y = 30; y < 38; ++y)
        for (int x = 13; x < 21; ++x) ASSERT_EQ(presenter.pixel(x, y), indexPixel(LAYER_KEY)) << x << "," << y;
    EXPECT_EQ(presenter.pixel(12, 30), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(21, 37), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(13, 29), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(13, 38), indexPixel(kPanelIndex));
    // The panel's corners and what lies beyond them.
    EXPECT_EQ(presenter.pixel(5, 22), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(532, 413), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(4, 22), indexPixel(kClearIndex));
    EXPECT_EQ(presenter.pixel(533, 413), indexPixel(kClearIndex));
    EXPECT_EQ(presenter.pixel(532, 414), indexPixel(kClearIndex));
    // The last tile's bottom-right pixel is at (260, 405).
    EXPECT_EQ(presenter.pixel(260, 405), viewValue(signatureColour(383, 7, 7), 0x1B));
}

TEST_F(DebugViewTest, ViewsThatDoNotFitAreNotPresented) {
    struct Case {
        const char* name;
        uint8_t mode;
        int width, height;
    };
    const Case cases[] = {
        {"tiles on 320 x 240", 1, 320, 240},
        {"tiles on 640 x 400 (rows reach 405)", 1, 640, 400},
        {"OAM on 140 x 200 (rows reach 141 across)", 2, 140, 200},
        {"OAM on 320 x 130 (rows reach 133 down)", 2, 320, 130},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(display.initDisplay(nullptr, c.width, c.height, kDisplayBitsPerPixel));
        display.clearBack(33);
        display.present();
        const int presented = presenter.presentCount();
        screenMode = c.mode;
        redrawView();
        EXPECT_EQ(presenter.presentCount(), presented);
        EXPECT_EQ(presenter.pixel(0, 0), indexPixel(33)) << "the screen keeps what it showed";
        // The failed row was given back: the back buffer can be locked again.
        int pitch = 0;
        EXPECT_NE(display.lockBack({0, 0, 1, 1}, &pitch), nullptr);
        display.unlockBack();
    }
}

// The texts the OAM view must show, drawn independently onto a black screen.
std::vector<Pixel> expectedOamTexts(const HeadlessPresenter& presenter) {
    display.clearBack(0);
    const uint8_t* oam = machine.HighPage.data() + 0x1E00;
    for (int s = 0; s < 40; ++s) {
        for (int byte = 0; byte < 4; ++byte) {
            char text[16];
            std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(oam[4 * s + byte]));
            display.drawText(text, static_cast<uint16_t>(148 + 32 * (s % 8)),
                             static_cast<uint16_t>(56 * (s / 8) + 22 + 12 * byte));
        }
    }
    display.present();
    return presenter.frame();
}

TEST_F(DebugViewTest, OamViewShowsEachEntrysBytesInHex) {
    setSprite(0, 0x10, 0x08, 0x00, 0x20);
    setSprite(9, 0xFF, 0xA0, 0x3C, 0x0F);
    setSprite(39, 0x01, 0x00, 0xFF, 0xFF);
    const std::vector<Pixel> want = expectedOamTexts(presenter);

    screenMode = 2;
    redrawView();
    int white = 0;
    for (Pixel value : want) white += value == indexPixel(kTextIndex);
    EXPECT_GT(white, 0);
    EXPECT_EQ(wrongPixels(142, 0, 640, 480,
                          [&](int x, int y) { return want[static_cast<size_t>(y) * 640 + x]; }),
              0);

    // Entry 0's "10", "8", "0", "20", one under the other at x 148: spot-check that
    // each line has something and that "8" is a single glyph wide.
    display.clearBack(0);
    display.drawText("10", 148, 22);
    display.drawText("8", 148, 34);
    display.drawText("0", 148, 46);
    display.drawText("20", 148, 58);
    display.present();
    const std::vector<Pixel> entryZero = presenter.frame();
    redrawView();
    EXPECT_EQ(
        wrongPixels(148, 22, 170, 66,
                    [&](int x, int y) { return entryZero[static_cast<size_t>(y) * 640 + x]; }),
        0);
    for (int x = 154; x < 170; ++x) EXPECT_NE(presenter.pixel(x, 36), indexPixel(kTextIndex)) << x;
}

int sameTile(int) {
    return 5;
}
int sameRow(int r) {
    return r;
}
int tallTile(int r) {
    return 5 + r / 8;
}
int tallRow(int r) {
    return r % 8;
}
int flippedTallTile(int r) {
    return 5 + (15 - r) / 8;
}
int flippedTallRow(int r) {
    return (15 - r) % 8;
}
int flippedRow(int r) {
    return 7 - r;
}
int lastTile(int r) {
    return 255 + r / 8;
}

TEST_F(DebugViewTest, OamViewDrawsSpriteImagesAtTheirGridPlace) {
    for (int tile : {5, 6, 255, 256}) setSignatureTile(tile);
    struct Case {
        const char* name;
        bool tall;
        int entry;
        uint8_t tile, attributes;
        int (*tileOf)(int);
        int (*rowOf)(int);
    };
    const Case cases[] = {
        {"8 rows", false, 0, 5, 0x00, sameTile, sameRow},
        {"8 rows, X-flip not shown", false, 9, 5, 0x20, sameTile, sameRow},
        {"8 rows flipped", false, 17, 5, 0x40, sameTile, flippedRow},
        {"16 rows from an odd tile", true, 31, 5, 0x00, tallTile, tallRow},
        {"16 rows flipped", true, 38, 5, 0x40, flippedTallTile, flippedTallRow},
        {"16 rows from tile 255", true, 39, 255, 0x00, lastTile, tallRow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        io(0xFF40) = c.tall ? 0x84 : 0x80;
        setSprite(c.entry, 0, 0, c.tile, c.attributes);
        screenMode = 2;
        redrawView();
        const int left = 13 + 16 * (c.entry % 8), top = 30 + 24 * (c.entry / 8);
        expectImage(left, top, c.tall ? 16 : 8, c.tileOf, c.rowOf, kIdentityPalette);
        // Below an 8-row image the panel shows through.
        if (!c.tall) {
            EXPECT_EQ(presenter.pixel(left, top + 8), indexPixel(kPanelIndex));
        }
    }
    // Panel bounds of the OAM view.
    EXPECT_EQ(presenter.pixel(5, 22), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(140, 149), indexPixel(kPanelIndex));
    EXPECT_EQ(presenter.pixel(141, 149), indexPixel(kClearIndex));
    EXPECT_EQ(presenter.pixel(140, 150), indexPixel(kClearIndex));
}

TEST(FormatHex, WritesUpperCaseDigitsWithoutLeadingZeros) {
    struct Case {
        uint32_t value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {0x8, "8"},
        {0xF, "F"},
        {0x10, "10"},
        {0xAB, "AB"},
        {0x100, "100"},
        {0xFFFF, "FFFF"},
        {0x0FFFFFFF, "FFFFFFF"},
        {0x10000000, "10000000"},
        {0xFFFFFFFF, "FFFFFFFF"},
        {0x80000001, "80000001"},
        {0x00C0FFEE, "C0FFEE"},
    };
    for (const Case& c : cases) {
        char buffer[12];
        std::memset(buffer, '#', sizeof buffer);
        const int length = formatHex(c.value, buffer);
        EXPECT_EQ(length, static_cast<int>(std::strlen(c.text))) << c.text;
        EXPECT_STREQ(buffer, c.text);
        EXPECT_EQ(buffer[length + 1], '#') << "wrote past the terminator for " << c.text;
    }
}

}  // namespace
