// Rectangle copies into the back buffer against a pixel-by-pixel model of a
// nearest-neighbour stretch: whole zooms 1 to 4 in each direction, other ratios,
// odd widths, rectangles that touch the surfaces' edges, and keyed copies whose
// runs of key pixels start and end anywhere, including across 8-pixel groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "video/display.h"

namespace {

constexpr int kBackWidth = 320, kBackHeight = 240;
constexpr uint8_t kKeyIndex = 77;
const Pixel kKey = indexPixel(kKeyIndex);

class DisplayCopyTest : public DisplayTest {
protected:
    uint32_t seed_ = 7;
    uint32_t next(uint32_t below) {
        seed_ = seed_ * 1664525u + 1013904223u;
        return (seed_ >> 8) % below;
    }

    // A source whose pixels come in runs: long runs of the key, short ones, single
    // key pixels between others, so that key runs begin and end at every offset.
    std::vector<Pixel> paintSource(Surface* source, int width, int height) {
        std::vector<Pixel> pixels(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < pixels.size();) {
            const bool key = next(2) == 0;
            const size_t run = next(4) == 0 ? 1 + next(40) : 1 + next(9);
            for (size_t j = 0; j < run && i < pixels.size(); ++j, ++i) {
                pixels[i] = key ? kKey : static_cast<Pixel>(next(200));
            }
        }
        int pitch = 0;
        Pixel* p = display.lock(source, {0, 0, width, height}, &pitch);
        EXPECT_NE(p, nullptr);
        if (p == nullptr) return pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) p[y * pitch + x] = pixels[y * width + x];
        display.unlock(source);
        return pixels;
    }

    // The back buffer gets a pattern of its own so that a skipped pixel shows.
    static std::vector<Pixel> paintBack() {
        std::vector<Pixel> pixels(static_cast<size_t>(kBackWidth) * kBackHeight);
        int pitch = 0;
        Pixel* p = display.lockBack({0, 0, kBackWidth, kBackHeight}, &pitch);
        EXPECT_NE(p, nullptr);
        if (p == nullptr) return pixels;
        for (int y = 0; y < kBackHeight; ++y) {
            for (int x = 0; x < kBackWidth; ++x) {
                pixels[y * kBackWidth + x] = p[y * pitch + x] =
                    static_cast<Pixel>(200 + (x + y) % 50);
            }
        }
        display.unlockBack();
        return pixels;
    }

    // Copies and compares the whole back buffer with the model.
    void copyAndCompare(Surface* source, const std::vector<Pixel>& sourcePixels, int sourceWidth,
                        const Rect& d, const Rect& s, bool keyed) {
        std::vector<Pixel> want = paintBack();
        const int dw = d.right - d.left, dh = d.bottom - d.top;
        const int sw = s.right - s.left, sh = s.bottom - s.top;
        for (int y = 0; y < dh; ++y) {
            for (int x = 0; x < dw; ++x) {
                const int sx = s.left + static_cast<int>(int64_t{x} * sw / dw);
                const int sy = s.top + static_cast<int>(int64_t{y} * sh / dh);
                const Pixel value = sourcePixels[sy * sourceWidth + sx];
                if (!keyed || value != kKey) want[(d.top + y) * kBackWidth + d.left + x] = value;
            }
        }
        ASSERT_TRUE(display.blitToBack(d, source, s, keyed));
        display.present();
        const std::vector<Pixel>& got = presenter.frame();
        for (size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(got[i], want[i]) << "at " << i % kBackWidth << "," << i / kBackWidth;
        }
    }
};

TEST_F(DisplayCopyTest, WholeZoomsMatchTheNearestPixelModel) {
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{160, 144}, Size{13, 7}, Size{1, 1}, Size{9, 3}, Size{64, 40}}) {
        Surface* source = display.createOffscreen(size.width, size.height, kKeyIndex);
        ASSERT_NE(source, nullptr);
        const std::vector<Pixel> pixels = paintSource(source, size.width, size.height);
        for (int zoomX = 1; zoomX <= 4; ++zoomX) {
            for (int zoomY = 1; zoomY <= 4; ++zoomY) {
                for (bool keyed : {false, true}) {
                    // A part of the source at a place that fits the back buffer.
                    const int sl = static_cast<int>(next(static_cast<uint32_t>(size.width)));
                    const int st = static_cast<int>(next(static_cast<uint32_t>(size.height)));
                    const int sr = std::min(size.width, sl + kBackWidth / zoomX);
                    const int sb = std::min(size.height, st + kBackHeight / zoomY);
                    const int w = (sr - sl) * zoomX, h = (sb - st) * zoomY;
                    const int dl =
                        static_cast<int>(next(static_cast<uint32_t>(kBackWidth - w + 1)));
                    const int dt =
                        static_cast<int>(next(static_cast<uint32_t>(kBackHeight - h + 1)));
                    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) +
                                 " zoom " + std::to_string(zoomX) + "x" + std::to_string(zoomY) +
                                 (keyed ? " keyed" : " plain"));
                    copyAndCompare(source, pixels, size.width, {dl, dt, dl + w, dt + h},
                                   {sl, st, sr, sb}, keyed);
                }
            }
        }
        display.releaseSurface(source);
    }
}

TEST_F(DisplayCopyTest, CopiesTouchingTheEdgesOfBothSurfaces) {
    Surface* source = display.createOffscreen(160, 144, kKeyIndex);
    ASSERT_NE(source, nullptr);
    const std::vector<Pixel> pixels = paintSource(source, 160, 144);
    struct Case {
        const char* name;
        Rect destination, source;
    };
    const Case cases[] = {
        {"whole source to the top-left corner", {0, 0, 160, 144}, {0, 0, 160, 144}},
        {"to the bottom-right corner", {160, 96, 320, 240}, {0, 0, 160, 144}},
        {"doubled over the whole back buffer", {0, 0, 320, 240}, {0, 24, 160, 144}},
        {"last source column and row", {319, 239, 320, 240}, {159, 143, 160, 144}},
        {"one row, odd width, zoom 3", {1, 5, 142, 8}, {113, 143, 160, 144}},
        {"shrunk", {0, 0, 53, 41}, {0, 0, 160, 144}},
        {"stretched by uneven ratios", {3, 2, 320, 239}, {7, 1, 160, 144}},
        {"wider than whole, taller than whole", {0, 0, 250, 200}, {10, 10, 110, 90}},
    };
    for (const Case& c : cases) {
        for (bool keyed : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (keyed ? " keyed" : " plain"));
            copyAndCompare(source, pixels, 160, c.destination, c.source, keyed);
        }
    }
    display.releaseSurface(source);
}

TEST_F(DisplayCopyTest, RectanglesOnePixelOutsideAreRefusedWithoutDrawing) {
    Surface* source = display.createOffscreen(16, 16, kKeyIndex);
    ASSERT_NE(source, nullptr);
    paintSource(source, 16, 16);
    const std::vector<Pixel> before = paintBack();
    struct Case {
        Rect destination, source;
    };
    const Case cases[] = {
        {{305, 0, 321, 16}, {0, 0, 16, 16}}, {{0, 225, 16, 241}, {0, 0, 16, 16}},
        {{-1, 0, 15, 16}, {0, 0, 16, 16}},   {{0, 0, 16, 16}, {1, 0, 17, 16}},
        {{0, 0, 16, 16}, {0, -1, 16, 15}},   {{0, 0, 32, 34}, {0, 0, 16, 17}},
        {{10, 10, 10, 20}, {0, 0, 16, 16}},  {{0, 0, 16, 16}, {4, 4, 4, 8}},
    };
    for (const Case& c : cases) {
        for (bool keyed : {false, true}) {
            EXPECT_FALSE(display.blitToBack(c.destination, source, c.source, keyed));
        }
    }
    display.present();
    EXPECT_EQ(presenter.frame(), before);
    display.releaseSurface(source);
}

}  // namespace
