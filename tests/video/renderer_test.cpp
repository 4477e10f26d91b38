#include "video/renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_video_fixture.h"

namespace {

using RendererTest = MachineVideoTest;

constexpr uint8_t kLcdOn = 0x80, kWindowMapHigh = 0x40, kWindowOn = 0x20, kUnsignedTiles = 0x10,
                  kTall = 0x04, kSpritesOn = 0x02, kBackgroundOn = 0x01;
constexpr uint8_t kYFlip = 0x40, kXFlip = 0x20;

// What the sprite and window layers hold for a colour under the identity palette:
// colour 0 of a sprite is the key, and white in the window is drawn.
uint8_t spriteValue(uint8_t colour) {
    return colour == 0 ? LAYER_KEY : ShadeTable[colour];
}
uint8_t windowValue(uint8_t colour) {
    return colour == 0 ? kShownWhite : ShadeTable[colour];
}

TEST_F(RendererTest, NothingIsDrawnOrCountedOffScreenOrWithTheLcdOff) {
    struct Case {
        uint8_t lcdc;
        int ly;
    };
    const Case cases[] = {{0xA3, 144}, {0xA3, 153}, {0xA3, 255}, {0x23, 0}, {0x23, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE("LCDC " + std::to_string(c.lcdc) + " LY " + std::to_string(c.ly));
        display.fillRect(BackgroundLayer, 42, 0, 0, 256, 256);
        display.fillRect(SpriteLayer, 42, 0, 0, 160, 144);
        display.fillRect(WindowLayer, 42, 0, 0, 160, 144);
        io(0xFF40) = c.lcdc;
        EXPECT_FALSE(renderAt(c.ly));
        EXPECT_EQ(framesThisSecond, 0u);
        EXPECT_EQ(presenter.presentCount(), 0);
        const int row = c.ly < 144 ? c.ly : 143;
        uint8_t pixels[256];
        layerRow(BackgroundLayer, row, 256, pixels);
        EXPECT_EQ(pixels[0], 42);
        layerRow(SpriteLayer, row, 160, pixels);
        EXPECT_EQ(pixels[0], 42);
        layerRow(WindowLayer, row, 160, pixels);
        EXPECT_EQ(pixels[0], 42);
    }
}

TEST_F(RendererTest, OnlyLineZeroComposesPresentsAndCounts) {
    io(0xFF40) = kLcdOn | kBackgroundOn;
    for (int ly = 1; ly < 144; ++ly) ASSERT_TRUE(renderAt(ly));
    EXPECT_EQ(presenter.presentCount(), 0);
    EXPECT_EQ(framesThisSecond, 0u);
    ASSERT_TRUE(renderAt(0));
    EXPECT_EQ(presenter.presentCount(), 1);
    EXPECT_EQ(framesThisSecond, 1u);

    // The count is not held to a byte: a rate above 255 is kept as it is.
    framesThisSecond = 255;
    ASSERT_TRUE(renderAt(0));
    EXPECT_EQ(framesThisSecond, 256u);
}

TEST_F(RendererTest, FrameRateNumberIsInTheTopLeftCorner) {
    io(0xFF40) = kLcdOn;
    for (uint32_t shown : {0u, 60u, 300u}) {
        SCOPED_TRACE(shown);
        fpsShown = shown;
        ASSERT_TRUE(renderAt(0));
        const std::vector<uint8_t> frame = presenter.frame();
        ASSERT_TRUE(display.clearBack(0));
        ASSERT_TRUE(display.drawNumber(shown, 0, 0));
        display.present();
        int white = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 30; ++x) {
                const uint8_t want = presenter.pixel(x, y);
                ASSERT_EQ(frame[static_cast<size_t>(y) * 400 + x], want) << x << "," << y;
                white += want == kTextIndex;
            }
        }
        EXPECT_GT(white, 0);
    }
}

// The background layer holds pattern(x, y); the screen must show the 160 x 144 view
// from (SCX, SCY), wrapping round the 256 x 256 map.
uint8_t columnPattern(int x, int) {
    return static_cast<uint8_t>(x);
}
uint8_t rowPattern(int, int y) {
    return static_cast<uint8_t>(y);
}

TEST_F(RendererTest, BackgroundViewWrapsRoundTheMap) {
    io(0xFF40) = kLcdOn;  // composing shows the background layer even while it is off
    const int scrollsX[] = {0, 96, 97, 200, 255};
    const int scrollsY[] = {0, 112, 113, 255};
    for (int z : {1, 2}) {
        zoom = static_cast<uint8_t>(z);
        const int left = screenCentreX - 80 * z, top = screenCentreY - 72 * z;
        for (int scx : scrollsX) {
            for (int scy : scrollsY) {
                for (bool columns : {true, false}) {
                    SCOPED_TRACE("zoom " + std::to_string(z) + " SCX " + std::to_string(scx) +
                                 " SCY " + std::to_string(scy));
                    fillLayer(BackgroundLayer, 256, 256, columns ? columnPattern : rowPattern);
                    io(0xFF43) = static_cast<uint8_t>(scx);
                    io(0xFF42) = static_cast<uint8_t>(scy);
                    composeFrame();
                    auto want = [&](int x, int y) {
                        if (x < left || y < top || x >= left + 160 * z || y >= top + 144 * z) {
                            return kClearIndex;
                        }
                        const int mapX = (scx + (x - left) / z) % 256;
                        const int mapY = (scy + (y - top) / z) % 256;
                        return columns ? columnPattern(mapX, mapY) : rowPattern(mapX, mapY);
                    };
                    EXPECT_EQ(
                        wrongPixels(left - 1, top - 1, left + 160 * z + 1, top + 144 * z + 1, want),
                        0);
                }
            }
        }
    }
}

TEST_F(RendererTest, SpriteHorizontalPlacementAndFlip) {
    setSignatureTile(1);
    io(0xFF40) = kLcdOn | kSpritesOn;
    const int ly = 5;  // Y = 16 puts row 5 of the sprite on this line
    struct Case {
        int x;
        bool xFlip;
    };
    const Case cases[] = {{0, false},   {7, false},   {7, true},    {8, false},   {8, true},
                          {9, false},   {100, true},  {159, false}, {165, false}, {165, true},
                          {167, false}, {168, false}, {200, false}, {255, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("X " + std::to_string(c.x) + (c.xFlip ? " flipped" : ""));
        setSprite(0, 16, static_cast<uint8_t>(c.x), 1, c.xFlip ? kXFlip : 0);
        ASSERT_TRUE(renderAt(ly));
        uint8_t want[160];
        for (uint8_t& w : want) w = LAYER_KEY;
        if (c.x > 7) {
            for (int j = 0; j < 8; ++j) {
                const int x = c.xFlip ? c.x - 1 - j : c.x - 8 + j;
                if (x < 160) want[x] = spriteValue(signatureColour(1, 5, j));
            }
        }
        uint8_t got[160];
        layerRow(SpriteLayer, ly, 160, got);
        for (int x = 0; x < 160; ++x) ASSERT_EQ(got[x], want[x]) << "pixel " << x;
    }

    // Spot checks of the two edges: X = 8 starts at pixel 0; flipped, its last
    // column (colour 0, transparent) is at pixel 0 and its first at pixel 7.
    uint8_t got[160];
    setSprite(0, 16, 8, 1, 0);
    ASSERT_TRUE(renderAt(ly));
    layerRow(SpriteLayer, ly, 160, got);
    EXPECT_EQ(got[0], ShadeTable[signatureColour(1, 5, 0)]);
    EXPECT_EQ(got[3], ShadeTable[3]);
    EXPECT_EQ(got[7], LAYER_KEY);
    setSprite(0, 16, 8, 1, kXFlip);
    ASSERT_TRUE(renderAt(ly));
    layerRow(SpriteLayer, ly, 160, got);
    EXPECT_EQ(got[0], LAYER_KEY);
    EXPECT_EQ(got[4], ShadeTable[3]);
    EXPECT_EQ(got[7], ShadeTable[signatureColour(1, 5, 0)]);
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
    const uint8_t k = LAYER_KEY, black = ShadeTable[3], light = ShadeTable[1];
    const Case cases[] = {
        {"lower entry, smaller X",
         2,
         8,
         3,
         12,
         {black, black, black, black, black, black, black, black, light, light, light, light}},
        {"higher entry, smaller X",
         3,
         12,
         2,
         8,
         {black, black, black, black, black, black, black, black, light, light, light, light}},
        // The clear half of the sprite in front shows the one behind.
        {"same X, clear half in front",
         3,
         8,
         2,
         8,
         {black, black, black, black, light, light, light, light, k, k, k, k}},
        {"same X, solid in front",
         2,
         8,
         3,
         8,
         {black, black, black, black, black, black, black, black, k, k, k, k}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSprite(0, 16, static_cast<uint8_t>(c.firstX), static_cast<uint8_t>(c.firstTile), 0);
        setSprite(1, 16, static_cast<uint8_t>(c.secondX), static_cast<uint8_t>(c.secondTile), 0);
        ASSERT_TRUE(renderAt(2));
        uint8_t got[160];
        layerRow(SpriteLayer, 2, 160, got);
        for (int x = 0; x < 12; ++x) EXPECT_EQ(got[x], c.want[x]) << "pixel " << x;
        EXPECT_EQ(got[12], LAYER_KEY);
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
        layerRow(SpriteLayer, c.ly, 160, got);
        for (int x = 0; x < 8; ++x) {
            const uint8_t want =
                c.wantTile < 0 ? LAYER_KEY : spriteValue(signatureColour(c.wantTile, c.wantRow, x));
            EXPECT_EQ(got[x], want) << "pixel " << x;
        }
    }
}

TEST_F(RendererTest, TileSharedBetweenLayersShowsOneRowEverywhere) {
    setSignatureTile(1);
    for (int column = 0; column < 32; ++column) machine.VideoRam[0x1800 + column] = 1;
    io(0xFF42) = 2;  // line 3 shows background row 5
    const int ly = 3;

    struct Case {
        const char* name;
        uint8_t layers;
        uint8_t spriteX;
        int wantRow;
    };
    const Case cases[] = {
        {"background alone", kBackgroundOn, 50, 5},
        {"background and sprite: the sprite's row", kBackgroundOn | kSpritesOn, 50, 6},
        {"a hidden sprite (X 0) takes no row", kBackgroundOn | kSpritesOn, 0, 5},
        {"all three: the window's row", kBackgroundOn | kSpritesOn | kWindowOn, 50, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSprite(3, 13, c.spriteX, 1, 0);  // sprite row 19 - 13 = 6 on this line
        io(0xFF40) = kLcdOn | kUnsignedTiles | c.layers;
        ASSERT_TRUE(renderAt(ly));
        uint8_t background[256];
        layerRow(BackgroundLayer, 5, 256, background);
        for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(background[x], ShadeTable[signatureColour(1, c.wantRow, x % 8)]) << x;
        }
        if ((c.layers & kSpritesOn) && c.spriteX > 7) {
            uint8_t sprites[160];
            layerRow(SpriteLayer, ly, 160, sprites);
            for (int j = 0; j < 8; ++j) {
                EXPECT_EQ(sprites[42 + j], spriteValue(signatureColour(1, c.wantRow, j))) << j;
            }
        }
        if (c.layers & kWindowOn) {
            uint8_t window[160];
            layerRow(WindowLayer, ly, 160, window);
            for (int x = 0; x < 160; ++x) {
                EXPECT_EQ(window[x], windowValue(signatureColour(1, c.wantRow, x % 8))) << x;
            }
        }
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
    struct Case {
        const char* name;
        uint8_t lcdc;
        uint8_t wantBackground, wantWindow;
    };
    const Case cases[] = {
        {"signed numbering", kWindowOn | kBackgroundOn, ShadeTable[2], ShadeTable[2]},
        {"unsigned numbering", kUnsignedTiles | kWindowOn | kBackgroundOn, ShadeTable[1],
         ShadeTable[1]},
        {"high background map", 0x08 | kWindowOn | kBackgroundOn, ShadeTable[3], ShadeTable[2]},
        {"high window map", kWindowMapHigh | kWindowOn | kBackgroundOn, ShadeTable[2],
         ShadeTable[3]},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        io(0xFF40) = kLcdOn | c.lcdc;
        io(0xFF42) = 0;
        ASSERT_TRUE(renderAt(20));  // map row 2 for both
        uint8_t background[256], window[160];
        layerRow(BackgroundLayer, 20, 256, background);
        layerRow(WindowLayer, 20, 160, window);
        EXPECT_EQ(background[0], c.wantBackground);
        EXPECT_EQ(background[255], c.wantBackground);
        EXPECT_EQ(window[0], c.wantWindow);
        EXPECT_EQ(window[159], c.wantWindow);
    }
}

uint8_t windowColumns(int x, int) {
    return static_cast<uint8_t>(x);
}
uint8_t windowRows(int, int y) {
    return static_cast<uint8_t>(y);
}

TEST_F(RendererTest, WindowIsPlacedByWxWyAndCutAtTheGameScreen) {
    io(0xFF40) = kLcdOn | kWindowOn;
    struct Case {
        int wx, wy;
    };
    const Case cases[] = {{7, 0},   {0, 0},   {7, 128}, {100, 50}, {159, 143},
                          {160, 0}, {255, 0}, {7, 144}, {20, 200}, {3, 10}};
    for (int z : {1, 2}) {
        zoom = static_cast<uint8_t>(z);
        const int left = screenCentreX - 80 * z, top = screenCentreY - 72 * z;
        for (const Case& c : cases) {
            for (bool columns : {true, false}) {
                SCOPED_TRACE("zoom " + std::to_string(z) + " WX " + std::to_string(c.wx) + " WY " +
                             std::to_string(c.wy));
                display.fillRect(BackgroundLayer, 200, 0, 0, 256, 256);
                fillLayer(WindowLayer, 160, 144, columns ? windowColumns : windowRows);
                io(0xFF4B) = static_cast<uint8_t>(c.wx);
                io(0xFF4A) = static_cast<uint8_t>(c.wy);
                composeFrame();
                auto want = [&](int x, int y) -> uint8_t {
                    if (x < left || y < top || x >= left + 160 * z || y >= top + 144 * z) {
                        return kClearIndex;
                    }
                    const int column = (x - left) / z - (c.wx - 7);
                    const int row = (y - top) / z - c.wy;
                    if (c.wx >= 160 || column < 0 || column >= 160 || row < 0 || row >= 144) {
                        return 200;
                    }
                    return columns ? windowColumns(column, row) : windowRows(column, row);
                };
                EXPECT_EQ(
                    wrongPixels(left - 1, top - 1, left + 160 * z + 1, top + 144 * z + 1, want), 0);
            }
        }
    }

    // Spot checks at zoom 1 of the cases the handheld's programs rely on.
    zoom = 1;
    fillLayer(WindowLayer, 160, 144, windowColumns);
    io(0xFF4B) = 0;
    io(0xFF4A) = 0;
    composeFrame();
    EXPECT_EQ(screenPixel(0, 0), 7) << "WX 0: window column 7 at the left edge";
    EXPECT_EQ(screenPixel(152, 0), 159);
    EXPECT_EQ(screenPixel(153, 0), 200);
    fillLayer(WindowLayer, 160, 144, windowRows);
    io(0xFF4B) = 7;
    io(0xFF4A) = 128;
    composeFrame();
    EXPECT_EQ(screenPixel(0, 127), 200);
    EXPECT_EQ(screenPixel(0, 128), 0) << "WY 128: window line 0 at screen line 128";
    EXPECT_EQ(screenPixel(159, 143), 15);
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
    io(0xFF4A) = 0;
    const uint8_t back = ShadeTable[2], white = kShownWhite, black = ShadeTable[3];

    // Window over the whole screen: every colour covers the background, white too.
    io(0xFF40) = kLcdOn | kUnsignedTiles | kWindowMapHigh | kWindowOn | kBackgroundOn;
    io(0xFF47) = 0xE0;  // colours 0, 1 -> shade 0; 2 -> 2; 3 -> 3
    renderFrame();
    const uint8_t window[4] = {white, white, ShadeTable[2], black};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(screenPixel(x, 40), window[x % 4]) << x;

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
    const Case cases[] = {{0x00, {back, white, black, black}}, {0x10, {back, black, white, white}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes ? "OBP1" : "OBP0");
        setSprite(0, 16 + 40, 8, 2, c.attributes);
        renderFrame();
        for (int x = 0; x < 8; ++x) EXPECT_EQ(screenPixel(x, 40), c.want[x % 4]) << x;
        EXPECT_EQ(screenPixel(8, 40), back);
    }
}

TEST_F(RendererTest, LayerRowsNeverDrawnLetTheBackgroundThrough) {
    setTileSolid(1, 1);
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn;
    renderFrame();
    // Sprites and window switched on: only their line 0 is drawn before composing.
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn | kSpritesOn | kWindowOn;
    ASSERT_TRUE(renderAt(0));
    for (int y : {1, 72, 143}) {
        for (int x : {0, 80, 159}) EXPECT_EQ(screenPixel(x, y), ShadeTable[1]) << x << ", " << y;
    }
}

TEST_F(RendererTest, SwitchedOffLayersKeepTheirLastImage) {
    setTileSolid(1, 3);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn;
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    renderFrame();
    EXPECT_EQ(screenPixel(0, 0), ShadeTable[3]);

    setTileSolid(1, 0);
    io(0xFF40) = kLcdOn | kUnsignedTiles;  // background off
    renderFrame();
    for (int y : {0, 71, 143})
        for (int x : {0, 80, 159}) EXPECT_EQ(screenPixel(x, y), ShadeTable[3]);

    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn;
    renderFrame();
    EXPECT_EQ(screenPixel(80, 71), ShadeTable[0]);

    // The sprite layer is not composed while off, and its old rows come back with it.
    setTileSolid(2, 3);
    setSprite(0, 16 + 10, 20, 2, 0);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn | kSpritesOn;
    renderFrame();
    EXPECT_EQ(screenPixel(12, 10), ShadeTable[3]);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn;
    setSprite(0, 0, 0, 0, 0);
    renderFrame();
    EXPECT_EQ(screenPixel(12, 10), ShadeTable[0]);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn | kSpritesOn;
    ASSERT_TRUE(renderAt(0));  // only line 0 is redrawn; line 10 is the old one
    EXPECT_EQ(screenPixel(12, 10), ShadeTable[3]);
}

TEST_F(RendererTest, PresentedFrameHasLineZeroFromTheNewFrame) {
    setTileSolid(1, 3);
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn;
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    renderFrame();
    setTileSolid(1, 1);
    ASSERT_TRUE(renderAt(0));
    EXPECT_EQ(screenPixel(50, 0), ShadeTable[1]);
    EXPECT_EQ(screenPixel(50, 1), ShadeTable[3]);
    EXPECT_EQ(screenPixel(50, 143), ShadeTable[3]);
}

TEST_F(RendererTest, RowThatCannotBeOpenedEndsTheLine) {
    setTileSolid(1, 3);
    for (int i = 0; i < 32 * 32; ++i) machine.VideoRam[0x1800 + i] = 1;
    io(0xFF40) = kLcdOn | kUnsignedTiles | kBackgroundOn | kSpritesOn | kWindowOn;
    display.fillRect(WindowLayer, 42, 0, 0, 160, 144);

    int pitch = 0;
    ASSERT_NE(display.lock(SpriteLayer, {0, 0, 160, 144}, &pitch), nullptr);
    EXPECT_FALSE(renderAt(0));
    EXPECT_EQ(presenter.presentCount(), 0) << "no frame after a failed line";
    EXPECT_EQ(framesThisSecond, 0u);
    uint8_t row[256];
    layerRow(BackgroundLayer, 0, 256, row);
    EXPECT_EQ(row[0], ShadeTable[3]) << "layers before the failure are drawn";
    layerRow(WindowLayer, 0, 160, row);
    EXPECT_EQ(row[0], 42) << "layers after the failure are not";
    display.unlock(SpriteLayer);

    EXPECT_TRUE(renderAt(0));
    EXPECT_EQ(presenter.presentCount(), 1);
    layerRow(WindowLayer, 0, 160, row);
    EXPECT_EQ(row[0], ShadeTable[3]);

    // Without layers no row can be opened at all.
    releaseLayers();
    EXPECT_FALSE(renderAt(5));
    releaseLayers();
}

}  // namespace
