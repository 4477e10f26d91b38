// The real-time clock of MBC3 cartridges with a timer (header types 0x0F and 0x10).
//
// Five counters: seconds (6 bits), minutes (6 bits), hours (5 bits) and a 9-bit day
// counter whose overflow sets a carry bit that stays until the program clears it.
// A halt bit stops them. The program selects a register by writing 0x08-0x0C to
// 0x4000-0x5FFF, reads the copy taken at the last latch (0 then 1 written to
// 0x6000-0x7FFF) and writes the counters themselves.
//
// The counters run with emulated time: the handheld's 4,194,304 cycles make a
// second, and a step stands for 70224 / 7088 cycles. They are brought up to date
// only when the program touches the clock (and before a save), so the step itself
// pays nothing for them.
#pragma once

#include <cstdint>

#include "core/machine_state.h"
#include "core/timer.h"

inline constexpr uint8_t kClockSeconds = 0x08;
inline constexpr uint8_t kClockDayHigh = 0x0C;
inline constexpr uint8_t kClockHalt = 0x40;
inline constexpr uint8_t kClockDayCarry = 0x80;
// The bits each register has, seconds to day high; the others read as 0.
inline constexpr uint8_t kClockRegisterMasks[5] = {0x3F, 0x3F, 0x1F, 0xFF, 0xC1};

// Clock units: a step is kCyclesPerFrame of them and a cycle kStepsPerFrame, so
// whole numbers carry the step-to-cycle ratio exactly.
inline constexpr uint64_t kClockUnitsPerStep = kCyclesPerFrame;
inline constexpr uint64_t kClockUnitsPerSecond = uint64_t{4194304} * kStepsPerFrame;

// Stops and clears the clock, as a cartridge without a saved clock starts.
void resetClock();
// Counts the emulated time since the clock was last brought up to date.
void syncClock();
// Moves the counters on by whole seconds (nothing while halted), as while the game
// was switched off.
void advanceClockSeconds(uint64_t seconds);

// The latched copy of register 0x08-0x0C.
uint8_t readClockRegister(uint8_t reg);
// The program's write to a counter; writing the seconds restarts the current second.
void writeClockRegister(uint8_t reg, uint8_t value);
// A write to 0x6000-0x7FFF: 0 arms the latch, a following 1 copies the counters.
void writeClockLatch(uint8_t value);
