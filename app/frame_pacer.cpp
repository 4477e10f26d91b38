#include "app/frame_pacer.h"

#include "app/app_flags.h"
#include "platform/clock.h"

void restartPacing(FramePacer& pacer) {
    pacer.started = false;
}

uint64_t frameDue(FramePacer& pacer, uint64_t stepCount, uint64_t nowMicroseconds) {
    if (!pacer.started) {
        pacer = FramePacer{true, nowMicroseconds, 0, stepCount};
        return nowMicroseconds;
    }
    // Normal frames move the count on by about a frame (a little more or less where
    // the LCD was switched on or off); anything else is a jump in the machine's time.
    uint64_t steps = stepCount - pacer.lastStepCount;
    if (stepCount < pacer.lastStepCount || steps > 4 * kStepsPerFrame) steps = kStepsPerFrame;
    pacer.lastStepCount = stepCount;
    pacer.steps += steps;
    if (pacer.steps >= kStepsPerPacingPeriod) {
        pacer.steps -= kStepsPerPacingPeriod;
        pacer.startMicroseconds += kMicrosecondsPerPacingPeriod;
    }
    const uint64_t due = pacer.startMicroseconds + microsecondsOfSteps(pacer.steps);
    if (nowMicroseconds > due + kMaxLagMicroseconds) {
        pacer.startMicroseconds = nowMicroseconds;
        pacer.steps = 0;
        return nowMicroseconds;
    }
    return due;
}

void waitUntil(uint64_t dueMicroseconds) {
    for (uint64_t now = microsecondCount(); now < dueMicroseconds; now = microsecondCount()) {
        const uint64_t left = dueMicroseconds - now;
        // A sleep may run a little over (up to a millisecond with a 1 ms timer), so
        // it stops short of the deadline; the rest is passed giving the processor up.
        if (left > 1500) {
            sleepMilliseconds(left >= 3000 ? static_cast<uint32_t>(left / 1000 - 1) : 1);
        } else {
            yieldProcessor();
        }
    }
}

void updateFrameRateWindow(uint32_t& secondStart) {
    const uint32_t now = tickCount();
    if (static_cast<uint32_t>(now - secondStart) > 999) {
        secondStart = now;
        fpsShown = framesThisSecond;
        framesThisSecond = 0;
    }
}
