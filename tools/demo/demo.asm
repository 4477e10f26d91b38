; Korvi's demo cartridge: a 64 KB MBC1 cartridge with battery-backed RAM.
;
; It shows what the renderer draws: a background that scrolls on its own, the window
; as a status bar along the bottom, 8x8 sprites with every combination of flips that
; the joypad moves, and 8x16 sprites in the lower half of the screen, where the STAT
; interrupt at line 72 switches the sprite height. The VBlank interrupt copies the
; sprite table in by OAM DMA. The tile pictures lie in ROM bank 3 and are read from
; there through the bank controller. Cartridge RAM counts how often the cartridge
; was started; the count survives in the battery save.
;
; Controls: the arrows move the pennants, A stops and restarts the scrolling, B
; inverts the background shades. A short tune loops on channels 2 and 3; A and B
; also make a sound.

; The build completes the rest of the header (korvi-asm --header "KORVI DEMO"): the boot
; logo, the title and both checksums.
header type=$03, rom=$01, ram=$02, colour=$00

TILE_SPACE   equ 0        ; glyphs: space, '0'-'9' (1-10), ':' (11), 'A'-'Z' (12-37)
TILE_LETTER_A equ 12
TILE_PICTURE equ 38       ; four background pictures
TILE_PENNANT equ 42
TILE_FIGURE  equ 44       ; a tall figure: 44 on top of 45

LCDC_TOP     equ $F3      ; LCD, window (map $9C00), tiles at $8000, sprites 8x8, background
LCDC_BOTTOM  equ $F7      ; the same with 8x16 sprites
SPLIT_LINE   equ 72
SHADOW_OAM   equ $C000

; Variables in high RAM.
vblankFlag   equ $FF80
playerX      equ $FF81
playerY      equ $FF82
scrollX      equ $FF83
scrollY      equ $FF84
frameCount   equ $FF85
figureX      equ $FF86
figureStep   equ $FF87
options      equ $FF88    ; bit 0: scrolling stopped
heldButtons  equ $FF89
DMA_ROUTINE  equ $FFA0    ; dmaRoutine, copied here: OAM DMA leaves the CPU only high RAM
tuneStep     equ $FF8A    ; the tune's next step, 0-15
tuneWait     equ $FF8B    ; frames until that step

TUNE_FRAMES  equ 10

org $0040
    jp vblank
org $0048
    jp stat

org $0100
    nop
    jp start

org $0150
start:
    di
    ld sp, $FFFE
    xor a
    ldh ($40), a            ; LCD off while the screen is set up

    ; Tile pictures from ROM bank 3 into video RAM.
    ld a, bank(tileData)
    ld ($2000), a
    ld hl, tileData
    ld de, $8000
    ld bc, tileDataEnd - tileData
    call copy
    ld a, 1
    ld ($2000), a
    ld hl, dmaRoutine
    ld de, DMA_ROUTINE
    ld bc, dmaRoutineEnd - dmaRoutine
    call copy

    call fillBackground
    call countStart

    ; The status bar: two rows of the window map.
    ld hl, $9C00
    ld de, titleText
    call print
    ld hl, $9C10
    ld a, ($A003)
    call printHex
    ld a, ($A002)
    call printHex
    ld hl, $9C20
    ld de, positionText
    call print

    ; Starting positions.
    ld a, 40
    ldh (playerX), a
    ldh (playerY), a
    ld a, 1
    ldh (figureX), a
    ldh (figureStep), a

    ; Palettes, window position, the line where the sprites grow.
    ld a, $E4
    ldh ($47), a
    ldh ($48), a
    ld a, 128
    ldh ($4A), a
    ld a, 7
    ldh ($4B), a
    ld a, SPLIT_LINE
    ldh ($45), a
    ldh a, ($41)
    or $40                  ; STAT request while LY equals LYC
    ldh ($41), a
    ld a, $03               ; VBlank and STAT interrupts
    ldh ($FF), a
    xor a
    ldh ($0F), a

    call updateSprites
    call startSound
    ld a, LCDC_TOP
    ldh ($40), a
    ei

main:
    halt
    ldh a, (vblankFlag)
    and a
    jr z, main
    xor a
    ldh (vblankFlag), a

    call readJoypad         ; B: buttons held
    call movePlayer
    call handleButtons
    call buttonSounds       ; C: the buttons just pressed
    call playTune
    call scroll
    call moveFigures
    call updateSprites
    call updateStatus
    jr main

; --- Interrupt handlers ---

vblank:
    push af
    ld a, SHADOW_OAM >> 8
    call DMA_ROUTINE        ; the sprite table into OAM
    ld a, LCDC_TOP
    ldh ($40), a
    ldh a, (scrollX)
    ldh ($43), a
    ldh a, (scrollY)
    ldh ($42), a
    ld a, 1
    ldh (vblankFlag), a
    pop af
    reti

stat:
    push af
    ld a, LCDC_BOTTOM
    ldh ($40), a
    pop af
    reti

; --- Start-up ---

; Copies BC bytes from HL to DE.
copy:
    ld a, b
    or c
    ret z
    ld a, (hl+)
    ld (de), a
    inc de
    dec bc
    jr copy

; Run from high RAM only: starts the OAM DMA from A * $100 and waits the 160
; microseconds it takes, during which the CPU can fetch nothing from ROM.
dmaRoutine:
    ldh ($46), a
    ld a, 40
dmaWait:
    dec a
    jr nz, dmaWait
    ret
dmaRoutineEnd:

; Fills the 32x32 background map with diagonal bands of the four pictures.
fillBackground:
    ld hl, $9800
    ld d, 0
fillRow:
    ld e, 0
fillColumn:
    ld a, d
    add a, e
    srl a
    and 3
    add a, TILE_PICTURE
    ld (hl+), a
    inc e
    ld a, e
    cp 32
    jr nz, fillColumn
    inc d
    ld a, d
    cp 32
    jr nz, fillRow
    ret

; Counts this start in battery RAM: "KV" then a 16-bit little-endian count.
countStart:
    ld a, $0A
    ld ($0000), a           ; cartridge RAM on
    ld a, ($A000)
    cp 'K'
    jr nz, freshRam
    ld a, ($A001)
    cp 'V'
    jr z, countIt
freshRam:
    ld a, 'K'
    ld ($A000), a
    ld a, 'V'
    ld ($A001), a
    xor a
    ld ($A002), a
    ld ($A003), a
countIt:
    ld hl, $A002
    inc (hl)
    ret nz
    inc hl
    inc (hl)
    ret

; --- Text ---

; Writes the zero-terminated text at DE as glyph tiles from HL on.
print:
    ld a, (de)
    and a
    ret z
    inc de
    cp ' '
    jr nz, printNotSpace
    ld a, TILE_SPACE
    jr printPut
printNotSpace:
    cp 'A'
    jr nc, printLetter
    sub '0' - 1             ; digits and ':'
    jr printPut
printLetter:
    sub 'A' - TILE_LETTER_A
printPut:
    ld (hl+), a
    jr print

; Writes A as two hexadecimal digits from HL on.
printHex:
    push af
    swap a
    call printNibble
    pop af
printNibble:
    and $0F
    cp 10
    jr c, printDigit
    add a, TILE_LETTER_A - 10 ; 'A'-'F' follow ':' and the digits
    jr printNibblePut
printDigit:
    inc a
printNibblePut:
    ld (hl+), a
    ret

titleText:
    db "KORVI DEMO  BOOT", 0
positionText:
    db "X:   Y:   FRAME:", 0

; --- Each frame ---

; B = buttons held: bits 0-3 right, left, up, down; bits 4-7 A, B, select, start.
readJoypad:
    ld a, $20
    ldh ($00), a
    ldh a, ($00)
    cpl
    and $0F
    ld b, a
    ld a, $10
    ldh ($00), a
    ldh a, ($00)
    cpl
    and $0F
    swap a
    or b
    ld b, a
    ld a, $30
    ldh ($00), a
    ret

movePlayer:
    bit 0, b
    jr z, notRight
    ldh a, (playerX)
    cp 160 - 16
    jr nc, notRight
    inc a
    ldh (playerX), a
notRight:
    bit 1, b
    jr z, notLeft
    ldh a, (playerX)
    and a
    jr z, notLeft
    dec a
    ldh (playerX), a
notLeft:
    bit 2, b
    jr z, notUp
    ldh a, (playerY)
    and a
    jr z, notUp
    dec a
    ldh (playerY), a
notUp:
    bit 3, b
    ret z
    ldh a, (playerY)
    cp 144 - 16
    ret nc
    inc a
    ldh (playerY), a
    ret

; A stops or restarts the scrolling and B inverts the background shades, once per press.
handleButtons:
    ldh a, (heldButtons)
    cpl
    and b
    ld c, a                 ; buttons pressed since the last frame
    ld a, b
    ldh (heldButtons), a
    bit 4, c
    jr z, notA
    ldh a, (options)
    xor 1
    ldh (options), a
notA:
    bit 5, c
    ret z
    ldh a, ($47)
    cpl
    ldh ($47), a
    ret

scroll:
    ldh a, (frameCount)
    inc a
    ldh (frameCount), a
    ld c, a
    ldh a, (options)
    bit 0, a
    ret nz
    ldh a, (scrollX)
    inc a
    ldh (scrollX), a
    bit 0, c
    ret nz
    ldh a, (scrollY)
    inc a
    ldh (scrollY), a
    ret

; The tall figures walk to and fro along the lower half.
moveFigures:
    ldh a, (figureStep)
    ld c, a
    ldh a, (figureX)
    add a, c
    ldh (figureX), a
    and a
    jr z, turnFigures
    cp 160 - 16
    ret nz
turnFigures:
    ld a, c
    cpl
    inc a
    ldh (figureStep), a
    ret

; Builds the sprite table in work RAM; the VBlank handler copies it into OAM.
updateSprites:
    ld hl, SHADOW_OAM
    ldh a, (playerY)
    add a, 16
    ld d, a
    ldh a, (playerX)
    add a, 8
    ld e, a
    ld b, TILE_PENNANT
    ld c, $00               ; as drawn
    call putSprite
    ld a, e
    add a, 8
    ld e, a
    ld c, $20               ; X-flipped
    call putSprite
    ld a, d
    add a, 8
    ld d, a
    ld c, $60               ; both
    call putSprite
    ld a, e
    sub 8
    ld e, a
    ld c, $40               ; Y-flipped
    call putSprite

    ld d, 96 + 16
    ldh a, (figureX)
    add a, 8
    ld e, a
    ld b, TILE_FIGURE
    ld c, $00
    call putSprite
    ld a, e
    add a, 16
    ld e, a
    ld c, $60               ; upside down and mirrored: tiles swap
    call putSprite
    ret

; One OAM entry at HL: Y = D, X = E, tile B, attributes C.
putSprite:
    ld a, d
    ld (hl+), a
    ld a, e
    ld (hl+), a
    ld a, b
    ld (hl+), a
    ld a, c
    ld (hl+), a
    ret

updateStatus:
    ld hl, $9C22
    ldh a, (playerX)
    call printHex
    ld hl, $9C27
    ldh a, (playerY)
    call printHex
    ld hl, $9C30
    ldh a, (frameCount)
    jp printHex

; --- Sound ---

; The unit on, both sides at full volume, every channel on both sides; wave RAM
; holds a triangle for the bass.
startSound:
    ld a, $80
    ldh ($26), a
    ld a, $77
    ldh ($24), a
    ld a, $FF
    ldh ($25), a
    ld hl, $FF30
    ld de, waveShape
    ld b, 16
.wave:
    ld a, (de)
    ld (hl+), a
    inc de
    dec b
    jr nz, .wave
    ld a, $80               ; the wave channel's DAC on
    ldh ($1A), a
    ld a, $40               ; at half level
    ldh ($1C), a
    xor a
    ldh (tuneStep), a
    inc a
    ldh (tuneWait), a
    ret

; Once a frame: every TUNE_FRAMES frames the next step of the tune, a melody note
; on channel 2 that fades and a bass note on the wave channel.
playTune:
    ldh a, (tuneWait)
    dec a
    ldh (tuneWait), a
    ret nz
    ld a, TUNE_FRAMES
    ldh (tuneWait), a
    ldh a, (tuneStep)
    ld l, a
    inc a
    and 15
    ldh (tuneStep), a
    ld h, 0
    add hl, hl
    add hl, hl              ; four bytes a step
    ld de, tune
    add hl, de
    ld a, $80               ; duty 50 %
    ldh ($16), a
    ld a, $A3               ; volume 10, one step down every 3/64 s
    ldh ($17), a
    ld a, (hl+)
    ldh ($18), a
    ld a, (hl+)
    or $80                  ; start the note
    ldh ($19), a
    ld a, (hl+)
    ldh ($1D), a
    ld a, (hl)
    or $80
    ldh ($1E), a
    ret

; C = buttons pressed since the last frame: A a burst of noise, B a rising chirp.
buttonSounds:
    bit 4, c
    jr z, .notA
    xor a
    ldh ($20), a
    ld a, $F2               ; loud, fading fast
    ldh ($21), a
    ld a, $52
    ldh ($22), a
    ld a, $80
    ldh ($23), a
.notA:
    bit 5, c
    ret z
    ld a, $15               ; sweep up, a step every 1/128 s
    ldh ($10), a
    ld a, $80
    ldh ($11), a
    ld a, $F3
    ldh ($12), a
    xor a
    ldh ($13), a
    ld a, $86
    ldh ($14), a
    ret

waveShape:
    db $01, $23, $45, $67, $89, $AB, $CD, $EF, $FE, $DC, $BA, $98, $76, $54, $32, $10

; Melody and bass 11-bit frequencies, low byte first.
tune:
    db $39, $07, $0B, $06    ; E5 over C3
    db $59, $07, $0B, $06    ; G5 over C3
    db $6B, $07, $0B, $06    ; A5 over C3
    db $59, $07, $0B, $06    ; G5 over C3
    db $39, $07, $AC, $05    ; E5 over A2
    db $06, $07, $AC, $05    ; C5 over A2
    db $21, $07, $AC, $05    ; D5 over A2
    db $39, $07, $AC, $05    ; E5 over A2
    db $59, $07, $11, $05    ; G5 over F2
    db $6B, $07, $11, $05    ; A5 over F2
    db $83, $07, $11, $05    ; C6 over F2
    db $6B, $07, $11, $05    ; A5 over F2
    db $59, $07, $63, $05    ; G5 over G2
    db $39, $07, $63, $05    ; E5 over G2
    db $21, $07, $63, $05    ; D5 over G2
    db $06, $07, $63, $05    ; C5 over G2

; --- Tile pictures, in ROM bank 3 ---

bank 3
tileData:
; glyph ' '
    db $FF, $00, $FF, $00, $FF, $00, $FF, $00, $FF, $00, $FF, $00, $FF, $00, $FF, $00
; glyph '0'
    db $FF, $38, $FF, $44, $FF, $4C, $FF, $54, $FF, $64, $FF, $44, $FF, $38, $FF, $00
; glyph '1'
    db $FF, $10, $FF, $30, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $38, $FF, $00
; glyph '2'
    db $FF, $38, $FF, $44, $FF, $04, $FF, $08, $FF, $10, $FF, $20, $FF, $7C, $FF, $00
; glyph '3'
    db $FF, $7C, $FF, $08, $FF, $10, $FF, $08, $FF, $04, $FF, $44, $FF, $38, $FF, $00
; glyph '4'
    db $FF, $08, $FF, $18, $FF, $28, $FF, $48, $FF, $7C, $FF, $08, $FF, $08, $FF, $00
; glyph '5'
    db $FF, $7C, $FF, $40, $FF, $78, $FF, $04, $FF, $04, $FF, $44, $FF, $38, $FF, $00
; glyph '6'
    db $FF, $18, $FF, $20, $FF, $40, $FF, $78, $FF, $44, $FF, $44, $FF, $38, $FF, $00
; glyph '7'
    db $FF, $7C, $FF, $04, $FF, $08, $FF, $10, $FF, $20, $FF, $20, $FF, $20, $FF, $00
; glyph '8'
    db $FF, $38, $FF, $44, $FF, $44, $FF, $38, $FF, $44, $FF, $44, $FF, $38, $FF, $00
; glyph '9'
    db $FF, $38, $FF, $44, $FF, $44, $FF, $3C, $FF, $04, $FF, $08, $FF, $30, $FF, $00
; glyph ':'
    db $FF, $00, $FF, $10, $FF, $10, $FF, $00, $FF, $10, $FF, $10, $FF, $00, $FF, $00
; glyph 'A'
    db $FF, $38, $FF, $44, $FF, $44, $FF, $7C, $FF, $44, $FF, $44, $FF, $44, $FF, $00
; glyph 'B'
    db $FF, $78, $FF, $44, $FF, $44, $FF, $78, $FF, $44, $FF, $44, $FF, $78, $FF, $00
; glyph 'C'
    db $FF, $38, $FF, $44, $FF, $40, $FF, $40, $FF, $40, $FF, $44, $FF, $38, $FF, $00
; glyph 'D'
    db $FF, $70, $FF, $48, $FF, $44, $FF, $44, $FF, $44, $FF, $48, $FF, $70, $FF, $00
; glyph 'E'
    db $FF, $7C, $FF, $40, $FF, $40, $FF, $78, $FF, $40, $FF, $40, $FF, $7C, $FF, $00
; glyph 'F'
    db $FF, $7C, $FF, $40, $FF, $40, $FF, $78, $FF, $40, $FF, $40, $FF, $40, $FF, $00
; glyph 'G'
    db $FF, $38, $FF, $44, $FF, $40, $FF, $5C, $FF, $44, $FF, $44, $FF, $3C, $FF, $00
; glyph 'H'
    db $FF, $44, $FF, $44, $FF, $44, $FF, $7C, $FF, $44, $FF, $44, $FF, $44, $FF, $00
; glyph 'I'
    db $FF, $38, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $38, $FF, $00
; glyph 'J'
    db $FF, $1C, $FF, $08, $FF, $08, $FF, $08, $FF, $08, $FF, $48, $FF, $30, $FF, $00
; glyph 'K'
    db $FF, $44, $FF, $48, $FF, $50, $FF, $60, $FF, $50, $FF, $48, $FF, $44, $FF, $00
; glyph 'L'
    db $FF, $40, $FF, $40, $FF, $40, $FF, $40, $FF, $40, $FF, $40, $FF, $7C, $FF, $00
; glyph 'M'
    db $FF, $44, $FF, $6C, $FF, $54, $FF, $54, $FF, $44, $FF, $44, $FF, $44, $FF, $00
; glyph 'N'
    db $FF, $44, $FF, $44, $FF, $64, $FF, $54, $FF, $4C, $FF, $44, $FF, $44, $FF, $00
; glyph 'O'
    db $FF, $38, $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $38, $FF, $00
; glyph 'P'
    db $FF, $78, $FF, $44, $FF, $44, $FF, $78, $FF, $40, $FF, $40, $FF, $40, $FF, $00
; glyph 'Q'
    db $FF, $38, $FF, $44, $FF, $44, $FF, $44, $FF, $54, $FF, $48, $FF, $34, $FF, $00
; glyph 'R'
    db $FF, $78, $FF, $44, $FF, $44, $FF, $78, $FF, $50, $FF, $48, $FF, $44, $FF, $00
; glyph 'S'
    db $FF, $3C, $FF, $40, $FF, $40, $FF, $38, $FF, $04, $FF, $04, $FF, $78, $FF, $00
; glyph 'T'
    db $FF, $7C, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $00
; glyph 'U'
    db $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $38, $FF, $00
; glyph 'V'
    db $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $44, $FF, $28, $FF, $10, $FF, $00
; glyph 'W'
    db $FF, $44, $FF, $44, $FF, $44, $FF, $54, $FF, $54, $FF, $54, $FF, $28, $FF, $00
; glyph 'X'
    db $FF, $44, $FF, $44, $FF, $28, $FF, $10, $FF, $28, $FF, $44, $FF, $44, $FF, $00
; glyph 'Y'
    db $FF, $44, $FF, $44, $FF, $28, $FF, $10, $FF, $10, $FF, $10, $FF, $10, $FF, $00
; glyph 'Z'
    db $FF, $7C, $FF, $04, $FF, $08, $FF, $10, $FF, $20, $FF, $40, $FF, $7C, $FF, $00
; background: framed square
    db $FF, $00, $81, $7E, $BD, $7E, $A5, $66, $A5, $66, $BD, $7E, $81, $7E, $FF, $00
; background: face
    db $00, $00, $00, $00, $24, $00, $00, $00, $00, $00, $42, $00, $3C, $00, $00, $00
; background: cross
    db $81, $81, $42, $42, $24, $24, $18, $18, $18, $18, $24, $24, $42, $42, $81, $81
; background: stripes
    db $00, $FF, $00, $FF, $FF, $00, $FF, $00, $00, $FF, $00, $FF, $FF, $00, $FF, $00
; sprite: pennant
    db $FE, $FE, $84, $FC, $88, $F8, $90, $F0, $A0, $E0, $C0, $C0, $80, $80, $80, $80
; sprite: empty
    db $00, $00, $00, $00, $00, $00, $00, $00, $00, $00, $00, $00, $00, $00, $00, $00
; sprite: tall figure, head
    db $3C, $3C, $7E, $42, $FF, $A5, $FF, $81, $E7, $BD, $7E, $5A, $3C, $24, $18, $18
; sprite: tall figure, legs
    db $7E, $7E, $FF, $81, $FF, $A5, $FF, $A5, $7E, $66, $3C, $24, $3C, $24, $77, $77
tileDataEnd:
