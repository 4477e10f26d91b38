// Frame pacing after each visible line: the optional 60 frames per second limit
// and the once-a-second frame-rate window.
#pragma once

#include <cstdint>

// Milliseconds each frame of a window may take at the most when the limit is on.
inline constexpr uint32_t kMillisecondsPerFrame = 17;

// With limitFps set (and fastForward clear), sleeps until framesThisSecond x 17 ms
// have passed since secondStart; then, once more than 999 ms have passed, starts a new window: the
// frame count goes to fpsShown and starts again from 0. All clock differences are
// taken modulo 2^32, so the clock wrapping does not disturb either.
void paceAfterVisibleLine(uint32_t& secondStart);
