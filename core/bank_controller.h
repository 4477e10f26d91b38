// Cartridge bank controllers: how writes to 0x0000-0x7FFF switch ROM and RAM banks.
#pragma once

#include <cstdint>

// A program's write below 0x8000, handed over by writeByte. Never changes the ROM.
void writeBankController(uint8_t value, uint16_t address);
