// Whole programs, assembled into cartridges and run through stepMachine until they
// reach STOP: sorting, multiplication, recursion, decimal counting and an interrupt
// handler. Each checks what the program leaves in memory against the same work done
// in C++.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/core/cpu_fixture.h"
#include "tools/assembler/assembler.h"

class ProgramTest : public CpuTest {
protected:
    // Assembles and installs the program, then steps until STOP (or the limit). Returns
    // the number of steps taken.
    long runProgram(const std::string& source, long maxSteps = 2'000'000) {
        const sm83::AssemblyResult assembled = sm83::assemble(source);
        if (!assembled.ok) {
            ADD_FAILURE() << "assembly failed: " << assembled.error;
            return -1;
        }
        install(assembled.image);
        long steps = 0;
        while (steps < maxSteps && stepMachine()) ++steps;
        EXPECT_EQ(machine.stopped, kWaitingForButton)
            << "the program did not reach STOP in " << maxSteps << " steps; PC=" << machine.cpu.PC;
        return steps;
    }
};

TEST_F(ProgramTest, BubbleSortInWorkRam) {
    const std::vector<uint8_t> data = {0x5A, 0x03, 0xFF, 0x00, 0x80, 0x7F, 0x12, 0x12,
                                       0xC0, 0x01, 0x99, 0x42, 0xFE, 0x10, 0x33, 0x21};
    runProgram(R"(
        org 0x0100
        jp start
        org 0x0150
data:   db 0x5A, 0x03, 0xFF, 0x00, 0x80, 0x7F, 0x12, 0x12
        db 0xC0, 0x01, 0x99, 0x42, 0xFE, 0x10, 0x33, 0x21
start:  ld sp,0xD000
        ld hl,data
        ld de,0xC000
        ld b,16
.copy:  ld a,(hl+)
        ld (de),a
        inc de
        dec b
        jr nz,.copy
outer:  ld c,0              ; nothing swapped yet
        ld hl,0xC000
        ld b,15
.inner: ld a,(hl+)          ; x[i]; HL on x[i+1]
        cp (hl)
        jr c,.next
        jr z,.next
        ld d,(hl)
        ld (hl-),a
        ld (hl),d
        inc hl
        ld c,1
.next:  dec b
        jr nz,.inner
        ld a,c
        or a
        jr nz,outer
        stop
    )");
    std::vector<uint8_t> want = data;
    std::sort(want.begin(), want.end());
    for (unsigned i = 0; i < want.size(); ++i) {
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC000 + i)), want[i]) << "element " << i;
    }
}

// 8 x 8 -> 16-bit products by shift and add, through a subroutine, with the loop
// index kept in high RAM.
TEST_F(ProgramTest, ShiftAndAddMultiplication) {
    const uint8_t pairs[][2] = {{0, 0},   {1, 1},   {255, 255}, {16, 16}, {200, 3},
                                {13, 17}, {128, 2}, {255, 1},   {99, 0},  {170, 85}};
    std::string table = "pairs:  db ";
    for (unsigned i = 0; i < std::size(pairs); ++i) {
        if (i) table += ", ";
        table += std::to_string(pairs[i][0]);
        table += ", ";
        table += std::to_string(pairs[i][1]);
    }
    runProgram(R"(
COUNT   equ )" +
               std::to_string(std::size(pairs)) +
               R"(
        org 0x0100
        jp start
        org 0x0150
)" + table + R"(
start:  ld sp,0xD000
        xor a
        ldh (0x80),a
.next:  ldh a,(0x80)
        cp COUNT
        jr z,.done
        ld l,a
        ld h,0
        add hl,hl
        push hl
        ld de,pairs
        add hl,de
        ld a,(hl+)
        ld b,a
        ld c,(hl)
        call mul
        pop de
        push hl
        ld hl,0xC000
        add hl,de
        pop de
        ld (hl),e
        inc hl
        ld (hl),d
        ldh a,(0x80)
        inc a
        ldh (0x80),a
        jr .next
.done:  stop

mul:    ld hl,0             ; HL = B * C
        ld d,0
        ld e,c
.loop:  srl b
        jr nc,.skip
        add hl,de
.skip:  sla e
        rl d
        ld a,b
        or a
        jr nz,.loop
        ret
    )");
    for (unsigned i = 0; i < std::size(pairs); ++i) {
        const uint16_t at = static_cast<uint16_t>(0xC000 + 2 * i);
        EXPECT_EQ(readByte(at) | readByte(at + 1) << 8, pairs[i][0] * pairs[i][1])
            << int(pairs[i][0]) << " x " << int(pairs[i][1]);
    }
    EXPECT_EQ(cpu().SP, 0xD000) << "every push and call was undone";
}

// Recursive Fibonacci: deep CALL/RET nesting with PUSH AF / POP AF keeping A.
TEST_F(ProgramTest, RecursiveFibonacci) {
    for (const unsigned n : {1u, 2u, 10u, 20u}) {
        runProgram(R"(
        org 0x0100
        jp start
        org 0x0150
start:  ld sp,0xD000
        ld a,)" + std::to_string(n) +
                   R"(
        call fib
        ld a,l
        ld (0xC000),a
        ld a,h
        ld (0xC001),a
        stop

fib:    cp 2                ; HL = fib(A)
        jr nc,.rec
        ld l,a
        ld h,0
        ret
.rec:   dec a
        push af
        call fib
        pop af
        push hl
        dec a
        call fib
        pop de
        add hl,de
        ret
    )");
        unsigned a = 0, b = 1;
        for (unsigned i = 0; i < n; ++i) {
            const unsigned next = a + b;
            a = b;
            b = next;
        }
        EXPECT_EQ(readByte(0xC000) | readByte(0xC001) << 8, a) << "fib(" << n << ")";
    }
}

// Counting up and down in packed decimal with ADD/SUB followed by DAA.
TEST_F(ProgramTest, DecimalCounters) {
    runProgram(R"(
        org 0x0100
        jp start
        org 0x0150
start:  ld sp,0xD000
        xor a
        ld hl,0xC000
        ld b,150
.up:    ld (hl+),a
        add a,1
        daa
        dec b
        jr nz,.up
        ld a,0x50
        ld hl,0xC100
        ld b,150
.down:  ld (hl+),a
        sub 1
        daa
        dec b
        jr nz,.down
        stop
    )");
    auto bcd = [](unsigned n) { return (n / 10) << 4 | (n % 10); };
    for (unsigned i = 0; i < 150; ++i) {
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC000 + i)), bcd(i % 100)) << "up " << i;
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC100 + i)), bcd((250 - i) % 100))
            << "down " << i;
    }
}

// A program that waits in HALT for three VBlank interrupts, counted by a handler that
// returns with RETI.
TEST_F(ProgramTest, HaltWaitsForVblankInterrupts) {
    const long steps = runProgram(R"(
        org 0x0040
        jp vblank
        org 0x0100
        jp start
        org 0x0150
start:  ld sp,0xD000
        xor a
        ld (0xC000),a
        ldh (0x0F),a        ; IF: nothing pending
        inc a
        ldh (0xFF),a        ; IE: VBlank only
        ld a,0x91
        ldh (0x40),a        ; LCD on
        ei
.wait:  halt
        ld a,(0xC000)
        cp 3
        jr nz,.wait
        di
        stop

vblank: push af
        ld a,(0xC000)
        inc a
        ld (0xC000),a
        pop af
        reti
    )");
    EXPECT_EQ(readByte(0xC000), 3);
    EXPECT_EQ(machine.ime, 0);
    EXPECT_EQ(cpu().SP, 0xD000);
    // Three frames at most, plus the part of a frame before the first VBlank.
    EXPECT_GT(steps, 2 * 7000);
    EXPECT_LT(steps, 4 * 7100);
}
