#include "core/lcd.h"

#include "core/bus.h"
#include "core/io_registers.h"
#include "core/machine_state.h"

using namespace reg;

void advanceStatMode(uint8_t mode) {
    uint8_t* io = machine.HighPage.data();
    switch (mode) {
        case 0:  // leaving horizontal blank
            if (io[STAT] & 0x08) io[IF] |= kIntStat;
            io[STAT] += 2;
            break;
        case 1: io[STAT] += 1; break;
        case 2:  // leaving OAM search
            if (io[STAT] & 0x20) io[IF] |= kIntStat;
            io[STAT] += 1;
            break;
        default: io[STAT] -= 3; break;
    }
}

namespace {

// A new frame: the window starts again from its first row, once LY meets WY.
void startFrame() {
    machine.windowLinesShown = 0;
    machine.windowYReached = false;
}

// The end of a visible line's transfer, when the line is drawn: the window's line
// count moves on if the window is part of it, and the horizontal blank that begins
// copies the next block of a running transfer to video RAM.
void finishTransfer() {
    const uint8_t* io = machine.HighPage.data();
    // The window's top is found only while the window is switched on: one switched
    // on after LY has passed WY stays hidden for the rest of the frame.
    if (io[LY] == io[WY] && (io[LCDC] & 0x20)) machine.windowYReached = true;
    if (windowOnLine()) ++machine.windowLinesShown;
    if (machine.hblankDmaBlocks != 0) copyHblankDmaBlock();
}

}  // namespace

void tickLcd() {
    uint8_t* io = machine.HighPage.data();
    if (io[LY] < 144) {
        const uint8_t mode = io[STAT] & 3;
        if (mode == 0) ++io[LY];
        if (mode == 3) finishTransfer();
        advanceStatMode(mode);
    } else {
        // Lines 144-153 stay in mode 2, the mode they entered with; the wrap to line 0
        // requests VBlank and puts the LCD in mode 1 for the first tick of the frame.
        if (++io[LY] > 153) {
            io[LY] = 0;
            startFrame();
            io[IF] |= kIntVBlank;
            if (io[STAT] & 0x10) io[IF] |= kIntStat;
            io[STAT] = static_cast<uint8_t>((io[STAT] & 0xFC) | 1);
        }
    }
    // Programs poll the LY=LYC flag, so it follows LY on every tick.
    if (io[LY] == io[LYC]) {
        io[STAT] |= 0x04;
        if (io[STAT] & 0x40) io[IF] |= kIntStat;
    } else {
        io[STAT] &= static_cast<uint8_t>(~0x04);
    }
    machine.lcdTickCounter = 0;
}

void writeLcdControl(uint8_t value) {
    uint8_t* io = machine.HighPage.data();
    if ((io[LCDC] & 0x80) && !(value & 0x80)) {
        // The common "wait while video RAM is busy" loops poll the mode field after
        // switching off, so it must read 0 rather than stay where it was.
        io[LY] = 0;
        io[STAT] &= static_cast<uint8_t>(~0x03);
        machine.lcdTickCounter = 0;
        startFrame();
    }
    io[LCDC] = value;
}

void writeLcdStatus(uint8_t value) {
    uint8_t& stat = machine.HighPage[STAT];
    stat = static_cast<uint8_t>((stat & 0x07) | (value & 0xF8));
}
