#include "video/renderer.h"

#include <algorithm>
#include <cstdint>

#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "core/machine_state.h"
#include "video/display.h"
#include "video/palette.h"

Surface* BackgroundLayer = nullptr;
Surface* SpriteLayer = nullptr;
Surface* WindowLayer = nullptr;

namespace {

constexpr int kScreenWidth = 160;
constexpr int kScreenHeight = 144;
constexpr int kTileCount = 384;  // 0x8000-0x97FF

// Who needs a row of each tile on this line: 0 nobody, 255 the background, 254 the
// window, anything else a sprite by its OAM byte offset (entry 0 recorded as 1).
// Later marks overwrite earlier ones, and only one row per tile is decoded, so a
// tile shared between layers shows the row of the last one marked everywhere.
constexpr uint8_t kBackgroundMark = 255;
constexpr uint8_t kWindowMark = 254;
uint8_t TileMarks[kTileCount];
// The decoded colour numbers of one row of each tile, kept between lines.
uint8_t TileRowCache[kTileCount][8];

uint16_t backgroundTiles[32];
uint16_t windowTiles[20];

constexpr uint16_t kOamIndex = 0x1E00;
constexpr uint8_t kLcdOn = 0x80, kWindowMap = 0x40, kWindowOn = 0x20, kUnsignedTiles = 0x10,
                  kBackgroundMap = 0x08, kTallSprites = 0x04, kSpritesOn = 0x02,
                  kBackgroundOn = 0x01;
constexpr uint8_t kYFlip = 0x40, kXFlip = 0x20;

uint8_t reg(uint16_t address) {
    return machine.HighPage[ioIndex(address)];
}

// Map tile numbers 0-127 use the upper block (0x9000) unless LCDC selects unsigned
// numbering from 0x8000.
uint16_t mapTileIndex(uint8_t number, uint8_t lcdc) {
    return (number >= 128 || (lcdc & kUnsignedTiles)) ? number : 256 + number;
}

void markMapRow(uint16_t* tiles, int count, bool highMap, int mapRow, uint8_t lcdc, uint8_t mark) {
    const uint8_t* map = machine.VideoRam + (highMap ? 0x1C00 : 0x1800) + 32 * mapRow;
    for (int column = 0; column < count; ++column) {
        tiles[column] = mapTileIndex(map[column], lcdc);
        TileMarks[tiles[column]] = mark;
    }
}

void decodeRow(int tile, int row) {
    const uint8_t low = machine.VideoRam[16 * tile + 2 * row];
    const uint8_t high = machine.VideoRam[16 * tile + 2 * row + 1];
    for (int k = 0; k < 8; ++k) {
        const int bit = 7 - k;
        TileRowCache[tile][k] =
            static_cast<uint8_t>((((high >> bit) & 1) << 1) | ((low >> bit) & 1));
    }
}

uint8_t shade(uint8_t palette, uint8_t colour) {
    return ShadeTable[(palette >> (2 * colour)) & 3];
}

uint8_t* openRow(Surface* layer, int y, int width) {
    int pitch = 0;
    return display.lock(layer, {0, y, width, y + 1}, &pitch);
}

void drawSpriteLine(uint8_t* row, int ly, uint8_t lcdc) {
    const int spriteLine = ly + 16;
    const uint8_t obp0 = reg(0xFF48);
    std::fill(row, row + kScreenWidth, LAYER_KEY);
    for (int i = 0; i < 40; ++i) {
        const uint8_t* entry = machine.HighPage + kOamIndex + 4 * i;
        const int y = entry[0];
        const int x = entry[1];
        if (x <= 7) continue;
        const int number = entry[2];
        const bool yFlip = entry[3] & kYFlip;
        const bool tall = lcdc & kTallSprites;
        int tile;
        if (y <= spriteLine && spriteLine < y + 8) {
            tile = tall ? (yFlip ? number + 1 : number) : number;
        } else if (tall && y + 8 <= spriteLine && spriteLine < y + 16) {
            tile = yFlip ? number : number + 1;
        } else {
            continue;
        }
        const bool xFlip = entry[3] & kXFlip;
        for (int j = 0; j < 8; ++j) {
            const uint8_t colour = TileRowCache[tile][j];
            const int out = xFlip ? x - 1 - j : x - 8 + j;
            if (out >= kScreenWidth) continue;
            // Colour 0 is written as the key too: a later entry clears what an
            // earlier one drew beneath its transparent pixels.
            row[out] = colour == 0 ? LAYER_KEY : shade(obp0, colour);
        }
    }
}

}  // namespace

bool createLayers() {
    releaseLayers();
    BackgroundLayer = display.createOffscreen(256, 256);
    SpriteLayer = display.createOffscreen(kScreenWidth, kScreenHeight, LAYER_KEY);
    WindowLayer = display.createOffscreen(kScreenWidth, kScreenHeight, LAYER_KEY);
    if (BackgroundLayer == nullptr || SpriteLayer == nullptr || WindowLayer == nullptr) {
        releaseLayers();
        return false;
    }
    return true;
}

void releaseLayers() {
    display.releaseSurface(BackgroundLayer);
    display.releaseSurface(SpriteLayer);
    display.releaseSurface(WindowLayer);
}

bool renderLine() {
    if (machine.HighPage == nullptr || machine.VideoRam == nullptr) return false;
    const uint8_t lcdc = reg(0xFF40);
    const int ly = reg(0xFF44);
    if (ly >= kScreenHeight || !(lcdc & kLcdOn)) return false;

    const int bgLine = (reg(0xFF42) + ly) & 0xFF;
    const int spriteLine = ly + 16;
    const int spriteHeight = (lcdc & kTallSprites) ? 16 : 8;

    // Marking: background, then sprites, then window.
    if (lcdc & kBackgroundOn) {
        markMapRow(backgroundTiles, 32, lcdc & kBackgroundMap, bgLine / 8, lcdc, kBackgroundMark);
    }
    if (lcdc & kSpritesOn) {
        for (int i = 0; i < 40; ++i) {
            const uint8_t* entry = machine.HighPage + kOamIndex + 4 * i;
            const int y = entry[0];
            if (entry[1] <= 7 || spriteLine < y || spriteLine >= y + spriteHeight) continue;
            const uint8_t id = i == 0 ? 1 : static_cast<uint8_t>(4 * i);
            TileMarks[entry[2]] = id;
            if (spriteHeight == 16) TileMarks[entry[2] + 1] = id;
        }
    }
    if (lcdc & kWindowOn) {
        markMapRow(windowTiles, 20, lcdc & kWindowMap, ly / 8, lcdc, kWindowMark);
    }

    // Decoding: one row per marked tile, chosen by whoever marked it last.
    for (int tile = 0; tile < kTileCount; ++tile) {
        const uint8_t mark = TileMarks[tile];
        if (mark == 0) continue;
        int row;
        if (mark == kBackgroundMark) {
            row = bgLine % 8;
        } else if (mark == kWindowMark) {
            row = ly % 8;
        } else {
            const uint8_t* entry = machine.HighPage + kOamIndex + (mark == 1 ? 0 : mark);
            int n = spriteLine - entry[0];
            if (n > 7) n -= 8;
            row = (entry[3] & kYFlip) ? 7 - n : n;
        }
        decodeRow(tile, row);
        TileMarks[tile] = 0;
    }

    if (lcdc & kBackgroundOn) {
        uint8_t* row = openRow(BackgroundLayer, bgLine, 256);
        if (row == nullptr) return false;
        const uint8_t bgp = reg(0xFF47);
        for (int m = 0; m < 32; ++m) {
            const uint8_t* colours = TileRowCache[backgroundTiles[m]];
            for (int k = 0; k < 8; ++k) row[8 * m + k] = shade(bgp, colours[k]);
        }
        display.unlock(BackgroundLayer);
    }
    if (lcdc & kSpritesOn) {
        uint8_t* row = openRow(SpriteLayer, ly, kScreenWidth);
        if (row == nullptr) return false;
        drawSpriteLine(row, ly, lcdc);
        display.unlock(SpriteLayer);
    }
    if (lcdc & kWindowOn) {
        uint8_t* row = openRow(WindowLayer, ly, kScreenWidth);
        if (row == nullptr) return false;
        const uint8_t bgp = reg(0xFF47);
        for (int m = 0; m < 20; ++m) {
            const uint8_t* colours = TileRowCache[windowTiles[m]];
            for (int k = 0; k < 8; ++k) {
                row[8 * m + k] = colours[k] == 0 ? LAYER_KEY : shade(bgp, colours[k]);
            }
        }
        display.unlock(WindowLayer);
    }

    if (ly != 0) return true;
    composeFrame();
    return true;
}

void composeFrame() {
    const int z = zoom;
    const int left = screenCentreX - 80 * z;
    const int top = screenCentreY - 72 * z;
    const int right = left + kScreenWidth * z;
    const int bottom = top + kScreenHeight * z;
    const uint8_t lcdc = reg(0xFF40);

    display.clearBack(kClearIndex);

    // The background is the whole 256 x 256 map; the 160 x 144 view into it wraps
    // round at the right and bottom, so it takes up to four copies. It is shown even
    // while switched off: the last image drawn stays.
    const int scx = reg(0xFF43);
    const int scy = reg(0xFF42);
    const int w1 = std::min(scx + kScreenWidth, 256) - scx;
    const int h1 = std::min(scy + kScreenHeight, 256) - scy;
    const int splitX = left + w1 * z;
    const int splitY = top + h1 * z;
    display.blitToBack({left, top, splitX, splitY}, BackgroundLayer, {scx, scy, scx + w1, scy + h1},
                       false);
    if (w1 < kScreenWidth && h1 < kScreenHeight) {
        display.blitToBack({splitX, top, right, splitY}, BackgroundLayer,
                           {0, scy, scx - 96, scy + h1}, false);
        display.blitToBack({left, splitY, splitX, bottom}, BackgroundLayer,
                           {scx, 0, 256, scy - 112}, false);
        display.blitToBack({splitX, splitY, right, bottom}, BackgroundLayer,
                           {0, 0, scx - 96, scy - 112}, false);
    } else if (w1 < kScreenWidth) {
        display.blitToBack({splitX, top, right, bottom}, BackgroundLayer,
                           {0, scy, scx - 96, scy + kScreenHeight}, false);
    } else if (h1 < kScreenHeight) {
        display.blitToBack({left, splitY, right, bottom}, BackgroundLayer,
                           {scx, 0, scx + kScreenWidth, scy - 112}, false);
    }

    if (lcdc & kSpritesOn) {
        display.blitToBack({left, top, right, bottom}, SpriteLayer,
                           {0, 0, kScreenWidth, kScreenHeight}, true);
    }

    // Window column c lands on screen column c + WX - 7 and row r on r + WY; what
    // falls off the game screen is cut from the source rectangle.
    const int wx = reg(0xFF4B);
    const int wy = reg(0xFF4A);
    if ((lcdc & kWindowOn) && wx < kScreenWidth && wy < kScreenHeight) {
        const int screenX = wx - 7;
        const int sourceLeft = std::max(0, -screenX);
        const int sourceRight = std::min(kScreenWidth, kScreenWidth - screenX);
        const int sourceBottom = kScreenHeight - wy;
        display.blitToBack({left + (screenX + sourceLeft) * z, top + wy * z,
                            left + (screenX + sourceRight) * z, bottom},
                           WindowLayer, {sourceLeft, 0, sourceRight, sourceBottom}, true);
    }

    ++framesThisSecond;
    display.drawNumber(fpsShown, 0, 0);
    display.present();
}
