// The emulated handheld's whole state in one value: memories, CPU registers and
// flags, cartridge controller latches and clock, LCD, timer, sound unit, DMA, the
// joypad lines and the step counters. The program runs one global instance; a copy
// is a snapshot of the handheld, which can be run on, compared or written out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/audio_unit.h"

struct CpuRegisters {
    uint8_t A, F, B, C, D, E, H, L;
    uint16_t SP, PC;
};

// The real-time clock of MBC3 cartridges with a timer. The counters run with emulated
// time; the program reads the latched copy, taken when it writes 0 then 1 to
// 0x6000-0x7FFF.
struct RealTimeClock {
    // Seconds, minutes, hours, day counter bits 0-7, and the day high register:
    // bit 0 day counter bit 8, bit 6 halt, bit 7 day counter carry.
    uint8_t counters[5] = {};
    uint8_t latched[5] = {};
    uint8_t latchArmed = 0;  // a 0 was written to the latch; a 1 now latches
    // Progress towards the next second, in clock units (see core/real_time_clock.h),
    // and machine.stepCount when the counters were last brought up to date.
    uint64_t subsecond = 0;
    uint64_t syncedAtStep = 0;
};

inline constexpr uint8_t kStoppedForGood = 1;
inline constexpr uint8_t kWaitingForButton = 2;

struct JoypadButtons {
    uint8_t right, left, up, down, a, b, select, start;  // 1 while pressed
};

struct MachineState {
    // Memory buffers behind the 64 KB address space (see the bus for the map); empty
    // until allocateMachineBuffers.
    std::vector<uint8_t> RomBank0;      // 0x0000-0x3FFF, first 16 KB of the image
    std::vector<uint8_t> RomBankArea;   // 0x4000-0x7FFF, the whole image (romSize bytes)
    std::vector<uint8_t> VideoRam;      // 0x8000-0x9FFF, two 8 KB banks (VBK)
    std::vector<uint8_t> CartRam;       // 0xA000-0xBFFF, cartRamSize bytes
    std::vector<uint8_t> WorkRam0;      // 0xC000-0xCFFF
    std::vector<uint8_t> WorkRamBanks;  // 0xD000-0xDFFF, eight 4 KB banks (SVBK)
    std::vector<uint8_t> HighPage;      // 0xE000-0xFFFF: echo, OAM, I/O, high RAM, IE

    // 1 once a cartridge is in the slot: until then the machine does not run.
    uint8_t cartridgeLoaded = 0;

    CpuRegisters cpu{};
    uint8_t ime = 0;
    uint8_t halted = 0;
    // 0 while the CPU runs; kStoppedForGood after an undefined opcode or a write to
    // disabled cartridge RAM, until a reset; kWaitingForButton after STOP, until a
    // button on a selected joypad line is pressed.
    uint8_t stopped = 0;
    // The colour handheld's CPU speed: 1 at double speed, where the CPU runs two
    // instructions in the time of one at normal speed (KEY1 bit 7 reads it).
    uint8_t doubleSpeed = 0;

    // Cartridge facts and controller latches.
    uint8_t controllerType = 0;  // 0 none, 1 MBC1, 2 MBC2, 3 MBC3, 5 MBC5, 6 MBC5 + rumble
    uint8_t hasBattery = 0;
    uint8_t hasClock = 0;  // MBC3 with its real-time clock
    uint32_t romSize = 0;
    uint32_t cartRamSize = 0;
    std::string romPath;  // path of the loaded image; any length the host allows
    // The bank registers as the program wrote them (MBC1: upper bits x 32 + lower
    // bits); the banks actually mapped follow from them and the cartridge's size.
    uint16_t romBank = 1;
    uint8_t ramBank = 0;  // bank n is the 8 KB at n x 0x2000
    uint8_t ramEnabled = 1;
    uint8_t bankingMode = 0;  // MBC1 only; survives resets and cartridge loads
    // Where 0x4000 and 0xA000 read from in RomBankArea and CartRam, kept by the bank
    // controller whenever a register or the cartridge changes.
    uint32_t romBankOffset = 0;
    uint32_t ramBankOffset = 0;
    // 0x08-0x0C while a clock register is mapped at 0xA000-0xBFFF instead of RAM.
    uint8_t clockRegister = 0;
    RealTimeClock clock;
    // The rumble motor: on now, and whether it ran since the player's side last looked.
    uint8_t rumbleMotor = 0;
    uint8_t rumbleSeen = 0;
    // Set by the program's first store into cartridge RAM or the clock after a reset.
    uint8_t cartRamWritten = 0;

    // 1 when the machine runs as the colour handheld (a colour cartridge is loaded);
    // set at reset from the cartridge's header.
    uint8_t colourModel = 0;
    // The colour handheld's palette memory behind BCPS/BCPD (background) and
    // OCPS/OCPD (sprites): 8 palettes of 4 colours, each colour two bytes, low byte
    // first, of 15-bit colour (red bits 0-4, green 5-9, blue 10-14). Palette p's
    // colour c starts at byte 8p + 2c.
    uint8_t backgroundPalettes[64] = {};
    uint8_t spritePalettes[64] = {};
    // Steps in one LCD tick: kStepsPerLcdTick (core/lcd.h) at normal speed, twice that
    // at double speed.
    uint8_t stepsPerLcdTick = 16;
    // At double speed stepCount moves on every second step: 1 when the step that
    // moves it comes next.
    uint8_t stepCountParity = 0;
    // The horizontal-blank transfer to video RAM: blocks of 16 bytes still to copy
    // (0 when none runs), and where the next block comes from and goes to. The
    // addresses are taken when the program writes HDMA1-HDMA4 and move on by 16 with
    // each block, so a program may start the next transfer where the last one ended;
    // hblankDmaDestination is an offset into the selected video RAM bank.
    uint8_t hblankDmaBlocks = 0;
    uint16_t hblankDmaSource = 0;
    uint16_t hblankDmaDestination = 0;
    // Set while a general transfer copies; the transfer's own writes to HDMA5 start
    // nothing.
    uint8_t generalDmaRunning = 0;

    // Steps since the last LCD tick (see core/lcd.h).
    uint8_t lcdTickCounter = 0;
    // The window keeps a line count of its own: how many of this frame's lines have
    // shown it so far (the line being drawn included). It moves on only on lines that
    // show the window, so a window hidden for a while goes on where it left off.
    uint8_t windowLinesShown = 0;
    // Whether LY has equalled WY, with the window switched on, on a line of this
    // frame: the window starts no sooner.
    bool windowYReached = false;
    // The timer's progress towards the next count of TIMA, in the timer's units
    // (see core/timer.h); below one period of the rate TAC selects.
    uint32_t timerPhase = 0;
    // Steps since the program started, never reset: the clock of the units that
    // count time in cycles (7,088 steps are one frame of 70,224 cycles).
    uint64_t stepCount = 0;

    // The sound unit and its output stage (see core/audio.h).
    AudioUnit audio;
    // The buttons as the player holds them; the program sees them through P1.
    JoypadButtons joypad{};
};

extern MachineState machine;

// Start-up sizes of the seven buffers.
inline constexpr uint32_t kRomBank0Size = 0x4000;
inline constexpr uint32_t kVideoRamSize = 0x4000;
inline constexpr uint32_t kCartRamMinSize = 0x2000;
inline constexpr uint32_t kWorkRam0Size = 0x1000;
inline constexpr uint32_t kWorkRamBanksSize = 0x8000;
inline constexpr uint32_t kHighPageSize = 0x2000;

// HighPage index of I/O register 0xFFnn.
constexpr uint16_t ioIndex(uint16_t address) {
    return static_cast<uint16_t>(address - 0xE000);
}

// Makes buffer size zero bytes; false, with the buffer empty, when memory ran out.
bool assignZeroed(std::vector<uint8_t>& buffer, uint32_t size);

// Gives all seven buffers their start-up sizes, zero-filled (romSize and cartRamSize
// become 0x4000 and 0x2000). Returns false if memory ran out.
bool allocateMachineBuffers();
// Empties every buffer; the machine then holds no cartridge. Harmless when repeated.
void freeMachineBuffers();

// Power-on reset; does nothing while no cartridge is loaded.
void resetMachine();
