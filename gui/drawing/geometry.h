// The toolkit's value types: points and rectangles in integer pixels.
#pragma once

#include <cstdint>

namespace sorrel {

struct CRect;

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int32_t px, int32_t py) : x(px), y(py) {}

    CPoint &offset(int32_t dx, int32_t dy) {
        x += dx;
        y += dy;
        return *this;
    }
    // All four edges inclusive: the hit test of views.
    bool isWithin(const CRect &r) const;

    constexpr bool operator==(const CPoint &o) const { return x == o.x && y == o.y; }
    constexpr bool operator!=(const CPoint &o) const { return !(*this == o); }
};

// right and bottom lie one past the last pixel.
struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    // Stored as given, never reordered.
    constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    CRect &setNormalized(int32_t a, int32_t b, int32_t c, int32_t d);

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    constexpr CPoint topLeft() const { return CPoint(left, top); }

    CRect &offset(int32_t dx, int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect &inset(int32_t dx, int32_t dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }

    // Half-open: the right column and bottom row are outside.
    constexpr bool contains(const CPoint &p) const {
        return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
    }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    // An empty result keeps zero size at the clipped corner instead of
    // turning inside out.
    CRect &intersectWith(const CRect &other);
    // Touching edges count as overlap.
    constexpr bool overlaps(const CRect &o) const {
        return !(right < o.left || o.right < left || bottom < o.top || o.bottom < top);
    }

    constexpr bool operator==(const CRect &o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    constexpr bool operator!=(const CRect &o) const { return !(*this == o); }
};

inline bool CPoint::isWithin(const CRect &r) const {
    return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom;
}

} // namespace sorrel
