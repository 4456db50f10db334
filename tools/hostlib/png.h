// PNG files of 8-bit RGB images and of renderer surfaces: the one PNG writer
// of the tools (plots, editor read-backs, editor pictures).
#pragma once

#include "gui/raster/raster.h"

#include <cstdint>
#include <string>

namespace sorrel::tool {

// An empty string on success, else a one-line message naming the file.
std::string writePngFile(const std::string &path, int32_t width, int32_t height, const uint8_t *rgb);
std::string writePngFile(const std::string &path, const raster::Surface &surface);

} // namespace sorrel::tool
