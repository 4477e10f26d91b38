#include "core/machine_state.h"

#include <cstring>
#include <new>

#include "core/audio.h"
#include "core/bank_controller.h"
#include "core/bus.h"
#include "core/io_registers.h"
#include "core/real_time_clock.h"
#include "core/step.h"

MachineState machine;

bool assignZeroed(std::vector<uint8_t>& buffer, uint32_t size) {
    try {
        buffer.assign(size, 0);
        return true;
    } catch (const std::bad_alloc&) {
        buffer.clear();
        return false;
    }
}

bool allocateMachineBuffers() {
    freeMachineBuffers();
    machine.romSize = kRomBank0Size;
    machine.cartRamSize = kCartRamMinSize;
    const bool allocated = assignZeroed(machine.RomBank0, kRomBank0Size) &&
                           assignZeroed(machine.RomBankArea, kRomBank0Size) &&
                           assignZeroed(machine.VideoRam, kVideoRamSize) &&
                           assignZeroed(machine.CartRam, kCartRamMinSize) &&
                           assignZeroed(machine.WorkRam0, kWorkRam0Size) &&
                           assignZeroed(machine.WorkRamBanks, kWorkRamBanksSize) &&
                           assignZeroed(machine.HighPage, kHighPageSize);
    if (!allocated) {
        freeMachineBuffers();
        return false;
    }
    updateBankOffsets();
    return true;
}

void freeMachineBuffers() {
    for (std::vector<uint8_t>* buffer :
         {&machine.RomBank0, &machine.RomBankArea, &machine.VideoRam, &machine.CartRam,
          &machine.WorkRam0, &machine.WorkRamBanks, &machine.HighPage}) {
        std::vector<uint8_t>().swap(*buffer);
    }
    // Without its memories the machine holds no cartridge, and nobody holds a button.
    machine.cartridgeLoaded = 0;
    machine.joypad = {};
}

void resetMachine() {
    if (!machine.cartridgeLoaded) return;

    // ROM and video RAM bank 1 keep their contents; everything else starts cleared.
    std::memset(machine.VideoRam.data(), 0, 0x2000);
    std::memset(machine.CartRam.data(), 0, machine.cartRamSize);
    std::memset(machine.WorkRam0.data(), 0, kWorkRam0Size);
    std::memset(machine.WorkRamBanks.data(), 0, kWorkRamBanksSize);
    std::memset(machine.HighPage.data(), 0, kHighPageSize);

    // A colour cartridge runs on the colour handheld, which starts it with registers of
    // its own: A = 0x11 is how a program tells that it may use the colour hardware.
    machine.colourModel = isColourCartridge() ? 1 : 0;
    if (machine.colourModel) {
        machine.cpu = CpuRegisters{0x11, 0x80, 0x00, 0x00, 0xFF, 0x56, 0x00, 0x0D, 0xFFFE, 0x0100};
    } else {
        machine.cpu = CpuRegisters{0x01, 0xB0, 0x00, 0x13, 0x00, 0xD8, 0x01, 0x4D, 0xFFFE, 0x0100};
    }

    struct IoValue {
        uint16_t address;
        uint8_t value;
    };
    static constexpr IoValue kPowerOnIo[] = {
        {0xFF00, 0xCF}, {0xFF02, 0x7E}, {0xFF03, 0xFF}, {0xFF04, 0xAD}, {0xFF07, 0xF8},
        {0xFF08, 0xFF}, {0xFF09, 0xFF}, {0xFF0A, 0xFF}, {0xFF0B, 0xFF}, {0xFF0C, 0xFF},
        {0xFF0D, 0xFF}, {0xFF0E, 0xFF}, {0xFF0F, 0xE1}, {0xFF40, 0x91}, {0xFF41, 0x80},
        {0xFF44, 0x05}, {0xFF47, 0xFC}, {0xFF48, 0xFF}, {0xFF49, 0xFF}, {0xFF4C, 0xFF},
        {0xFF4D, 0x7E}, {0xFF4E, 0xFF}, {0xFF4F, 0xFE}, {0xFF68, 0xC0}, {0xFF69, 0xFF},
        {0xFF6A, 0xC1}, {0xFF6B, 0x20}, {0xFF70, 0xF8},
    };
    for (const IoValue& io : kPowerOnIo) machine.HighPage[ioIndex(io.address)] = io.value;

    // Palette memory powers up undefined. Background colours start white, as the
    // colour handheld's start-up program leaves them; sprite colours start at 0.
    std::memset(machine.backgroundPalettes, 0xFF, sizeof machine.backgroundPalettes);
    std::memset(machine.spritePalettes, 0, sizeof machine.spritePalettes);
    if (machine.colourModel) {
        uint8_t* io = machine.HighPage.data();
        // The data ports read the palette byte their index register points at.
        io[reg::BCPD] = machine.backgroundPalettes[io[reg::BCPS] & 0x3F];
        io[reg::OCPD] = machine.spritePalettes[io[reg::OCPS] & 0x3F];
        io[reg::HDMA5] = 0xFF;  // no transfer running
    }
    // Back to normal speed. The LCD step counter survives resets; it keeps the part of
    // a tick already gone, as at a speed switch.
    if (machine.doubleSpeed) switchCpuSpeed();
    machine.hblankDmaBlocks = 0;
    machine.hblankDmaSource = 0;
    machine.hblankDmaDestination = 0;
    machine.generalDmaRunning = 0;

    machine.ime = 0;
    machine.timerPhase = 0;
    machine.halted = 0;
    machine.stopped = 0;
    // bankingMode is deliberately left alone: an MBC1 mode survives into the next cartridge.
    machine.romBank = 1;
    machine.ramBank = 0;
    machine.ramEnabled = 1;
    machine.clockRegister = 0;
    machine.rumbleMotor = 0;
    machine.rumbleSeen = 0;
    machine.cartRamWritten = 0;
    machine.windowLinesShown = 0;
    machine.windowYReached = false;
    // The loader sets the clock from the save file after the reset.
    resetClock();
    updateBankOffsets();
    resetAudio();
}
