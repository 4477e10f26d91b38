// A machine with a cartridge image in place, reset and ready to step.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/machine_state.h"

// Puts an image into the machine the way the loader does (without files), with the
// given controller and cartridge RAM size, and resets it.
inline void installImage(const std::vector<uint8_t>& image, uint8_t controllerType = 0,
                         uint32_t cartRamSize = 0x2000) {
    ASSERT_TRUE(allocateMachineBuffers());
    const uint32_t romSize = static_cast<uint32_t>(std::max<size_t>(image.size(), 0x8000));
    machine.RomBankArea.assign(romSize, 0);
    machine.romSize = romSize;
    std::memcpy(machine.RomBankArea.data(), image.data(), image.size());
    std::memcpy(machine.RomBank0.data(), image.data(), std::min<size_t>(image.size(), 0x4000));
    machine.CartRam.assign(cartRamSize, 0);
    machine.cartRamSize = cartRamSize;
    machine.controllerType = controllerType;
    machine.bankingMode = 0;
    machine.cartridgeLoaded = 1;
    resetMachine();
}

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { installImage(std::vector<uint8_t>(0x8000, 0)); }
    void TearDown() override {
        freeMachineBuffers();
    }
    static uint8_t& io(uint16_t address) { return machine.HighPage[address - 0xE000]; }
};
