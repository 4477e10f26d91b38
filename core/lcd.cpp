#include "core/lcd.h"

#include "core/machine_state.h"

namespace {

constexpr uint16_t kIf = 0x1F0F;
constexpr uint16_t kStat = 0x1F41;
constexpr uint16_t kLy = 0x1F44;
constexpr uint16_t kLyc = 0x1F45;

}  // namespace

void advanceStatMode(uint8_t mode) {
    uint8_t* io = machine.HighPage;
    switch (mode) {
        case 0:  // leaving horizontal blank
            if (io[kStat] & 0x08) io[kIf] |= 0x02;
            io[kStat] += 2;
            break;
        case 1: io[kStat] += 1; break;
        case 2:  // leaving OAM search
            if (io[kStat] & 0x20) io[kIf] |= 0x02;
            io[kStat] += 1;
            break;
        default: io[kStat] -= 3; break;
    }
}

void tickLcd() {
    uint8_t* io = machine.HighPage;
    if (io[kLy] < 144) {
        const uint8_t mode = io[kStat] & 3;
        if (mode == 0) ++io[kLy];
        advanceStatMode(mode);
    } else {
        // Lines 144-153 stay in the mode they entered with; the wrap to line 0 requests
        // VBlank and takes the whole STAT byte down by one (mode 2 becomes mode 1).
        if (++io[kLy] > 153) {
            io[kLy] = 0;
            io[kIf] |= 0x01;
            if (io[kStat] & 0x10) io[kIf] |= 0x02;
            --io[kStat];
        }
    }
    if ((io[kStat] & 0x40) && io[kLy] == io[kLyc]) io[kIf] |= 0x02;
    machine.lcdTickCounter = 0;
}
