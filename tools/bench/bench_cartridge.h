// The CPU-heavy cartridge the machine benchmark runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds a 32 KB image whose program loops for ever. False, with a message in error,
// when the image cannot be built.
bool buildBenchCartridge(std::vector<uint8_t>& image, std::string& error);
