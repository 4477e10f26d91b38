// A display on the headless presenter, for tests of everything that draws.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "video/display.h"
#include "video/headless_presenter.h"

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        setPresenter(&presenter);
        ASSERT_TRUE(display.initDisplay(nullptr, 320, 240, kDisplayBitsPerPixel));
    }
    void TearDown() override {
        display.releaseDisplay();
        setPresenter(nullptr);
    }

    // A back-buffer pixel as it stands now (present, then read the kept frame).
    Pixel backPixel(int x, int y) {
        display.present();
        return presenter.pixel(x, y);
    }

    // Pixels of a surface, read through a lock of the whole surface.
    static Pixel surfacePixel(Surface* surface, int x, int y, int width, int height) {
        int pitch = 0;
        Pixel* p = display.lock(surface, {0, 0, width, height}, &pitch);
        EXPECT_NE(p, nullptr);
        if (p == nullptr) return 0;
        const Pixel value = p[y * pitch + x];
        display.unlock(surface);
        return value;
    }

    // Counts pixels of the presented frame with the given index's colour inside a
    // rectangle.
    int countInFrame(uint8_t index, const Rect& r) const {
        const Pixel colour = indexPixel(index);
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) count += presenter.pixel(x, y) == colour;
        return count;
    }

    HeadlessPresenter presenter;
};
