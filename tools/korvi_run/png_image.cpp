#include "tools/korvi_run/png_image.h"

#include "video/palette.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

RgbImage indexedToRgb(const uint8_t* pixels, int width, int height, int pitch) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    uint8_t* out = image.rgb.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const PaletteColour c = paletteColour(row[x]);
            *out++ = c.red;
            *out++ = c.green;
            *out++ = c.blue;
        }
    }
    return image;
}

bool writePng(const std::string& path, const RgbImage& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                          image.width * 3) != 0;
}

bool readPng(const std::string& path, RgbImage& image) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* data = stbi_load(path.c_str(), &width, &height, &channels, 3);
    if (!data) return false;
    image.width = width;
    image.height = height;
    image.rgb.assign(data, data + static_cast<size_t>(width) * height * 3);
    stbi_image_free(data);
    return true;
}
