// A machine with a cartridge image in place, reset and ready to step.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/app_flags.h"
#include "core/machine_state.h"

// Puts an image into the machine the way the loader does (without files), with the
// given controller and cartridge RAM size, and resets it.
inline void installImage(const std::vector<uint8_t>& image, uint8_t controllerType = 0,
                         uint32_t cartRamSize = 0x2000) {
    resetAppFlags();
    ASSERT_TRUE(allocateMachineBuffers());
    const uint32_t romSize = static_cast<uint32_t>(std::max<size_t>(image.size(), 0x8000));
    delete[] machine.RomBankArea;
    machine.RomBankArea = new uint8_t[romSize]();
    machine.romSize = romSize;
    std::memcpy(machine.RomBankArea, image.data(), image.size());
    std::memcpy(machine.RomBank0, image.data(), std::min<size_t>(image.size(), 0x4000));
    delete[] machine.CartRam;
    machine.CartRam = new uint8_t[cartRamSize]();
    machine.cartRamSize = cartRamSize;
    machine.controllerType = controllerType;
    machine.bankingMode = 0;
    cartridgeLoaded = 1;
    resetMachine();
}

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { installImage(std::vector<uint8_t>(0x8000, 0)); }
    void TearDown() override {
        freeMachineBuffers();
        resetAppFlags();
    }
    static uint8_t& io(uint16_t address) { return machine.HighPage[address - 0xE000]; }
};
