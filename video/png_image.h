// Frames as PNG files: 8-bit palette-index pixels written through the fixed palette,
// and PNG files read back as RGB for comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "video/palette.h"

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes
};

// Converts display pixels (rows pitch pixels apart) to RGB.
RgbImage pixelsToRgb(const Pixel* pixels, int width, int height, int pitch);

// Writes the whole PNG file or, on false, leaves path as it was and says why in failure.
bool writePng(const std::string& path, const RgbImage& image, std::string& failure);
bool writePng(const std::string& path, const RgbImage& image);
bool readPng(const std::string& path, RgbImage& image);
