; Colour cartridge with an MBC5 and battery: palette ports with auto-increment,
; video RAM and work RAM banks, the echo area, joypad selects and interrupts.
header type=0x1B, rom=0x00, ram=0x02, colour=0xC0

org 0x0040
    reti

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xDFF0
    ld a, 0x80
    ldh (0x68), a           ; BCPS from 0, auto-increment
    ld b, 64
.palette:
    ld a, b
    ldh (0x69), a
    dec b
    jr nz, .palette
    ld a, 0xBE
    ldh (0x6A), a           ; OCPS near the end: wraps
    ld b, 4
.objects:
    ldh (0x6B), a
    dec b
    jr nz, .objects
    ld c, 8
.wram:
    ld a, c
    dec a
    ldh (0x70), a           ; SVBK
    ld (0xD000), a
    ld (0xF100), a          ; echo of 0xD100
    ldh (0x4F), a           ; VBK bit 0
    ld (0x9000), a
    dec c
    jr nz, .wram
    ld a, 0x0A
    ld (0x0000), a
    ld a, 0x02
    ld (0x4000), a
    ld a, 0x55
    ld (0xA123), a
    ld a, 0x20
    ldh (0x00), a
    ld a, 0x10
    ldh (0x00), a
    ld a, 0x01
    ldh (0xFF), a
    ld a, 0x91
    ldh (0x40), a
    ei
loop:
    halt
    ldh a, (0x44)
    ldh (0x42), a
    jr loop
