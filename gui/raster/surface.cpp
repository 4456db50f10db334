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
        storage_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), colorOf(fill));
    } catch (const std::bad_alloc &) {
        storage_.clear();
        return;
    }
    pixels_ = storage_.data();
    width_ = width;
    height_ = height;
    stride_ = width;
}

Surface Surface::view(Pixel *pixels, int32_t width, int32_t height, int32_t stride) {
    Surface s;
    if (!pixels || width <= 0 || height <= 0 || stride < width)
        return s;
    s.pixels_ = pixels;
    s.width_ = width;
    s.height_ = height;
    s.stride_ = stride;
    return s;
}

Surface::Surface(const Surface &other) {
    *this = other;
}

Surface &Surface::operator=(const Surface &other) {
    if (this == &other)
        return *this;
    if (!other.owning()) {
        storage_.clear();
        pixels_ = other.pixels_;
    } else {
        try {
            storage_ = other.storage_;
        } catch (const std::bad_alloc &) {
            *this = Surface();
            return *this;
        }
        pixels_ = storage_.data();
    }
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    return *this;
}

Surface::Surface(Surface &&other) noexcept
    : storage_(std::move(other.storage_)), pixels_(other.pixels_), width_(other.width_),
      height_(other.height_), stride_(other.stride_) {
    other.storage_.clear();
    other.pixels_ = nullptr;
    other.width_ = other.height_ = other.stride_ = 0;
}

Surface &Surface::operator=(Surface &&other) noexcept {
    if (this != &other) {
        storage_ = std::move(other.storage_);
        pixels_ = other.pixels_;
        width_ = other.width_;
        height_ = other.height_;
        stride_ = other.stride_;
        other.storage_.clear();
        other.pixels_ = nullptr;
        other.width_ = other.height_ = other.stride_ = 0;
    }
    return *this;
}

Pixel Surface::get(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return colorOf(row(y)[x]);
}

void Surface::set(int32_t x, int32_t y, Pixel p) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    row(y)[x] = colorOf(p);
}

void Surface::fill(Pixel p) {
    for (int32_t y = 0; y < height_; ++y)
        std::fill(row(y), row(y) + width_, colorOf(p));
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
