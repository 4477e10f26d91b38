#include "video/renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "cartridge/preferences.h"
#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "core/io_registers.h"
#include "core/lcd.h"
#include "core/machine_state.h"
#include "video/colour_curve.h"
#include "video/display.h"
#include "video/palette.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

Surface* ScreenLayer = nullptr;

namespace {

constexpr int kLastLine = kScreenHeight - 1;

// A line is put together in buffers wider than the screen, so that tiles and sprites
// that stand partly off either edge are written whole. Screen column x is at
// kMargin + (SCX mod 8) + x: the background's first tile starts at kMargin, the
// window may start up to 7 columns left of the screen and a sprite up to 8.
constexpr int kMargin = 8;
constexpr int kLineWidth = kMargin + 7 + kScreenWidth + 16;

// The handheld looks at no more than ten sprites per line.
constexpr int kMaxSpritesPerLine = 10;

constexpr uint16_t kOamIndex = 0x1E00;
constexpr uint8_t kWindowMap = 0x40, kBackgroundMap = 0x08,
                  kTallSprites = 0x04, kSpritesOn = 0x02, kBackgroundOn = 0x01;
constexpr uint8_t kBehindBackground = 0x80, kYFlip = 0x40, kXFlip = 0x20, kSecondPalette = 0x10;

// A tile row is two bit planes: bit 7 - k of the low byte and of the high byte make
// pixel k's colour number. Spreading each plane's bits two apart (bit b to bit 2b)
// and laying the high plane one bit above the low one packs the row's colour
// numbers, pixel 0 in bits 15-14 down to pixel 7 in bits 1-0.
constexpr std::array<uint16_t, 256> kSpreadPlane = [] {
    std::array<uint16_t, 256> table{};
    for (int plane = 0; plane < 256; ++plane) {
        for (int bit = 0; bit < 8; ++bit) {
            if (plane & (1 << bit)) table[plane] |= static_cast<uint16_t>(1 << (2 * bit));
        }
    }
    return table;
}();

// Four packed colour numbers in the opposite order, for sprites flipped left to right.
constexpr std::array<uint8_t, 256> kMirroredQuad = [] {
    std::array<uint8_t, 256> table{};
    for (int quad = 0; quad < 256; ++quad) {
        table[quad] = static_cast<uint8_t>(((quad >> 6) & 3) | ((quad >> 2) & 0x0C) |
                                           ((quad << 2) & 0x30) | ((quad << 6) & 0xC0));
    }
    return table;
}();

inline uint16_t mirroredRow(uint16_t packed) {
    return static_cast<uint16_t>((kMirroredQuad[packed & 0xFF] << 8) | kMirroredQuad[packed >> 8]);
}

// For every group of four packed colour numbers, 0xFF for each pixel whose colour is
// not 0 and 0 for colour 0. Colour 0 is what a sprite lets through, and what a
// sprite kept behind the background shows over.
constexpr std::array<std::array<uint8_t, 4>, 256> kOpaqueQuad = [] {
    std::array<std::array<uint8_t, 4>, 256> table{};
    for (int quad = 0; quad < 256; ++quad) {
        for (int k = 0; k < 4; ++k) table[quad][k] = ((quad >> (6 - 2 * k)) & 3) ? 0xFF : 0;
    }
    return table;
}();

// The screen pixels of every group of four packed colour numbers under one palette
// register: colour v is drawn as ShadeTable[(palette >> 2v) & 3]. A table is built
// again only when its register has changed since the last line that used it.
struct QuadShades {
    Pixel pixels[256][4];
    int palette = -1;  // the register value the table was built for, -1 before any
};
QuadShades backgroundShades, spriteShades[2];  // sprites: OBP0, OBP1

const QuadShades& shadesFor(QuadShades& table, uint8_t palette) {
    if (table.palette == palette) return table;
    Pixel shades[4];
    for (int colour = 0; colour < 4; ++colour)
        shades[colour] = indexPixel(ShadeTable[(palette >> (2 * colour)) & 3]);
    for (int quad = 0; quad < 256; ++quad) {
        for (int k = 0; k < 4; ++k) table.pixels[quad][k] = shades[(quad >> (6 - 2 * k)) & 3];
    }
    table.palette = palette;
    return table;
}

// Tiles are numbered across both video RAM banks: 0-383 in bank 0, 512-895 in bank 1.
inline uint16_t decodeRow(int tile, int row) {
    const uint8_t* planes = machine.VideoRam.data() + 16 * tile + 2 * row;
    return static_cast<uint16_t>(kSpreadPlane[planes[0]] | (kSpreadPlane[planes[1]] << 1));
}

inline void putOpaque(uint8_t* opaque, uint16_t packed) {
    std::memcpy(opaque, kOpaqueQuad[packed >> 8].data(), 4);
    std::memcpy(opaque + 4, kOpaqueQuad[packed & 0xFF].data(), 4);
}

// The eight pixels of a decoded tile row, leftmost first, and which of them are not
// colour 0.
inline void putTileRow(Pixel* pixels, uint8_t* opaque, uint16_t packed, const QuadShades& shades) {
    std::memcpy(pixels, shades.pixels[packed >> 8], sizeof(Pixel) * 4);
    std::memcpy(pixels + 4, shades.pixels[packed & 0xFF], sizeof(Pixel) * 4);
    putOpaque(opaque, packed);
}

// The same with the four colours of one of the colour model's palettes.
inline void putColourTileRow(Pixel* pixels, uint8_t* opaque, uint16_t packed,
                             const Pixel* colours) {
    for (int k = 0; k < 8; ++k) pixels[k] = colours[(packed >> (14 - 2 * k)) & 3];
    putOpaque(opaque, packed);
}

inline uint64_t load8(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, 8);
    return value;
}
inline void store8(uint8_t* p, uint64_t value) {
    std::memcpy(p, &value, 8);
}

uint8_t io(uint16_t index) {
    return machine.HighPage[index];
}

// The line being put together: the background's and window's pixels with which of
// them are not colour 0 and (colour model) which of them come from a tile kept in
// front of sprites, and the sprites' pixels with which of them are drawn and which
// of those stay behind the background.
struct LineBuffers {
    alignas(16) Pixel pixels[kLineWidth];
    alignas(16) Pixel spritePixels[kLineWidth];
    alignas(8) uint8_t opaque[kLineWidth];
    alignas(8) uint8_t tileInFront[kLineWidth];
    alignas(8) uint8_t spriteShown[kLineWidth];
    alignas(8) uint8_t spriteBehind[kLineWidth];
};
LineBuffers line;

// The colour model's palettes as screen pixels, converted for each line from palette
// memory as it stands then: eight background and eight sprite palettes of four colours.
struct ColourPalettes {
    Pixel background[8][4];
    Pixel sprites[8][4];
};
ColourPalettes colours;

void convertPalettes() {
    for (int palette = 0; palette < 8; ++palette) {
        for (int colour = 0; colour < 4; ++colour) {
            colours.background[palette][colour] =
                paletteMemoryPixel(machine.backgroundPalettes, palette, colour);
            colours.sprites[palette][colour] =
                paletteMemoryPixel(machine.spritePalettes, palette, colour);
        }
    }
}

// Attribute bits of the colour model's second map (video RAM bank 1) and of OAM.
constexpr uint8_t kTileInFront = 0x80, kTileYFlip = 0x40, kTileXFlip = 0x20, kSecondBank = 0x08,
                  kColourPaletteBits = 0x07;

// `count` tiles of a map row from column firstColumn on (wrapping round the map's 32),
// tile i at line position `at` + 8i, each from its row `row`. The colour model reads
// each tile's attributes from the same place in video RAM bank 1: its palette, its
// bank, its flips and whether it stays in front of sprites.
void drawMapTiles(const uint8_t* mapRow, int firstColumn, int count, int row, uint8_t lcdc,
                  const QuadShades& shades, int at) {
    if (!machine.colourModel) {
        for (int i = 0; i < count; ++i) {
            const int tile = mapTileIndex(mapRow[(firstColumn + i) & 31], lcdc);
            putTileRow(line.pixels + at + 8 * i, line.opaque + at + 8 * i, decodeRow(tile, row),
                       shades);
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const int column = (firstColumn + i) & 31;
        const uint8_t attributes = mapRow[0x2000 + column];
        int tile = mapTileIndex(mapRow[column], lcdc);
        if (attributes & kSecondBank) tile += 512;
        uint16_t packed = decodeRow(tile, (attributes & kTileYFlip) ? 7 - row : row);
        if (attributes & kTileXFlip) packed = mirroredRow(packed);
        const int x = at + 8 * i;
        putColourTileRow(line.pixels + x, line.opaque + x, packed,
                         colours.background[attributes & kColourPaletteBits]);
        std::memset(line.tileInFront + x, (attributes & kTileInFront) ? 0xFF : 0, 8);
    }
}

// The background (21 tiles from SCX / 8, enough for any fine scroll) and over it the
// window from screen column WX - 7 on, or (monochrome) all white with the background
// switched off.
void drawBackgroundAndWindow(int ly, uint8_t lcdc, int fine) {
    // In the colour model LCDC bit 0 does not switch the background off: it decides
    // whether the background may cover sprites at all (see drawSprites).
    if (!(lcdc & kBackgroundOn) && !machine.colourModel) {
        std::fill(line.pixels, line.pixels + kLineWidth, indexPixel(ShadeTable[0]));
        std::memset(line.opaque, 0, kLineWidth);
        return;
    }
    const QuadShades& shades = shadesFor(backgroundShades, io(reg::BGP));
    const int bgLine = (io(reg::SCY) + ly) & 0xFF;
    const uint8_t* backgroundMap =
        machine.VideoRam.data() + ((lcdc & kBackgroundMap) ? 0x1C00 : 0x1800) + 32 * (bgLine / 8);
    drawMapTiles(backgroundMap, io(reg::SCX) / 8, 21, bgLine % 8, lcdc, shades, kMargin);

    if (!windowOnLine()) return;
    // The window's row is its own line count, not LY - WY: lines that did not show the
    // window are not counted.
    const int windowRow = (machine.windowLinesShown - 1) & 0xFF;
    const int left = io(reg::WX) - 7;  // -7 to 159
    const uint8_t* windowMap =
        machine.VideoRam.data() + ((lcdc & kWindowMap) ? 0x1C00 : 0x1800) + 32 * (windowRow / 8);
    drawMapTiles(windowMap, 0, (kScreenWidth - 1 - left) / 8 + 1, windowRow % 8, lcdc, shades,
                 kMargin + fine + left);
}

// Bit i set for each OAM entry i on the line: the first ten entries in OAM order
// whose rows cover it, Y <= spriteLine < Y + height, wherever they stand across.
uint64_t spritesOnLine(int spriteLine, int height) {
    const uint8_t* oam = machine.HighPage.data() + kOamIndex;
    uint64_t found = 0;
#if defined(__SSE2__)
    // Sixteen bytes hold four entries, which byte arithmetic looks at together.
    // spriteLine runs from 16 to 159, so spriteLine - Y taken modulo 256 is below the
    // height exactly when the sprite covers the line. Each entry's answer is kept as
    // 0 or 255 in its 32 bits, and four groups are packed into one byte per entry.
    const __m128i lineBytes = _mm_set1_epi8(static_cast<char>(spriteLine));
    const __m128i lastRow = _mm_set1_epi8(static_cast<char>(height - 1));
    const __m128i yBytes = _mm_set1_epi32(0xFF);
    auto covering = [&](int group) {
        if (group >= 10) return _mm_setzero_si128();
        const __m128i entries = _mm_loadu_si128(reinterpret_cast<const __m128i*>(oam + 16 * group));
        const __m128i row = _mm_sub_epi8(lineBytes, entries);  // in each entry's Y byte
        return _mm_and_si128(_mm_cmpeq_epi8(_mm_min_epu8(row, lastRow), row), yBytes);
    };
    for (int first = 0; first < 40; first += 16) {
        const int group = first / 4;
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(covering(group), covering(group + 1)),
                             _mm_packs_epi32(covering(group + 2), covering(group + 3)));
        found |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes))) << first;
    }
#else
    for (int i = 0; i < 40; ++i) {
        if (static_cast<unsigned>(spriteLine - oam[4 * i]) < static_cast<unsigned>(height)) {
            found |= uint64_t{1} << i;
        }
    }
#endif
    uint64_t taken = 0;
    for (int n = 0; found != 0 && n < kMaxSpritesPerLine; ++n, found &= found - 1) {
        taken |= found & -found;
    }
    return taken;
}

// Sprites are drawn from back to front into buffers of their own, then laid over the
// line. Where sprites overlap, the monochrome model puts the one with the smaller X in
// front, the lower OAM entry when X is equal; the colour model puts the lower OAM
// entry in front whatever X says. Only colour 0 lets what lies beneath through. The
// sprite in front at a pixel then decides against the background: one kept behind it
// (OAM attribute bit 7), or in the colour model one over a tile kept in front (its
// attribute bit 7), shows there only where the background or window has colour 0;
// in the colour model LCDC bit 0 clear puts every sprite over the background.
void drawSprites(int ly, uint8_t lcdc, int fine) {
    const int spriteLine = ly + 16;
    const int height = (lcdc & kTallSprites) ? 16 : 8;
    const uint8_t* oam = machine.HighPage.data() + kOamIndex;
    const uint64_t onLine = spritesOnLine(spriteLine, height);
    if (onLine == 0) return;
    const bool colourModel = machine.colourModel;

    uint8_t order[kMaxSpritesPerLine];
    int count = 0;
    if (colourModel) {
        // Back to front: the highest entry first.
        for (uint64_t sprites = onLine; sprites != 0; sprites &= sprites - 1) {
            order[count++] = static_cast<uint8_t>(std::countr_zero(sprites));
        }
        std::reverse(order, order + count);
    } else {
        // Back to front: larger X first, the higher entry first at equal X. Entries come
        // in rising OAM order, so each goes in after those standing further right.
        for (uint64_t sprites = onLine; sprites != 0; sprites &= sprites - 1) {
            const auto i = static_cast<uint8_t>(std::countr_zero(sprites));
            int at = count++;
            while (at > 0 && oam[4 * order[at - 1] + 1] <= oam[4 * i + 1]) {
                order[at] = order[at - 1];
                --at;
            }
            order[at] = i;
        }
    }

    const QuadShades* shades[2] = {&shadesFor(spriteShades[0], io(reg::OBP0)),
                                   &shadesFor(spriteShades[1], io(reg::OBP1))};
    std::memset(line.spriteShown, 0, kLineWidth);
    bool any = false;
    for (int s = 0; s < count; ++s) {
        const uint8_t* entry = oam + 4 * order[s];
        // X is the sprite's left edge plus 8: from 0 (wholly off the left edge) to 255.
        const int left = entry[1] - 8;
        if (left >= kScreenWidth) continue;
        const uint8_t attributes = entry[3];
        const int n = spriteLine - entry[0];  // 0 to height - 1
        // A tall sprite is the pair of tiles T & 0xFE (top) and T | 1 (bottom), whatever
        // bit 0 of its number says; flipped upside down, the bottom tile comes on top.
        int tile = entry[2];
        if (height == 16) {
            tile = (n < 8) != static_cast<bool>(attributes & kYFlip) ? (tile & 0xFE) : (tile | 1);
        }
        if (colourModel && (attributes & kSecondBank)) tile += 512;
        const int row = (attributes & kYFlip) ? 7 - (n & 7) : (n & 7);
        uint16_t packed = decodeRow(tile, row);
        if (packed == 0) continue;  // all colour 0
        if (attributes & kXFlip) packed = mirroredRow(packed);

        Pixel pixels[8];
        uint8_t opaque[8];
        if (colourModel) {
            putColourTileRow(pixels, opaque, packed,
                             colours.sprites[attributes & kColourPaletteBits]);
        } else {
            putTileRow(pixels, opaque, packed, *shades[(attributes & kSecondPalette) ? 1 : 0]);
        }
        const uint64_t mask = load8(opaque);
        const uint64_t behind = (attributes & kBehindBackground) ? mask : 0;
        const int x = kMargin + fine + left;
        for (int k = 0; k < 8; ++k) {
            if (opaque[k]) line.spritePixels[x + k] = pixels[k];
        }
        store8(line.spriteShown + x, load8(line.spriteShown + x) | mask);
        store8(line.spriteBehind + x, (load8(line.spriteBehind + x) & ~mask) | behind);
        any = true;
    }
    if (!any) return;

    const bool backgroundMayCover = !colourModel || (lcdc & kBackgroundOn);
    for (int x = kMargin + fine; x < kMargin + fine + kScreenWidth; x += 8) {
        const uint64_t shown = load8(line.spriteShown + x);
        if (shown == 0) continue;
        uint64_t covered = 0;
        if (backgroundMayCover) {
            uint64_t inFront = load8(line.spriteBehind + x);
            if (colourModel) inFront |= load8(line.tileInFront + x);
            covered = inFront & load8(line.opaque + x);
        }
        uint8_t show[8];
        store8(show, shown & ~covered);
        for (int k = 0; k < 8; ++k) {
            if (show[k]) line.pixels[x + k] = line.spritePixels[x + k];
        }
    }
}

}  // namespace

bool createScreenLayer() {
    releaseScreenLayer();
    ScreenLayer = display.createOffscreen(kScreenWidth, kScreenHeight);
    if (ScreenLayer == nullptr) return false;
    // The screen is white until the LCD draws on it.
    display.fillRect(ScreenLayer, ShadeTable[0], 0, 0, kScreenWidth, kScreenHeight);
    return true;
}

void releaseScreenLayer() {
    display.releaseSurface(ScreenLayer);
}

bool renderLine() {
    if (machine.HighPage.empty() || machine.VideoRam.empty()) return false;
    const uint8_t lcdc = io(reg::LCDC);
    const int ly = io(reg::LY);
    if (ly >= kScreenHeight || !(lcdc & 0x80)) return false;

    const int fine = io(reg::SCX) & 7;
    if (machine.colourModel) convertPalettes();
    drawBackgroundAndWindow(ly, lcdc, fine);
    if (lcdc & kSpritesOn) drawSprites(ly, lcdc, fine);

    int pitch = 0;
    Pixel* row = display.lock(ScreenLayer, {0, ly, kScreenWidth, ly + 1}, &pitch);
    if (row == nullptr) return false;
    std::memcpy(row, line.pixels + kMargin + fine, kScreenWidth * sizeof(Pixel));
    display.unlock(ScreenLayer);

    if (ly == kLastLine) composeFrame();
    return true;
}

namespace {

// The screen layer onto the cleared back buffer, zoomed and centred; the rectangle
// it covers.
Rect drawScreenLayer() {
    const int z = zoom;
    const int left = screenCentreX - 80 * z;
    const int top = screenCentreY - 72 * z;
    const Rect where = {left, top, left + kScreenWidth * z, top + kScreenHeight * z};
    display.clearBack(kClearIndex);
    display.blitToBack(where, ScreenLayer, {0, 0, kScreenWidth, kScreenHeight}, false);
    return where;
}

}  // namespace

void composeFrame() {
    drawScreenLayer();
    ++framesThisSecond;
    if (preferences.showFrameRate) display.drawNumber(fpsShown, 0, 0);
    if (onScreenMessage[0] != '\0') display.drawText(onScreenMessage, 0, 12);
    display.present();
}

void drawPausedFrame() {
    const Rect where = drawScreenLayer();
    int pitch = 0;
    Pixel* pixels = display.lockBack(where, &pitch);
    if (pixels == nullptr) return;
    for (int y = 0; y < where.bottom - where.top; ++y) {
        Pixel* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
        for (int x = 0; x < where.right - where.left; ++x) row[x] = (row[x] >> 1) & 0x7F7F7F;
    }
    display.unlockBack();
}
