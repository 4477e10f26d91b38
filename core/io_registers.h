// The I/O registers by their published names, as indexes into MachineState::HighPage
// (register 0xFFnn lives at index 0x1F00 + nn). Every unit that touches a register
// names it from here: the bus, the LCD, the step, the timer, the audio unit and the
// renderer.
#pragma once

#include <cstdint>

#include "core/machine_state.h"

namespace reg {

// HighPage index of register 0xFFnn.
constexpr uint16_t at(uint16_t address) {
    return ioIndex(address);
}

// Joypad, serial, timer and interrupt request.
inline constexpr uint16_t P1 = at(0xFF00);
inline constexpr uint16_t SB = at(0xFF01);
inline constexpr uint16_t SC = at(0xFF02);
inline constexpr uint16_t DIV = at(0xFF04);
inline constexpr uint16_t TIMA = at(0xFF05);
inline constexpr uint16_t TMA = at(0xFF06);
inline constexpr uint16_t TAC = at(0xFF07);
inline constexpr uint16_t IF = at(0xFF0F);

// Sound: the four channels, the master controls and wave RAM.
inline constexpr uint16_t NR10 = at(0xFF10);
inline constexpr uint16_t NR11 = at(0xFF11);
inline constexpr uint16_t NR12 = at(0xFF12);
inline constexpr uint16_t NR13 = at(0xFF13);
inline constexpr uint16_t NR14 = at(0xFF14);
inline constexpr uint16_t NR21 = at(0xFF16);
inline constexpr uint16_t NR22 = at(0xFF17);
inline constexpr uint16_t NR23 = at(0xFF18);
inline constexpr uint16_t NR24 = at(0xFF19);
inline constexpr uint16_t NR30 = at(0xFF1A);
inline constexpr uint16_t NR31 = at(0xFF1B);
inline constexpr uint16_t NR32 = at(0xFF1C);
inline constexpr uint16_t NR33 = at(0xFF1D);
inline constexpr uint16_t NR34 = at(0xFF1E);
inline constexpr uint16_t NR41 = at(0xFF20);
inline constexpr uint16_t NR42 = at(0xFF21);
inline constexpr uint16_t NR43 = at(0xFF22);
inline constexpr uint16_t NR44 = at(0xFF23);
inline constexpr uint16_t NR50 = at(0xFF24);
inline constexpr uint16_t NR51 = at(0xFF25);
inline constexpr uint16_t NR52 = at(0xFF26);
inline constexpr uint16_t WAVE_RAM = at(0xFF30);  // 16 bytes, 0xFF30-0xFF3F

// LCD.
inline constexpr uint16_t LCDC = at(0xFF40);
inline constexpr uint16_t STAT = at(0xFF41);
inline constexpr uint16_t SCY = at(0xFF42);
inline constexpr uint16_t SCX = at(0xFF43);
inline constexpr uint16_t LY = at(0xFF44);
inline constexpr uint16_t LYC = at(0xFF45);
inline constexpr uint16_t DMA = at(0xFF46);
inline constexpr uint16_t BGP = at(0xFF47);
inline constexpr uint16_t OBP0 = at(0xFF48);
inline constexpr uint16_t OBP1 = at(0xFF49);
inline constexpr uint16_t WY = at(0xFF4A);
inline constexpr uint16_t WX = at(0xFF4B);

// Colour model: speed switch, video RAM bank, transfers to video RAM, palette ports,
// work RAM bank.
inline constexpr uint16_t KEY1 = at(0xFF4D);
inline constexpr uint16_t VBK = at(0xFF4F);
inline constexpr uint16_t HDMA1 = at(0xFF51);
inline constexpr uint16_t HDMA2 = at(0xFF52);
inline constexpr uint16_t HDMA3 = at(0xFF53);
inline constexpr uint16_t HDMA4 = at(0xFF54);
inline constexpr uint16_t HDMA5 = at(0xFF55);
inline constexpr uint16_t BCPS = at(0xFF68);
inline constexpr uint16_t BCPD = at(0xFF69);
inline constexpr uint16_t OCPS = at(0xFF6A);
inline constexpr uint16_t OCPD = at(0xFF6B);
inline constexpr uint16_t SVBK = at(0xFF70);

// Interrupt enable, the last byte of the address space.
inline constexpr uint16_t IE = at(0xFFFF);

// OAM, 0xFE00-0xFE9F.
inline constexpr uint16_t OAM = ioIndex(0xFE00);

// Interrupt request bits of IF and IE, in priority order.
inline constexpr uint8_t kIntVBlank = 0x01;
inline constexpr uint8_t kIntStat = 0x02;
inline constexpr uint8_t kIntTimer = 0x04;
inline constexpr uint8_t kIntSerial = 0x08;
inline constexpr uint8_t kIntJoypad = 0x10;

}  // namespace reg
