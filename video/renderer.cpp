#include "video/renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "core/io_registers.h"
#include "core/machine_state.h"
#include "video/display.h"
#include "video/palette.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// The tiles marked on this line, each listed once, when first marked: 32 background
// columns, two tiles for each of 40 sprites and 20 window columns at most. Only these
// are decoded, and their marks cleared again.
uint16_t markedTiles[32 + 2 * 40 + 20];
int markedCount = 0;
// The tile row each mark of this line stands for: bgLine mod 8 for the background,
// LY mod 8 for the window, and for a sprite the row of its tile that the line
// crosses, upside down when the sprite is flipped vertically.
uint8_t markRows[256];

// One decoded row of each tile, kept between lines: the eight colour numbers packed
// two bits each, the leftmost pixel in the top two bits. Only the rows marked on the
// current line are read.
uint16_t TileRowCache[kTileCount];
// The same rows as the background and the window draw them (BGP; the window's white
// is kShownWhite, since every window pixel covers what lies beneath), shaded once per
// tile when decoded so that those layers take eight
// finished pixels per map column. Filled in only for the tiles each layer uses on the
// current line.
uint8_t backgroundTilePixels[kTileCount][8];
uint8_t windowTilePixels[kTileCount][8];
// Background marks come first, so the first entries of markedTiles are exactly the
// background's distinct tiles.
int backgroundTileCount = 0;

// A row of a tile map turned into tile indexes: the map bytes and numbering it was
// made from, the tile of each column and the row's distinct tiles in the order first
// seen. The map row of the last line is usually the same one (eight lines share it)
// or holds the same bytes, so it is turned again only when its bytes or LCDC's
// numbering differ.
template <int Columns>
struct MapRowTiles {
    uint8_t numbers[Columns];
    bool unsignedNumbering = false;
    bool made = false;
    uint16_t tiles[Columns];
    uint16_t distinct[Columns];
    int distinctCount = 0;
};
MapRowTiles<32> backgroundRow;  // all 32 columns, whatever SCX is
MapRowTiles<20> windowRow;      // columns 0 to 19
// The OAM entries drawn on this line: bit i for entry i.
uint64_t lineSprites = 0;
// The handheld looks at no more than ten sprites per line.
constexpr int kMaxSpritesPerLine = 10;

constexpr uint16_t kOamIndex = 0x1E00;
constexpr uint8_t kLcdOn = 0x80, kWindowMap = 0x40, kWindowOn = 0x20, kUnsignedTiles = 0x10,
                  kBackgroundMap = 0x08, kTallSprites = 0x04, kSpritesOn = 0x02,
                  kBackgroundOn = 0x01;
constexpr uint8_t kYFlip = 0x40, kXFlip = 0x20, kSecondPalette = 0x10;

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
// not 0 and 0 for colour 0: the pixels a sprite draws. Colour 0 is a sprite's only
// transparent colour, whatever shade its palette gives it.
constexpr std::array<std::array<uint8_t, 4>, 256> kOpaqueQuad = [] {
    std::array<std::array<uint8_t, 4>, 256> table{};
    for (int quad = 0; quad < 256; ++quad) {
        for (int k = 0; k < 4; ++k) table[quad][k] = ((quad >> (6 - 2 * k)) & 3) ? 0xFF : 0;
    }
    return table;
}();

// The layer pixels of every group of four packed colour numbers under one palette
// register: colour v is drawn as ShadeTable[(palette >> 2v) & 3], except that shade 0
// becomes `white`. The background draws ShadeTable's own white; the sprite and window
// layers draw kShownWhite, which keyed copies do not pass over. A table is built again
// only when its palette register has changed since the last line that used it.
struct QuadShades {
    uint8_t pixels[256][4];
    int palette = -1;  // the register value the table was built for, -1 before any
};
QuadShades backgroundShades, windowShades, spriteShades[2];  // sprites: OBP0, OBP1

const QuadShades& shadesFor(QuadShades& table, uint8_t palette, uint8_t white) {
    if (table.palette == palette) return table;
    uint8_t shades[4];
    for (int colour = 0; colour < 4; ++colour) {
        const int shade = (palette >> (2 * colour)) & 3;
        shades[colour] = shade == 0 ? white : ShadeTable[shade];
    }
    for (int quad = 0; quad < 256; ++quad) {
        for (int k = 0; k < 4; ++k) table.pixels[quad][k] = shades[(quad >> (6 - 2 * k)) & 3];
    }
    table.palette = palette;
    return table;
}

// The eight pixels of a decoded tile row, leftmost first.
inline void putTileRow(uint8_t* out, uint16_t packed, const QuadShades& shades) {
    std::memcpy(out, shades.pixels[packed >> 8], 4);
    std::memcpy(out + 4, shades.pixels[packed & 0xFF], 4);
}

uint8_t io(uint16_t index) {
    return machine.HighPage[index];
}

// Map tile numbers 0-127 use the upper block (0x9000) unless LCDC selects unsigned
// numbering from 0x8000.
uint16_t mapTileIndex(uint8_t number, uint8_t lcdc) {
    return (number >= 128 || (lcdc & kUnsignedTiles)) ? number : 256 + number;
}

inline void markTile(uint16_t tile, uint8_t mark) {
    markedTiles[markedCount] = tile;
    markedCount += TileMarks[tile] == 0;  // listed only the first time
    TileMarks[tile] = mark;
}

// Compares a few bytes eight (then four) at a time.
template <int Count>
bool sameBytes(const uint8_t* a, const uint8_t* b) {
    uint64_t differ = 0;
    int i = 0;
    for (; i + 8 <= Count; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        differ |= x ^ y;
    }
    if (i + 4 <= Count) {
        uint32_t x, y;
        std::memcpy(&x, a + i, 4);
        std::memcpy(&y, b + i, 4);
        differ |= x ^ y;
        i += 4;
    }
    for (; i < Count; ++i) differ |= a[i] ^ b[i];
    return differ == 0;
}

template <int Columns>
const MapRowTiles<Columns>& mapRowTiles(MapRowTiles<Columns>& row, bool highMap, int mapRow,
                                        uint8_t lcdc) {
    const uint8_t* map = machine.VideoRam + (highMap ? 0x1C00 : 0x1800) + 32 * mapRow;
    const bool unsignedNumbering = lcdc & kUnsignedTiles;
    if (row.made && row.unsignedNumbering == unsignedNumbering &&
        sameBytes<Columns>(row.numbers, map)) {
        return row;
    }
    uint64_t seen[kTileCount / 64] = {};
    row.distinctCount = 0;
    for (int column = 0; column < Columns; ++column) {
        const uint16_t tile = mapTileIndex(map[column], lcdc);
        row.tiles[column] = tile;
        const uint64_t bit = uint64_t{1} << (tile % 64);
        if (!(seen[tile / 64] & bit)) row.distinct[row.distinctCount++] = tile;
        seen[tile / 64] |= bit;
    }
    std::memcpy(row.numbers, map, Columns);
    row.unsignedNumbering = unsignedNumbering;
    row.made = true;
    return row;
}

// Marks every tile of a map row; marking each distinct tile once marks them all.
template <int Columns>
void markMapRow(const MapRowTiles<Columns>& row, uint8_t mark) {
    for (int i = 0; i < row.distinctCount; ++i) markTile(row.distinct[i], mark);
}

// Bit i set for each OAM entry i drawn on the line. The handheld picks the first ten
// entries in OAM order whose rows cover the line, Y <= spriteLine < Y + height,
// wherever they stand across; of those, a sprite with X of 7 or less is not drawn
// at all, yet it still takes its place among the ten.
uint64_t spritesOnLine(int spriteLine, int height) {
    const uint8_t* oam = machine.HighPage + kOamIndex;
    uint64_t found = 0;
#if defined(__SSE2__)
    // Sixteen bytes hold four entries, which byte arithmetic looks at together.
    // spriteLine runs from 16 to 159, so spriteLine - Y taken modulo 256 is below the
    // height exactly when the sprite covers the line. Each entry's answer is kept as
    // 0 or 255 in its 32 bits, and four groups are packed into one byte per entry.
    const __m128i line = _mm_set1_epi8(static_cast<char>(spriteLine));
    const __m128i lastRow = _mm_set1_epi8(static_cast<char>(height - 1));
    const __m128i yBytes = _mm_set1_epi32(0xFF);
    auto covering = [&](int group) {
        if (group >= 10) return _mm_setzero_si128();
        const __m128i entries = _mm_loadu_si128(reinterpret_cast<const __m128i*>(oam + 16 * group));
        const __m128i row = _mm_sub_epi8(line, entries);  // in each entry's Y byte
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
    // The first ten that cover the line are checked for X one by one.
    uint64_t drawn = 0;
    int taken = 0;
    for (uint64_t candidates = found; candidates != 0 && taken < kMaxSpritesPerLine;
         candidates &= candidates - 1, ++taken) {
        const int i = std::countr_zero(candidates);
        if (oam[4 * i + 1] > 7) drawn |= uint64_t{1} << i;
    }
    return drawn;
}

// Decodes one row of each marked tile, the row of whoever marked it last, and clears
// the marks. Every tile the window uses keeps the window's mark, since the window
// marks last.
void decodeMarkedRows(uint8_t bgp) {
    const QuadShades& backgroundShading = shadesFor(backgroundShades, bgp, ShadeTable[0]);
    const QuadShades& windowShading = shadesFor(windowShades, bgp, kShownWhite);
    for (int i = 0; i < markedCount; ++i) {
        const uint16_t tile = markedTiles[i];
        const uint8_t mark = TileMarks[tile];
        const uint8_t* planes = machine.VideoRam + 16 * tile + 2 * markRows[mark];
        const uint16_t packed =
            static_cast<uint16_t>(kSpreadPlane[planes[0]] | (kSpreadPlane[planes[1]] << 1));
        TileRowCache[tile] = packed;
        if (i < backgroundTileCount) {
            putTileRow(backgroundTilePixels[tile], packed, backgroundShading);
        }
        if (mark == kWindowMark) putTileRow(windowTilePixels[tile], packed, windowShading);
        TileMarks[tile] = 0;
    }
    markedCount = 0;
}

uint8_t* openRow(Surface* layer, int y, int width) {
    int pitch = 0;
    return display.lock(layer, {0, y, width, y + 1}, &pitch);
}

void drawBackgroundLine(uint8_t* row) {
#pragma GCC unroll 8
    for (int m = 0; m < 32; ++m) {
        std::memcpy(row + 8 * m, backgroundTilePixels[backgroundRow.tiles[m]], 8);
    }
}

void drawWindowLine(uint8_t* row) {
#pragma GCC unroll 4
    for (int m = 0; m < 20; ++m) {
        std::memcpy(row + 8 * m, windowTilePixels[windowRow.tiles[m]], 8);
    }
}

// Sprites are drawn from back to front into a line of their own, eight columns wider
// than the screen so that a sprite at the right edge needs no cutting, then copied
// into the layer row. Where sprites overlap, the one with the smaller X is in front,
// the lower OAM entry when X is equal; only colour 0 lets what lies beneath through.
void drawSpriteLine(uint8_t* row, int ly, uint8_t lcdc, uint8_t obp0, uint8_t obp1) {
    const int spriteLine = ly + 16;
    const bool tall = lcdc & kTallSprites;
    const uint8_t* oam = machine.HighPage + kOamIndex;

    // Back to front: larger X first, the higher entry first at equal X. Entries come
    // in rising OAM order, so each goes in after those standing further right.
    uint8_t order[kMaxSpritesPerLine];
    int count = 0;
    for (uint64_t sprites = lineSprites; sprites != 0; sprites &= sprites - 1) {
        const auto i = static_cast<uint8_t>(std::countr_zero(sprites));
        int at = count++;
        while (at > 0 && oam[4 * order[at - 1] + 1] <= oam[4 * i + 1]) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = i;
    }

    if (count == 0) {
        std::memset(row, LAYER_KEY, kScreenWidth);
        return;
    }
    const QuadShades* shades[2] = {&shadesFor(spriteShades[0], obp0, kShownWhite),
                                   &shadesFor(spriteShades[1], obp1, kShownWhite)};
    uint8_t line[kScreenWidth + 8];
    std::memset(line, LAYER_KEY, sizeof line);
    for (int s = 0; s < count; ++s) {
        const uint8_t* entry = oam + 4 * order[s];
        // X > 7, so the sprite starts on the line; one from column 160 on is not seen.
        const int left = entry[1] - 8;
        if (left >= kScreenWidth) continue;
        const int number = entry[2];
        const uint8_t attributes = entry[3];
        // A tall sprite is the pair of tiles T & 0xFE (top) and T | 1 (bottom), whatever
        // bit 0 of its number says; flipped upside down, the bottom tile comes on top.
        int tile = number;
        if (tall) {
            const bool upper = spriteLine < entry[0] + 8;
            tile = upper != static_cast<bool>(attributes & kYFlip) ? (number & 0xFE) : (number | 1);
        }
        uint16_t packed = TileRowCache[tile];
        if (packed == 0) continue;  // all colour 0
        if (attributes & kXFlip) packed = mirroredRow(packed);

        uint8_t pixels[8], opaque[8];
        putTileRow(pixels, packed, *shades[(attributes & kSecondPalette) ? 1 : 0]);
        std::memcpy(opaque, kOpaqueQuad[packed >> 8].data(), 4);
        std::memcpy(opaque + 4, kOpaqueQuad[packed & 0xFF].data(), 4);
        uint64_t drawn, mask, beneath;
        std::memcpy(&drawn, pixels, 8);
        std::memcpy(&mask, opaque, 8);
        std::memcpy(&beneath, line + left, 8);
        beneath = (beneath & ~mask) | (drawn & mask);
        std::memcpy(line + left, &beneath, 8);
    }
    std::memcpy(row, line, kScreenWidth);
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
    // Rows not drawn yet let what lies beneath show, as switched-off layers do.
    display.fillRect(SpriteLayer, LAYER_KEY, 0, 0, kScreenWidth, kScreenHeight);
    display.fillRect(WindowLayer, LAYER_KEY, 0, 0, kScreenWidth, kScreenHeight);
    return true;
}

void releaseLayers() {
    display.releaseSurface(BackgroundLayer);
    display.releaseSurface(SpriteLayer);
    display.releaseSurface(WindowLayer);
}

bool renderLine() {
    if (machine.HighPage == nullptr || machine.VideoRam == nullptr) return false;
    const uint8_t lcdc = io(reg::LCDC);
    const int ly = io(reg::LY);
    if (ly >= kScreenHeight || !(lcdc & kLcdOn)) return false;

    const int bgLine = (io(reg::SCY) + ly) & 0xFF;
    const int spriteLine = ly + 16;
    const int spriteHeight = (lcdc & kTallSprites) ? 16 : 8;

    // Marking: background, then sprites, then window.
    if (lcdc & kBackgroundOn) {
        markMapRow(mapRowTiles(backgroundRow, lcdc & kBackgroundMap, bgLine / 8, lcdc),
                   kBackgroundMark);
    }
    backgroundTileCount = markedCount;
    lineSprites = 0;
    if (lcdc & kSpritesOn) {
        lineSprites = spritesOnLine(spriteLine, spriteHeight);
        for (uint64_t sprites = lineSprites; sprites != 0; sprites &= sprites - 1) {
            const int i = std::countr_zero(sprites);
            const uint8_t* entry = machine.HighPage + kOamIndex + 4 * i;
            const uint8_t id = i == 0 ? 1 : static_cast<uint8_t>(4 * i);
            int n = spriteLine - entry[0];  // 0 to 15; the lower tile of a tall sprite from 8
            if (n > 7) n -= 8;
            markRows[id] = static_cast<uint8_t>((entry[3] & kYFlip) ? 7 - n : n);
            if (spriteHeight == 16) {
                markTile(entry[2] & 0xFE, id);
                markTile(entry[2] | 1, id);
            } else {
                markTile(entry[2], id);
            }
        }
    }
    if (lcdc & kWindowOn) {
        markMapRow(mapRowTiles(windowRow, lcdc & kWindowMap, ly / 8, lcdc), kWindowMark);
    }

    // Decoding: one row per marked tile. From here on the marks are clear, even when
    // a row cannot be opened below.
    markRows[kBackgroundMark] = static_cast<uint8_t>(bgLine % 8);
    markRows[kWindowMark] = static_cast<uint8_t>(ly % 8);
    decodeMarkedRows(io(reg::BGP));

    if (lcdc & kBackgroundOn) {
        uint8_t* row = openRow(BackgroundLayer, bgLine, 256);
        if (row == nullptr) return false;
        drawBackgroundLine(row);
        display.unlock(BackgroundLayer);
    }
    if (lcdc & kSpritesOn) {
        uint8_t* row = openRow(SpriteLayer, ly, kScreenWidth);
        if (row == nullptr) return false;
        drawSpriteLine(row, ly, lcdc, io(reg::OBP0), io(reg::OBP1));
        display.unlock(SpriteLayer);
    }
    if (lcdc & kWindowOn) {
        uint8_t* row = openRow(WindowLayer, ly, kScreenWidth);
        if (row == nullptr) return false;
        drawWindowLine(row);
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
    const uint8_t lcdc = io(reg::LCDC);

    display.clearBack(kClearIndex);

    // The background is the whole 256 x 256 map; the 160 x 144 view into it wraps
    // round at the right and bottom, so it takes up to four copies. It is shown even
    // while switched off: the last image drawn stays.
    const int scx = io(reg::SCX);
    const int scy = io(reg::SCY);
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

    // Window column c lands on screen column c + WX - 7 and row r on r + WY; what
    // falls off the game screen is cut from the source rectangle.
    const int wx = io(reg::WX);
    const int wy = io(reg::WY);
    if ((lcdc & kWindowOn) && wx < kScreenWidth && wy < kScreenHeight) {
        const int screenX = wx - 7;
        const int sourceLeft = std::max(0, -screenX);
        const int sourceRight = std::min(kScreenWidth, kScreenWidth - screenX);
        const int sourceBottom = kScreenHeight - wy;
        display.blitToBack({left + (screenX + sourceLeft) * z, top + wy * z,
                            left + (screenX + sourceRight) * z, bottom},
                           WindowLayer, {sourceLeft, 0, sourceRight, sourceBottom}, true);
    }

    // Sprites are drawn over the window as well as over the background.
    if (lcdc & kSpritesOn) {
        display.blitToBack({left, top, right, bottom}, SpriteLayer,
                           {0, 0, kScreenWidth, kScreenHeight}, true);
    }

    ++framesThisSecond;
    display.drawNumber(fpsShown, 0, 0);
    display.present();
}
