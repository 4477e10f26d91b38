// The millisecond clock: an unsigned 32-bit count that wraps around. Callers take
// differences modulo 2^32, so the wrap never disturbs them.
#pragma once

#include <cstdint>

uint32_t tickCount();
