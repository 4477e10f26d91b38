// The host's clocks. The millisecond clock is an unsigned 32-bit count that wraps
// around; callers take differences modulo 2^32, so the wrap never disturbs them. The
// microsecond clock is a monotonic 64-bit count for pacing.
#pragma once

#include <cstdint>

uint32_t tickCount();
uint64_t microsecondCount();
// Gives the processor up for about this many milliseconds (the host may round the
// time up to its timer's granularity).
void sleepMilliseconds(uint32_t milliseconds);
// Gives the processor up for a moment, far less than a millisecond: a tenth of one
// where the host can sleep that briefly, else the rest of the time slice.
void yieldProcessor();
