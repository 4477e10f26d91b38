// A machine with its buffers allocated, the display on the headless presenter and
// the renderer's screen layer created: video state is set up by writing VideoRam, OAM and
// the registers directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/machine_state.h"
#include "video/display.h"
#include "video/headless_presenter.h"
#include "video/palette.h"
#include "video/renderer.h"

class MachineVideoTest : public ::testing::Test {
protected:
    static constexpr uint8_t kIdentityPalette = 0xE4;  // colour c gets shade c

    void SetUp() override { startDisplay(400, 300); }
    void TearDown() override {
        releaseScreenLayer();
        display.releaseDisplay();
        setPresenter(nullptr);
        freeMachineBuffers();
        resetSettings();
        resetAppFlags();
    }

    void startDisplay(int width, int height) {
        resetAppFlags();
        resetSettings();
        ASSERT_TRUE(allocateMachineBuffers());
        setPresenter(&presenter);
        ASSERT_TRUE(display.initDisplay(nullptr, width, height, kDisplayBitsPerPixel));
        ASSERT_TRUE(createScreenLayer());
        screenCentreX = static_cast<uint16_t>(width / 2);
        screenCentreY = static_cast<uint16_t>(height / 2);
        io(0xFF40) = 0x80;
        io(0xFF47) = kIdentityPalette;
        io(0xFF48) = kIdentityPalette;
    }

    static uint8_t& io(uint16_t address) { return machine.HighPage[ioIndex(address)]; }

    static void setSprite(int entry, uint8_t y, uint8_t x, uint8_t tile, uint8_t attributes) {
        uint8_t* e = machine.HighPage.data() + 0x1E00 + 4 * entry;
        e[0] = y;
        e[1] = x;
        e[2] = tile;
        e[3] = attributes;
    }

    // Writes the 8 colour numbers (0-3, leftmost first) of one row of a tile.
    static void setTileRow(int tile, int row, const uint8_t (&colours)[8]) {
        uint8_t low = 0, high = 0;
        for (int k = 0; k < 8; ++k) {
            low |= static_cast<uint8_t>((colours[k] & 1) << (7 - k));
            high |= static_cast<uint8_t>(((colours[k] >> 1) & 1) << (7 - k));
        }
        machine.VideoRam[16 * tile + 2 * row] = low;
        machine.VideoRam[16 * tile + 2 * row + 1] = high;
    }

    static void setTileSolid(int tile, uint8_t colour) {
        const uint8_t colours[8] = {colour, colour, colour, colour, colour, colour, colour, colour};
        for (int row = 0; row < 8; ++row) setTileRow(tile, row, colours);
    }

    // A tile whose every row tells which tile and row it is: pixels 0-2 the row
    // number's bits (colour 1 or 2), pixel 3 colour 3, pixels 4-6 the tile number's
    // low bits, pixel 7 colour 0.
    static uint8_t signatureColour(int tile, int row, int k) {
        if (k < 3) return static_cast<uint8_t>(1 + ((row >> k) & 1));
        if (k == 3) return 3;
        if (k < 7) return static_cast<uint8_t>(1 + ((tile >> (k - 4)) & 1));
        return 0;
    }
    static void setSignatureTile(int tile) {
        for (int row = 0; row < 8; ++row) {
            uint8_t colours[8];
            for (int k = 0; k < 8; ++k) colours[k] = signatureColour(tile, row, k);
            setTileRow(tile, row, colours);
        }
    }

    bool renderAt(int ly) {
        io(0xFF44) = static_cast<uint8_t>(ly);
        return renderLine();
    }

    // The ShadeTable index whose colour a monochrome picture's pixel has; kNoShade
    // for any other colour.
    static constexpr uint8_t kNoShade = 0xEE;
    static uint8_t shadeOf(Pixel pixel) {
        for (uint8_t shade : ShadeTable) {
            if (indexPixel(shade) == pixel) return shade;
        }
        return kNoShade;
    }

    // Screen line y of a monochrome picture as the screen layer holds it, copied out
    // through a lock, in ShadeTable indexes.
    static void screenRow(int y, uint8_t* out) {
        int pitch = 0;
        Pixel* row = display.lock(ScreenLayer, {0, y, 160, y + 1}, &pitch);
        ASSERT_NE(row, nullptr);
        for (int x = 0; x < 160; ++x) out[x] = shadeOf(row[x]);
        display.unlock(ScreenLayer);
    }

    // Compares the presented frame over (left, top)-(right, bottom) with want(x, y),
    // a pixel or a palette index, reporting the first three differences; returns how
    // many pixels differ.
    template <typename Want>
    int wrongPixels(int left, int top, int right, int bottom, Want want) const {
        int wrong = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                Pixel expected = want(x, y);
                if constexpr (sizeof(want(x, y)) == 1) expected = indexPixel(want(x, y));
                if (presenter.pixel(x, y) != expected && wrong++ < 3) {
                    ADD_FAILURE() << "at " << x << "," << y << " got " << std::hex
                                  << presenter.pixel(x, y) << " want " << expected << std::dec;
                }
            }
        }
        return wrong;
    }

    HeadlessPresenter presenter;
};
