// The response plot: logarithmic frequency axis from 10 Hz to 24 kHz with
// labelled decades, a dB axis with a grid, one curve per channel and a
// title, drawn with the project's software renderer and written as PNG.
#pragma once

#include "tools/hostlib/response.h"

#include <string>

namespace sorrel::tool {

// Returns an empty string or the reason the file could not be written.
std::string writeResponsePlot(const std::string &path, const Response &response, const std::string &title);

} // namespace sorrel::tool
