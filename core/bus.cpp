#include "core/bus.h"

#include "core/audio.h"
#include "core/bank_controller.h"
#include "core/io_registers.h"
#include "core/lcd.h"

namespace {

uint8_t& io(uint16_t index) {
    return machine.HighPage[index];
}

// P1: the program selects a button group and the pressed buttons are folded in at
// this moment only; later reads return this byte until the next write.
void selectJoypad(uint8_t value) {
    if (value == 0x03) {
        io(reg::P1) = 0xF0;
        return;
    }
    uint8_t p1 = value | 0xCF;
    const JoypadButtons& pad = machine.joypad;
    if (p1 == 0xEF) {
        p1 = static_cast<uint8_t>(0xEF - (8 * pad.down + 4 * pad.up + 2 * pad.left + pad.right));
    } else if (p1 == 0xDF) {
        p1 = static_cast<uint8_t>(0xDF - (8 * pad.start + 4 * pad.select + 2 * pad.b + pad.a));
    }
    io(reg::P1) = p1;
}

// OAM DMA copies 160 bytes at once, straight into OAM, from any source page.
void runOamDma(uint8_t page) {
    for (uint16_t i = 0; i < 160; ++i) {
        machine.HighPage[reg::OAM + i] = readByte(static_cast<uint16_t>(page * 0x100 + i));
    }
}

// General DMA runs in full at once. The address registers are read again for every
// byte and nothing is masked, so a destination on the register page may rewrite them
// as it goes, but a write it makes to HDMA5 is dropped: it never starts a transfer
// inside the running one.
void runGeneralDma(uint8_t value) {
    machine.generalDmaRunning = 1;
    const uint32_t length = ((value & 0x7Fu) + 1u) * 16u;
    for (uint32_t i = 0; i < length; ++i) {
        const uint16_t source = static_cast<uint16_t>(((io(reg::HDMA1) << 8) | io(reg::HDMA2)) + i);
        const uint16_t destination =
            static_cast<uint16_t>(((io(reg::HDMA3) << 8) | io(reg::HDMA4)) + i);
        writeByte(readByte(source), destination);
    }
    io(reg::HDMA5) &= 0x80;
    machine.generalDmaRunning = 0;
}

// HDMA5 on the colour handheld. Bit 7 set starts a horizontal-blank transfer of
// (value & 0x7F) + 1 blocks; bit 7 clear stops a running one, and otherwise runs a
// general transfer at once. HDMA5 reads the blocks left minus 1: bit 7 clear while the
// transfer runs, set once it is stopped, and 0xFF once it is done.
void writeColourHdma5(uint8_t value) {
    if (value & 0x80) {
        machine.hblankDmaBlocks = static_cast<uint8_t>((value & 0x7F) + 1);
        io(reg::HDMA5) = value & 0x7F;
        // With the LCD off no horizontal blank comes; the first block goes at once.
        if (!(io(reg::LCDC) & 0x80)) copyHblankDmaBlock();
    } else if (machine.hblankDmaBlocks != 0) {
        io(reg::HDMA5) = static_cast<uint8_t>(0x80 | (machine.hblankDmaBlocks - 1));
        machine.hblankDmaBlocks = 0;
    } else {
        io(reg::HDMA5) = value;
        runGeneralDma(value);
    }
}

// HDMA1-HDMA4 on the colour handheld: each write sets its byte of the address the
// horizontal-blank transfer goes on from. Source bits 0-3 and destination bits 0-3 and
// 13-15 are dropped: blocks start on 16 bytes and always land in video RAM.
void setHblankDmaAddress(uint8_t value, uint16_t address) {
    uint16_t& source = machine.hblankDmaSource;
    uint16_t& destination = machine.hblankDmaDestination;
    switch (address) {
        case 0xFF51: source = static_cast<uint16_t>((value << 8) | (source & 0x00F0)); break;
        case 0xFF52: source = static_cast<uint16_t>((source & 0xFF00) | (value & 0xF0)); break;
        case 0xFF53:
            destination = static_cast<uint16_t>(((value & 0x1F) << 8) | (destination & 0x00F0));
            break;
        default:
            destination = static_cast<uint16_t>((destination & 0x1F00) | (value & 0xF0));
            break;
    }
}

// The colour palette index moves on after a data port write with its bit 7 set,
// wrapping within 0x00-0x3F; bits 6 and 7 stay.
void advancePaletteIndex(uint16_t indexRegister) {
    uint8_t& index = io(indexRegister);
    if ((index & 0x3F) == 0x3F) {
        index &= 0xC0;
    } else {
        ++index;
    }
}

// The colour handheld's palette data ports read the palette byte at their index. The
// byte is copied to the port whenever the index or the palette memory changes, so that
// reads stay plain loads.
void showPaletteByte(uint16_t indexRegister, uint16_t dataPort, const uint8_t* palettes) {
    io(dataPort) = palettes[io(indexRegister) & 0x3F];
}

void writePaletteData(uint8_t value, uint16_t indexRegister, uint16_t dataPort, uint8_t* palettes) {
    palettes[io(indexRegister) & 0x3F] = value;
    if (io(indexRegister) & 0x80) advancePaletteIndex(indexRegister);
    showPaletteByte(indexRegister, dataPort, palettes);
}

}  // namespace

void copyHblankDmaBlock() {
    uint8_t* const bank = machine.VideoRam.data() + (io(reg::VBK) & 1) * 0x2000;
    for (uint16_t i = 0; i < 16; ++i) {
        bank[machine.hblankDmaDestination + i] =
            readByte(static_cast<uint16_t>(machine.hblankDmaSource + i));
    }
    machine.hblankDmaSource = static_cast<uint16_t>(machine.hblankDmaSource + 16);
    machine.hblankDmaDestination = (machine.hblankDmaDestination + 16) & 0x1FF0;
    --machine.hblankDmaBlocks;
    io(reg::HDMA5) =
        machine.hblankDmaBlocks ? static_cast<uint8_t>(machine.hblankDmaBlocks - 1) : 0xFF;
}

// The specific registers and the address ranges never overlap, so the ranges are
// tested first: the common writes to RAM then pass few comparisons.
void writeByte(uint8_t value, uint16_t address) {
    if (address < 0x8000) {
        writeBankController(value, address);
    } else if (address < 0xA000) {
        machine.VideoRam[(machine.HighPage[reg::VBK] & 1) * 0x2000 + (address - 0x8000)] = value;
    } else if (address < 0xC000) {
        // A write while cartridge RAM is disabled stores nothing and stops the CPU.
        if (!machine.ramEnabled) {
            machine.stopped = kStoppedForGood;
        } else if (machine.clockRegister) [[unlikely]] {
            writeClockRegister(machine.clockRegister, value);
            machine.cartRamWritten = 1;
        } else {
            machine.CartRam[machine.ramBankOffset + (address - 0xA000)] = value;
            machine.cartRamWritten = 1;
        }
    } else if (address < 0xD000) {
        machine.WorkRam0[address - 0xC000] = value;
        machine.HighPage[address - 0xC000] = value;  // echo at address + 0x2000
    } else if (address < 0xE000) {
        machine.WorkRamBanks[(machine.HighPage[reg::SVBK] & 7) * 0x1000 + (address - 0xD000)] =
            value;
        // The echo area ends at 0xFDFF; 0xDE00-0xDFFF would echo onto OAM and the registers.
        if (address < 0xDE00) machine.HighPage[address - 0xC000] = value;
    } else if (address < 0xF000) {
        machine.HighPage[address - 0xE000] = value;
        machine.WorkRam0[address - 0xE000] = value;
    } else if (address < 0xFE00) {
        machine.HighPage[address - 0xE000] = value;
        machine.WorkRamBanks[(machine.HighPage[reg::SVBK] & 7) * 0x1000 + (address - 0xF000)] =
            value;
    } else if (address >= 0xFF10 && address < 0xFF40) {
        // The sound registers and wave RAM: the audio unit catches up first.
        writeSoundRegister(value, address);
    } else {
        switch (address) {
            case 0xFF44:  // LY
            case 0xFF04:  // DIV
                machine.HighPage[address - 0xE000] = 0;
                break;
            case 0xFF40:  // LCDC
                writeLcdControl(value);
                break;
            case 0xFF41:  // STAT
                writeLcdStatus(value);
                break;
            case 0xFF51:  // HDMA1-HDMA4
            case 0xFF52:
            case 0xFF53:
            case 0xFF54:
                machine.HighPage[address - 0xE000] = value;
                if (machine.colourModel) setHblankDmaAddress(value, address);
                break;
            case 0xFF55:  // HDMA5
                if (machine.generalDmaRunning) break;
                if (machine.colourModel) {
                    writeColourHdma5(value);
                    break;
                }
                // Without the colour model HDMA5 keeps the rule it has always had here,
                // which goes by the header byte (never colour on a monochrome cartridge).
                io(reg::HDMA5) = value;
                if (isColourCartridge()) runGeneralDma(value);
                break;
            case 0xFF46:  // DMA
                io(reg::DMA) = value;
                runOamDma(value);
                break;
            case 0xFF00:  // P1
                selectJoypad(value);
                break;
            case 0xFF68:  // BCPS
                io(reg::BCPS) = value;
                if (machine.colourModel)
                    showPaletteByte(reg::BCPS, reg::BCPD, machine.backgroundPalettes);
                break;
            case 0xFF69:  // BCPD
                if (machine.colourModel) {
                    writePaletteData(value, reg::BCPS, reg::BCPD, machine.backgroundPalettes);
                    break;
                }
                // Without the colour model the palette ports keep the rules they have
                // always had here, which go by the header byte (never colour on a
                // monochrome cartridge).
                io(reg::BCPD) = value;
                if (isColourCartridge() && (io(reg::BCPS) & 0x80)) advancePaletteIndex(reg::BCPS);
                break;
            case 0xFF6A:  // OCPS
                io(reg::OCPS) = value;
                if (machine.colourModel)
                    showPaletteByte(reg::OCPS, reg::OCPD, machine.spritePalettes);
                break;
            case 0xFF6B:  // OCPD
                if (machine.colourModel) {
                    writePaletteData(value, reg::OCPS, reg::OCPD, machine.spritePalettes);
                    break;
                }
                io(reg::OCPD) = value;
                if (isColourCartridge() && (io(reg::OCPS) & 0x80)) advancePaletteIndex(reg::OCPS);
                break;
            case 0xFF4D:  // KEY1: the program sets only bit 0, which arms the speed switch
                if (machine.colourModel) {
                    io(reg::KEY1) =
                        static_cast<uint8_t>((io(reg::KEY1) & 0x80) | 0x7E | (value & 1));
                } else {
                    io(reg::KEY1) = value;
                }
                break;
            case 0xFF4F:  // VBK: bit 0 selects the bank; the other bits read 1
                io(reg::VBK) =
                    machine.colourModel ? static_cast<uint8_t>(0xFE | (value & 1)) : value;
                break;
            default:
                // OAM, plain bytes, every other register (TIMA, TMA, TAC, BGP, OBP0, OBP1,
                // IF, IE ...), and high RAM are plain storage.
                machine.HighPage[address - 0xE000] = value;
                break;
        }
    }
}
