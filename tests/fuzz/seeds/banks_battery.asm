; MBC1 with battery-backed RAM: RAM enabled, written in several banks, the banking
; mode switched, ROM banks selected, and a write once RAM is disabled again.
header type=0x03, rom=0x01, ram=0x03, colour=0x00

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x0A
    ld (0x0000), a          ; RAM on
    ld a, 0x01
    ld (0x6000), a          ; RAM banking mode
    ld c, 4
.bank:
    ld a, c
    dec a
    ld (0x4000), a
    ld hl, 0xA000
    ld b, 0
.fill:
    ld (hl+), a
    inc a
    dec b
    jr nz, .fill
    dec c
    jr nz, .bank
    ld a, 0x03
    ld (0x2000), a          ; ROM bank 3
    ld a, (0x4000)
    ld (0xC000), a
    xor a
    ld (0x2000), a          ; bank 0 reads as bank 1
    ld (0x6000), a
    ld (0x0000), a          ; RAM off: the next write stops the CPU
    ld (0xA000), a
loop:
    jr loop
