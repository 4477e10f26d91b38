// A small SM83 assembler producing in-memory cartridge images, for test cartridges,
// the demo cartridge and the benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sm83 {

struct CartridgeHeader {
    uint8_t colourFlag = 0x00;   // byte 0x143
    uint8_t type = 0x00;         // byte 0x147
    uint8_t romSizeCode = 0x00;  // byte 0x148
    uint8_t ramSizeCode = 0x00;  // byte 0x149
};

struct AssemblyResult {
    bool ok = false;
    std::vector<uint8_t> image;  // the cartridge image
    std::string error;           // "line N: message" when !ok
};

// Assembles source into an image of imageSize bytes (zero-filled, 32 KB by default).
AssemblyResult assemble(std::string_view source, size_t imageSize = 0x8000);

// Writes bytes 0x143 and 0x147-0x149 of an image.
void applyHeader(std::vector<uint8_t>& image, const CartridgeHeader& header);

}  // namespace sm83
