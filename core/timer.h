// The divider DIV and the hardware timer TIMA, counted from emulation steps.
//
// DIV counts down by one on every step. TIMA counts up while TAC bit 2 is set, once
// per 1024, 16, 64 or 256 clock cycles (TAC bits 0-1 = 0, 1, 2, 3); when it overflows
// it is reloaded from TMA and the timer interrupt is requested. A frame is 7088 steps
// and 70224 clock cycles, so a step stands for 70224 / 7088 cycles. The timer keeps
// that fraction exact in whole numbers: timerPhase grows by 70224 / 16 per step and
// one count of TIMA takes cycles x 7088 / 16 of it, so a second of emulated time
// gives exactly the handheld's number of counts, with no drift.
#pragma once

#include <cstdint>

#include "core/io_registers.h"
#include "core/machine_state.h"

inline constexpr uint32_t kStepsPerFrame = 7088;
inline constexpr uint32_t kCyclesPerFrame = 70224;
inline constexpr uint32_t kTimerUnitsPerStep = kCyclesPerFrame / 16;  // 4389
inline constexpr uint32_t kTimerUnitsPerCycle = kStepsPerFrame / 16;  // 443
static_assert(kTimerUnitsPerStep * 16 == kCyclesPerFrame &&
              kTimerUnitsPerCycle * 16 == kStepsPerFrame);

// Timer units between two counts of TIMA, by TAC bits 0-1.
inline constexpr uint32_t kTimerPeriods[4] = {1024 * kTimerUnitsPerCycle, 16 * kTimerUnitsPerCycle,
                                              64 * kTimerUnitsPerCycle, 256 * kTimerUnitsPerCycle};
// Even the fastest rate counts at most once per step.
static_assert(kTimerUnitsPerStep < kTimerPeriods[1]);

// One count of TIMA, with the reload from TMA and the interrupt on overflow.
void countTimer(uint32_t period);

// Called once per step. Inline, since it runs for every instruction.
inline void advanceTimer() {
    uint8_t* const io = machine.HighPage.data();
    --io[reg::DIV];
    if (!(io[reg::TAC] & 0x04)) return;
    machine.timerPhase += kTimerUnitsPerStep;
    const uint32_t period = kTimerPeriods[io[reg::TAC] & 3];
    if (machine.timerPhase >= period) countTimer(period);
}

// How many steps can pass before the step on which TIMA overflows: 0 when that is
// the next one, UINT32_MAX while the timer is stopped.
uint32_t stepsBeforeTimerOverflow();

// The effect of `steps` calls of advanceTimer at once; TIMA must not overflow in them
// (steps at most stepsBeforeTimerOverflow()).
void skipTimerSteps(uint32_t steps);
