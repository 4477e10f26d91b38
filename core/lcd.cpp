#include "core/lcd.h"

#include "core/io_registers.h"
#include "core/machine_state.h"

using namespace reg;

void advanceStatMode(uint8_t mode) {
    uint8_t* io = machine.HighPage;
    switch (mode) {
        case 0:  // leaving horizontal blank
            if (io[STAT] & 0x08) io[IF] |= 0x02;
            io[STAT] += 2;
            break;
        case 1: io[STAT] += 1; break;
        case 2:  // leaving OAM search
            if (io[STAT] & 0x20) io[IF] |= 0x02;
            io[STAT] += 1;
            break;
        default: io[STAT] -= 3; break;
    }
}

void tickLcd() {
    uint8_t* io = machine.HighPage;
    if (io[LY] < 144) {
        const uint8_t mode = io[STAT] & 3;
        if (mode == 0) ++io[LY];
        advanceStatMode(mode);
    } else {
        // Lines 144-153 stay in the mode they entered with; the wrap to line 0 requests
        // VBlank and takes the whole STAT byte down by one (mode 2 becomes mode 1).
        if (++io[LY] > 153) {
            io[LY] = 0;
            io[IF] |= 0x01;
            if (io[STAT] & 0x10) io[IF] |= 0x02;
            --io[STAT];
        }
    }
    if ((io[STAT] & 0x40) && io[LY] == io[LYC]) io[IF] |= 0x02;
    machine.lcdTickCounter = 0;
}
