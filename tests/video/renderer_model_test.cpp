// The renderer against a plain model of the handheld's line drawing, pixel by pixel,
// on many random scenes: tiles shared between the background, sprites and the
// window, sprites of both heights with every flip and both palettes, crowded lines
// and overlaps, all the palette and map choices, and registers that change from
// line to line. The model takes each rule the slow
// and obvious way, so that the renderer's tables and tile lists can be checked
// against it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "machine_video_fixture.h"

namespace {

constexpr uint8_t kSentinel = 42;  // in no palette: a pixel the renderer did not write

struct ModelLine {
    bool background = false, sprites = false, window = false;
    uint8_t backgroundRow[256];
    uint8_t spriteRow[160];
    uint8_t windowRow[160];
};

uint8_t reg(uint16_t address) {
    return machine.HighPage[ioIndex(address)];
}

int mapTile(uint8_t number, uint8_t lcdc) {
    return (number >= 128 || (lcdc & 0x10)) ? number : 256 + number;
}

// What the renderer should write for line LY with the machine as it stands.
ModelLine modelLine() {
    ModelLine line;
    const uint8_t lcdc = reg(0xFF40);
    const int ly = reg(0xFF44);
    const int bgLine = (reg(0xFF42) + ly) & 0xFF;
    const int spriteLine = ly + 16;
    const int height = (lcdc & 0x04) ? 16 : 8;
    const uint8_t* oam = machine.HighPage + 0x1E00;
    const uint8_t* backgroundMap = machine.VideoRam + ((lcdc & 0x08) ? 0x1C00 : 0x1800);
    const uint8_t* windowMap = machine.VideoRam + ((lcdc & 0x40) ? 0x1C00 : 0x1800);
    line.background = lcdc & 0x01;
    line.sprites = lcdc & 0x02;
    line.window = lcdc & 0x20;

    // Who last asked for each tile: -1 nobody, 255 background, 254 window, else the
    // sprite's OAM offset.
    int marks[384];
    for (int& mark : marks) mark = -1;
    // The first ten entries whose rows cover the line count, X aside; those with
    // X > 7 are drawn.
    bool onLine[40] = {};
    for (int i = 0, covering = 0; i < 40 && covering < 10; ++i) {
        const uint8_t* e = oam + 4 * i;
        if (e[0] <= spriteLine && spriteLine < e[0] + height) {
            ++covering;
            onLine[i] = e[1] > 7;
        }
    }
    if (line.background) {
        for (int m = 0; m < 32; ++m)
            marks[mapTile(backgroundMap[32 * (bgLine / 8) + m], lcdc)] = 255;
    }
    if (line.sprites) {
        for (int i = 0; i < 40; ++i) {
            if (!onLine[i]) continue;
            if (height == 16) {
                marks[oam[4 * i + 2] & 0xFE] = 4 * i;
                marks[oam[4 * i + 2] | 1] = 4 * i;
            } else {
                marks[oam[4 * i + 2]] = 4 * i;
            }
        }
    }
    if (line.window) {
        for (int m = 0; m < 20; ++m) marks[mapTile(windowMap[32 * (ly / 8) + m], lcdc)] = 254;
    }
    auto rowOf = [&](int tile) {
        const int mark = marks[tile];
        if (mark == 255) return bgLine % 8;
        if (mark == 254) return ly % 8;
        const uint8_t* e = oam + mark;
        int n = spriteLine - e[0];
        if (n > 7) n -= 8;
        return (e[3] & 0x40) ? 7 - n : n;
    };
    auto colour = [&](int tile, int k) {
        const int row = rowOf(tile);
        const uint8_t low = machine.VideoRam[16 * tile + 2 * row];
        const uint8_t high = machine.VideoRam[16 * tile + 2 * row + 1];
        return (((high >> (7 - k)) & 1) << 1) | ((low >> (7 - k)) & 1);
    };
    auto shade = [](uint8_t palette, int c) { return ShadeTable[(palette >> (2 * c)) & 3]; };
    // Sprites and the window draw white as an index of its own.
    auto drawnShade = [&](uint8_t palette, int c) {
        const uint8_t s = shade(palette, c);
        return s == ShadeTable[0] ? kShownWhite : s;
    };

    if (line.background) {
        for (int x = 0; x < 256; ++x) {
            const int tile = mapTile(backgroundMap[32 * (bgLine / 8) + x / 8], lcdc);
            line.backgroundRow[x] = shade(reg(0xFF47), colour(tile, x % 8));
        }
    }
    if (line.sprites) {
        // Each pixel from the sprite in front that is not colour 0 there: the smallest
        // X, then the lowest entry.
        for (int x = 0; x < 160; ++x) {
            line.spriteRow[x] = LAYER_KEY;
            int frontX = 256;
            for (int i = 0; i < 40; ++i) {
                const uint8_t* e = oam + 4 * i;
                const int j = x - (e[1] - 8);
                if (!onLine[i] || j < 0 || j > 7 || e[1] >= frontX) continue;
                const bool yFlip = e[3] & 0x40, xFlip = e[3] & 0x20;
                const bool upper = spriteLine < e[0] + 8;
                int tile = e[2];
                if (height == 16) tile = upper != yFlip ? (tile & 0xFE) : (tile | 1);
                const int c = colour(tile, xFlip ? 7 - j : j);
                if (c == 0) continue;
                line.spriteRow[x] = drawnShade(reg((e[3] & 0x10) ? 0xFF49 : 0xFF48), c);
                frontX = e[1];
            }
        }
    }
    if (line.window) {
        for (int x = 0; x < 160; ++x) {
            const int c = colour(mapTile(windowMap[32 * (ly / 8) + x / 8], lcdc), x % 8);
            line.windowRow[x] = drawnShade(reg(0xFF47), c);
        }
    }
    return line;
}

class RendererModelTest : public MachineVideoTest {
protected:
    uint32_t seed_ = 1;
    uint32_t next(uint32_t below) {
        seed_ = seed_ * 1664525u + 1013904223u;
        return (seed_ >> 8) % below;
    }

    // Tile data at random; maps and sprites draw from a small pool of tile numbers so
    // that layers keep meeting on the same tiles.
    void randomScene() {
        for (int i = 0; i < 0x1800; ++i) machine.VideoRam[i] = static_cast<uint8_t>(next(256));
        uint8_t pool[6];
        for (uint8_t& n : pool) n = static_cast<uint8_t>(next(256));
        for (int i = 0x1800; i < 0x2000; ++i) {
            machine.VideoRam[i] = next(3) == 0 ? static_cast<uint8_t>(next(256)) : pool[next(6)];
        }
        for (int s = 0; s < 40; ++s) {
            const uint8_t tile = next(2) ? pool[next(6)] : static_cast<uint8_t>(next(256));
            setSprite(s, static_cast<uint8_t>(next(4) ? 10 + next(150) : next(256)),
                      static_cast<uint8_t>(next(4) ? next(176) : next(256)),
                      next(4) ? static_cast<uint8_t>(tile - next(2)) : tile,
                      static_cast<uint8_t>(next(256)));
        }
    }

    // Registers for the next line; the LCD stays on. Half the lines keep LCDC and SCY,
    // so that lines follow one another down the same map rows, and some of those
    // switch only the tile numbering.
    void randomRegisters() {
        if (next(2) == 0) {
            io(0xFF40) = static_cast<uint8_t>(0x80 | next(128));
            io(0xFF42) = static_cast<uint8_t>(next(256));
        } else if (next(6) == 0) {
            io(0xFF40) ^= 0x10;
        }
        io(0xFF43) = static_cast<uint8_t>(next(256));
        io(0xFF47) = next(2) ? kIdentityPalette : static_cast<uint8_t>(next(256));
        io(0xFF48) = next(2) ? kIdentityPalette : static_cast<uint8_t>(next(256));
        io(0xFF49) = next(2) ? 0x1B : static_cast<uint8_t>(next(256));
        io(0xFF4A) = static_cast<uint8_t>(next(256));
        io(0xFF4B) = static_cast<uint8_t>(next(256));
    }

    // Compares a layer row with the model, or, for a layer that is off, with the
    // sentinel it was filled with.
    static void expectRow(Surface* layer, int y, int width, bool drawn, const uint8_t* want,
                          const char* name) {
        uint8_t got[256];
        layerRow(layer, y, width, got);
        for (int x = 0; x < width; ++x) {
            const uint8_t expected = drawn ? want[x] : kSentinel;
            ASSERT_EQ(got[x], expected) << name << " pixel " << x;
        }
    }
};

TEST_F(RendererModelTest, RandomScenesMatchTheModelLineByLine) {
    for (int scene = 0; scene < 40; ++scene) {
        randomScene();
        for (int ly = 0; ly < 144; ++ly) {
            randomRegisters();
            io(0xFF44) = static_cast<uint8_t>(ly);
            // The program changes a tile row or a map entry of this line between lines.
            if (next(8) == 0) machine.VideoRam[next(0x1800)] = static_cast<uint8_t>(next(256));
            if (next(8) == 0) {
                const int mapRow = next(2) ? ((io(0xFF42) + ly) & 0xFF) / 8 : ly / 8;
                machine.VideoRam[0x1800 + 0x400 * next(2) + 32 * mapRow + next(32)] =
                    static_cast<uint8_t>(next(256));
            }
            const ModelLine want = modelLine();
            const int bgLine = (io(0xFF42) + ly) & 0xFF;
            display.fillRect(BackgroundLayer, kSentinel, 0, bgLine, 256, 1);
            display.fillRect(SpriteLayer, kSentinel, 0, ly, 160, 1);
            display.fillRect(WindowLayer, kSentinel, 0, ly, 160, 1);

            ASSERT_TRUE(renderLine());
            SCOPED_TRACE("scene " + std::to_string(scene) + " line " + std::to_string(ly) +
                         " LCDC " + std::to_string(io(0xFF40)));
            expectRow(BackgroundLayer, bgLine, 256, want.background, want.backgroundRow,
                      "background");
            expectRow(SpriteLayer, ly, 160, want.sprites, want.spriteRow, "sprite");
            expectRow(WindowLayer, ly, 160, want.window, want.windowRow, "window");
        }
    }
}

// Every sprite on one line uses the same tile (or tall pair), so the highest entry
// drawn picks the row for all of them; the window and background then take that
// tile's row over. Forty sprites on the line: only the first ten count.
TEST_F(RendererModelTest, CrowdedLinesOfOneSharedTile) {
    randomScene();
    for (int round = 0; round < 64; ++round) {
        for (int s = 0; s < 40; ++s) {
            setSprite(s, static_cast<uint8_t>(16 + 60 - next(16)), static_cast<uint8_t>(next(200)),
                      static_cast<uint8_t>(100 + next(2)), static_cast<uint8_t>(next(8) << 4));
        }
        for (int i = 0x1800; i < 0x2000; ++i) {
            machine.VideoRam[i] = static_cast<uint8_t>(100 + next(3));
        }
        io(0xFF40) = static_cast<uint8_t>(0x80 | 0x10 | next(128));
        io(0xFF42) = static_cast<uint8_t>(next(256));
        io(0xFF44) = 60;
        const ModelLine want = modelLine();
        ASSERT_TRUE(renderLine());
        SCOPED_TRACE("round " + std::to_string(round));
        const int bgLine = (io(0xFF42) + 60) & 0xFF;
        if (want.background)
            expectRow(BackgroundLayer, bgLine, 256, true, want.backgroundRow, "bg");
        if (want.sprites) expectRow(SpriteLayer, 60, 160, true, want.spriteRow, "sprite");
        if (want.window) expectRow(WindowLayer, 60, 160, true, want.windowRow, "window");
    }
}

}  // namespace
