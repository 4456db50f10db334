#include "tools/hostlib/png.h"

#include <vector>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace sorrel::tool {

std::string writePngFile(const std::string &path, int32_t width, int32_t height, const uint8_t *rgb) {
    if (width <= 0 || height <= 0 || !rgb)
        return path + ": no image to write";
    if (!stbi_write_png(path.c_str(), width, height, 3, rgb, width * 3))
        return path + ": cannot write the PNG file";
    return {};
}

std::string writePngFile(const std::string &path, const raster::Surface &surface) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(surface.width()) * static_cast<size_t>(surface.height()) * 3);
    for (int32_t y = 0; y < surface.height(); ++y) {
        const raster::Pixel *row = surface.row(y);
        for (int32_t x = 0; x < surface.width(); ++x) {
            rgb.push_back(static_cast<uint8_t>(raster::red(row[x])));
            rgb.push_back(static_cast<uint8_t>(raster::green(row[x])));
            rgb.push_back(static_cast<uint8_t>(raster::blue(row[x])));
        }
    }
    return writePngFile(path, surface.width(), surface.height(), rgb.data());
}

} // namespace sorrel::tool
