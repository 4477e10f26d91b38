// The renderer against a plain model of the handheld's line drawing, pixel by pixel,
// on many random scenes: every scroll and window position, the window's own line
// count, sprites of both heights with every flip, both palettes and either side of
// the background, crowded lines and overlaps, all the palette and map choices, and
// registers that change from line to line. The model takes each rule the slow and
// obvious way, so that the renderer's tables and line buffers can be checked
// against it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "machine_video_fixture.h"

namespace {

constexpr uint8_t kSentinel = 42;  // in no palette: a pixel the renderer did not write

uint8_t reg(uint16_t address) {
    return machine.HighPage[ioIndex(address)];
}

int mapTile(uint8_t number, uint8_t lcdc) {
    return (number >= 128 || (lcdc & 0x10)) ? number : 256 + number;
}

int colourAt(int tile, int row, int k) {
    const uint8_t low = machine.VideoRam[16 * tile + 2 * row];
    const uint8_t high = machine.VideoRam[16 * tile + 2 * row + 1];
    return (((high >> (7 - k)) & 1) << 1) | ((low >> (7 - k)) & 1);
}

uint8_t shade(uint8_t palette, int colour) {
    return ShadeTable[(palette >> (2 * colour)) & 3];
}

struct ModelLine {
    uint8_t pixels[160];
};

// What the renderer should draw for line LY with the machine as it stands, one
// pixel at a time.
ModelLine modelLine() {
    ModelLine line;
    const uint8_t lcdc = reg(0xFF40);
    const int ly = reg(0xFF44);
    const int spriteLine = ly + 16;
    const int height = (lcdc & 0x04) ? 16 : 8;
    const uint8_t* oam = machine.HighPage.data() + 0x1E00;
    const uint8_t* backgroundMap = machine.VideoRam.data() + ((lcdc & 0x08) ? 0x1C00 : 0x1800);
    const uint8_t* windowMap = machine.VideoRam.data() + ((lcdc & 0x40) ? 0x1C00 : 0x1800);
    const int wx = reg(0xFF4B);
    const bool window = (lcdc & 0x21) == 0x21 && machine.windowYReached && wx <= 166;
    const int windowRow = (machine.windowLinesShown + 255) % 256;

    // The first ten entries whose rows cover the line, whatever their X.
    bool onLine[40] = {};
    for (int i = 0, covering = 0; i < 40 && covering < 10; ++i) {
        const uint8_t* e = oam + 4 * i;
        if (e[0] <= spriteLine && spriteLine < e[0] + height) {
            ++covering;
            onLine[i] = true;
        }
    }

    for (int x = 0; x < 160; ++x) {
        int colour = 0;
        line.pixels[x] = ShadeTable[0];
        if (lcdc & 0x01) {
            if (window && x >= wx - 7) {
                const int column = x - (wx - 7);
                colour = colourAt(mapTile(windowMap[32 * (windowRow / 8) + column / 8], lcdc),
                                  windowRow % 8, column % 8);
            } else {
                const int mapX = (reg(0xFF43) + x) % 256, mapY = (reg(0xFF42) + ly) % 256;
                colour = colourAt(mapTile(backgroundMap[32 * (mapY / 8) + mapX / 8], lcdc),
                                  mapY % 8, mapX % 8);
            }
            line.pixels[x] = shade(reg(0xFF47), colour);
        }
        if (!(lcdc & 0x02)) continue;
        // The sprite in front here that is not colour 0: the smallest X, then the
        // lowest entry.
        int front = -1, frontColour = 0;
        for (int i = 0; i < 40; ++i) {
            const uint8_t* e = oam + 4 * i;
            const int j = x - (e[1] - 8);
            if (!onLine[i] || j < 0 || j > 7 || (front >= 0 && e[1] >= oam[4 * front + 1]))
                continue;
            const bool yFlip = e[3] & 0x40, xFlip = e[3] & 0x20;
            const int n = spriteLine - e[0];
            int tile = e[2];
            if (height == 16) tile = (n < 8) != yFlip ? (tile & 0xFE) : (tile | 1);
            const int c = colourAt(tile, yFlip ? 7 - n % 8 : n % 8, xFlip ? 7 - j : j);
            if (c == 0) continue;
            front = i;
            frontColour = c;
        }
        if (front < 0) continue;
        const uint8_t attributes = oam[4 * front + 3];
        if ((attributes & 0x80) && colour != 0) continue;  // kept behind the background
        line.pixels[x] = shade(reg((attributes & 0x10) ? 0xFF49 : 0xFF48), frontColour);
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

    // Fills screen line LY with a value no palette gives, draws it and compares every
    // pixel with the model.
    static void expectModelLine() {
        const ModelLine want = modelLine();
        const int ly = reg(0xFF44);
        display.fillRect(ScreenLayer, kSentinel, 0, ly, 160, 1);
        ASSERT_TRUE(renderLine());
        uint8_t got[160];
        screenRow(ly, got);
        for (int x = 0; x < 160; ++x) ASSERT_EQ(got[x], want.pixels[x]) << "pixel " << x;
    }
};

TEST_F(RendererModelTest, RandomScenesMatchTheModelLineByLine) {
    for (int scene = 0; scene < 40; ++scene) {
        randomScene();
        for (int ly = 0; ly < 144; ++ly) {
            randomRegisters();
            io(0xFF44) = static_cast<uint8_t>(ly);
            machine.windowYReached = next(4) != 0;
            machine.windowLinesShown = static_cast<uint8_t>(1 + next(144));
            // The program changes a tile row or a map entry of this line between lines.
            if (next(8) == 0) machine.VideoRam[next(0x1800)] = static_cast<uint8_t>(next(256));
            if (next(8) == 0) {
                const int mapRow = next(2) ? ((io(0xFF42) + ly) & 0xFF) / 8 : ly / 8;
                machine.VideoRam[0x1800 + 0x400 * next(2) + 32 * mapRow + next(32)] =
                    static_cast<uint8_t>(next(256));
            }
            SCOPED_TRACE("scene " + std::to_string(scene) + " line " + std::to_string(ly) +
                         " LCDC " + std::to_string(io(0xFF40)));
            expectModelLine();
        }
    }
}

// Forty sprites crowd one line, all of one tile (or tall pair) over a background
// of the same few tiles: only the first ten count, the one with the smallest X is
// in front, and each shows its own row of the shared tile.
TEST_F(RendererModelTest, CrowdedLinesOfOneSharedTile) {
    randomScene();
    for (int round = 0; round < 64; ++round) {
        for (int s = 0; s < 40; ++s) {
            setSprite(s, static_cast<uint8_t>(16 + 60 - next(16)), static_cast<uint8_t>(next(200)),
                      static_cast<uint8_t>(100 + next(2)), static_cast<uint8_t>(next(16) << 4));
        }
        for (int i = 0x1800; i < 0x2000; ++i) {
            machine.VideoRam[i] = static_cast<uint8_t>(100 + next(3));
        }
        io(0xFF40) = static_cast<uint8_t>(0x80 | 0x10 | next(128));
        io(0xFF42) = static_cast<uint8_t>(next(256));
        io(0xFF44) = 60;
        SCOPED_TRACE("round " + std::to_string(round));
        expectModelLine();
    }
}

}  // namespace
