#include "video/png_image.h"

#include "cartridge/whole_file_writer.h"
#include "video/palette.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

RgbImage pixelsToRgb(const Pixel* pixels, int width, int height, int pitch) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    uint8_t* out = image.rgb.data();
    for (int y = 0; y < height; ++y) {
        const Pixel* row = pixels + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const PaletteColour c = colourOf(row[x]);
            *out++ = c.red;
            *out++ = c.green;
            *out++ = c.blue;
        }
    }
    return image;
}

namespace {

void appendBytes(void* context, void* data, int size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<std::vector<uint8_t>*>(context)->insert(
        static_cast<std::vector<uint8_t>*>(context)->end(), bytes, bytes + size);
}

}  // namespace

bool writePng(const std::string& path, const RgbImage& image, std::string& failure) {
    if (image.width <= 0 || image.height <= 0) {
        failure = "the picture is empty";
        return false;
    }
    // Encoded in memory first, so that the file is written in one piece or not at all.
    std::vector<uint8_t> png;
    if (stbi_write_png_to_func(appendBytes, &png, image.width, image.height, 3, image.rgb.data(),
                               image.width * 3) == 0 ||
        png.empty()) {
        failure = "cannot encode the picture";
        return false;
    }
    return writeWholeFile(path, png.data(), static_cast<uint32_t>(png.size()), failure);
}

bool writePng(const std::string& path, const RgbImage& image) {
    std::string ignored;
    return writePng(path, image, ignored);
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
