// Small helpers shared by the renderer's tests.
#pragma once

#include "gui/raster/raster.h"

#include <set>
#include <string>
#include <utility>

namespace sorrel::rastertest {

// The tests name the renderer's types directly.
using namespace sorrel::raster;

constexpr Pixel kBack = 0x00203040;
constexpr Pixel kInk = 0x00f0e0d0;

using PixelSet = std::set<std::pair<int32_t, int32_t>>;

// Every pixel whose color differs from background.
inline PixelSet changed(const Surface &s, Pixel background = kBack) {
    PixelSet out;
    for (int32_t y = 0; y < s.height(); ++y)
        for (int32_t x = 0; x < s.width(); ++x)
            if (s.get(x, y) != background)
                out.insert({x, y});
    return out;
}

// Bounding box of a pixel set (half-open); all zero when empty.
inline Rect bounds(const PixelSet &set) {
    if (set.empty())
        return Rect{};
    Rect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const auto &p : set) {
        r.left = std::min(r.left, p.first);
        r.top = std::min(r.top, p.second);
        r.right = std::max(r.right, p.first + 1);
        r.bottom = std::max(r.bottom, p.second + 1);
    }
    return r;
}

inline std::string str(const Rect &r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

inline std::string str(const PixelSet &set) {
    std::string s;
    for (const auto &p : set)
        s += "(" + std::to_string(p.first) + "," + std::to_string(p.second) + ")";
    return s;
}

inline bool sameImage(const Surface &a, const Surface &b) {
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int32_t y = 0; y < a.height(); ++y)
        for (int32_t x = 0; x < a.width(); ++x)
            if (a.get(x, y) != b.get(x, y))
                return false;
    return true;
}

} // namespace sorrel::rastertest
