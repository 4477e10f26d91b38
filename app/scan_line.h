// Runs the machine from one moment of the LCD's frame to the next that matters to
// the program around it: the end of a visible line's transfer, when the line is to
// be drawn, or a new line of the vertical blank.
#pragma once

#include <cstdint>

#include "core/io_registers.h"
#include "core/machine_state.h"

// While the LCD is off LY stands still; a program that then halts, stops or just
// never turns the LCD back on would keep the stepping going for ever. After a frame's
// time without an LCD event the caller gets control back, so input is still polled
// and the program can be paused or closed. A frame is this many steps at normal
// speed and twice as many at double speed.
inline constexpr uint32_t kMaxStepsWithoutLineChange = 7088;

inline uint32_t maxStepsWithoutLineChange() {
    return kMaxStepsWithoutLineChange << machine.doubleSpeed;
}

enum class LcdEvent : uint8_t {
    // maxStepsWithoutLineChange() steps went by without any of the events below.
    None,
    // Visible line LY has just been transferred (mode 3 ended): it is drawn now, after
    // the program's LY=LYC and mode-2 handlers for the line have had their turn.
    LineTransferred,
    // LY moved on from a line of the vertical blank, to the next one or, at the end
    // of the frame, to 0.
    BlankLineEnded,
};

// Calls stepMachine at least once and until an LCD event, which it returns. There
// are 154 events in a frame: 144 transferred lines and 10 blank lines. The number of
// steps taken goes to stepsTaken when it is given.
LcdEvent stepToLcdEvent(uint32_t* stepsTaken = nullptr);

// Whether the event just returned ends a frame of emulated time: LY wrapping round to
// 0, or with the LCD off a frame's worth of steps without a change.
inline bool endsFrame(LcdEvent event) {
    return event == LcdEvent::None ||
           (event == LcdEvent::BlankLineEnded && machine.HighPage[reg::LY] == 0);
}
