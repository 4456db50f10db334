// PNG reading and writing for image tests. Pixels are 0x00RRGGBB, the
// renderer's layout; PNG files are 8-bit RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorrel::testimg {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // width * height, row-major, 0x00RRGGBB

    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Copies width x height pixels from rows stride pixels apart.
Image fromPixels(const uint32_t *pixels, int32_t width, int32_t height, int32_t stride);

// Anything with data(), width(), height() and stride() in pixels (a
// raster::Surface) becomes an Image.
template <class S> Image fromSurface(const S &s) {
    return fromPixels(s.data(), s.width(), s.height(), s.stride());
}

bool readPng(const std::string &path, Image &out);
bool writePng(const std::string &path, const Image &image);

} // namespace sorrel::testimg
