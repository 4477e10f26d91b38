; MBC5 with rumble, RAM and battery: the motor pulsed through bit 3 of the RAM bank
; register, the ninth ROM bank bit set, and RAM written in the last bank.
header type=0x1E, rom=0x00, ram=0x03, colour=0x00

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x0A
    ld (0x0000), a
    ld a, 0x01
    ld (0x3000), a          ; ninth ROM bank bit
    ld a, 0xFF
    ld (0x2000), a
    ld b, 16
.pulse:
    ld a, b
    ld (0x4000), a          ; motor on every other pass, banks 0-7
    ld (0xA000), a
    dec b
    jr nz, .pulse
    ld a, (0x4000)
    ld (0xC000), a
loop:
    jr loop
