; size 0x88000
; MBC1, 1 MB by its header, with RAM and battery. The image holds banks 0 to 0x21 and
; the loader fills the rest of the megabyte with zeros. The upper bits register takes
; the ROM bank past 0x1F and, in mode 1, picks the RAM bank: bank 0x21's label goes to
; RAM bank 1, bank 0x41 (wrapped to bank 1 by the 64-bank size) to RAM bank 2, and
; bank 0x7F (0x3F, zeros) to RAM bank 3; then mode 0 maps RAM bank 0 again.
header type=0x03, rom=0x05, ram=0x03, colour=0x00

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x0A
    ld (0x0000), a          ; RAM on
    ld a, 0x01
    ld (0x6000), a          ; mode 1: the upper bits select the RAM bank too
    ld (0x4000), a          ; upper bits 1: ROM bank 0x20 + lower, RAM bank 1
    ld (0x2000), a          ; lower bits 1: ROM bank 0x21
    call copy
    xor a
    ld (0x2000), a          ; lower 0 reads as 1: bank 0x21 again, never 0x20
    ld a, (0x4000)
    ld (0xA020), a
    ld a, 0x02
    ld (0x4000), a          ; bank 0x41, past the image's 64 banks: bank 1; RAM bank 2
    call copy
    ld a, 0x03
    ld (0x4000), a          ; RAM bank 3
    ld a, 0x1F
    ld (0x2000), a          ; bank 0x7F: 0x3F, beyond the file, zeros
    call copy
    xor a
    ld (0x6000), a          ; mode 0: RAM bank 0 whatever the upper bits say
    ld a, 0x4D
    ld (0xA000), a
    ld a, 0x21
    ld (0x2000), a          ; five bits kept: lower 1, bank 0x61, which wraps to 0x21
    ld a, (0x4010)
    ld (0xA001), a
loop:
    jr loop

; The first 16 bytes of the switched ROM bank into the switched RAM bank, then a mark
; that the copy ran (a bank of zeros copies as zeros).
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
    db "MBC1 ROM bank 01", 0x01

bank 0x21
org 0x4000
    db "MBC1 ROM bank 21", 0x21
