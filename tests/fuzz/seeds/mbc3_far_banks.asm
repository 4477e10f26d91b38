; size 0x88000
; MBC3, 1 MB by its header, with RAM and battery. The image holds banks 0 to 0x21 and
; the loader fills the rest of the megabyte with zeros. The seven-bit ROM bank
; register selects bank 0x21 (its label to RAM bank 1), then 0x61, which the 64-bank
; size wraps to 0x21 (to RAM bank 2), then 0, which reads as bank 1 (to RAM bank 3);
; RAM bank 5 of 4 wraps to bank 1.
header type=0x13, rom=0x05, ram=0x03, colour=0x00

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x0A
    ld (0x0000), a          ; RAM on
    ld a, 0x01
    ld (0x4000), a          ; RAM bank 1
    ld a, 0x21
    ld (0x2000), a          ; ROM bank 0x21
    call copy
    ld a, 0x02
    ld (0x4000), a          ; RAM bank 2
    ld a, 0x61
    ld (0x2000), a          ; bank 0x61: 0x21 in a 64-bank image
    call copy
    ld a, 0x03
    ld (0x4000), a          ; RAM bank 3
    xor a
    ld (0x2000), a          ; 0 reads as bank 1
    call copy
    ld a, 0x05
    ld (0x4000), a          ; RAM bank 5: bank 1 of 4
    ld a, 0x3F
    ld (0x2000), a          ; the last bank, beyond the file: zeros
    ld a, (0x4000)
    ld (0xA020), a
    xor a
    ld (0x0000), a          ; RAM off: the write below is dropped
    ld a, 0x33
    ld (0xA021), a
loop:
    jr loop

; The first 16 bytes of the switched ROM bank into the switched RAM bank, then a mark
; that the copy ran.
copy:
    ld hl, 0x4000
    ld de, 0xA000
    ld b, 16
.byte:
    ld a, (hl+)
    ld (de), a
    inc de
    dec b
    jr nz, .byte
    ld a, 0xA5
    ld (de), a
    ret

bank 1
org 0x4000
    db "MBC3 ROM bank 01", 0x01

bank 0x21
org 0x4000
    db "MBC3 ROM bank 21", 0x21
