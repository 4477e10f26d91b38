#include "colour_cartridge.h"

#include "renderer_cartridge.h"

#include <cstdio>

namespace {

const char* const kProgram = R"(
header type=0, rom=0, ram=0, colour=$C0
org $100
    nop
    jp start
org $150
start:
    cp $11                  ; the colour handheld starts with A = $11
    jp nz, notColour
waitBlank:
    ldh a, ($44)
    cp 144
    jr c, waitBlank
    xor a
    ldh ($40), a            ; LCD off while video RAM is filled

    ldh ($4F), a            ; bank 0: tiles and the map
    ld hl, tiles0
    ld de, $8000
    ld bc, tiles0End - tiles0
    call copy
    ld hl, $9800
    ld bc, 1024
mapFill:
    ld a, 1
    ld (hl+), a
    dec bc
    ld a, b
    or c
    jr nz, mapFill
    ld a, 3                 ; the tiles that come by DMA, on row 16
    ld ($9A01), a
    inc a
    ld ($9A02), a
    inc a
    ld ($9A03), a

    ld a, 1
    ldh ($4F), a            ; bank 1: its tiles and the attribute map
    ld hl, tiles1
    ld de, $8000
    ld bc, tiles1End - tiles1
    call copy
    ld hl, attributes
    ld de, $9800
    ld bc, attributesEnd - attributes
    call copy
    xor a
    ldh ($4F), a

    ld a, $80               ; index 0, moving on after each write
    ldh ($68), a
    ld hl, bgPalettes
    ld b, 64
bgPaletteLoop:
    ld a, (hl+)
    ldh ($69), a
    dec b
    jr nz, bgPaletteLoop
    ld a, $80
    ldh ($6A), a
    ld hl, spritePalettes
    ld b, 64
spritePaletteLoop:
    ld a, (hl+)
    ldh ($6B), a
    dec b
    jr nz, spritePaletteLoop

    ld hl, oam
    ld de, $FE00
    ld bc, oamEnd - oam
    call copy

    ld a, $93               ; LCD, tiles at $8000, sprites, background priority
    ldh ($40), a
    ld a, high(dmaTiles)    ; three blocks to tiles 3-5, one per horizontal blank
    ldh ($51), a
    ld a, low(dmaTiles)
    ldh ($52), a
    ld a, $80
    ldh ($53), a
    ld a, $30
    ldh ($54), a
    ld a, $82
    ldh ($55), a
forever:
    jr forever

notColour:
    ld a, $91
    ldh ($40), a
    jr forever
)";

const char* const kData = R"(
tiles0:
    ds 16                                                           ; 0: colour 0
    db $FE,$FE, $C0,$3C, $80,$70, $80,$00, $80,$00, $80,$00, $80,$00, $81,$01 ; 1: flag
    db $98,$80, $24,$18, $42,$3C, $99,$7E, $99,$7E, $42,$3C, $24,$18, $18,$00 ; 2: gem
tiles0End:
tiles1:
    ds 16
    db $55,$FF, $AA,$FF, $55,$FF, $AA,$FF, $55,$FF, $AA,$FF, $55,$FF, $AA,$FF ; 1: checker
    db $81,$81, $42,$42, $24,$24, $18,$18, $18,$18, $24,$24, $42,$42, $81,$81 ; 2: cross
tiles1End:

bgPalettes:
    db $FF, $7F, $1F, $00, $E0, $03, $00, $7C
    db $FF, $53, $1F, $02, $10, $01, $00, $00
    db $F4, $7F, $80, $7E, $40, $51, $00, $20
    db $9F, $7E, $1F, $7C, $10, $40, $08, $20
    db $18, $63, $10, $42, $08, $21, $00, $00
    db $FF, $03, $E0, $7F, $1F, $7C, $FF, $7F
    db $EA, $2B, $5F, $29, $4A, $7D, $FF, $2B
    db $00, $00, $FF, $7F, $1F, $00, $E0, $03
spritePalettes:
    db $00, $00, $FF, $03, $1F, $00, $00, $00
    db $00, $00, $E0, $7F, $00, $7C, $FF, $7F
    db $00, $00, $1F, $62, $10, $20, $FF, $7F
    db $00, $00, $F0, $03, $00, $02, $1F, $00
    db $00, $00, $FF, $7F, $94, $52, $00, $00
    db $00, $00, $1F, $03, $18, $01, $00, $40
    db $00, $00, $00, $7F, $1F, $03, $00, $00
    db $00, $00, $1F, $00, $E0, $03, $00, $7C

oam:
    db 56, 56, 2, $00       ; 0: in front of entry 1, though further right
    db 60, 52, 2, $01       ; 1
    db 56, 108, 2, $0A      ; 2: bank 1's tile 2
    db 56, 128, 2, $63      ; 3: flipped both ways
    db 84, 68, 2, $04       ; 4: under the tiles kept in front (rows 8-9)
    db 84, 76, 2, $04       ; 5: the same over bank 1's opaque checker
    db 116, 92, 2, $85      ; 6: kept behind the background
    db 116, 112, 2, $06     ; 7
oamEnd:
)";

}  // namespace

std::string colourCartridgeSource() {
    std::string source = kProgram;
    source += kCopyRoutine;
    source += kData;
    // The attribute map, rows 0-17 of 32 entries: column c uses palette c mod 8 and
    // tile bank (c / 8) mod 2; odd rows are flipped left to right, rows 2-3 mod 4
    // upside down; rows 8 and 9 stay in front of sprites.
    source += "attributes:\n";
    for (int row = 0; row < 18; ++row) {
        source += "    db ";
        for (int column = 0; column < 32; ++column) {
            int value = (column & 7) | ((column & 8) ? 0x08 : 0);
            if (row & 1) value |= 0x20;
            if (row & 2) value |= 0x40;
            if (row == 8 || row == 9) value |= 0x80;
            char byte[8];
            std::snprintf(byte, sizeof byte, "$%02X", value);
            source += byte;
            source += column < 31 ? ", " : "\n";
        }
    }
    source += "attributesEnd:\n";
    // Tiles 3-5 for the DMA, at an address whose low four bits are 0: stripes, bars
    // and a block with a hole.
    source += R"(org $1000
dmaTiles:
    db $FF,$00, $00,$FF, $FF,$FF, $00,$00, $FF,$00, $00,$FF, $FF,$FF, $00,$00
    db $CC,$F0, $CC,$F0, $CC,$F0, $CC,$F0, $CC,$F0, $CC,$F0, $CC,$F0, $CC,$F0
    db $FF,$FF, $FF,$FF, $E7,$E7, $C3,$C3, $C3,$C3, $E7,$E7, $FF,$FF, $FF,$FF
)";
    return source;
}
