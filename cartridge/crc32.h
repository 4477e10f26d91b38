// CRC-32 (the polynomial of zip and PNG), for telling a cartridge image or a damaged
// file apart.
#pragma once

#include <cstddef>
#include <cstdint>

// The CRC of size bytes; pass a previous result as `crc` to go on over more bytes.
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
