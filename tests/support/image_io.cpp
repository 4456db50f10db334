#include "support/image_io.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wtype-limits"
#define STBI_ONLY_PNG
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <cstdio>

namespace sorrel::testimg {

Image fromPixels(const uint32_t *pixels, int32_t width, int32_t height, int32_t stride) {
    Image image;
    if (!pixels || width <= 0 || height <= 0)
        return image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image.pixels[static_cast<size_t>(y) * width + x] =
                pixels[static_cast<size_t>(y) * stride + x] & 0x00ffffffu;
    return image;
}

bool readPng(const std::string &path, Image &out) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    int w = 0, h = 0, channels = 0;
    unsigned char *data = stbi_load_from_file(f, &w, &h, &channels, 3);
    std::fclose(f);
    if (!data)
        return false;
    out.width = w;
    out.height = h;
    out.pixels.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = (uint32_t(data[3 * i]) << 16) | (uint32_t(data[3 * i + 1]) << 8) | data[3 * i + 2];
    stbi_image_free(data);
    return true;
}

bool writePng(const std::string &path, const Image &image) {
    if (image.width <= 0 || image.height <= 0)
        return false;
    std::vector<unsigned char> rgb(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        rgb[3 * i] = static_cast<unsigned char>(image.pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(image.pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(image.pixels[i]);
    }
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    auto sink = [](void *context, void *data, int size) {
        std::fwrite(data, 1, static_cast<size_t>(size), static_cast<std::FILE *>(context));
    };
    int ok = stbi_write_png_to_func(sink, f, image.width, image.height, 3, rgb.data(), image.width * 3);
    return std::fclose(f) == 0 && ok != 0;
}

} // namespace sorrel::testimg
