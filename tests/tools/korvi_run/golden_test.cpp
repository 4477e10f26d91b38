// Whole cartridges through the headless runner, compared pixel for pixel with
// pictures kept in tests/golden. A mismatch writes the picture the runner made into
// golden-actual/NAME.actual.png under the folder the test runs in (the build folder),
// for review, leaving the source tree alone. With
// KORVI_UPDATE_GOLDEN=1 in the environment the expected pictures are rewritten.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cartridge/rom_loader.h"
#include "colour_cartridge.h"
#include "renderer_cartridge.h"
#include "tests/cartridge/file_fixture.h"
#include "tools/assembler/assembler.h"
#include "video/png_image.h"
#include "tools/korvi_run/runner.h"
#include "video/headless_presenter.h"

extern const uint8_t kDemoCartridge[];
extern const size_t kDemoCartridgeSize;

namespace {

namespace fs = std::filesystem;

fs::path goldenDirectory() {
    const char* source = std::getenv("KORVI_SOURCE_DIR");
    return fs::path(source ? source : ".") / "tests" / "golden";
}

class GoldenTest : public ::testing::Test {
protected:
    void TearDown() override { closeRunner(); }

    std::string writeImage(const std::string& name, const uint8_t* data, size_t size) {
        const fs::path path = directory_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path.string();
    }

    // Runs the image for the options' frames and compares the last presented frame.
    void runAndCompare(const std::string& goldenName, const std::string& romPath,
                       RunOptions options) {
        std::string error;
        ASSERT_TRUE(openRunner(options, presenter_, error)) << error;
        ASSERT_TRUE(loadCartridge(romPath)) << lastLoadError().message;
        runFrames(options);
        drawView(options.view);
        ASSERT_FALSE(presenter_.frame().empty()) << goldenName << ": nothing presented";
        compareWithGolden(goldenName);
    }

    void compareWithGolden(const std::string& name) {
        const RgbImage actual = pixelsToRgb(presenter_.frame().data(), presenter_.frameWidth(),
                                            presenter_.frameHeight(), presenter_.frameWidth());
        const fs::path golden = goldenDirectory() / (name + ".png");
        const fs::path actualPath = fs::current_path() / "golden-actual" / (name + ".actual.png");
        const char* update = std::getenv("KORVI_UPDATE_GOLDEN");
        if (update && std::string(update) == "1") {
            ASSERT_TRUE(writePng(golden.string(), actual)) << golden;
            fs::remove(actualPath);
            return;
        }
        RgbImage expected;
        ASSERT_TRUE(readPng(golden.string(), expected))
            << "missing " << golden << " (run with KORVI_UPDATE_GOLDEN=1 to create it)";
        const bool sameSize = expected.width == actual.width && expected.height == actual.height;
        int differing = 0;
        int firstX = -1, firstY = -1;
        if (sameSize) {
            for (size_t i = 0; i < actual.rgb.size(); i += 3) {
                if (actual.rgb[i] != expected.rgb[i] || actual.rgb[i + 1] != expected.rgb[i + 1] ||
                    actual.rgb[i + 2] != expected.rgb[i + 2]) {
                    if (differing++ == 0) {
                        firstX = static_cast<int>((i / 3) % actual.width);
                        firstY = static_cast<int>((i / 3) / actual.width);
                    }
                }
            }
        }
        if (!sameSize || differing > 0) {
            std::error_code ignored;
            fs::create_directories(actualPath.parent_path(), ignored);
            writePng(actualPath.string(), actual);
            if (!sameSize) {
                ADD_FAILURE() << name << ": got " << actual.width << "x" << actual.height
                              << ", want " << expected.width << "x" << expected.height
                              << "; actual picture written to " << actualPath;
            } else {
                ADD_FAILURE() << name << ": " << differing << " pixels differ, the first at ("
                              << firstX << ", " << firstY << "); actual picture written to "
                              << actualPath;
            }
        } else {
            fs::remove(actualPath);
        }
    }

    HeadlessPresenter presenter_;
    TempDir scratch_;
    fs::path directory_ = scratch_.path();
};

RunOptions optionsFor(uint32_t frames, int width = 160, int height = 144, int zoom = 1) {
    RunOptions options;
    options.frames = frames;
    options.width = width;
    options.height = height;
    options.zoom = zoom;
    return options;
}

const RendererScene kScenes[] = {
    // LCDC: 0x80 LCD, 0x40 window map 9C00, 0x20 window, 0x10 tiles at 8000,
    // 0x04 tall sprites, 0x02 sprites, 0x01 background.
    {"background_scx96_scy112", 0x91, 96, 112},
    {"background_scx97_scy113", 0x91, 97, 113},
    {"background_scx250_scy0", 0x91, 250, 0},
    {"sprites_x_edges",
     0x93,
     0,
     0,
     7,
     0,
     {{24, 0, 7, 0},
      {34, 4, 7, 0},
      {44, 7, 7, 0},
      {54, 8, 7, 0},
      {64, 9, 7, 0},
      {74, 164, 7, 0},
      {84, 168, 7, 0},
      {94, 200, 7, 0},
      {154, 40, 7, 0},
      {10, 40, 7, 0}}},
    // Smaller X in front whatever the OAM order; at equal X the lower entry, whose
    // colour 0 shows the sprite behind.
    {"sprites_overlap",
     0x93,
     0,
     0,
     7,
     0,
     {{40, 40, 7, 0},
      {40, 44, 6, 0},
      {60, 44, 6, 0},
      {60, 40, 7, 0},
      {80, 40, 6, 0},
      {84, 40, 7, 0}}},
    {"sprites_flips",
     0x93,
     0,
     0,
     7,
     0,
     {{40, 40, 6, 0x00}, {40, 56, 6, 0x20}, {56, 40, 6, 0x40}, {56, 56, 6, 0x60}}},
    // Tiles 8 (T) and 9 (B) make one tall sprite, numbered 8 or 9: T over B, B over T
    // upside down.
    {"sprites_tall",
     0x97,
     0,
     0,
     7,
     0,
     {{40, 40, 8, 0x00},
      {40, 56, 8, 0x40},
      {40, 72, 9, 0x00},
      {40, 88, 8, 0x60},
      {40, 104, 9, 0x40}}},
    // Eleven sprites on screen lines 24-31: the eleventh (entry 10, set 4 lines lower)
    // shows only on lines 32-35. Below, entry 11 stands at X 0, unseen, yet counts
    // among the ten, so the last of the row (entry 21) is not drawn.
    {"sprites_ten_per_line", 0x93, 0, 0, 7, 0, {{40, 16, 7, 0},  {40, 28, 7, 0},  {40, 40, 7, 0},
                                                {40, 52, 7, 0},  {40, 64, 7, 0},  {40, 76, 7, 0},
                                                {40, 88, 7, 0},  {40, 100, 7, 0}, {40, 112, 7, 0},
                                                {40, 124, 7, 0}, {44, 136, 7, 0}, {70, 0, 7, 0},
                                                {70, 16, 9, 0},  {70, 28, 9, 0},  {70, 40, 9, 0},
                                                {70, 52, 9, 0},  {70, 64, 9, 0},  {70, 76, 9, 0},
                                                {70, 88, 9, 0},  {70, 100, 9, 0}, {70, 112, 9, 0},
                                                {70, 124, 9, 0}}},
    // BGP $FC darkens all but colour 0, so every sprite stands on a black square:
    // above, boxes and blocks through OBP0 (colour 1 white: the box outlines) and
    // OBP1 (colours reversed); below, more tiles through both. The window's white
    // covers the background at the lower right.
    {"sprites_palettes_white_window",
     0xF3,
     0,
     0,
     87,
     80,
     {{32, 16, 4, 0x00},
      {32, 32, 4, 0x10},
      {32, 48, 7, 0x00},
      {32, 64, 7, 0x10},
      {48, 16, 1, 0x00},
      {48, 32, 1, 0x10},
      {48, 48, 9, 0x10},
      {48, 64, 5, 0x10}},
     -1,
     0xFC},
    {"shared_tile_row", 0x93, 0, 0, 7, 0, {{21, 16, 1, 0x40}, {60, 60, 2, 0}}},
    {"window_wx7_wy0", 0xF1, 0, 0, 7, 0},
    {"window_wx0_wy0", 0xF3, 0, 0, 0, 0, {{40, 40, 7, 0}}},
    {"window_wx7_wy128", 0xF1, 0, 0, 7, 128},
    {"window_wx160", 0xF1, 0, 0, 160, 0},
    {"window_wx100_wy100", 0xF1, 5, 5, 100, 100},
    {"background_switched_off", 0x93, 0, 0, 7, 0, {{40, 40, 6, 0}}, 0x92},
    {"lcd_switched_off", 0x91, 10, 0, 7, 0, {}, 0x11},
    // Behind-background sprites (attribute bit 7) show only over background colour 0.
    // BGP $A9 makes colour 0 light grey and the other colours dark grey; the black
    // blocks are behind, the white ones (OBP1) in front. On the top frame the behind
    // block fills only the tile's open middle; on the checker it shows only over the
    // light pixels. Below, a behind block in front of a white block by X takes the
    // pixels they share even where the background wins them: the white block shows
    // only right of it.
    {.name = "sprite_behind_background",
     .lcdc = 0x93,
     .sprites = {{16, 72, 7, 0x80},
                 {16, 88, 7, 0x10},
                 {32, 28, 7, 0x10},
                 {32, 44, 7, 0x80},
                 {56, 52, 7, 0x80},
                 {56, 56, 7, 0x10},
                 {72, 60, 7, 0x80},
                 {72, 64, 7, 0x10}},
     .bgp = 0xA9},
    // Sprites at X 1-7 lose their columns left of the screen and keep the rest: F at
    // X 1, 4, 7 and 8 as it is, then mirrored, then a block at X 1 (its last column);
    // BGP $00 whitens the background. The F's last column is empty: at X 1 it shows
    // nothing.
    {.name = "sprites_left_edge",
     .lcdc = 0x93,
     .sprites = {{32, 1, 6, 0x00},
                 {44, 4, 6, 0x00},
                 {56, 7, 6, 0x00},
                 {68, 8, 6, 0x00},
                 {88, 1, 6, 0x20},
                 {100, 4, 6, 0x20},
                 {112, 7, 6, 0x20},
                 {124, 8, 6, 0x20},
                 {140, 1, 7, 0x00}},
     .bgp = 0x00},
    // Raster effects: registers written between lines show from the given line on.
    // The window only starts in a frame on the line where LY meets WY while it is
    // switched on. Switched on at line 100, after WY 0 went by, it stays hidden until
    // WY is set to 120; from there it shows its rows from the first (the crosses).
    {.name = "raster_window_from_line_100",
     .lcdc = 0xD1,
     .raster = {{100, 0x40, 0xF1}, {120, 0x4A, 120}, {0, 0x40, 0xD1}, {0, 0x4A, 0}}},
    // From line 60 the background is scrolled 12 pixels to the left, by the LY=LYC
    // handler of line 60 itself: line 60 is drawn after it, with no seam.
    {.name = "raster_scx_from_line_60",
     .lcdc = 0x91,
     .raster = {{60, 0x43, 12}, {0, 0x43, 0}},
     .rasterAtLineStart = true},
    // The window, from line 16, is off on lines 60-69; at line 70 it goes on with the
    // row after the last it showed (row 44).
    {.name = "raster_window_hidden_10_lines",
     .lcdc = 0xF1,
     .wy = 16,
     .raster = {{60, 0x40, 0xD1}, {70, 0x40, 0xF1}}},
};

TEST_F(GoldenTest, RendererScenes) {
    for (const RendererScene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        const sm83::AssemblyResult cartridge = sm83::assemble(rendererCartridgeSource(scene));
        ASSERT_TRUE(cartridge.ok) << cartridge.error;
        const std::string path = writeImage(std::string(scene.name) + ".gb", cartridge.image.data(),
                                            cartridge.image.size());
        runAndCompare(scene.name, path, optionsFor(8));
        closeRunner();
    }
}

// The colour cartridge through the LCD colour curve and as stored, and its tiles in
// the tile view: both banks, each tile in the palette of its first map entry.
TEST_F(GoldenTest, ColourCartridge) {
    const sm83::AssemblyResult cartridge = sm83::assemble(colourCartridgeSource());
    ASSERT_TRUE(cartridge.ok) << cartridge.error;
    const std::string path =
        writeImage("colour.gb", cartridge.image.data(), cartridge.image.size());
    runAndCompare("colour_scene_lcd", path, optionsFor(8));
    closeRunner();

    RunOptions raw = optionsFor(8);
    raw.colour = ColourCurve::Raw;
    runAndCompare("colour_scene_raw", path, raw);
    closeRunner();

    RunOptions tiles = optionsFor(8, 540, 420);
    tiles.view = RunView::Tiles;
    runAndCompare("colour_tiles_view", path, tiles);
}

TEST_F(GoldenTest, DemoCartridge) {
    const std::string demo = writeImage("demo.gb", kDemoCartridge, kDemoCartridgeSize);
    runAndCompare("demo_frame_60", demo, optionsFor(60));
    closeRunner();

    // Zoomed and centred on a larger display; the pennants moved by the joypad.
    RunOptions moved = optionsFor(90, 400, 320, 2);
    moved.presses.push_back({10, JoypadButtons{1, 0, 0, 1, 0, 0, 0, 0}, 30});
    moved.presses.push_back({50, JoypadButtons{0, 0, 0, 0, 1, 1, 0, 0}, 1});
    runAndCompare("demo_zoom2_moved", demo, moved);
    closeRunner();

    RunOptions tiles = optionsFor(10, 540, 420);
    tiles.view = RunView::Tiles;
    runAndCompare("demo_tiles_view", demo, tiles);
    closeRunner();

    RunOptions oam = optionsFor(10, 400, 300);
    oam.view = RunView::Oam;
    runAndCompare("demo_oam_view", demo, oam);
}

}  // namespace
