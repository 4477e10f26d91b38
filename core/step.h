// One emulation step: an instruction, an LCD update, the timer, at most one interrupt.
#pragma once

#include <cstdint>

// Returns false when no cartridge is loaded or the CPU is stopped (for good, or
// waiting for a button after STOP).
bool stepMachine();

// While the CPU runs nothing (halted or stopped) and has no interrupt to take, a step
// only counts DIV and the timer and moves the LCD towards its next tick. This does up
// to maxSteps such steps at once, never the step that would tick the LCD or overflow
// TIMA, and returns how many it did: 0 when the CPU is running, an interrupt is
// pending or no cartridge is loaded. The machine ends exactly as after that many stepMachine calls.
uint32_t skipIdleSteps(uint32_t maxSteps);

// The colour handheld's speed switch, made by STOP once the program has armed it in
// KEY1: the CPU goes from normal to double speed or back. The LCD, the sound unit and
// the cartridge's clock keep their pace in time; the timer and DIV follow the CPU.
void switchCpuSpeed();
