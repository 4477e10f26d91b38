#include "core/real_time_clock.h"

#include <gtest/gtest.h>

#include "core/bus.h"
#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

class RealTimeClockTest : public MachineTest {};

// A clock cartridge's program sets the clock to the last second of day 511 (halted
// while it does), latches, waits about 1.9 emulated seconds, reads again without
// latching, then latches once more: the counters rolled over into the day carry.
TEST_F(RealTimeClockTest, ProgramSetsLatchesAndSeesTheClockRollOver) {
    const sm83::AssemblyResult assembled = sm83::assemble(R"(
        header type=0x10, rom=0x00, ram=0x02
        org 0x0100
        nop
        jp start
        org 0x0150
start:  ld sp,0xFFFE
        ld a,0x0A
        ld (0x0000),a       ; RAM and clock on
        ld a,0x0C
        ld (0x4000),a
        ld a,0x40
        ld (0xA000),a       ; halted while it is set
        ld hl,values
        ld c,0x08
.set:   ld a,c
        ld (0x4000),a
        ld a,(hl+)
        ld (0xA000),a
        inc c
        ld a,c
        cp 0x0D
        jr nz,.set
        call latch
        ld de,0xC000
        call readAll
        ld e,3              ; three times 65,535 x 4 steps: about 1.86 s
.outer: ld bc,0xFFFF
.wait:  dec bc
        ld a,b
        or c
        jr nz,.wait
        dec e
        jr nz,.outer
        ld de,0xC008
        call readAll        ; not latched again: the same values
        call latch
        ld de,0xC010
        call readAll
        stop
latch:  xor a
        ld (0x6000),a
        inc a
        ld (0x6000),a
        ret
readAll: ld c,0x08
.read:  ld a,c
        ld (0x4000),a
        ld a,(0xA000)
        ld (de),a
        inc de
        inc c
        ld a,c
        cp 0x0D
        jr nz,.read
        ret
values: db 59, 59, 23, 0xFF, 0x01    ; 23:59:59 on day 511, running
    )");
    ASSERT_TRUE(assembled.ok) << assembled.error;
    installImage(assembled.image, 3);
    machine.hasClock = 1;
    for (int step = 0; step < 1'000'000 && stepMachine(); ++step) {
    }
    ASSERT_EQ(machine.stopped, kWaitingForButton);
    const uint8_t set[5] = {59, 59, 23, 0xFF, 0x01};
    const uint8_t rolled[5] = {0, 0, 0, 0x00, 0x80};  // day 0, carry set
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC000 + i)), set[i]) << "first latch " << i;
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC008 + i)), set[i]) << "unlatched " << i;
        EXPECT_EQ(readByte(static_cast<uint16_t>(0xC010 + i)), rolled[i]) << "second latch " << i;
    }
}

// Time while the game was off is added in one sum; counters the program set out of
// range count up to the top of their bits and wrap without carrying, as the chip's do.
TEST_F(RealTimeClockTest, SecondsAddUpAsTheCountersCarry) {
    struct Case {
        const char* name;
        uint8_t start[5];
        uint64_t seconds;
        uint8_t want[5];
    };
    const Case cases[] = {
        {"one second carries everywhere", {59, 59, 23, 0xFF, 0x01}, 1, {0, 0, 0, 0, 0x80}},
        {"a day and a bit", {0, 0, 0, 0, 0}, 86400 + 3661, {1, 1, 1, 1, 0}},
        {"day 255 to 256 sets bit 8", {0, 0, 0, 0xFF, 0}, 86400, {0, 0, 0, 0, 0x01}},
        {"carry stays once set", {0, 0, 0, 0, 0x80}, 60, {0, 1, 0, 0, 0x80}},
        {"halted counts nothing", {5, 0, 0, 0, 0x40}, 1000, {5, 0, 0, 0, 0x40}},
        {"seconds 62 wrap to 0 without a carry", {62, 10, 0, 0, 0}, 3, {1, 10, 0, 0, 0}},
        {"hours 30 wrap to 0 without a day", {0, 0, 30, 7, 0}, 2 * 3600, {0, 0, 0, 7, 0}},
        {"years later the days wrap", {0, 0, 0, 0, 0}, 600ull * 86400, {0, 0, 0, 88, 0x80}},
    };
    for (const Case& c : cases) {
        resetClock();
        for (int i = 0; i < 5; ++i) machine.clock.counters[i] = c.start[i];
        advanceClockSeconds(c.seconds);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(machine.clock.counters[i], c.want[i]) << c.name << " register " << i;
    }
}

}  // namespace
