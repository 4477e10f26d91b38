// A started machine (buffers allocated, no cartridge) and a temporary directory for
// cartridge images and their save files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cartridge/battery_save.h"
#include "cartridge/rom_loader.h"
#include "core/machine_state.h"
#include "file_fixture.h"

struct Header {
    uint8_t type = 0x00;
    uint8_t romCode = 0x00;
    uint8_t ramCode = 0x00;
    uint8_t colourFlag = 0x00;
};

// An image of size bytes whose every byte tells its position (bank number in the low
// bits, offset in the high ones), with the header bytes set.
inline std::vector<uint8_t> makeImage(const Header& header, size_t size = 0x8000) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>((i >> 14) ^ (i & 0xF0) ^ 1);
    if (size > 0x149) {
        image[0x143] = header.colourFlag;
        image[0x147] = header.type;
        image[0x148] = header.romCode;
        image[0x149] = header.ramCode;
    }
    return image;
}

class CartridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(allocateMachineBuffers());
        ASSERT_FALSE(dir.path().empty());
    }
    void TearDown() override {
        freeMachineBuffers();
        machine.romPath.clear();
    }

    // Writes the image to name in the temporary directory and returns its path.
    std::string putImage(const std::string& name, const std::vector<uint8_t>& image) {
        const std::string path = dir / name;
        writeBytes(path, image);
        return path;
    }

    static void fillCartRam(uint8_t seed) {
        for (uint32_t i = 0; i < machine.cartRamSize; ++i)
            machine.CartRam[i] = static_cast<uint8_t>(i * 31 + seed);
    }
    static std::vector<uint8_t> cartRam() {
        return std::vector<uint8_t>(machine.CartRam.data(), machine.CartRam.data() + machine.cartRamSize);
    }

    TempDir dir;
};
