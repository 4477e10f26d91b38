; The renderer's paths: tiles, background scrolling, the window, 8x8 and 8x16
; sprites copied in by OAM DMA from work RAM, a STAT interrupt at line 40.
header type=0x00, rom=0x00, ram=0x00, colour=0x00

org 0x0040
    reti
org 0x0048
    ld a, 0xF7
    ldh (0x40), a           ; 8x16 sprites below the split
    reti

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    xor a
    ldh (0x40), a
    ld hl, 0x8000           ; tiles: a counting pattern
    ld bc, 0x0400
.tiles:
    ld a, l
    xor h
    ld (hl+), a
    dec bc
    ld a, b
    or c
    jr nz, .tiles
    ld hl, 0x9800           ; background and window maps
    ld bc, 0x0800
.maps:
    ld a, l
    and 0x3F
    ld (hl+), a
    dec bc
    ld a, b
    or c
    jr nz, .maps
    ld hl, 0xC000           ; forty sprites in a diagonal
    ld b, 40
    ld a, 16
.oam:
    ld (hl+), a
    ld (hl+), a
    ld (hl), b
    inc hl
    ld c, a
    ld a, b
    swap a
    ld (hl+), a
    ld a, c
    add a, 4
    dec b
    jr nz, .oam
    ld a, 0xC0
    ldh (0x46), a
    ld a, 0xE4
    ldh (0x47), a
    ldh (0x48), a
    ld a, 0x1B
    ldh (0x49), a
    ld a, 80
    ldh (0x4A), a
    ld a, 47
    ldh (0x4B), a
    ld a, 40
    ldh (0x45), a
    ld a, 0x40
    ldh (0x41), a
    ld a, 0x03
    ldh (0xFF), a
    ld a, 0xF3
    ldh (0x40), a
    ei
loop:
    halt
    ld a, 0xF3
    ldh (0x40), a
    ldh a, (0x43)
    inc a
    ldh (0x43), a
    ldh (0x42), a
    jr loop
