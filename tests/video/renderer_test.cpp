#include "video/renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_video_fixture.h"

namespace {

using RendererTest = MachineVideoTest;

constexpr uint8_t kLcdOn = 0x80, kWindowMapHigh = 0x40, kWindowOn = 0x20, kUnsignedTiles = 0x10,
                  kTall = 0x04, kSpritesOn = 0x02, kBackgroundOn = 0x01;
constexpr uint8_t kBehind = 0x80, kYFlip = 0x40, kXFlip = 0x20;
constexpr uint8_t kWhite = ShadeTable[0], kLight = ShadeTable[1], kDark = ShadeTable[2],
                  kBlack = ShadeTable[3];

// A sprite colour under the identity palette over a white line: colour 0 lets the
// white through.
uint8_t overWhite(uint8_t colour) {
    return ShadeTable[colour];
}

// The window is shown on the line being drawn, as window row `row` of its own count.
void showWindowRow(int row) {
    machine.windowYReached = true;
    machine.windowLinesShown = static_cast<uint8_t>(row + 1);
}

TEST_F(RendererTest, NothingIsDrawnOrCountedOffScreenOrWithTheLcdOff) {
    struct Case {
        uint8_t lcdc;
        int ly;
    };
    const Case cases[] = {{0xA3, 144}, {0xA3, 153}, {0xA3, 255}, {0x23, 0}, {0x23, 143}};
    for (const Case& c : cases) {
        SCOPED_TRACE("LCDC " + std::to_string(c.lcdc) + " LY " + std::to_string(c.ly));
        display.fillRect(ScreenLayer, kDark, 0, 0, 160, 144);
        io(0xFF40) = c.lcdc;
        EXPECT_FALSE(renderAt(c.ly));
        EXPECT_EQ(framesThisSecond, 0u);
        EXPECT_EQ(presenter.presentCount(), 0);
        uint8_t pixels[160];
        screenRow(c.ly < 144 ? c.ly : 143, pixels);
        EXPECT_EQ(pixels[0], kDark);
    }
}

TEST_F(RendererTest, OnlyTheLastLineComposesPresentsAndCounts) {
    io(0xFF40) = kLcdOn | kBackgroundOn;
    for (int ly = 0; ly < 143; ++ly) ASSERT_TRUE(renderAt(ly));
    EXPECT_EQ(presenter.presentCount(), 0);
    EXPECT_EQ(framesThisSecond, 0u);
    ASSERT_TRUE(renderAt(143));
    EXPECT_EQ(presenter.presentCount(), 1);
    EXPECT_EQ(framesThisSecond, 1u);

    // The count is not held to a byte: a rate above 255 is kept as it is.
    framesThisSecond = 255;
    ASSERT_TRUE(renderAt(143));
    EXPECT_EQ(framesThisSecond, 256u);
}

TEST_F(RendererTest, FrameRateNumberIsInTheTopLeftCorner) {
    io(0xFF40) = kLcdOn;
    for (uint32_t shown : {0u, 60u, 300u}) {
        SCOPED_TRACE(shown);
        fpsShown = shown;
        ASSERT_TRUE(renderAt(143));
        const std::vector<Pixel> frame = presenter.frame();
        ASSERT_TRUE(display.clearBack(0));
        ASSERT_TRUE(display.drawNumber(shown, 0, 0));
        display.present();
        int white = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 30; ++x) {
                const Pixel want = presenter.pixel(x, y);
                ASSERT_EQ(frame[static_cast<size_t>(y) * 400 + x], want) << x << "," << y;
                white += want == indexPixel(kTextIndex);
            }
        }
        EXPECT_GT(white, 0);
    }
}

TEST_F(RendererTest, ScreenIsEnlargedByTheZoomAndCentred) {
    for (int y = 0; y < 144; ++y) {
        int pitch = 0;
        Pixel* row = display.lock(ScreenLayer, {0, y, 160, y + 1}, &pitch);
        ASSERT_NE(row, nullptr);
        for (int x = 0; x < 160; ++x) row[x] = static_cast<Pixel>(0x10000 * y + x + 1);
        display.unlock(ScreenLayer);
    }
    for (int z : {1, 2}) {
        SCOPED_TRACE("zoom " + std::to_string(z));
        zoom = static_cast<uint8_t>(z);
        composeFrame();
        const int left = screenCentreX - 80 * z, top = screenCentreY - 72 * z;
        auto want = [&](int x, int y) -> Pixel {
            if (x < left || y < top || x >= left + 160 * z || y >= top + 144 * z)
                return indexPixel(kClearIndex);
            return static_cast<Pixel>(0x10000 * ((y - top) / z) + (x - left) / z + 1);
        };
        EXPECT_EQ(wrongPixels(left - 1, top - 1, left + 160 * z + 1, top + 144 * z + 1, want), 0);
    }
}

TEST_F(RendererTest, SpriteHorizontalPlacementAndFlipAndTheLeftEdge) {
    setSignatureTile(1);
    io(0xFF40) = kLcdOn | kSpritesOn;
    const int ly = 5;  // Y = 16 puts row 5 of the sprite on this line
    struct Case {
        int x;
        bool xFlip;
    };
    // X 1-7 stand partly off the left edge: what is left of them is drawn.
    const Case cases[] = {{0, false},   {1, false},   {1, true},    {7, false},
                          {7, true},    {8, false},   {8, true},    {9, false},
                          {100, true},  {159, false}, {165, false}, {165, true},
                          {167, false}, {168, false}, {200, false}, {255, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("X " + std::to_string(c.x) + (c.xFlip ? " flipped" : ""));
        setSprite(0, 16, static_cast<uint8_t>(c.x), 1, c.xFlip ? kXFlip : 0);
        ASSERT_TRUE(renderAt(ly));
        uint8_t want[160];
        for (uint8_t& w : want) w = kWhite;
        for (int j = 0; j < 8; ++j) {
            const int x = c.xFlip ? c.x - 1 - j : c.x - 8 + j;
            if (x >= 0 && x < 160) want[x] = overWhite(signatureColour(1, 5, j));
        }
        uint8_t got[160];
        screenRow(ly, got);
        for (int x = 0; x < 160; ++x) ASSERT_EQ(got[x], want[x]) << "pixel " << x;
    }
}

TEST_F(RendererTest, SpriteWithTheSmallerXIsInFrontThenTheLowerEntry) {
    setTileSolid(2, 3);
    const uint8_t halfClear[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    for (int row = 0; row < 8; ++row) setTileRow(3, row, halfClear);
    io(0xFF40) = kLcdOn | kSpritesOn;

    struct Case {
        const char* name;
        int firstTile, firstX, secondTile, secondX;  // entries 0 and 1
        uint8_t want[12];
    };
    const uint8_t w = kWhite, b = kBlack, l = kLight;
    const Case cases[] = {
        {"lower entry, smaller X", 2, 8, 3, 12, {b, b, b, b, b, b, b, b, l, l, l, l}},
        {"higher entry, smaller X", 3, 12, 2, 8, {b, b, b, b, b, b, b, b, l, l, l, l}},
        // The clear half of the sprite in front shows the one behind.
        {"same X, clear half in front", 3, 8, 2, 8, {b, b, b, b, l, l, l, l, w, w, w, w}},
        {"same X, solid in front", 2, 8, 3, 8, {b, b, b, b, b, b, b, b, w, w, w, w}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSprite(0, 16, static_cast<uint8_t>(c.firstX), static_cast<uint8_t>(c.firstTile), 0);
        setSprite(1, 16, static_cast<uint8_t>(c.secondX), static_cast<uint8_t>(c.secondTile), 0);
        ASSERT_TRUE(renderAt(2));
        uint8_t got[160];
        screenRow(2, got);
        for (int x = 0; x < 12; ++x) EXPECT_EQ(got[x], c.want[x]) << "pixel " << x;
        EXPECT_EQ(got[12], kWhite);
    }
}

TEST_F(RendererTest, SpriteRowsFollowHeightAndVerticalFlip) {
    for (int tile : {1, 4, 5, 254, 255}) setSignatureTile(tile);
    struct Case {
        const char* name;
        bool tall;
        uint8_t tile;
        bool yFlip;
        int ly;        // with Y = 16 the sprite's row n is on line n
        int wantTile;  // -1: the sprite is not on this line
        int wantRow;
    };
    const Case cases[] = {
        {"8x8 upright", false, 1, false, 5, 1, 5},
        {"8x8 flipped", false, 1, true, 5, 1, 2},
        {"8x8 below its last row", false, 1, false, 8, -1, 0},
        // A tall sprite is the pair 4 and 5 whether its number is 4 or 5.
        {"8x16 upper half", true, 5, false, 3, 4, 3},
        {"8x16 upper half flipped", true, 5, true, 3, 5, 4},
        {"8x16 lower half", true, 5, false, 10, 5, 2},
        {"8x16 first row of the lower half", true, 5, false, 8, 5, 0},
        {"8x16 last row of the upper half flipped", true, 5, true, 7, 5, 0},
        {"8x16 first row of the lower half flipped", true, 5, true, 8, 4, 7},
        {"8x16 lower half flipped", true, 5, true, 10, 4, 5},
        {"8x16 even number, lower half", true, 4, false, 10, 5, 2},
        {"8x16 below its last row", true, 5, false, 16, -1, 0},
        {"8x16 from the last tile number", true, 255, false, 3, 254, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        io(0xFF40) = kLcdOn | kSpritesOn | (c.tall ? kTall : 0);
        setSprite(0, 16, 8, c.tile, c.yFlip ? kYFlip : 0);
        ASSERT_TRUE(renderAt(c.ly));
        uint8_t got[160];
        screenRow(c.ly, got);
        for (int x = 0; x < 8; ++x) {
            const uint8_t want =
                c.wantTile < 0 ? kWhite : overWhite(signatureColour(c.wantTile, c.wantRow, x));
            EXPECT_EQ(got[x], want) << "pixel " << x;
        }
    }
}

// One tile used on a line by the background, a sprite and the window: each shows
// its own row of it.
TEST_F(RendererTest, EachUserOfATileOnALineShowsItsOwnRow) {
    setSignatureTile(1);
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    io(0xFF42) = 2;  // line 3 shows background row 5
    io(0xFF4B) = 7 + 80;
    showWindowRow(11);           // window tile row 3
    setSprite(3, 13, 48, 1, 0);  // sprite row 19 - 13 = 6 on line 3, at X 40
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn | kSpritesOn | kWindowOn;
    ASSERT_TRUE(renderAt(3));
    uint8_t got[160];
    screenRow(3, got);
    for (int x = 0; x < 160; ++x) {
        int row = x < 80 ? 5 : 3;
        // The sprite's colour-0 column lets the background through.
        if (x >= 40 && x < 47) row = 6;
        EXPECT_EQ(got[x], ShadeTable[signatureColour(1, row, x % 8)]) << "pixel " << x;
    }
}

TEST_F(RendererTest, BackgroundAndWindowMapsAndTileNumbering) {
    // Map number 1 is tile 257 (0x9010) with signed numbering, tile 1 with unsigned;
    // 0x9C00 maps are chosen by their own LCDC bits.
    setTileSolid(1, 1);
    setTileSolid(257, 2);
    setTileSolid(200, 3);
    for (int column = 0; column < 32; ++column) {
        machine.VideoRam[0x1800 + 32 * 2 + column] = 1;    // row 2 of the low map
        machine.VideoRam[0x1C00 + 32 * 2 + column] = 200;  // row 2 of the high map
    }
    io(0xFF4B) = 7 + 80;  // the window over the right half
    showWindowRow(20);    // map row 2
    struct Case {
        const char* name;
        uint8_t lcdc;
        uint8_t wantBackground, wantWindow;
    };
    const Case cases[] = {
        {"signed numbering", kWindowOn | kBackgroundOn, kDark, kDark},
        {"unsigned numbering", kUnsignedTiles | kWindowOn | kBackgroundOn, kLight, kLight},
        {"high background map", 0x08 | kWindowOn | kBackgroundOn, kBlack, kDark},
        {"high window map", kWindowMapHigh | kWindowOn | kBackgroundOn, kDark, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        io(0xFF40) = kLcdOn | c.lcdc;
        ASSERT_TRUE(renderAt(20));  // background map row 2
        uint8_t got[160];
        screenRow(20, got);
        EXPECT_EQ(got[0], c.wantBackground);
        EXPECT_EQ(got[79], c.wantBackground);
        EXPECT_EQ(got[80], c.wantWindow);
        EXPECT_EQ(got[159], c.wantWindow);
    }
}

// Window column c is at screen column c + WX - 7; it is not drawn before WY has been
// reached, with WX above 166, or with the background switched off.
TEST_F(RendererTest, WindowPlacementAndWhenItIsShown) {
    // Window tiles number their own columns: column m is tile 10 + m, solid colour
    // m mod 3 + 1; the background is colour 0.
    for (int m = 0; m < 21; ++m) {
        setTileSolid(10 + m, static_cast<uint8_t>(m % 3 + 1));
        machine.VideoRam[0x1C00 + m] = static_cast<uint8_t>(10 + m);
    }
    const uint8_t lcdc = kLcdOn | kUnsignedTiles | kWindowMapHigh | kWindowOn | kBackgroundOn;
    struct Case {
        int wx;
        bool reached;
        uint8_t lcdc;
        int firstColumn;  // screen column of window column 0; 200: no window
    };
    const Case cases[] = {
        {7, true, lcdc, 0},
        {0, true, lcdc, -7},
        {3, true, lcdc, -4},
        {100, true, lcdc, 93},
        {166, true, lcdc, 159},
        {167, true, lcdc, 200},
        {255, true, lcdc, 200},
        {7, false, lcdc, 200},
        {7, true, lcdc & ~kBackgroundOn, 200},
        {7, true, lcdc & ~kWindowOn, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("WX " + std::to_string(c.wx) + (c.reached ? "" : " before WY") + " LCDC " +
                     std::to_string(c.lcdc));
        io(0xFF40) = c.lcdc;
        io(0xFF4B) = static_cast<uint8_t>(c.wx);
        showWindowRow(0);
        machine.windowYReached = c.reached;
        ASSERT_TRUE(renderAt(50));
        uint8_t got[160];
        screenRow(50, got);
        for (int x = 0; x < 160; ++x) {
            const int column = x - c.firstColumn;
            const uint8_t want = column < 0 ? kWhite : ShadeTable[(column / 8) % 3 + 1];
            ASSERT_EQ(got[x], want) << "pixel " << x;
        }
    }
}

// OAM attribute bit 7: the sprite shows only over background or window colour 0.
// Between sprites the one in front takes the pixel first, so a sprite kept behind
// the background also hides the sprites behind it there.
TEST_F(RendererTest, SpritesKeptBehindTheBackgroundShowOnlyOverColourZero) {
    // Background colour 0 on screen columns 0-3 and colour 2 on 4-15.
    const uint8_t halves[8] = {0, 0, 0, 0, 2, 2, 2, 2};
    for (int row = 0; row < 8; ++row) setTileRow(1, row, halves);
    setTileSolid(4, 2);
    machine.VideoRam[0x1800] = 1;
    machine.VideoRam[0x1801] = 4;
    setTileSolid(2, 3);
    setTileSolid(3, 1);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn | kSpritesOn;
    const uint8_t d = kDark, b = kBlack, l = kLight;
    struct Case {
        const char* name;
        uint8_t attributes0, attributes1;  // entry 0 black at X 8, entry 1 light at X 12
        uint8_t want[16];
    };
    const Case cases[] = {
        {"both in front", 0, 0, {b, b, b, b, b, b, b, b, l, l, l, l, d, d, d, d}},
        {"the black one behind", kBehind, 0, {b, b, b, b, d, d, d, d, l, l, l, l, d, d, d, d}},
        {"the light one behind", 0, kBehind, {b, b, b, b, b, b, b, b, d, d, d, d, d, d, d, d}},
        {"both behind", kBehind, kBehind, {b, b, b, b, d, d, d, d, d, d, d, d, d, d, d, d}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSprite(0, 16, 8, 2, c.attributes0);
        setSprite(1, 16, 12, 3, c.attributes1);
        ASSERT_TRUE(renderAt(0));
        uint8_t got[160];
        screenRow(0, got);
        for (int x = 0; x < 16; ++x) EXPECT_EQ(got[x], c.want[x]) << "pixel " << x;
    }
}

TEST_F(RendererTest, OnlySpriteColourZeroIsTransparentAndTheWindowIsOpaque) {
    setTileSolid(1, 2);  // background
    const uint8_t steps[8] = {0, 1, 2, 3, 0, 1, 2, 3};
    for (int row = 0; row < 8; ++row) setTileRow(2, row, steps);
    for (int i = 0; i < 32 * 32; ++i) {
        machine.VideoRam[0x1800 + i] = 1;
        machine.VideoRam[0x1C00 + i] = 2;
    }
    io(0xFF4B) = 7;

    // Window over the whole line: every colour covers the background, white too.
    io(0xFF40) = kLcdOn | kUnsignedTiles | kWindowMapHigh | kWindowOn | kBackgroundOn;
    io(0xFF47) = 0xE0;  // colours 0, 1 -> shade 0; 2 -> 2; 3 -> 3
    showWindowRow(40);
    ASSERT_TRUE(renderAt(40));
    uint8_t got[160];
    screenRow(40, got);
    const uint8_t window[4] = {kWhite, kWhite, kDark, kBlack};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(got[x], window[x % 4]) << x;

    // A sprite through either palette: colour 0 lets the background through, a colour
    // the palette makes white is drawn white.
    io(0xFF47) = kIdentityPalette;
    io(0xFF48) = 0xF0;  // colour 1 -> shade 0; 2 -> 3; 3 -> 3
    io(0xFF49) = 0x0C;  // colour 1 -> shade 3; 2, 3 -> 0
    io(0xFF40) = kLcdOn | kUnsignedTiles | kSpritesOn | kBackgroundOn;
    struct Case {
        uint8_t attributes;
        uint8_t want[4];
    };
    const Case cases[] = {{0x00, {kDark, kWhite, kBlack, kBlack}},
                          {0x10, {kDark, kBlack, kWhite, kWhite}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes ? "OBP1" : "OBP0");
        setSprite(0, 16 + 40, 8, 2, c.attributes);
        ASSERT_TRUE(renderAt(40));
        screenRow(40, got);
        for (int x = 0; x < 8; ++x) EXPECT_EQ(got[x], c.want[x % 4]) << x;
        EXPECT_EQ(got[8], kDark);
    }
}

// With LCDC bit 0 clear the background and the window are blank white; sprites
// still show, and every pixel counts as colour 0 for those kept behind.
TEST_F(RendererTest, BackgroundSwitchedOffIsWhiteUnderTheSprites) {
    setTileSolid(1, 3);
    setTileSolid(2, 2);
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    io(0xFF4B) = 7;
    showWindowRow(0);
    setSprite(0, 16, 8, 2, kBehind);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kWindowOn | kSpritesOn;
    ASSERT_TRUE(renderAt(0));
    uint8_t got[160];
    screenRow(0, got);
    for (int x = 0; x < 160; ++x) EXPECT_EQ(got[x], x < 8 ? kDark : kWhite) << "pixel " << x;
}

TEST_F(RendererTest, RowThatCannotBeOpenedEndsTheLine) {
    setTileSolid(1, 3);
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn;

    int pitch = 0;
    ASSERT_NE(display.lock(ScreenLayer, {0, 0, 160, 144}, &pitch), nullptr);
    EXPECT_FALSE(renderAt(143));
    EXPECT_EQ(presenter.presentCount(), 0) << "no frame after a failed line";
    EXPECT_EQ(framesThisSecond, 0u);
    display.unlock(ScreenLayer);

    EXPECT_TRUE(renderAt(143));
    EXPECT_EQ(presenter.presentCount(), 1);
    uint8_t row[160];
    screenRow(143, row);
    EXPECT_EQ(row[0], kBlack);

    // Without the layer no row can be opened at all.
    releaseScreenLayer();
    EXPECT_FALSE(renderAt(5));
    releaseScreenLayer();
}

}  // namespace
