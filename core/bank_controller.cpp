#include "core/bank_controller.h"

#include "core/machine_state.h"

namespace {

// A bank value of 0 and 1 both map the first 8 KB; a bank whose 8 KB would end
// beyond CartRam is refused and the previous bank stays.
void selectRamBank(uint8_t value, uint8_t mask) {
    const uint8_t n = value & mask;
    if (n == 0) {
        machine.ramBank = 1;
    } else if (machine.cartRamSize / n >= 0x2000) {
        machine.ramBank = n;
    }
}

uint8_t enableValue(uint8_t value) {
    return (value & 0x0F) == 0x0A ? 1 : 0;
}

uint8_t nonZeroBank(uint8_t bank) {
    return bank == 0 ? 1 : bank;
}

void writeMbc1(uint8_t value, uint16_t address) {
    if (address < 0x2000) {
        machine.ramEnabled = enableValue(value);
    } else if (address < 0x4000) {
        // The whole bank number is replaced, so bits 5-6 from the upper register are lost.
        machine.romBank = nonZeroBank(value & 0x1F);
    } else if (address < 0x6000) {
        if (machine.bankingMode == 0) {
            machine.romBank =
                nonZeroBank(static_cast<uint8_t>(((value & 0x03) << 5) | (machine.romBank & 0x1F)));
        } else {
            selectRamBank(value, 0x03);
        }
    } else {
        machine.bankingMode = value & 0x01;
    }
}

void writeMbc2(uint8_t value, uint16_t address) {
    // RAM stays enabled; only the ROM bank register is wired.
    if (address >= 0x2000 && address < 0x4000) machine.romBank = nonZeroBank(value & 0x0F);
}

void writeMbc3(uint8_t value, uint16_t address) {
    if (address < 0x2000) {
        machine.ramEnabled = enableValue(value);
    } else if (address < 0x4000) {
        machine.romBank = nonZeroBank(value & 0x7F);
    } else if (address < 0x6000) {
        // No real-time clock: clock register numbers select RAM banks by their low bits.
        selectRamBank(value, 0x03);
    }
}

void writeMbc5(uint8_t value, uint16_t address) {
    if (address < 0x2000) {
        machine.ramEnabled = enableValue(value);
    } else if (address < 0x3000) {
        machine.romBank = nonZeroBank(value);
    } else if (address < 0x4000) {
        // No ninth ROM bank bit.
    } else if (address < 0x6000) {
        selectRamBank(value, 0x0F);
    }
}

}  // namespace

void writeBankController(uint8_t value, uint16_t address) {
    switch (machine.controllerType) {
        case 1: writeMbc1(value, address); break;
        case 2: writeMbc2(value, address); break;
        case 3: writeMbc3(value, address); break;
        case 5: writeMbc5(value, address); break;
        default: break;  // no controller, or MBC5 with rumble: no bank switching
    }
}
