// The Display on DirectDraw, under Wine or Windows: lifecycle, fills, keyed and
// stretching copies, refused rectangles, text and surfaces that outlive a
// re-initialisation. Pixels are read back through row locks of the back buffer.
// clang-format off
#include "platform/win32/win32_platform.h"
#include "video/display.h"
#include "video/palette.h"
// clang-format on

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<uint8_t>>;

// The pixels of palette indexes, in order.
std::vector<Pixel> colours(std::initializer_list<int> indexes) {
    std::vector<Pixel> pixels;
    for (int index : indexes) pixels.push_back(indexPixel(static_cast<uint8_t>(index)));
    return pixels;
}

class DirectDrawDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = createPlatformWindow("Korvi", 640, 480);
        ASSERT_NE(window, nullptr);
        showPlatformWindow(window, true);
    }
    void TearDown() override {
        display.releaseSurface(surface);
        display.releaseDisplay();
        destroyPlatformWindow(window);
    }

    bool init(int width = 640, int height = 480) {
        return display.initDisplay(window, width, height, kDisplayBitsPerPixel);
    }

    // Writes rows of indexes' colours into an off-screen surface through its row locks.
    void paint(Surface* target, const Rows& rows) {
        for (size_t y = 0; y < rows.size(); ++y) {
            const int top = static_cast<int>(y);
            const Rect row{0, top, static_cast<int>(rows[y].size()), top + 1};
            int pitch = 0;
            Pixel* pixels = display.lock(target, row, &pitch);
            ASSERT_NE(pixels, nullptr) << "row " << y;
            for (size_t x = 0; x < rows[y].size(); ++x) pixels[x] = indexPixel(rows[y][x]);
            display.unlock(target);
        }
    }

    // The back buffer's pixels in one row from left to right (exclusive). The top
    // byte of a 32-bit DirectDraw pixel is unused, and fills may set it (Wine's do).
    std::vector<Pixel> backRow(int y, int left, int right) {
        int pitch = 0;
        const Pixel* pixels = display.lockBack(Rect{left, y, right, y + 1}, &pitch);
        if (pixels == nullptr) return {};
        std::vector<Pixel> row;
        for (int x = 0; x < right - left; ++x) row.push_back(pixels[x] & 0xFFFFFF);
        display.unlockBack();
        return row;
    }

    PlatformWindow* window = nullptr;
    Surface* surface = nullptr;
};

TEST_F(DirectDrawDisplayTest, ReleaseBeforeInitAndTwiceIsHarmless) {
    display.releaseDisplay();
    EXPECT_FALSE(display.clearBack(0)) << "no back buffer before initDisplay";
    EXPECT_EQ(display.createOffscreen(8, 8), nullptr) << "no surfaces without a display";
    ASSERT_TRUE(init());
    EXPECT_TRUE(display.isInitialised());
    EXPECT_EQ(display.width(), 640);
    EXPECT_EQ(display.height(), 480);
    display.releaseDisplay();
    display.releaseDisplay();
    EXPECT_FALSE(display.isInitialised());
    EXPECT_FALSE(display.clearBack(0));
}

TEST_F(DirectDrawDisplayTest, KeyedCopiesSkipTheKeyAndPlainCopiesDoNot) {
    ASSERT_TRUE(init());
    ASSERT_TRUE(display.clearBack(7));
    surface = display.createOffscreen(4, 2, LAYER_KEY);
    ASSERT_NE(surface, nullptr);
    paint(surface, {{1, 2, 255, 255}, {3, 255, 4, 255}});

    EXPECT_TRUE(display.blitToBack({10, 10, 14, 12}, surface, {0, 0, 4, 2}, true));
    EXPECT_EQ(backRow(10, 10, 14), colours({1, 2, 7, 7}));
    EXPECT_EQ(backRow(11, 10, 14), colours({3, 7, 4, 7}));

    EXPECT_TRUE(display.blitToBack({10, 20, 14, 22}, surface, {0, 0, 4, 2}, false));
    EXPECT_EQ(backRow(20, 10, 14), colours({1, 2, 255, 255}));

    // A layer of nothing but the key leaves the back buffer as it was.
    paint(surface, {{255, 255, 255, 255}, {255, 255, 255, 255}});
    EXPECT_TRUE(display.blitToBack({10, 10, 14, 12}, surface, {0, 0, 4, 2}, true));
    EXPECT_EQ(backRow(10, 10, 14), colours({1, 2, 7, 7}));
}

// Factors 2 and 4, which every driver samples alike; at 3 the column a pixel lands
// on is the driver's choice (Wine gives the first source pixel four columns).
TEST_F(DirectDrawDisplayTest, CopiesStretchByWholeFactors) {
    ASSERT_TRUE(init());
    ASSERT_TRUE(display.clearBack(0));
    surface = display.createOffscreen(2, 1);
    ASSERT_NE(surface, nullptr);
    paint(surface, {{0x07, 0xF8}});
    for (int factor : {2, 4}) {
        const int top = 10 * factor;
        EXPECT_TRUE(display.blitToBack({100, top, 100 + 2 * factor, top + factor}, surface,
                                       {0, 0, 2, 1}, false));
        std::vector<Pixel> want(static_cast<size_t>(factor), indexPixel(7));
        want.insert(want.end(), static_cast<size_t>(factor), indexPixel(248));
        for (int y = top; y < top + factor; ++y) {
            EXPECT_EQ(backRow(y, 100, 100 + 2 * factor), want) << "factor " << factor;
        }
        EXPECT_EQ(backRow(top + factor, 100, 100 + 2 * factor),
                  std::vector<Pixel>(static_cast<size_t>(2 * factor), indexPixel(0)))
            << "nothing below the copy, factor " << factor;
    }
}

TEST_F(DirectDrawDisplayTest, RectanglesOutsideASurfaceAreRefused) {
    ASSERT_TRUE(init());
    ASSERT_TRUE(display.clearBack(0));
    surface = display.createOffscreen(8, 8);
    ASSERT_NE(surface, nullptr);
    struct Case {
        const char* what;
        Rect destination, source;
    };
    const Case cases[] = {
        {"destination past the right edge", {636, 0, 644, 8}, {0, 0, 8, 8}},
        {"destination past the bottom", {0, 476, 8, 484}, {0, 0, 8, 8}},
        {"destination left of the screen", {-1, 0, 7, 8}, {0, 0, 8, 8}},
        {"source past its surface", {0, 0, 9, 8}, {0, 0, 9, 8}},
        {"empty source", {0, 0, 8, 8}, {4, 4, 4, 8}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(display.blitToBack(c.destination, surface, c.source, false)) << c.what;
    }
    // A fill that leaves the back buffer counts as done and draws nothing.
    EXPECT_TRUE(display.fillRect(nullptr, 9, 630, 0, 20, 1));
    EXPECT_EQ(backRow(0, 630, 640), std::vector<Pixel>(10, indexPixel(0)));
    EXPECT_TRUE(display.fillRect(nullptr, 9, 630, 0, 10, 1));
    EXPECT_EQ(backRow(0, 630, 640), std::vector<Pixel>(10, indexPixel(9)));
}

// Text goes through GDI in white.
TEST_F(DirectDrawDisplayTest, NumbersAreDrawnInWhite) {
    ASSERT_TRUE(init());
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.drawNumber(60, 4, 4));
    int white = 0;
    std::string others;
    for (int y = 0; y < 30; ++y) {
        for (Pixel pixel : backRow(y, 0, 40)) {
            if (pixel == toPixel(255, 255, 255)) {
                ++white;
            } else if (pixel != 0) {
                others += ' ';
                others += std::to_string(pixel);
            }
        }
    }
    EXPECT_GT(white, 10) << "the digits are white";
    EXPECT_EQ(others, "") << "the background between the letters stays";
}

TEST_F(DirectDrawDisplayTest, ModesAreListedAndSurfacesOutliveAReinitialisation) {
    ASSERT_TRUE(init());
    bool found = false;
    display.listDisplayModes(
        [](const DisplayModeDescription& mode, void* context) {
            if (mode.width == 640 && mode.height == 480 && mode.bitsPerPixel == kDisplayBitsPerPixel) {
                *static_cast<bool*>(context) = true;
            }
            return true;
        },
        &found);
    EXPECT_TRUE(found) << "640x480 at 32 bits is offered";

    surface = display.createOffscreen(2, 1, LAYER_KEY);
    ASSERT_NE(surface, nullptr);
    paint(surface, {{5, 255}});
    ASSERT_TRUE(init(800, 600)) << "a second initDisplay takes the new size";
    EXPECT_EQ(display.width(), 800);
    ASSERT_TRUE(display.clearBack(0));
    EXPECT_TRUE(display.blitToBack({700, 500, 702, 501}, surface, {0, 0, 2, 1}, true));
    EXPECT_EQ(backRow(500, 700, 702), colours({5, 0})) << "pixels and key kept";
}

}  // namespace
