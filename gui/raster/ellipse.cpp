// Ellipses, arcs and pie slices.
//
// The ellipse of a box (left, top, right, bottom) runs through the centers of
// the box's outermost pixel columns and rows: center ((left + right - 1) / 2,
// (top + bottom - 1) / 2), semi-axes ((width - 1) / 2, (height - 1) / 2). The
// region of the box holds the pixels within half a pixel of the ellipse's
// extent, measured along their row or along their column (whichever reaches
// further: rows decide the steep parts, columns the flat ones, as the two
// regions of a midpoint ellipse do). Every row is one run, symmetric about
// the center. The outline is the region's boundary: its pixels with a
// 4-neighbour outside, a closed 8-connected curve. Work is done in doubled
// coordinates so that half-pixel centers stay integers.
#include "gui/raster/arith.h"
#include "gui/raster/raster.h"

#include <algorithm>
#include <vector>

namespace sorrel::raster {

using namespace detail;

namespace {

struct Ellipse {
    int64_t cx2 = 0, cy2 = 0; // doubled center
    int64_t a = 0, b = 0;     // doubled semi-axes: width - 1, height - 1
    int32_t top = 0, bottom = 0;

    explicit Ellipse(const Rect &box) {
        cx2 = static_cast<int64_t>(box.left) + box.right - 1;
        cy2 = static_cast<int64_t>(box.top) + box.bottom - 1;
        a = static_cast<int64_t>(box.right) - box.left - 1;
        b = static_cast<int64_t>(box.bottom) - box.top - 1;
        top = box.top;
        bottom = box.bottom;
    }

    // The pixels [left, right] of row y, false when the row lies outside.
    bool span(int64_t y, int64_t &left, int64_t &right) const {
        if (y < top || y >= bottom)
            return false;
        int64_t yy = 2 * y - cy2;
        if (yy < 0)
            yy = -yy;
        // Sampled along the row: |X| - 1 <= a sqrt(1 - Y^2 / b^2), i.e.
        // (|X| - 1)^2 b^2 <= a^2 (b^2 - Y^2), always true for |X| <= 1.
        U128 rowLimit = mul64(static_cast<uint64_t>(a * a), static_cast<uint64_t>(b * b - yy * yy));
        auto alongRow = [&](int64_t k) {
            if (k <= 1)
                return true;
            uint64_t kb = static_cast<uint64_t>((k - 1) * b);
            return compare(mul64(kb, kb), rowLimit) <= 0;
        };
        // Sampled along the column: |Y| - 1 <= b sqrt(1 - X^2 / a^2), i.e.
        // X^2 b^2 + (|Y| - 1)^2 a^2 <= a^2 b^2.
        int64_t ym = std::max<int64_t>(0, yy - 1);
        U128 colLimit = mul64(static_cast<uint64_t>(a * a), static_cast<uint64_t>(b * b));
        U128 colUsed = mul64(static_cast<uint64_t>(ym * ym), static_cast<uint64_t>(a * a));
        auto alongColumn = [&](int64_t k) {
            uint64_t kb = static_cast<uint64_t>(k * b);
            return compare(add(mul64(kb, kb), colUsed), colLimit) <= 0;
        };
        int64_t k = std::max(largest(alongRow), largest(alongColumn));
        if (k < 0)
            k = a & 1;
        left = (cx2 - k) / 2;
        right = (cx2 + k) / 2;
        return true;
    }

    // The largest k <= a of a's parity for which the monotonic test holds,
    // -1 when it holds for none.
    template <class Test> int64_t largest(Test test) const {
        int64_t base = a & 1;
        if (!test(base))
            return -1;
        int64_t lo = 0, hi = a / 2; // k = base + 2j
        while (lo < hi) {
            int64_t mid = lo + (hi - lo + 1) / 2;
            if (test(base + 2 * mid))
                lo = mid;
            else
                hi = mid - 1;
        }
        return base + 2 * lo;
    }
};

Rect normalised(const Rect &r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

Rect clampRect(const Rect &r) {
    return {clampCoord(r.left), clampCoord(r.top), clampCoord(r.right), clampCoord(r.bottom)};
}

// The counter-clockwise sweep (as seen on screen) from one ray to another,
// tested exactly on integer direction vectors. Vectors are kept with y
// pointing up.
class Sweep {
  public:
    Sweep(const Ellipse &e, Point p1, Point p2) {
        startX = 2 * static_cast<int64_t>(p1.x) - e.cx2;
        startY = e.cy2 - 2 * static_cast<int64_t>(p1.y);
        endX = 2 * static_cast<int64_t>(p2.x) - e.cx2;
        endY = e.cy2 - 2 * static_cast<int64_t>(p2.y);
        if (startX == 0 && startY == 0)
            startX = 1;
        if (endX == 0 && endY == 0)
            endX = 1;
        full = cross(startX, startY, endX, endY) == 0 && startX * endX + startY * endY > 0;
        endHalf = half(endX, endY);
    }

    // Whether the direction (x, y) (screen orientation, doubled) lies on the
    // sweep, both rays included.
    bool contains(int64_t x, int64_t y) const {
        y = -y;
        if (full || (x == 0 && y == 0))
            return true;
        int h = half(x, y);
        if (h != endHalf)
            return h < endHalf;
        return cross(x, y, endX, endY) >= 0;
    }

  private:
    static int64_t cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) { return ax * by - ay * bx; }
    // 0 for angles [0, pi) from the start ray, 1 for [pi, 2 pi).
    int half(int64_t x, int64_t y) const {
        int64_t c = cross(startX, startY, x, y);
        return (c > 0 || (c == 0 && startX * x + startY * y > 0)) ? 0 : 1;
    }

    int64_t startX, startY, endX, endY;
    bool full;
    int endHalf;
};

} // namespace

void Canvas::fillEllipse(const Rect &box) {
    Rect clip = effectiveClip();
    Rect b = normalised(clampRect(box));
    b.right -= 1; // a null pen leaves out one more column and row
    b.bottom -= 1;
    if (clip.empty() || b.empty())
        return;
    Ellipse e(b);
    for (int32_t y = std::max(b.top, clip.top); y < std::min(b.bottom, clip.bottom); ++y) {
        int64_t l, r;
        if (e.span(y, l, r))
            spanRop(y, static_cast<int32_t>(std::max<int64_t>(l, clip.left)),
                    static_cast<int32_t>(std::min<int64_t>(r + 1, clip.right)), brushColor, clip);
    }
}

void Canvas::fillPie(const Rect &box, Point p1, Point p2) {
    Rect clip = effectiveClip();
    Rect outer = normalised(clampRect(box));
    Rect b = outer;
    b.right -= 1;
    b.bottom -= 1;
    if (clip.empty() || b.empty())
        return;
    Ellipse e(b);
    Ellipse apex(outer); // the rays start at the center of the box as given
    Sweep sweep(apex, {clampCoord(p1.x), clampCoord(p1.y)}, {clampCoord(p2.x), clampCoord(p2.y)});
    for (int32_t y = std::max(b.top, clip.top); y < std::min(b.bottom, clip.bottom); ++y) {
        int64_t l, r;
        if (!e.span(y, l, r))
            continue;
        int64_t x0 = std::max<int64_t>(l, clip.left), x1 = std::min<int64_t>(r + 1, clip.right);
        for (int64_t x = x0; x < x1; ++x)
            if (sweep.contains(2 * x - apex.cx2, 2 * static_cast<int64_t>(y) - apex.cy2))
                plot(static_cast<int32_t>(x), y, brushColor);
    }
}

void Canvas::arc(const Rect &box, Point p1, Point p2) {
    noThrow([&] {
        Rect clip = effectiveClip();
        Rect b = normalised(clampRect(box));
        if (clip.empty() || b.empty())
            return;
        Ellipse e(b);
        Sweep sweep(e, {clampCoord(p1.x), clampCoord(p1.y)}, {clampCoord(p2.x), clampCoord(p2.y)});
        int32_t reach = selectedPen.width > 1 ? selectedPen.width / 2 + 1 : 0;

        // Wide pens stamp a disc on every pixel of the curve into a mask first,
        // so that each pixel takes the raster operation once.
        Rect maskRect = intersect({b.left - reach, b.top - reach, b.right + reach, b.bottom + reach}, clip);
        if (maskRect.empty())
            return;
        std::vector<uint8_t> mask;
        std::vector<Point> disc;
        if (reach > 0) {
            mask.assign(static_cast<size_t>(maskRect.width()) * static_cast<size_t>(maskRect.height()), 0);
            int64_t w2 = static_cast<int64_t>(selectedPen.width) * selectedPen.width;
            for (int32_t dy = -reach; dy <= reach; ++dy)
                for (int32_t dx = -reach; dx <= reach; ++dx) {
                    int64_t d4 = 4 * (static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dy) * dy);
                    if (d4 < w2 || (d4 == w2 && (dy < 0 || (dy == 0 && dx < 0))))
                        disc.push_back({dx, dy});
                }
        }
        auto mark = [&](int64_t x, int64_t y) {
            if (!sweep.contains(2 * x - e.cx2, 2 * y - e.cy2))
                return;
            if (reach == 0) {
                if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
                    plot(static_cast<int32_t>(x), static_cast<int32_t>(y), selectedPen.color);
                return;
            }
            for (const Point &d : disc) {
                int64_t px = x + d.x, py = y + d.y;
                if (px >= maskRect.left && px < maskRect.right && py >= maskRect.top && py < maskRect.bottom)
                    mask[static_cast<size_t>(py - maskRect.top) * static_cast<size_t>(maskRect.width()) +
                         static_cast<size_t>(px - maskRect.left)] = 1;
            }
        };

        int64_t y0 = std::max<int64_t>(b.top, static_cast<int64_t>(clip.top) - reach);
        int64_t y1 = std::min<int64_t>(b.bottom, static_cast<int64_t>(clip.bottom) + reach);
        int64_t xMin = static_cast<int64_t>(clip.left) - reach,
                xMax = static_cast<int64_t>(clip.right) + reach;
        for (int64_t y = y0; y < y1; ++y) {
            int64_t l = 0, r = -1, al = 0, ar = -1, bl = 0, br = -1;
            if (!e.span(y, l, r))
                continue;
            bool above = e.span(y - 1, al, ar), below = e.span(y + 1, bl, br);
            // Runs of the row on the outline: all of it next to an empty row,
            // else from each end to where both neighbouring rows reach.
            int64_t leftEnd = r, rightStart = r + 1;
            if (above && below) {
                leftEnd = std::max(l, std::max(al, bl) - 1);
                rightStart = std::min(r, std::min(ar, br) + 1);
                if (rightStart <= leftEnd)
                    rightStart = leftEnd + 1;
            }
            for (int64_t x = std::max(l, xMin); x <= std::min(leftEnd, xMax); ++x)
                mark(x, y);
            for (int64_t x = std::max(rightStart, xMin); x <= std::min(r, xMax); ++x)
                mark(x, y);
        }
        if (reach > 0) {
            for (int32_t y = maskRect.top; y < maskRect.bottom; ++y)
                for (int32_t x = maskRect.left; x < maskRect.right; ++x)
                    if (mask[static_cast<size_t>(y - maskRect.top) * static_cast<size_t>(maskRect.width()) +
                             static_cast<size_t>(x - maskRect.left)])
                        plot(x, y, selectedPen.color);
        }
    });
}

} // namespace sorrel::raster
