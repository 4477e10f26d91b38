#include "tools/bench/bench_cartridge.h"

#include "tools/assembler/assembler.h"

namespace {

// A loop that keeps the CPU busy with every kind of work a game does: arithmetic
// and flags, loads to and from work RAM and high RAM, 16-bit arithmetic, CB
// operations on registers and memory, stack traffic, calls and returns, and every
// 256th pass an OAM DMA. Interrupts stay disabled, so only the CPU and the LCD
// timing run. HL is kept inside 0xC000-0xCFFF so no write lands on a register.
constexpr const char* kSource = R"(
        org 0x0100
        jp start

        org 0x0150
start:  ld sp,0xFFFE
        ld hl,0xC000
        ld bc,0x1234
        ld de,0x0000

loop:   ld a,(hl+)          ; work RAM read
        add a,b
        ld (hl),a           ; work RAM write, and its echo
        xor c
        ldh (0x80),a        ; high RAM
        ldh a,(0x81)
        adc a,0x13
        ldh (0x81),a
        inc b
        dec c
        rlca
        swap a
        bit 3,b
        srl c
        rl c
        rl (hl)
        set 0,(hl)
        push bc
        call mix
        pop de
        inc de
        add hl,de
        ld a,h              ; back inside 0xC000-0xCFFF
        and 0x0F
        or 0xC0
        ld h,a
        ldh a,(0x82)        ; pass counter
        inc a
        ldh (0x82),a
        jr nz,loop
        ld a,0xC1           ; every 256th pass: OAM DMA from 0xC100
        ldh (0x46),a
        jp loop

mix:    ld a,(de)
        sub e
        sbc a,d
        and 0x7F
        or l
        cp 0x40
        jr c,.low
        ccf
.low:   daa
        ret
)";

}  // namespace

bool buildBenchCartridge(std::vector<uint8_t>& image, std::string& error) {
    sm83::AssemblyResult result = sm83::assemble(kSource);
    if (!result.ok) {
        error = result.error;
        return false;
    }
    image = std::move(result.image);
    return true;
}
