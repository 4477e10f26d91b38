#include "app/frame_pacer.h"

#include "cartridge/settings.h"
#include "app/app_flags.h"
#include "platform/clock.h"

namespace {

// The limit never holds more than this many frames in one window: the 59th frame's
// wait ends at 1003 ms, past the window's 999, so the window closes there. Frames
// run unlimited (fast-forward) do not make the next wait any longer.
constexpr uint32_t kFramesPerLimitedWindow = 59;

}  // namespace

void paceAfterVisibleLine(uint32_t& secondStart) {
    if (limitFps != 0 && fastForward == 0) {
        // framesThisSecond only moves when a frame is presented, after its last line,
        // so the wait happens right after each presented frame. The wait sleeps, and
        // spins on the clock only through its last millisecond.
        const uint32_t frames =
            framesThisSecond < kFramesPerLimitedWindow ? framesThisSecond : kFramesPerLimitedWindow;
        const uint32_t due = frames * kMillisecondsPerFrame;
        for (;;) {
            const uint32_t elapsed = static_cast<uint32_t>(tickCount() - secondStart);
            if (elapsed >= due) break;
            if (due - elapsed > 1) sleepMilliseconds(due - elapsed - 1);
        }
    }
    if (static_cast<uint32_t>(tickCount() - secondStart) > 999) {
        secondStart = tickCount();
        fpsShown = framesThisSecond;
        framesThisSecond = 0;
    }
}
