#include "gui/raster/raster.h"

#include <algorithm>
#include <new>

namespace sorrel::raster {

Rect intersect(const Rect &a, const Rect &b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.empty())
        return Rect{};
    return r;
}

Surface::Surface(int32_t width, int32_t height, Pixel fill) {
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxPixels)
        return;
    try {
        storage.assign(static_cast<size_t>(width) * static_cast<size_t>(height), colorOf(fill));
    } catch (const std::bad_alloc &) {
        storage.clear();
        return;
    }
    pixels = storage.data();
    pixelWidth = width;
    pixelHeight = height;
    pixelStride = width;
}

Surface Surface::view(Pixel *pixels, int32_t width, int32_t height, int32_t stride) {
    Surface s;
    if (!pixels || width <= 0 || height <= 0 || stride < width)
        return s;
    s.pixels = pixels;
    s.pixelWidth = width;
    s.pixelHeight = height;
    s.pixelStride = stride;
    return s;
}

Surface::Surface(const Surface &other) {
    *this = other;
}

Surface &Surface::operator=(const Surface &other) {
    if (this == &other)
        return *this;
    if (!other.owning()) {
        storage.clear();
        pixels = other.pixels;
    } else {
        try {
            storage = other.storage;
        } catch (const std::bad_alloc &) {
            *this = Surface();
            return *this;
        }
        pixels = storage.data();
    }
    pixelWidth = other.pixelWidth;
    pixelHeight = other.pixelHeight;
    pixelStride = other.pixelStride;
    return *this;
}

Surface::Surface(Surface &&other) noexcept
    : storage(std::move(other.storage)), pixels(other.pixels), pixelWidth(other.pixelWidth),
      pixelHeight(other.pixelHeight), pixelStride(other.pixelStride) {
    other.storage.clear();
    other.pixels = nullptr;
    other.pixelWidth = other.pixelHeight = other.pixelStride = 0;
}

Surface &Surface::operator=(Surface &&other) noexcept {
    if (this != &other) {
        storage = std::move(other.storage);
        pixels = other.pixels;
        pixelWidth = other.pixelWidth;
        pixelHeight = other.pixelHeight;
        pixelStride = other.pixelStride;
        other.storage.clear();
        other.pixels = nullptr;
        other.pixelWidth = other.pixelHeight = other.pixelStride = 0;
    }
    return *this;
}

Pixel Surface::get(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= pixelWidth || y >= pixelHeight)
        return 0;
    return colorOf(row(y)[x]);
}

void Surface::set(int32_t x, int32_t y, Pixel p) {
    if (x < 0 || y < 0 || x >= pixelWidth || y >= pixelHeight)
        return;
    row(y)[x] = colorOf(p);
}

void Surface::fill(Pixel p) {
    for (int32_t y = 0; y < pixelHeight; ++y)
        std::fill(row(y), row(y) + pixelWidth, colorOf(p));
}

Surface makeMask(const Surface &source, int32_t sx, int32_t sy, int32_t w, int32_t h, Pixel key) {
    Surface mask(w, h, 0);
    key = colorOf(key);
    for (int32_t y = 0; y < mask.height(); ++y) {
        int64_t srcY = static_cast<int64_t>(sy) + y;
        if (srcY < 0 || srcY >= source.height())
            continue;
        for (int32_t x = 0; x < mask.width(); ++x) {
            int64_t srcX = static_cast<int64_t>(sx) + x;
            if (srcX < 0 || srcX >= source.width())
                continue;
            if (colorOf(source.row(static_cast<int32_t>(srcY))[srcX]) == key)
                mask.row(y)[x] = 0x00ffffffu;
        }
    }
    return mask;
}

} // namespace sorrel::raster
