// The CPU-heavy cartridge the machine benchmark runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Assembles a 32 KB image whose program loops for ever. False, with the assembler's
// message in error, when the source does not assemble.
bool buildBenchCartridge(std::vector<uint8_t>& image, std::string& error);
