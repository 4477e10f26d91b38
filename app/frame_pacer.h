// Frame pacing: emulated time held in step with the host's clock at the handheld's
// own rate, and the once-a-second count of presented frames.
//
// The handheld's clock runs at 4,194,304 Hz and a frame is 70,224 of its cycles,
// 59.73 frames a second (16.74 ms each), whether the LCD is on or off. The machine
// counts its time in steps (machine.stepCount, 7,088 to a frame at either speed), so
// the pacer reads emulated time from there and sleeps until the host's clock has
// caught up with it.
#pragma once

#include <cstdint>

inline constexpr uint64_t kClockHz = 4194304;
inline constexpr uint64_t kCyclesPerFrame = 70224;
inline constexpr uint64_t kStepsPerFrame = 7088;

// Microseconds of emulated time in this many steps, rounded down. Steps and
// microseconds meet exactly every kStepsPerPacingPeriod steps
// (kMicrosecondsPerPacingPeriod microseconds, about 69 s).
inline constexpr uint64_t kStepsPerPacingPeriod = 29032448;
inline constexpr uint64_t kMicrosecondsPerPacingPeriod = 68578125;
inline constexpr uint64_t microsecondsOfSteps(uint64_t steps) {
    return steps * kMicrosecondsPerPacingPeriod / kStepsPerPacingPeriod;
}

// A frame may end this late before the pacer gives up catching up and starts
// counting again from now: a stall (the host busy, the window dragged) is not made
// up for by running fast afterwards.
inline constexpr uint64_t kMaxLagMicroseconds = 50000;

struct FramePacer {
    bool started = false;
    uint64_t startMicroseconds = 0;  // the host's time at which `steps` was 0
    uint64_t steps = 0;              // emulated steps paced since then
    uint64_t lastStepCount = 0;      // machine.stepCount at the last frame's end
};

// Forgets the pace: the next frame's end starts it again from the host's time then.
void restartPacing(FramePacer& pacer);

// At the end of a frame of emulated time, the machine's step count then and the
// host's time now: returns the host time at which the frame is due to end. Time that
// jumps (a state loaded, a rewind, a reset) counts as one frame.
uint64_t frameDue(FramePacer& pacer, uint64_t stepCount, uint64_t nowMicroseconds);

// Sleeps until the host's clock reaches the due time: in whole milliseconds up to
// about one before it, then giving the processor up until it is there.
void waitUntil(uint64_t dueMicroseconds);

// Once more than 999 ms have passed since secondStart, starts a new window: the
// frames presented in it go to fpsShown and the count starts again from 0. Clock
// differences are taken modulo 2^32, so the clock wrapping does not disturb it.
void updateFrameRateWindow(uint32_t& secondStart);
