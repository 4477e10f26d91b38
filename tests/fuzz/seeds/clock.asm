; MBC3 with clock, RAM and battery: the clock registers written, latched and read
; back, a RAM bank beyond the cartridge selected, and the clock halted.
header type=0x10, rom=0x00, ram=0x03, colour=0x00

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x0A
    ld (0x0000), a          ; RAM and clock on
    ld c, 0x08
.set:
    ld a, c
    ld (0x4000), a          ; clock register 0x08-0x0C
    ld a, 0xFF
    ld (0xA000), a          ; every bit, out of range
    inc c
    ld a, c
    cp 0x0D
    jr nz, .set
    xor a
    ld (0x6000), a
    inc a
    ld (0x6000), a          ; latch
    ld a, 0x08
    ld (0x4000), a
    ld a, (0xA000)
    ld (0xC000), a
    ld a, 0x07
    ld (0x4000), a          ; RAM bank 7 of 4
    ld (0xA000), a
    ld a, 0x0C
    ld (0x4000), a
    ld a, 0x40
    ld (0xA000), a          ; halt
loop:
    jr loop
