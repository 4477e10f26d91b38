#include "video/debug_views.h"

#include <algorithm>

#include "app/app_flags.h"
#include "core/io_registers.h"
#include "core/machine_state.h"
#include "video/colour_curve.h"
#include "video/display.h"
#include "video/renderer.h"
#include "video/palette.h"

namespace {

constexpr uint16_t kOamIndex = 0x1E00;

// In the monochrome model every tile and sprite in these views is shaded with OBP0;
// in the colour model each is shown in a palette of its own. Colour 0 shows as the
// key colour so that empty tiles stand out from the panel.
struct TileColours {
    Pixel colours[4];
};

TileColours monochromeColours(uint8_t obp0) {
    TileColours view{};
    for (int colour = 1; colour < 4; ++colour)
        view.colours[colour] = indexPixel(ShadeTable[(obp0 >> (2 * colour)) & 3]);
    return view;
}

TileColours paletteColours(const uint8_t* paletteMemory, int palette) {
    TileColours view{};
    for (int colour = 1; colour < 4; ++colour)
        view.colours[colour] = paletteMemoryPixel(paletteMemory, palette, colour);
    return view;
}

// Writes row `row` of tile `tile` (0-383 bank 0, 512-895 bank 1) into one locked row
// of the back buffer, eight pixels from column x. False when the row cannot be locked.
bool drawTileRow(int tile, int row, int x, int y, int lockLeft, int lockRight,
                 const TileColours& view) {
    int pitch = 0;
    Pixel* out = display.lockBack({lockLeft, y, lockRight, y + 1}, &pitch);
    if (out == nullptr) return false;
    const uint8_t low = machine.VideoRam[16 * tile + 2 * row];
    const uint8_t high = machine.VideoRam[16 * tile + 2 * row + 1];
    const Pixel key = indexPixel(LAYER_KEY);
    for (int k = 0; k < 8; ++k) {
        const int bit = 7 - k;
        const int colour = (((high >> bit) & 1) << 1) | ((low >> bit) & 1);
        out[x - lockLeft + k] = colour == 0 ? key : view.colours[colour];
    }
    display.unlockBack();
    return true;
}

// The colour model's palette for each of the 768 tiles (bank 1's from 384): that of
// the first background map entry that shows it, both maps in order, else that of
// the first sprite that uses it, else background palette 0.
void firstPalettes(TileColours (&views)[768]) {
    int8_t palette[768];
    bool sprite[768] = {};
    std::fill(palette, palette + 768, int8_t{-1});
    const uint8_t lcdc = machine.HighPage[reg::LCDC];
    for (int entry = 0; entry < 2048; ++entry) {
        const uint8_t number = machine.VideoRam[0x1800 + entry];
        const uint8_t attributes = machine.VideoRam[0x3800 + entry];
        const int tile = mapTileIndex(number, lcdc) + ((attributes & 0x08) ? 384 : 0);
        if (palette[tile] < 0) palette[tile] = static_cast<int8_t>(attributes & 7);
    }
    const uint8_t* oam = machine.HighPage.data() + kOamIndex;
    for (int s = 0; s < 40; ++s) {
        const uint8_t* entry = oam + 4 * s;
        const int tile = entry[2] + ((entry[3] & 0x08) ? 384 : 0);
        if (palette[tile] >= 0) continue;
        palette[tile] = static_cast<int8_t>(entry[3] & 7);
        sprite[tile] = true;
    }
    for (int tile = 0; tile < 768; ++tile) {
        views[tile] = paletteColours(sprite[tile] ? machine.spritePalettes : machine.backgroundPalettes,
                                     palette[tile] < 0 ? 0 : palette[tile]);
    }
}

// Each bank as 16 columns by 24 rows of tiles on a 16-pixel pitch, tile 0 at the
// top-left; bank 1 to the right of bank 0.
bool drawTilesView(uint8_t obp0) {
    static TileColours views[768];
    if (machine.colourModel) {
        firstPalettes(views);
    } else {
        std::fill(views, views + 768, monochromeColours(obp0));
    }
    display.fillRect(nullptr, kPanelIndex, 5, 22, 528, 392);
    for (int bank = 0; bank < 2; ++bank) {
        for (int tile = 0; tile < 384; ++tile) {
            const int left = 13 + 264 * bank;
            for (int row = 0; row < 8; ++row) {
                const int x = left + 16 * (tile % 16);
                const int y = 30 + 16 * (tile / 16) + row;
                if (!drawTileRow(512 * bank + tile, row, x, y, left, left + 256,
                                 views[384 * bank + tile])) {
                    return false;
                }
            }
        }
    }
    return true;
}

// 8 columns by 5 rows of sprite images, then each entry's Y, X, tile and attribute
// bytes in a column to the right of the panel.
bool drawOamView(uint8_t obp0) {
    display.fillRect(nullptr, kPanelIndex, 5, 22, 136, 128);
    const TileColours monochrome = monochromeColours(obp0);
    const int height = (machine.HighPage[reg::LCDC] & 0x04) ? 16 : 8;
    const uint8_t* oam = machine.HighPage.data() + kOamIndex;
    for (int s = 0; s < 40; ++s) {
        const uint8_t* entry = oam + 4 * s;
        const bool yFlip = entry[3] & 0x40;
        for (int r = 0; r < height; ++r) {
            // Rows 8-15 of a tall sprite come from the next tile, whatever the
            // tile number's lowest bit is; X-flip is not shown.
            const int sourceRow = yFlip ? height - 1 - r : r;
            int tile = entry[2] + sourceRow / 8;
            if (machine.colourModel && (entry[3] & 0x08)) tile += 512;
            const int x = 13 + 16 * (s % 8);
            const int y = 30 + 24 * (s / 8) + r;
            const TileColours view = machine.colourModel
                                         ? paletteColours(machine.spritePalettes, entry[3] & 7)
                                         : monochrome;
            if (!drawTileRow(tile, sourceRow % 8, x, y, 13, 141, view)) return false;
        }
    }
    for (int s = 0; s < 40; ++s) {
        const auto x = static_cast<uint16_t>(148 + 32 * (s % 8));
        for (int byte = 0; byte < 4; ++byte) {
            char text[9];
            formatHex(oam[4 * s + byte], text);
            display.drawText(text, x, static_cast<uint16_t>(56 * (s / 8) + 22 + 12 * byte));
        }
    }
    return true;
}

}  // namespace

void redrawView() {
    display.clearBack(kClearIndex);
    // The main view of a game in progress: its last frame, dimmed under the menu.
    if (screenMode == 0 && machine.cartridgeLoaded != 0 && ScreenLayer != nullptr) {
        drawPausedFrame();
    }
    if (!machine.HighPage.empty() && !machine.VideoRam.empty()) {
        const uint8_t obp0 = machine.HighPage[reg::OBP0];
        if (screenMode == 1 && !drawTilesView(obp0)) return;
        if (screenMode == 2 && !drawOamView(obp0)) return;
    }
    display.present();
}

int formatHex(uint32_t value, char* buffer) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    int shift = 28;
    while (shift > 0 && (value >> shift) == 0) shift -= 4;
    int length = 0;
    for (; shift >= 0; shift -= 4) buffer[length++] = kDigits[(value >> shift) & 0xF];
    buffer[length] = '\0';
    return length;
}
