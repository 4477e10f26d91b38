// Cartridge bank controllers: how writes to 0x0000-0x7FFF switch ROM and RAM banks,
// map the clock's registers and drive the rumble motor.
#pragma once

#include <cstdint>

// A program's write below 0x8000, handed over by writeByte. Never changes the ROM.
void writeBankController(uint8_t value, uint16_t address);

// Works out which banks the registers map, for the cartridge's ROM and RAM sizes;
// called after every register write and whenever the cartridge or its sizes change.
void updateBankOffsets();

// Bank n of a cartridge with `count` banks, as the address lines select it: the
// number's bits above the cartridge's size are not connected.
uint32_t wrapBank(uint32_t bank, uint32_t count);

// Whether the rumble motor ran since the last call (the motor may be pulsed many
// times a frame to set its strength).
bool takeRumble();
