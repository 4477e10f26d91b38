// Checks of a completed cartridge header, worked out here from what the handheld and the
// cartridge tools read, independently of the assembler that writes them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The boot logo as the hardware documentation lists it; the boot ROM compares bytes
// 0x104-0x133 with its own copy and locks up when they differ.
inline const std::vector<uint8_t> kDocumentedBootLogo = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};

// Expects the logo, the title (zero-padded through 0x142), the header checksum the boot
// ROM verifies at 0x14D and the big-endian sum of all other bytes at 0x14E-0x14F.
inline void expectCompletedHeader(const uint8_t* image, size_t size, const std::string& title) {
    ASSERT_GE(size, 0x150u);
    EXPECT_EQ(std::vector<uint8_t>(image + 0x104, image + 0x134), kDocumentedBootLogo);

    std::vector<uint8_t> paddedTitle(title.begin(), title.end());
    paddedTitle.resize(15, 0);
    EXPECT_EQ(std::vector<uint8_t>(image + 0x134, image + 0x143), paddedTitle);

    unsigned x = 0;
    for (size_t i = 0x134; i <= 0x14C; ++i) x = (x - image[i] - 1) & 0xFF;
    EXPECT_EQ(image[0x14D], x) << "header checksum";

    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        if (i != 0x14E && i != 0x14F) sum += image[i];
    EXPECT_EQ(image[0x14E] << 8 | image[0x14F], sum & 0xFFFF) << "global checksum";
}
