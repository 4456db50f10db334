// Canvas state, single pixels, rectangles, lines, polygons, flood fill and
// block copies.
#include "gui/raster/arith.h"
#include "gui/raster/raster.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorrel::raster {

using namespace detail;

namespace {

Point clampPoint(Point p) {
    return {clampCoord(p.x), clampCoord(p.y)};
}

inline Pixel applyRop(Rop2 rop, Pixel dst, Pixel pen) {
    switch (rop) {
    case Rop2::MergePen:
        return colorOf(dst | pen);
    case Rop2::NotXorPen:
        return colorOf(~(dst ^ pen));
    case Rop2::CopyPen:
    default:
        return pen;
    }
}

bool contains(const Rect &r, int64_t x, int64_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Rectangle from 64-bit edges, clamped into 32 bits (the caller intersects it
// with a clip that lies inside the surface anyway).
Rect rect64(int64_t l, int64_t t, int64_t r, int64_t b) {
    auto c = [](int64_t v) {
        return static_cast<int32_t>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, v)));
    };
    return {c(l), c(t), c(r), c(b)};
}

} // namespace

Canvas::Canvas(Surface *target) : targetSurface(target) {
    resetClip();
}

void Canvas::setTarget(Surface *target) {
    targetSurface = target;
}

void Canvas::resetClip() {
    clipRect = targetSurface ? targetSurface->bounds() : Rect{};
    if (!targetSurface)
        clipRect = Rect{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
}

Rect Canvas::effectiveClip() const {
    if (!targetSurface || targetSurface->empty())
        return Rect{};
    return intersect(clipRect, targetSurface->bounds());
}

void Canvas::setPen(const Pen &pen) {
    selectedPen = pen;
    selectedPen.color = colorOf(pen.color);
    if (selectedPen.width < 0)
        selectedPen.width = 1;
    if (selectedPen.width > 4096)
        selectedPen.width = 4096;
}

void Canvas::plot(int32_t x, int32_t y, Pixel color) {
    Pixel *p = targetSurface->row(y) + x;
    *p = applyRop(rasterOp, colorOf(*p), color);
}

void Canvas::spanRop(int32_t y, int32_t x0, int32_t x1, Pixel color, const Rect &clip) {
    if (y < clip.top || y >= clip.bottom)
        return;
    x0 = std::max(x0, clip.left);
    x1 = std::min(x1, clip.right);
    Pixel *row = targetSurface->row(y);
    for (int32_t x = x0; x < x1; ++x)
        row[x] = applyRop(rasterOp, colorOf(row[x]), color);
}

void Canvas::setPixel(Point p, Pixel color) {
    Rect clip = effectiveClip();
    if (contains(clip, p.x, p.y))
        targetSurface->row(p.y)[p.x] = colorOf(color);
}

Pixel Canvas::getPixel(Point p) const {
    return targetSurface ? targetSurface->get(p.x, p.y) : 0;
}

void Canvas::fillRect(const Rect &r) {
    Rect area = intersect(r, effectiveClip());
    for (int32_t y = area.top; y < area.bottom; ++y)
        std::fill(targetSurface->row(y) + area.left, targetSurface->row(y) + area.right, brushColor);
}

// --- lines -----------------------------------------------------------------

void Canvas::moveTo(Point p) {
    penPosition = clampPoint(p);
    dotPhase = 0;
}

void Canvas::lineTo(Point p) {
    Point a = penPosition;
    Point b = clampPoint(p);
    penPosition = b;
    if (blockScale.quarters() > DeviceScale::kMinQuarters && selectedPen.width <= 1) {
        blockLine(a, b);
        return;
    }
    int64_t dx = static_cast<int64_t>(b.x) - a.x;
    int64_t dy = static_cast<int64_t>(b.y) - a.y;
    int64_t n = std::max(magnitude(dx), magnitude(dy));
    if (n == 0)
        return;
    int32_t phase = dotPhase;
    dotPhase = static_cast<int32_t>((dotPhase + n) % 6);
    Rect clip = effectiveClip();
    if (clip.empty())
        return;
    if (selectedPen.width > 1) {
        wideSegment(a, b);
        return;
    }
    bool dotted = selectedPen.style == LineStyle::Dotted;
    bool xMajor = magnitude(dx) >= magnitude(dy);
    // Walk the major axis from a (included) to b (left out); the minor
    // coordinate is the exact one rounded to nearest, ties to the smaller.
    int64_t major0 = xMajor ? a.x : a.y;
    int64_t minor0 = xMajor ? a.y : a.x;
    int64_t dMinor = xMajor ? dy : dx;
    int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    int64_t lo = xMajor ? clip.left : clip.top;
    int64_t hi = (xMajor ? clip.right : clip.bottom) - 1;
    int64_t kmin, kmax;
    if (step > 0) {
        kmin = std::max<int64_t>(0, lo - major0);
        kmax = std::min<int64_t>(n - 1, hi - major0);
    } else {
        kmin = std::max<int64_t>(0, major0 - hi);
        kmax = std::min<int64_t>(n - 1, major0 - lo);
    }
    for (int64_t k = kmin; k <= kmax; ++k) {
        if (dotted && (phase + k) % 6 >= 3)
            continue;
        int64_t major = major0 + step * k;
        int64_t minor = minor0 + ceilDiv(2 * dMinor * k - n, 2 * n);
        int64_t x = xMajor ? major : minor;
        int64_t y = xMajor ? minor : major;
        if (contains(clip, x, y))
            plot(static_cast<int32_t>(x), static_cast<int32_t>(y), selectedPen.color);
    }
}

// The one-pixel line on the lattice of blocks: the same walk as lineTo's,
// each visited point filled as a block (clipped pixel by pixel).
void Canvas::blockLine(Point a, Point b) {
    const DeviceScale s = blockScale;
    const int64_t across = s.lineWidth();
    const int64_t ax = s.logical(a.x), ay = s.logical(a.y), bx = s.logical(b.x), by = s.logical(b.y);
    const int64_t dx = bx - ax, dy = by - ay;
    const int64_t n = std::max(magnitude(dx), magnitude(dy));
    if (n == 0)
        return;
    const int32_t phase = dotPhase;
    dotPhase = static_cast<int32_t>((dotPhase + n) % 6);
    const Rect clip = effectiveClip();
    if (clip.empty())
        return;
    const bool dotted = selectedPen.style == LineStyle::Dotted;
    const bool xMajor = magnitude(dx) >= magnitude(dy);
    const int64_t dMinor = xMajor ? dy : dx;
    const int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    for (int64_t k = 0; k < n; ++k) {
        if (dotted && (phase + k) % 6 >= 3)
            continue;
        const int64_t major = (xMajor ? ax : ay) + step * k;
        const int64_t minor = (xMajor ? ay : ax) + ceilDiv(2 * dMinor * k - n, 2 * n);
        const int64_t lx = xMajor ? major : minor, ly = xMajor ? minor : major;
        const int64_t x0 = xMajor ? s.device(lx) : s.lineStart(lx);
        const int64_t y0 = xMajor ? s.lineStart(ly) : s.device(ly);
        const int64_t x1 = xMajor ? s.device(lx + 1) : x0 + across;
        const int64_t y1 = xMajor ? y0 + across : s.device(ly + 1);
        const Rect block = intersect(rect64(x0, y0, x1, y1), clip);
        for (int32_t y = block.top; y < block.bottom; ++y)
            for (int32_t x = block.left; x < block.right; ++x)
                plot(x, y, selectedPen.color);
    }
}

// A line of a wide pen: every lattice point within half the pen width of the
// segment (round caps). Points exactly on the border count when they lie
// above the segment, or level with it and to its left, so a pen of width w
// covers w rows of a horizontal line.
void Canvas::wideSegment(Point a, Point b, std::vector<uint8_t> *mask, const Rect &maskRect) {
    Rect clip = mask ? maskRect : effectiveClip();
    int64_t w = selectedPen.width;
    int64_t half = w / 2 + 1;
    Rect box = intersect(rect64(std::min(a.x, b.x) - half, std::min(a.y, b.y) - half,
                                std::max(a.x, b.x) + half + 1, std::max(a.y, b.y) + half + 1),
                         clip);
    int64_t dx = static_cast<int64_t>(b.x) - a.x;
    int64_t dy = static_cast<int64_t>(b.y) - a.y;
    int64_t len2 = dx * dx + dy * dy;
    int64_t w2 = w * w;
    U128 limit = mul64(static_cast<uint64_t>(w2), static_cast<uint64_t>(len2));
    auto tieInside = [](int ox, int oy) { return oy < 0 || (oy == 0 && ox < 0); };
    auto sign = [](int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    for (int32_t y = box.top; y < box.bottom; ++y) {
        for (int32_t x = box.left; x < box.right; ++x) {
            int64_t vx = static_cast<int64_t>(x) - a.x, vy = static_cast<int64_t>(y) - a.y;
            int64_t t = vx * dx + vy * dy;
            bool inside;
            if (t <= 0 || t >= len2) {
                int64_t ox = t <= 0 ? vx : static_cast<int64_t>(x) - b.x;
                int64_t oy = t <= 0 ? vy : static_cast<int64_t>(y) - b.y;
                int64_t d4 = 4 * (ox * ox + oy * oy);
                inside = d4 < w2 || (d4 == w2 && tieInside(sign(ox), sign(oy)));
            } else {
                int64_t cross = vx * dy - vy * dx;
                uint64_t m = magnitude(cross);
                U128 d4 = mul64(2 * m, 2 * m);
                int c = compare(d4, limit);
                int s = sign(cross);
                inside = c < 0 || (c == 0 && tieInside(s * sign(dy), s * sign(-dx)));
            }
            if (!inside)
                continue;
            if (mask)
                (*mask)[static_cast<size_t>(y - maskRect.top) * static_cast<size_t>(maskRect.width()) +
                        static_cast<size_t>(x - maskRect.left)] = 1;
            else
                plot(x, y, selectedPen.color);
        }
    }
}

void Canvas::polyline(const Point *points, size_t count) {
    noThrow([&] {
        if (!points || count < 2)
            return;
        Point saved = penPosition;
        int32_t savedPhase = dotPhase;
        Rect clip = effectiveClip();
        if (selectedPen.width > 1 && !clip.empty()) {
            // One figure: mark every segment, then apply the operation once.
            std::vector<uint8_t> mask(static_cast<size_t>(clip.width()) * static_cast<size_t>(clip.height()),
                                      0);
            Point a = clampPoint(points[0]);
            for (size_t i = 1; i < count; ++i) {
                Point b = clampPoint(points[i]);
                if (a.x != b.x || a.y != b.y)
                    wideSegment(a, b, &mask, clip);
                a = b;
            }
            for (int32_t y = clip.top; y < clip.bottom; ++y)
                for (int32_t x = clip.left; x < clip.right; ++x)
                    if (mask[static_cast<size_t>(y - clip.top) * static_cast<size_t>(clip.width()) +
                             static_cast<size_t>(x - clip.left)])
                        plot(x, y, selectedPen.color);
            return;
        }
        moveTo(points[0]);
        for (size_t i = 1; i < count; ++i)
            lineTo(points[i]);
        penPosition = saved;
        dotPhase = savedPhase;
    });
}

// --- polygons --------------------------------------------------------------

void Canvas::fillPolygon(const Point *points, size_t count) {
    noThrow([&] {
        Rect clip = effectiveClip();
        if (!points || count < 3 || clip.empty())
            return;
        std::vector<Point> pts(points, points + count);
        int32_t ymin = INT32_MAX, ymax = INT32_MIN;
        for (Point &p : pts) {
            p = clampPoint(p);
            ymin = std::min(ymin, p.y);
            ymax = std::max(ymax, p.y);
        }
        std::vector<int64_t> xs;
        int32_t y0 = std::max(ymin, clip.top), y1 = std::min(ymax, clip.bottom);
        for (int32_t y = y0; y < y1; ++y) {
            xs.clear();
            for (size_t i = 0; i < count; ++i) {
                Point p = pts[i], q = pts[(i + 1) % count];
                if (p.y == q.y)
                    continue;
                if (p.y > q.y)
                    std::swap(p, q);
                if (y < p.y || y >= q.y)
                    continue;
                // Leftmost lattice point at or right of the crossing.
                int64_t num = (static_cast<int64_t>(y) - p.y) * (static_cast<int64_t>(q.x) - p.x);
                xs.push_back(p.x + ceilDiv(num, static_cast<int64_t>(q.y) - p.y));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2) {
                int64_t l = std::max<int64_t>(xs[i], clip.left), r = std::min<int64_t>(xs[i + 1], clip.right);
                if (l < r)
                    spanRop(y, static_cast<int32_t>(l), static_cast<int32_t>(r), brushColor, clip);
            }
        }
    });
}

// --- flood fill --------------------------------------------------------------

bool Canvas::floodFill(Point p) {
    Rect clip = effectiveClip();
    if (!contains(clip, p.x, p.y))
        return false;
    Pixel old = targetSurface->get(p.x, p.y);
    Pixel fill = brushColor;
    if (old == fill)
        return true;
    auto at = [&](int32_t x, int32_t y) { return colorOf(targetSurface->row(y)[x]); };
    noThrow([&] {
        std::vector<Point> stack{p};
        while (!stack.empty()) {
            Point s = stack.back();
            stack.pop_back();
            if (at(s.x, s.y) != old)
                continue;
            int32_t l = s.x, r = s.x;
            while (l > clip.left && at(l - 1, s.y) == old)
                --l;
            while (r + 1 < clip.right && at(r + 1, s.y) == old)
                ++r;
            std::fill(targetSurface->row(s.y) + l, targetSurface->row(s.y) + r + 1, fill);
            for (int32_t ny : {s.y - 1, s.y + 1}) {
                if (ny < clip.top || ny >= clip.bottom)
                    continue;
                bool inRun = false;
                for (int32_t x = l; x <= r; ++x) {
                    bool match = at(x, ny) == old;
                    if (match && !inRun)
                        stack.push_back({x, ny});
                    inRun = match;
                }
            }
        }
    });
    return true;
}

// --- blits ---------------------------------------------------------------------

namespace {

// The destination pixels of a block copy that have both a place in the clip
// and a source pixel. Source of destination (X, Y) is (X + dx, Y + dy).
struct Block {
    Rect dst;
    int32_t dx = 0;
    int32_t dy = 0;
};

Block blockOf(const Rect &clip, int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx,
              int32_t sy) {
    Block b;
    if (w <= 0 || h <= 0 || source.empty())
        return b;
    int64_t offX = static_cast<int64_t>(sx) - x, offY = static_cast<int64_t>(sy) - y;
    Rect dst = rect64(x, y, static_cast<int64_t>(x) + w, static_cast<int64_t>(y) + h);
    Rect fromSource = rect64(-offX, -offY, source.width() - offX, source.height() - offY);
    b.dst = intersect(intersect(dst, clip), fromSource);
    b.dx = static_cast<int32_t>(offX);
    b.dy = static_cast<int32_t>(offY);
    return b;
}

// When source and destination share pixels, read from a copy of the block.
template <class F> void forEachPixel(Surface &target, const Block &b, const Surface &source, F f) {
    if (b.dst.empty())
        return;
    const Surface *src = &source;
    Surface copy;
    int32_t dx = b.dx, dy = b.dy;
    if (source.data() == target.data()) {
        copy = Surface(b.dst.width(), b.dst.height());
        if (copy.empty())
            return;
        for (int32_t y = 0; y < copy.height(); ++y)
            std::memcpy(copy.row(y), source.row(b.dst.top + y + dy) + b.dst.left + dx,
                        sizeof(Pixel) * static_cast<size_t>(copy.width()));
        src = &copy;
        dx = -b.dst.left;
        dy = -b.dst.top;
    }
    for (int32_t y = b.dst.top; y < b.dst.bottom; ++y) {
        Pixel *d = target.row(y);
        const Pixel *s = src->row(y + dy) + dx;
        for (int32_t x = b.dst.left; x < b.dst.right; ++x)
            d[x] = f(colorOf(d[x]), colorOf(s[x]));
    }
}

} // namespace

void Canvas::blit(int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx, int32_t sy,
                  BlitOp op) {
    if (!targetSurface)
        return;
    Block b = blockOf(effectiveClip(), x, y, w, h, source, sx, sy);
    switch (op) {
    case BlitOp::Or:
        forEachPixel(*targetSurface, b, source, [](Pixel d, Pixel s) { return d | s; });
        break;
    case BlitOp::And:
        forEachPixel(*targetSurface, b, source, [](Pixel d, Pixel s) { return d & s; });
        break;
    case BlitOp::Xor:
        forEachPixel(*targetSurface, b, source, [](Pixel d, Pixel s) { return d ^ s; });
        break;
    case BlitOp::Copy:
    default:
        forEachPixel(*targetSurface, b, source, [](Pixel, Pixel s) { return s; });
        break;
    }
}

void Canvas::blitKeyed(int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx,
                       int32_t sy, Pixel key) {
    if (!targetSurface)
        return;
    key = colorOf(key);
    forEachPixel(*targetSurface, blockOf(effectiveClip(), x, y, w, h, source, sx, sy), source,
                 [key](Pixel d, Pixel s) { return s == key ? d : s; });
}

void Canvas::blitBlend(int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx,
                       int32_t sy, uint8_t alpha) {
    if (!targetSurface)
        return;
    unsigned a = alpha, na = 255u - alpha;
    forEachPixel(*targetSurface, blockOf(effectiveClip(), x, y, w, h, source, sx, sy), source,
                 [a, na](Pixel d, Pixel s) {
                     return rgb((red(s) * a + red(d) * na + 127) / 255,
                                (green(s) * a + green(d) * na + 127) / 255,
                                (blue(s) * a + blue(d) * na + 127) / 255);
                 });
}

} // namespace sorrel::raster
