#include "video/debug_views.h"

#include "core/app_flags.h"
#include "core/io_registers.h"
#include "core/machine_state.h"
#include "video/display.h"
#include "video/palette.h"

namespace {

constexpr uint16_t kOamIndex = 0x1E00;

// Every tile and sprite in these views is shaded with OBP0; colour 0 shows as the
// key colour so that empty tiles stand out from the panel.
uint8_t viewPixel(uint8_t colour, uint8_t obp0) {
    return colour == 0 ? LAYER_KEY : ShadeTable[(obp0 >> (2 * colour)) & 3];
}

// Writes row `row` of tile `tile` into one locked row of the back buffer, eight
// pixels from column x. False when the row cannot be locked.
bool drawTileRow(int tile, int row, int x, int y, int lockLeft, int lockRight, uint8_t obp0) {
    int pitch = 0;
    uint8_t* out = display.lockBack({lockLeft, y, lockRight, y + 1}, &pitch);
    if (out == nullptr) return false;
    const uint8_t low = machine.VideoRam[16 * tile + 2 * row];
    const uint8_t high = machine.VideoRam[16 * tile + 2 * row + 1];
    for (int k = 0; k < 8; ++k) {
        const int bit = 7 - k;
        const auto colour = static_cast<uint8_t>((((high >> bit) & 1) << 1) | ((low >> bit) & 1));
        out[x - lockLeft + k] = viewPixel(colour, obp0);
    }
    display.unlockBack();
    return true;
}

// 16 columns by 24 rows of tiles on a 16-pixel pitch, tile 0 at the top-left.
bool drawTilesView(uint8_t obp0) {
    display.fillRect(nullptr, kPanelIndex, 5, 22, 264, 392);
    for (int tile = 0; tile < 384; ++tile) {
        for (int row = 0; row < 8; ++row) {
            const int x = 13 + 16 * (tile % 16);
            const int y = 30 + 16 * (tile / 16) + row;
            if (!drawTileRow(tile, row, x, y, 13, 269, obp0)) return false;
        }
    }
    return true;
}

// 8 columns by 5 rows of sprite images, then each entry's Y, X, tile and attribute
// bytes in a column to the right of the panel.
bool drawOamView(uint8_t obp0) {
    display.fillRect(nullptr, kPanelIndex, 5, 22, 136, 128);
    const int height = (machine.HighPage[reg::LCDC] & 0x04) ? 16 : 8;
    const uint8_t* oam = machine.HighPage + kOamIndex;
    for (int s = 0; s < 40; ++s) {
        const uint8_t* entry = oam + 4 * s;
        const bool yFlip = entry[3] & 0x40;
        for (int r = 0; r < height; ++r) {
            // Rows 8-15 of a tall sprite come from the next tile, whatever the
            // tile number's lowest bit is; X-flip is not shown.
            const int sourceRow = yFlip ? height - 1 - r : r;
            const int tile = entry[2] + sourceRow / 8;
            const int x = 13 + 16 * (s % 8);
            const int y = 30 + 24 * (s / 8) + r;
            if (!drawTileRow(tile, sourceRow % 8, x, y, 13, 141, obp0)) return false;
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
    if (machine.HighPage != nullptr && machine.VideoRam != nullptr) {
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
