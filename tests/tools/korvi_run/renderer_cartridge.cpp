#include "renderer_cartridge.h"

#include <algorithm>
#include <cstdio>

const char* const kCopyRoutine = R"(
copy:                       ; BC bytes from HL on to DE on
    ld a, b
    or c
    ret z
    ld a, (hl+)
    ld (de), a
    inc de
    dec bc
    jr copy
)";

namespace {

const char* const kProgram = R"(
header type=0, rom=0, ram=0
org $100
    nop
    jp start
org $150
start:
    xor a
    ldh ($40), a            ; LCD off while video RAM is filled
    ld hl, tiles
    ld de, $8000
    ld bc, tilesEnd - tiles
    call copy
    ld hl, oam
    ld de, $FE00
    ld bc, oamEnd - oam
    call copy

    ; Background: checker of tiles 1 and 2, tile 3 along map row 0 and column 0.
    ld hl, $9800
    ld d, 0
bgRow:
    ld e, 0
bgColumn:
    ld a, d
    and a
    jr z, bgEdge
    ld a, e
    and a
    jr z, bgEdge
    ld a, d
    add a, e
    and 1
    inc a
    jr bgPut
bgEdge:
    ld a, 3
bgPut:
    ld (hl+), a
    inc e
    ld a, e
    cp 32
    jr nz, bgColumn
    inc d
    ld a, d
    cp 32
    jr nz, bgRow

    ; Window: open boxes (tile 4), crosses (tile 5) in the corners of the screen.
    ld hl, $9C00
    ld bc, 1024
windowFill:
    ld a, 4
    ld (hl+), a
    dec bc
    ld a, b
    or c
    jr nz, windowFill
    ld a, 5
    ld ($9C00), a
    ld ($9C13), a
    ld ($9E20), a
    ld ($9E33), a

    ld a, BGP
    ldh ($47), a
    ld a, $D2
    ldh ($48), a
    ld a, $1B
    ldh ($49), a
    ld a, SCX
    ldh ($43), a
    ld a, SCY
    ldh ($42), a
    ld a, WX
    ldh ($4B), a
    ld a, WY
    ldh ($4A), a
)";

// With raster writes, the LY=LYC interrupt is switched on before the LCD.
const char* const kRasterStart = R"(
    ld a, low(rasterTable)
    ldh ($80), a
    ld a, (rasterTable)
    ldh ($45), a            ; LYC: the line before the first write
    ld a, $40
    ldh ($41), a            ; STAT interrupt on LY=LYC only
    ld a, $02
    ldh ($FF), a
    xor a
    ldh ($0F), a
    ei
)";

const char* const kProgramEnd = R"(
    ld a, LCDC
    ldh ($40), a

    ld b, 3
waitFrame:
    ldh a, ($44)
    cp 144
    jr nz, waitFrame
waitLeave:
    ldh a, ($44)
    cp 144
    jr z, waitLeave
    dec b
    jr nz, waitFrame
    ld a, LCDC_LATER
    ldh ($40), a
forever:
    jr forever
)";

const char* const kTiles = R"(
tiles:
    ds 16                                                           ; 0: colour 0
    db $80,$00, $40,$00, $20,$FF, $10,$00, $08,$00, $04,$FF, $02,$00, $01,$00 ; 1
    db $00,$FF, $00,$FF, $00,$FF, $18,$E7, $18,$E7, $00,$FF, $00,$FF, $00,$FF ; 2
    db $FF,$FF, $FF,$FF, $E7,$E7, $C3,$C3, $C3,$C3, $E7,$E7, $FF,$FF, $FF,$FF ; 3
    db $FF,$00, $81,$00, $81,$00, $81,$00, $81,$00, $81,$00, $81,$00, $FF,$00 ; 4
    db $81,$81, $42,$42, $24,$24, $18,$18, $18,$18, $24,$24, $42,$42, $81,$81 ; 5
    db $FE,$FE, $C0,$C0, $C0,$C0, $FC,$FC, $C0,$C0, $C0,$C0, $C0,$C0, $00,$00 ; 6: F
    db $7F,$7F, $FF,$0F, $FF,$FF, $FF,$FF, $FF,$FF, $FF,$FF, $FF,$FF, $FF,$FF ; 7: block
    db $00,$FF, $00,$FF, $00,$18, $00,$18, $00,$18, $00,$18, $00,$18, $00,$18 ; 8: T
    db $FC,$FC, $C6,$C6, $C6,$C6, $FC,$FC, $C6,$C6, $C6,$C6, $FC,$FC, $00,$00 ; 9: B
tilesEnd:
oam:
)";

// The LY=LYC handler, in two parts around an optional wait. The interrupt comes as
// a line begins; the handler waits for that line's horizontal blank
// (kWaitForBlank), so that a write never lands while a line is being sent to the
// screen and the next line is the first to show it; or, for writes at the line's
// start, it writes at once. The table holds three bytes a write: the line whose
// interrupt makes it, the register's low address byte and the value, ordered by line
// and ended by $FF. HRAM $80 keeps the low address byte of the next entry, so a
// request repeated on a line already served finds another line there and does
// nothing. After the line's writes LYC moves to the next line in the table, back to
// its first line after the last.
const char* const kRasterHandlerEntry = R"(
org $48
    push af
    push bc
    push hl
    ldh a, ($80)
    ld l, a
    ld h, high(rasterTable)
    ldh a, ($44)
    cp (hl)
    jr nz, rasterDone
    ld b, a
)";

const char* const kWaitForBlank = R"(rasterWaitBlank:
    ldh a, ($41)            ; the line is drawn once mode 0 begins
    and 3
    jr nz, rasterWaitBlank
)";

const char* const kRasterHandlerWrites = R"(rasterWrite:
    inc hl
    ld c, (hl)
    inc hl
    ld a, (hl+)
    ldh (c), a
    ld a, (hl)
    cp b
    jr z, rasterWrite
    inc a
    jr nz, rasterNext
    ld l, low(rasterTable)
rasterNext:
    ld a, l
    ldh ($80), a
    ld a, (hl)
    ldh ($45), a
rasterDone:
    pop hl
    pop bc
    pop af
    reti
)";

// The table of a scene's raster writes (see kRasterHandlerEntry), at most 85 of them so
// that it fits in the one page the handler addresses.
std::string rasterTable(const std::vector<RasterWrite>& writes, bool atLineStart) {
    struct Entry {
        int waitLine;
        RasterWrite write;
    };
    std::vector<Entry> entries;
    for (const RasterWrite& w : writes)
        entries.push_back({atLineStart ? w.line : (w.line + 143) % 144, w});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.waitLine < b.waitLine; });
    // The handler needs LYC to move to another line after each line's writes; when
    // all fall on one line, a write to the unused HRAM byte $81 on another line does.
    if (entries.front().waitLine == entries.back().waitLine)
        entries.push_back({(entries.front().waitLine + 72) % 144, {0, 0x81, 0}});
    std::string table = "align 256\nrasterTable:\n";
    for (const Entry& e : entries) {
        char line[64];
        std::snprintf(line, sizeof line, "    db %d, $%02X, $%02X\n", e.waitLine, e.write.reg,
                      e.write.value);
        table += line;
    }
    return table + "    db $FF\n";
}

}  // namespace

std::string rendererCartridgeSource(const RendererScene& scene) {
    char constants[256];
    std::snprintf(constants, sizeof constants,
                  "SCX equ %d\nSCY equ %d\nWX equ %d\nWY equ %d\nLCDC equ %d\nLCDC_LATER equ "
                  "%d\nBGP equ %d\n",
                  scene.scx, scene.scy, scene.wx, scene.wy, scene.lcdc,
                  scene.lcdcLater < 0 ? scene.lcdc : scene.lcdcLater, scene.bgp);
    std::string source = constants;
    source += kProgram;
    if (!scene.raster.empty()) source += kRasterStart;
    source += kProgramEnd;
    source += kCopyRoutine;
    source += kTiles;
    for (const SpriteEntry& s : scene.sprites) {
        char line[64];
        std::snprintf(line, sizeof line, "    db %d, %d, %d, %d\n", s.y, s.x, s.tile, s.attributes);
        source += line;
    }
    source += "oamEnd:\n";
    if (!scene.raster.empty()) {
        source += rasterTable(scene.raster, scene.rasterAtLineStart);
        source += kRasterHandlerEntry;
        if (!scene.rasterAtLineStart) source += kWaitForBlank;
        source += kRasterHandlerWrites;
    }
    return source;
}
