#include "renderer_cartridge.h"

#include <cstdio>

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

copy:
    ld a, b
    or c
    ret z
    ld a, (hl+)
    ld (de), a
    inc de
    dec bc
    jr copy

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
    for (const SpriteEntry& s : scene.sprites) {
        char line[64];
        std::snprintf(line, sizeof line, "    db %d, %d, %d, %d\n", s.y, s.x, s.tile, s.attributes);
        source += line;
    }
    source += "oamEnd:\n";
    return source;
}
