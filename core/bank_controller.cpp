#include "core/bank_controller.h"

#include <bit>

#include "core/machine_state.h"
#include "core/real_time_clock.h"

namespace {

uint8_t enableValue(uint8_t value) {
    return (value & 0x0F) == 0x0A ? 1 : 0;
}

// The bank registers of MBC1, MBC2 and MBC3 read a written 0 as 1.
uint8_t nonZeroBank(uint8_t bank) {
    return bank == 0 ? 1 : bank;
}

// MBC1 holds the ROM bank in two registers: the lower five bits (0 reads as 1, so
// the bank after bank 0 is shown instead of bank 0 itself) and two upper bits that
// also select the RAM bank in mode 1. romBank keeps both as upper x 32 + lower.
void writeMbc1(uint8_t value, uint16_t address) {
    if (address < 0x2000) {
        machine.ramEnabled = enableValue(value);
    } else if (address < 0x4000) {
        const uint8_t lower = nonZeroBank(value & 0x1F);
        machine.romBank = static_cast<uint16_t>((machine.romBank & 0x60) | lower);
    } else if (address < 0x6000) {
        machine.romBank = static_cast<uint16_t>(((value & 0x03) << 5) | (machine.romBank & 0x1F));
        machine.ramBank = value & 0x03;
    } else {
        machine.bankingMode = value & 0x01;
    }
}

// MBC2 decodes address bit 8 in 0x0000-0x3FFF: set, the write selects the ROM bank;
// clear, it would enable RAM, which here stays enabled.
void writeMbc2(uint8_t value, uint16_t address) {
    if (address < 0x4000 && (address & 0x0100)) {
        machine.romBank = nonZeroBank(value & 0x0F);
    }
}

// MBC3: seven ROM bank bits (0 reads as 1); 0x00-0x07 select a RAM bank, and on a
// cartridge with the clock 0x08-0x0C map a clock register in its place.
void writeMbc3(uint8_t value, uint16_t address) {
    if (address < 0x2000) {
        machine.ramEnabled = enableValue(value);
    } else if (address < 0x4000) {
        machine.romBank = nonZeroBank(value & 0x7F);
    } else if (address < 0x6000) {
        if (machine.hasClock && value >= kClockSeconds && value <= kClockDayHigh) {
            machine.clockRegister = value;
        } else {
            machine.clockRegister = 0;
            machine.ramBank = value & 0x07;
        }
    } else if (machine.hasClock) {
        writeClockLatch(value);
    }
}

// MBC5: nine ROM bank bits, bank 0 included; four RAM bank bits, of which the rumble
// cartridges wire the top one to the motor.
void writeMbc5(uint8_t value, uint16_t address, bool rumble) {
    if (address < 0x2000) {
        machine.ramEnabled = enableValue(value);
    } else if (address < 0x3000) {
        machine.romBank = static_cast<uint16_t>((machine.romBank & 0x100) | value);
    } else if (address < 0x4000) {
        machine.romBank = static_cast<uint16_t>(((value & 0x01) << 8) | (machine.romBank & 0xFF));
    } else if (address < 0x6000) {
        if (rumble) {
            machine.rumbleMotor = (value >> 3) & 1;
            machine.rumbleSeen |= machine.rumbleMotor;
            machine.ramBank = value & 0x07;
        } else {
            machine.ramBank = value & 0x0F;
        }
    }
}

}  // namespace

uint32_t wrapBank(uint32_t bank, uint32_t count) {
    if (count <= 1) return 0;
    bank &= std::bit_ceil(count) - 1;
    // Only the sizes that no cartridge was built with (72, 80 or 96 banks) leave a
    // number past the end; it wraps round what is there.
    return bank < count ? bank : bank % count;
}

void updateBankOffsets() {
    machine.romBankOffset = wrapBank(machine.romBank, machine.romSize / 0x4000) * 0x4000;
    // MBC1 maps RAM bank 0 in mode 0; MBC2 has one bank of RAM.
    uint32_t ramBank = machine.ramBank;
    if ((machine.controllerType == 1 && machine.bankingMode == 0) || machine.controllerType == 2)
        ramBank = 0;
    machine.ramBankOffset = wrapBank(ramBank, machine.cartRamSize / 0x2000) * 0x2000;
}

void writeBankController(uint8_t value, uint16_t address) {
    switch (machine.controllerType) {
        case 1: writeMbc1(value, address); break;
        case 2: writeMbc2(value, address); break;
        case 3: writeMbc3(value, address); break;
        case 5: writeMbc5(value, address, false); break;
        case 6: writeMbc5(value, address, true); break;
        default: return;  // no controller: the ROM ignores writes
    }
    updateBankOffsets();
}

bool takeRumble() {
    const bool ran = machine.rumbleSeen || machine.rumbleMotor;
    // A motor still running has run in the time from here to the next call too.
    machine.rumbleSeen = machine.rumbleMotor;
    return ran;
}
