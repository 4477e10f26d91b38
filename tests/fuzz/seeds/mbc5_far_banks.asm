; size 0x88000
; MBC5, 8 MB by its header, with 128 KB of RAM and battery. The image holds banks 0 to
; 0x21 and the loader fills the rest of the 8 MB with zeros, so that all nine bank bits
; are connected: bank 0x21's label goes to RAM bank 15, bank 0x121 (ninth bit set,
; zeros) to RAM bank 9, and bank 0, which MBC5 maps at 0x4000 too, to RAM bank 0;
; clearing the ninth bit again brings bank 0x21 back.
header type=0x1B, rom=0x08, ram=0x04, colour=0x00

org 0x0000
    db "MBC5 ROM bank 00"

org 0x0100
    nop
    jp start

org 0x0150
start:
    ld sp, 0xFFFE
    ld a, 0x0A
    ld (0x0000), a          ; RAM on
    ld a, 0x0F
    ld (0x4000), a          ; RAM bank 15
    ld a, 0x21
    ld (0x2000), a          ; ROM bank 0x21
    call copy
    ld a, 0x09
    ld (0x4000), a          ; RAM bank 9
    ld a, 0x01
    ld (0x3000), a          ; ninth bit: ROM bank 0x121, beyond the file
    call copy
    xor a
    ld (0x4000), a          ; RAM bank 0
    ld (0x3000), a
    ld (0x2000), a          ; ROM bank 0, at 0x4000
    call copy
    ld a, 0x21
    ld (0x2000), a
    ld a, (0x4010)          ; bank 0x21's last label byte
    ld (0xA020), a
    ld a, 0x1F
    ld (0x4000), a          ; four RAM bank bits: 0x1F selects bank 15
    ld a, 0x5F
    ld (0xA030), a
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

bank 0x21
org 0x4000
    db "MBC5 ROM bank 21", 0x21
