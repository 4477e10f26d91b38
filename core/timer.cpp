#include "core/timer.h"

using namespace reg;

void countTimer(uint32_t period) {
    uint8_t* const io = machine.HighPage.data();
    machine.timerPhase -= period;
    // A program that has just chosen a faster rate can leave more than one period
    // behind; what is over a whole period is dropped rather than counted all at once.
    if (machine.timerPhase >= period) machine.timerPhase %= period;
    if (++io[TIMA] == 0) {
        io[TIMA] = io[TMA];
        io[IF] |= kIntTimer;
    }
}

uint32_t stepsBeforeTimerOverflow() {
    const uint8_t* const io = machine.HighPage.data();
    if (!(io[TAC] & 0x04)) return UINT32_MAX;
    const uint32_t period = kTimerPeriods[io[TAC] & 3];
    // Left over from a rate change: let a real step settle it first.
    if (machine.timerPhase >= period) return 0;
    // TIMA overflows on the first step s where phase + s x unitsPerStep reaches
    // (256 - TIMA) periods; every step before that is quiet.
    const uint32_t unitsToOverflow = (256u - io[TIMA]) * period - machine.timerPhase;
    const uint32_t overflowStep = (unitsToOverflow + kTimerUnitsPerStep - 1) / kTimerUnitsPerStep;
    return overflowStep - 1;
}

void skipTimerSteps(uint32_t steps) {
    uint8_t* const io = machine.HighPage.data();
    io[DIV] = static_cast<uint8_t>(io[DIV] - steps);
    if (!(io[TAC] & 0x04)) return;
    const uint32_t period = kTimerPeriods[io[TAC] & 3];
    const uint64_t phase = machine.timerPhase + static_cast<uint64_t>(steps) * kTimerUnitsPerStep;
    io[TIMA] = static_cast<uint8_t>(io[TIMA] + phase / period);
    machine.timerPhase = static_cast<uint32_t>(phase % period);
}
