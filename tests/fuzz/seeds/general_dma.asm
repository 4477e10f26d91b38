; Colour cartridge: general DMA into both video RAM banks, onto its own register
; page, and across the top of the address space, then the LCD on and a loop.
header type=0x00, rom=0x00, ram=0x00, colour=0x80

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x01
    ldh (0x4F), a           ; video RAM bank 1
    ld hl, 0xFF51
    ld a, high(pattern)
    ld (hl+), a
    ld a, low(pattern)
    ld (hl+), a
    ld a, 0x80
    ld (hl+), a
    ld a, 0x00
    ld (hl+), a
    ld a, 0x03              ; 64 bytes into 0x8000 of bank 1
    ld (hl), a
    xor a
    ldh (0x4F), a
    ld hl, 0xFF51
    ld a, high(registers)
    ld (hl+), a
    ld a, low(registers)
    ld (hl+), a
    ld a, 0xFF
    ld (hl+), a
    ld a, 0x51
    ld (hl+), a
    ld a, 0x81              ; 32 bytes onto 0xFF51 and up: rewrites HDMA1-5
    ld (hl), a
    ld hl, 0xFF51
    ld a, 0xC0
    ld (hl+), a
    xor a
    ld (hl+), a
    ld a, 0xFF
    ld (hl+), a
    ld a, 0xF0
    ld (hl+), a
    ld a, 0x01              ; 32 bytes from 0xFFF0, wrapping to 0x0000
    ld (hl), a
    ld a, 0x91
    ldh (0x40), a
loop:
    halt
    jr loop

pattern:
    db 0x3C, 0x7E, 0x42, 0x42, 0x7E, 0x7E, 0x24, 0x18, 0x81, 0xFF, 0x00, 0xAA, 0x55, 0x0F, 0xF0, 0x99
registers:
    db high(registers), low(registers), 0xFF, 0x51, 0x83, 0x01, 0x02, 0x03
    db 0x80, 0x3F, 0x81, 0x7E, 0x82, 0x00, 0x83, 0xFF
