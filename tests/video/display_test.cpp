#include "video/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_fixture.h"
#include "video/font.h"
#include "video/palette.h"

namespace {

// Fills a surface so that pixel (x, y) holds pattern(x, y).
template <typename Pattern>
void paint(Surface* surface, int width, int height, Pattern pattern) {
    int pitch = 0;
    Pixel* p = display.lock(surface, {0, 0, width, height}, &pitch);
    ASSERT_NE(p, nullptr);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p[y * pitch + x] = pattern(x, y);
    display.unlock(surface);
}

TEST(DisplayLifecycle, ReleaseBeforeInitAndTwiceIsHarmless) {
    Display local;
    local.releaseDisplay();
    EXPECT_FALSE(local.isInitialised());
    EXPECT_FALSE(local.clearBack(0));

    HeadlessPresenter presenter;
    setPresenter(&presenter);
    ASSERT_TRUE(local.initDisplay(nullptr, 64, 48, kDisplayBitsPerPixel));
    EXPECT_TRUE(presenter.isOpen());
    local.releaseDisplay();
    EXPECT_FALSE(presenter.isOpen());
    local.releaseDisplay();
    EXPECT_FALSE(local.isInitialised());
    EXPECT_EQ(local.width(), 0);
    setPresenter(nullptr);
}

TEST(DisplayLifecycle, DestroyingADisplayDoesNotCallItsPresenter) {
    auto* presenter = new HeadlessPresenter;
    setPresenter(presenter);
    {
        Display local;
        ASSERT_TRUE(local.initDisplay(nullptr, 8, 8, kDisplayBitsPerPixel));
        // The presenter goes first, as a function-local static does at exit.
        delete presenter;
        setPresenter(nullptr);
    }  // ~Display must not touch it (AddressSanitizer reports it if it does)
}

TEST(DisplayLifecycle, InitFailures) {
    Display local;
    setPresenter(nullptr);
    EXPECT_FALSE(local.initDisplay(nullptr, 64, 48, kDisplayBitsPerPixel)) << "no presenter installed";

    HeadlessPresenter presenter;
    setPresenter(&presenter);
    EXPECT_FALSE(local.initDisplay(nullptr, 64, 48, 8)) << "only 32 bits per pixel";
    EXPECT_FALSE(local.initDisplay(nullptr, 0, 48, kDisplayBitsPerPixel));
    EXPECT_FALSE(local.initDisplay(nullptr, 64, -1, 8));

    presenter.setOpenFails(true);
    EXPECT_FALSE(local.initDisplay(nullptr, 64, 48, kDisplayBitsPerPixel));
    EXPECT_FALSE(local.isInitialised());
    EXPECT_FALSE(local.clearBack(0));
    local.present();
    EXPECT_EQ(presenter.presentCount(), 0);

    // The partly built state is cleared by the next attempt.
    presenter.setOpenFails(false);
    EXPECT_TRUE(local.initDisplay(nullptr, 64, 48, kDisplayBitsPerPixel));
    EXPECT_TRUE(local.clearBack(3));
    local.present();
    EXPECT_EQ(presenter.frameWidth(), 64);
    EXPECT_EQ(presenter.pixel(63, 47), indexPixel(3));
    local.releaseDisplay();
    setPresenter(nullptr);
}

TEST_F(DisplayTest, ReinitialisingKeepsOffscreenSurfacesUsable) {
    Surface* layer = display.createOffscreen(16, 16, LAYER_KEY);
    ASSERT_NE(layer, nullptr);
    display.fillRect(layer, 42, 0, 0, 16, 16);

    ASSERT_TRUE(display.initDisplay(nullptr, 640, 480, kDisplayBitsPerPixel));
    EXPECT_EQ(display.width(), 640);
    EXPECT_EQ(presenter.openCount(), 2);
    EXPECT_TRUE(display.clearBack(0));
    EXPECT_TRUE(display.blitToBack({600, 400, 616, 416}, layer, {0, 0, 16, 16}, true));
    display.present();
    EXPECT_EQ(presenter.frameWidth(), 640);
    EXPECT_EQ(presenter.pixel(600, 400), indexPixel(42));
    EXPECT_EQ(presenter.pixel(615, 415), indexPixel(42));
    EXPECT_EQ(presenter.pixel(616, 415), indexPixel(0));
    display.releaseSurface(layer);
    EXPECT_EQ(layer, nullptr);
    display.releaseSurface(layer);  // a second release finds nothing
}

TEST_F(DisplayTest, NewOffscreenIsBlackAndBadSizesAreRefused) {
    Surface* s = display.createOffscreen(5, 3);
    ASSERT_NE(s, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(surfacePixel(s, x, y, 5, 3), 0);
    display.releaseSurface(s);
    EXPECT_EQ(display.createOffscreen(0, 10), nullptr);
    EXPECT_EQ(display.createOffscreen(10, -1), nullptr);
}

TEST_F(DisplayTest, RectanglesOutsideTheSurfaceAreRefused) {
    struct Case {
        const char* name;
        Rect r;
    };
    const Case cases[] = {
        {"left of the edge", {-1, 0, 10, 10}},
        {"above the edge", {0, -1, 10, 10}},
        {"past the right edge", {311, 0, 321, 10}},
        {"past the bottom edge", {0, 231, 10, 241}},
        {"empty", {10, 10, 10, 20}},
        {"inverted", {20, 20, 10, 30}},
        {"far outside", {1000, 1000, 1010, 1010}},
    };
    Surface* source = display.createOffscreen(10, 10);
    ASSERT_NE(source, nullptr);
    display.fillRect(source, 9, 0, 0, 10, 10);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(display.clearBack(1));
        const Rect& r = c.r;
        EXPECT_TRUE(
            display.fillRect(nullptr, 5, r.left, r.top, r.right - r.left, r.bottom - r.top));
        EXPECT_FALSE(display.blitToBack(r, source, {0, 0, 10, 10}, false));
        int pitch = -1;
        EXPECT_EQ(display.lockBack(r, &pitch), nullptr);
        display.present();
        EXPECT_EQ(countInFrame(1, {0, 0, 320, 240}), 320 * 240) << "something was drawn";
    }

    // Source rectangles are checked against the source surface just the same.
    ASSERT_TRUE(display.clearBack(1));
    EXPECT_FALSE(display.blitToBack({0, 0, 11, 10}, source, {0, 0, 11, 10}, false));
    EXPECT_FALSE(display.blitToBack({0, 0, 10, 10}, source, {-1, 0, 9, 10}, false));
    EXPECT_FALSE(display.blitToBack({0, 0, 10, 10}, nullptr, {0, 0, 10, 10}, false));
    // A fill whose size would overflow does not wrap round into the surface.
    EXPECT_TRUE(display.fillRect(nullptr, 5, 10, 10, 0x7FFFFFFF, 5));
    EXPECT_TRUE(display.fillRect(source, 5, 0, 0, 11, 1));
    display.present();
    EXPECT_EQ(countInFrame(1, {0, 0, 320, 240}), 320 * 240);
    EXPECT_EQ(surfacePixel(source, 0, 0, 10, 10), indexPixel(9));
    display.releaseSurface(source);
}

TEST_F(DisplayTest, FillRectCoversExactlyItsRectangle) {
    ASSERT_TRUE(display.clearBack(0));
    EXPECT_TRUE(display.fillRect(nullptr, 120, 5, 22, 264, 200));
    display.present();
    EXPECT_EQ(countInFrame(120, {0, 0, 320, 240}), 264 * 200);
    EXPECT_EQ(presenter.pixel(5, 22), indexPixel(120));
    EXPECT_EQ(presenter.pixel(268, 221), indexPixel(120));
    EXPECT_EQ(presenter.pixel(4, 22), indexPixel(0));
    EXPECT_EQ(presenter.pixel(269, 221), indexPixel(0));
    EXPECT_EQ(presenter.pixel(5, 222), indexPixel(0));
    // The whole surface is allowed; a rectangle of nothing draws nothing.
    EXPECT_TRUE(display.fillRect(nullptr, 7, 0, 0, 320, 240));
    EXPECT_TRUE(display.fillRect(nullptr, 9, 0, 0, 0, 0));
    EXPECT_EQ(backPixel(319, 239), indexPixel(7));
}

TEST_F(DisplayTest, KeyedCopyOfAllKeyLayerLeavesBackUnchanged) {
    Surface* layer = display.createOffscreen(160, 144, LAYER_KEY);
    ASSERT_NE(layer, nullptr);
    display.fillRect(layer, LAYER_KEY, 0, 0, 160, 144);
    ASSERT_TRUE(display.clearBack(0));
    display.fillRect(nullptr, 7, 0, 0, 160, 72);
    display.present();
    const std::vector<Pixel> before = presenter.frame();
    for (const Rect d : {Rect{0, 0, 160, 144}, Rect{0, 0, 320, 240}, Rect{0, 0, 300, 200}}) {
        EXPECT_TRUE(display.blitToBack(d, layer, {0, 0, 160, 144}, true));
        display.present();
        EXPECT_EQ(presenter.frame(), before);
    }
    // Unkeyed, the same layer covers the destination in white.
    EXPECT_TRUE(display.blitToBack({0, 0, 160, 144}, layer, {0, 0, 160, 144}, false));
    display.present();
    EXPECT_EQ(countInFrame(LAYER_KEY, {0, 0, 160, 144}), 160 * 144);
    display.releaseSurface(layer);
}

TEST_F(DisplayTest, StretchingByWholeFactorsRepeatsEachPixel) {
    constexpr int kW = 7, kH = 5;
    auto pattern = [](int x, int y) { return indexPixel(static_cast<uint8_t>(x + 10 * y + 1)); };
    Surface* source = display.createOffscreen(kW, kH, 23);  // pixel (2, 2) is the key
    ASSERT_NE(source, nullptr);
    paint(source, kW, kH, pattern);

    for (int zoom : {1, 2, 3, 4}) {
        for (bool keyed : {false, true}) {
            SCOPED_TRACE("zoom " + std::to_string(zoom) + (keyed ? " keyed" : " plain"));
            ASSERT_TRUE(display.clearBack(200));
            const int left = 11, top = 13;
            ASSERT_TRUE(display.blitToBack({left, top, left + kW * zoom, top + kH * zoom}, source,
                                           {0, 0, kW, kH}, keyed));
            display.present();
            for (int y = top - 1; y <= top + kH * zoom; ++y) {
                for (int x = left - 1; x <= left + kW * zoom; ++x) {
                    const bool inside =
                        x >= left && y >= top && x < left + kW * zoom && y < top + kH * zoom;
                    Pixel want = indexPixel(200);
                    if (inside) {
                        want = pattern((x - left) / zoom, (y - top) / zoom);
                        if (keyed && want == indexPixel(23)) want = indexPixel(200);
                    }
                    ASSERT_EQ(presenter.pixel(x, y), want) << "at " << x << "," << y;
                }
            }
        }
    }

    // A part of the source, stretched 2 across and 3 down.
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.blitToBack({0, 0, 6, 6}, source, {4, 3, 7, 5}, false));
    display.present();
    EXPECT_EQ(presenter.pixel(0, 0), pattern(4, 3));
    EXPECT_EQ(presenter.pixel(5, 2), pattern(6, 3));
    EXPECT_EQ(presenter.pixel(1, 3), pattern(4, 4));
    EXPECT_EQ(presenter.pixel(5, 5), pattern(6, 4));
    EXPECT_EQ(presenter.pixel(6, 5), indexPixel(0));
    display.releaseSurface(source);
}

TEST_F(DisplayTest, OtherRatiosUseTheNearestPixel) {
    Surface* source = display.createOffscreen(4, 2, 3);
    ASSERT_NE(source, nullptr);
    paint(source, 4, 2, [](int x, int y) { return indexPixel(static_cast<uint8_t>(1 + x + 4 * y)); });

    // 4 -> 6 across: destination x takes source x * 4 / 6.
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.blitToBack({0, 0, 6, 3}, source, {0, 0, 4, 2}, false));
    display.present();
    const uint8_t wantRow0[6] = {1, 1, 2, 3, 3, 4};
    const uint8_t wantRow2[6] = {5, 5, 6, 7, 7, 8};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(presenter.pixel(x, 0), indexPixel(wantRow0[x])) << x;
        EXPECT_EQ(presenter.pixel(x, 1), indexPixel(wantRow0[x])) << x;
        EXPECT_EQ(presenter.pixel(x, 2), indexPixel(wantRow2[x])) << x;
    }

    // Shrinking 4 -> 2 keeps every other pixel; keyed skips the key (3).
    ASSERT_TRUE(display.clearBack(9));
    ASSERT_TRUE(display.blitToBack({0, 0, 2, 1}, source, {0, 0, 4, 2}, true));
    display.present();
    EXPECT_EQ(presenter.pixel(0, 0), indexPixel(1));
    EXPECT_EQ(presenter.pixel(1, 0), indexPixel(9));
    display.releaseSurface(source);
}

TEST_F(DisplayTest, LockGivesRowsAndRefusesASecondLock) {
    int pitch = 0;
    Pixel* row = display.lockBack({13, 30, 269, 31}, &pitch);
    ASSERT_NE(row, nullptr);
    EXPECT_GE(pitch, 320);
    EXPECT_EQ(display.lockBack({0, 0, 1, 1}, &pitch), nullptr) << "already locked";
    row[0] = 77;
    row[255] = 78;
    display.unlockBack();
    EXPECT_EQ(backPixel(13, 30), 77);
    EXPECT_EQ(backPixel(268, 30), 78);
    EXPECT_NE(display.lockBack({0, 239, 320, 240}, &pitch), nullptr);
    display.unlockBack();

    EXPECT_EQ(display.lock(nullptr, {0, 0, 1, 1}, &pitch), nullptr);
    Display idle;
    EXPECT_EQ(idle.lockBack({0, 0, 1, 1}, &pitch), nullptr);
}

TEST_F(DisplayTest, TextIsWhiteOnATransparentBackground) {
    ASSERT_TRUE(display.clearBack(120));
    ASSERT_TRUE(display.drawText("H", 10, 20));
    display.present();
    const int white = countInFrame(kTextIndex, {10, 20, 10 + kGlyphWidth, 28});
    EXPECT_GT(white, 0);
    EXPECT_EQ(countInFrame(kTextIndex, {0, 0, 320, 240}), white) << "drawn outside its cell";
    EXPECT_EQ(countInFrame(120, {0, 0, 320, 240}), 320 * 240 - white)
        << "the background between the strokes must stay";
    // H: both posts in the top row, nothing between them.
    EXPECT_EQ(presenter.pixel(10, 20), indexPixel(kTextIndex));
    EXPECT_EQ(presenter.pixel(14, 20), indexPixel(kTextIndex));
    EXPECT_EQ(presenter.pixel(12, 20), indexPixel(120));

    EXPECT_FALSE(display.drawText(nullptr, 0, 0));
    Display idle;
    EXPECT_FALSE(idle.drawText("x", 0, 0));
}

TEST_F(DisplayTest, TextIsClippedAtTheEdges) {
    ASSERT_TRUE(display.clearBack(0));
    EXPECT_TRUE(display.drawText("WWWW", 310, 236));
    EXPECT_TRUE(display.drawText("far away", 60000, 60000));
    display.present();
    EXPECT_GT(countInFrame(kTextIndex, {310, 236, 320, 240}), 0);
    EXPECT_EQ(countInFrame(kTextIndex, {0, 0, 310, 240}), 0);
}

TEST_F(DisplayTest, NumbersAreDrawnAsTheirDecimalText) {
    struct Case {
        uint32_t value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},    {60, "60"}, {7, "7"}, {1000000000, "1000000000"}, {4294967295u, "4294967295"},
        {305, "305"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(display.clearBack(0));
        ASSERT_TRUE(display.drawText(c.text, 3, 4));
        display.present();
        const std::vector<Pixel> want = presenter.frame();
        ASSERT_TRUE(display.clearBack(0));
        ASSERT_TRUE(display.drawNumber(c.value, 3, 4));
        display.present();
        EXPECT_EQ(presenter.frame(), want);
        EXPECT_GT(countInFrame(kTextIndex, {0, 0, 320, 240}), 0) << "nothing visible";
    }
    // "60" is two glyphs wide, and its "0" matches a lone "0" moved one glyph right.
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.drawNumber(0, 6, 0));
    display.present();
    const std::vector<Pixel> zero = presenter.frame();
    ASSERT_TRUE(display.clearBack(0));
    ASSERT_TRUE(display.drawNumber(60, 0, 0));
    display.present();
    for (int y = 0; y < 8; ++y)
        for (int x = 6; x < 12; ++x)
            EXPECT_EQ(presenter.pixel(x, y), zero[static_cast<size_t>(y) * 320 + x]);
    EXPECT_GT(countInFrame(kTextIndex, {0, 0, 6, 8}), 0) << "the 6 is missing";
}

TEST_F(DisplayTest, ListsThePresentersModesUntilTheCallbackStops) {
    presenter.setModes({{320, 240, 8}, {640, 480, 16}, {800, 600, 8}});
    std::vector<DisplayModeDescription> seen;
    auto collect = [](const DisplayModeDescription& mode, void* context) {
        static_cast<std::vector<DisplayModeDescription>*>(context)->push_back(mode);
        return true;
    };
    display.listDisplayModes(collect, &seen);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].width, 640);
    EXPECT_EQ(seen[1].bitsPerPixel, 16);

    int calls = 0;
    auto stopAtOnce = [](const DisplayModeDescription&, void* context) {
        ++*static_cast<int*>(context);
        return false;
    };
    display.listDisplayModes(stopAtOnce, &calls);
    EXPECT_EQ(calls, 1);
}

}  // namespace
