// The millisecond clock: an unsigned 32-bit count that wraps around. Callers take
// differences modulo 2^32, so the wrap never disturbs them.
#pragma once

#include <cstdint>

uint32_t tickCount();
// Gives the processor up for about this many milliseconds (the host may round the
// time up to its timer's granularity).
void sleepMilliseconds(uint32_t milliseconds);
