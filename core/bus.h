// The memory bus: the CPU's 16-bit address space mapped onto the buffers of
// MachineState, with the side effects of the I/O registers on write.
//
//   0x0000-0x3FFF  RomBank0
//   0x4000-0x7FFF  RomBankArea from romBankOffset (writes go to the bank controller)
//   0x8000-0x9FFF  VideoRam, bank VBK & 1
//   0xA000-0xBFFF  CartRam from ramBankOffset, or a clock register (reads ignore ramEnabled)
//   0xC000-0xCFFF  WorkRam0
//   0xD000-0xDFFF  WorkRamBanks, bank SVBK & 7
//   0xE000-0xFFFF  HighPage: echo area, OAM, I/O registers, high RAM, IE
#pragma once

#include <cstdint>

#include "core/audio.h"
#include "core/io_registers.h"
#include "core/machine_state.h"
#include "core/real_time_clock.h"

inline uint8_t readByte(uint16_t address) {
    if (address < 0x4000) return machine.RomBank0[address];
    if (address < 0x8000) return machine.RomBankArea[machine.romBankOffset + (address - 0x4000)];
    if (address < 0xA000)
        return machine.VideoRam[(machine.HighPage[reg::VBK] & 1) * 0x2000 + (address - 0x8000)];
    if (address < 0xC000) {
        if (machine.clockRegister) [[unlikely]]
            return readClockRegister(machine.clockRegister);
        return machine.CartRam[machine.ramBankOffset + (address - 0xA000)];
    }
    if (address < 0xD000) return machine.WorkRam0[address - 0xC000];
    if (address < 0xE000)
        return machine
            .WorkRamBanks[(machine.HighPage[reg::SVBK] & 7) * 0x1000 + (address - 0xD000)];
    // NR52's channel bits move with emulated time: the audio unit catches up first.
    if (address == 0xFF26) [[unlikely]]
        return readSoundStatus();
    return machine.HighPage[address - 0xE000];
}

void writeByte(uint8_t value, uint16_t address);

// One block of the running horizontal-blank transfer: 16 bytes into the selected video
// RAM bank, HDMA5 then reading the blocks left minus 1, or 0xFF after the last. The LCD
// calls it at the end of each visible line's transfer while blocks are left.
void copyHblankDmaBlock();

// High byte from address + 1 first, then the low byte; address + 1 wraps to 0x0000.
inline uint16_t readWord(uint16_t address) {
    const uint8_t high = readByte(static_cast<uint16_t>(address + 1));
    const uint8_t low = readByte(address);
    return static_cast<uint16_t>((high << 8) | low);
}

// Low byte to the address first, then the high byte, each with all its side effects.
inline void writeWord(uint16_t value, uint16_t address) {
    writeByte(static_cast<uint8_t>(value & 0xFF), address);
    writeByte(static_cast<uint8_t>(value >> 8), static_cast<uint16_t>(address + 1));
}

// True when header byte 0x143 marks a colour cartridge.
inline bool isColourCartridge() {
    return machine.RomBank0[0x143] >= 0x80;
}
