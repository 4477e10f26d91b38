// The hardware timer, through assembled cartridges: counts at each TAC rate over a
// whole number of frames, the reload from TMA, and a program halted until the timer
// interrupt.
#include "core/timer.h"

#include <gtest/gtest.h>

#include <string>

#include "core/step.h"
#include "machine_fixture.h"
#include "tools/assembler/assembler.h"

namespace {

// Counts timer interrupts in 0xFF80-0xFF81 while the main loop halts. TAC, TMA and
// the starting TIMA are filled in per case.
std::string timerProgram(int tac, int tma) {
    return R"(
        org 0x0050
        push af
        ldh a,(0x80)
        add a,1
        ldh (0x80),a
        ldh a,(0x81)
        adc a,0
        ldh (0x81),a
        pop af
        reti
        org 0x0100
        jp start
        org 0x0150
start:  ld sp,0xFFFE
        xor a
        ldh (0x80),a
        ldh (0x81),a
        ldh (0x0F),a
        ld a,)" +
           std::to_string(tma) +
           R"(
        ldh (0x06),a        ; TMA
        ldh (0x05),a        ; TIMA starts from TMA
        ld a,0x04
        ldh (0xFF),a        ; IE: timer only
        ei
        ld a,)" +
           std::to_string(tac) +
           R"(
        ldh (0x07),a        ; TAC: the timer starts with this step
.wait:  halt
        jr .wait
    )";
}

void install(const std::string& source) {
    const sm83::AssemblyResult assembled = sm83::assemble(source);
    ASSERT_TRUE(assembled.ok) << assembled.error;
    installImage(assembled.image);
}

TEST(TimerTest, CountsAtEachRateWithoutDrift) {
    struct Case {
        int tac;
        int tma;
        uint32_t cyclesPerCount;
    };
    const Case cases[] = {
        {0x04, 0x00, 1024},
        {0x05, 0xC0, 16},
        {0x06, 0x80, 64},
        {0xFF, 0x00, 256},  // unused TAC bits set: they read back and change nothing
    };
    constexpr uint32_t kFrames = 64;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tac);
        install(timerProgram(c.tac, c.tma));
        // Step up to and including the TAC write; from there count whole frames.
        int guard = 0;
        while (!(machine.HighPage[reg::TAC] & 0x04) && ++guard < 100) stepMachine();
        ASSERT_LT(guard, 100);
        for (uint32_t i = 1; i < kFrames * kStepsPerFrame; ++i) stepMachine();
        EXPECT_EQ(machine.HighPage[reg::TAC], c.tac);
        // Stop the timer and let a handler entered on the last step finish its count.
        machine.HighPage[reg::TAC] = 0;
        for (int i = 0; i < 20; ++i) stepMachine();
        const uint32_t interrupts = machine.HighPage[0x1F80] | machine.HighPage[0x1F81] << 8;
        const uint32_t counts = interrupts * (256u - c.tma) + machine.HighPage[reg::TIMA] -
                                static_cast<uint32_t>(c.tma);
        EXPECT_EQ(counts, kFrames * kCyclesPerFrame / c.cyclesPerCount);
        EXPECT_GT(interrupts, 0u);
        EXPECT_EQ(machine.HighPage[reg::TMA], c.tma);
        freeMachineBuffers();
    }
}

}  // namespace
