#include "app/frame_pacer.h"

#include "cartridge/settings.h"
#include "core/app_flags.h"
#include "platform/clock.h"

void paceAfterVisibleLine(uint32_t& secondStart) {
    if (limitFps != 0) {
        // framesThisSecond only moves when a frame is presented at line 0, so the wait
        // happens right after each presented frame. It never sleeps.
        const uint32_t due = framesThisSecond * kMillisecondsPerFrame;
        while (static_cast<uint32_t>(tickCount() - secondStart) < due) {
        }
    }
    if (static_cast<uint32_t>(tickCount() - secondStart) > 999) {
        secondStart = tickCount();
        fpsShown = framesThisSecond;
        framesThisSecond = 0;
    }
}
