#include "tests/gui/raster_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using namespace sorrel::rastertest;

struct Scene {
    Surface surface;
    Canvas canvas;
    explicit Scene(int32_t w = 40, int32_t h = 40, Pixel back = kBack)
        : surface(w, h, back), canvas(&surface) {
        canvas.setPen({kInk, 1, LineStyle::Solid});
        canvas.setBrush(kInk);
    }
    PixelSet drawn() const { return changed(surface); }
};

PixelSet line(Point a, Point b, int32_t width = 1) {
    Scene s;
    s.canvas.setPen({kInk, width, LineStyle::Solid});
    s.canvas.moveTo(a);
    s.canvas.lineTo(b);
    return s.drawn();
}

// --- surface -----------------------------------------------------------------

TEST(RasterSurface, ViewDrawsIntoForeignMemoryAndLeavesRowPaddingAlone) {
    std::vector<Pixel> memory(6 * 3, 0xff123456u); // 4 wide, stride 6
    Surface view = Surface::view(memory.data(), 4, 3, 6);
    ASSERT_FALSE(view.owning());
    Canvas c(&view);
    c.setBrush(0x00abcdef);
    c.fillRect({-5, -5, 50, 50});
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(memory[static_cast<size_t>(y) * 6 + x], x < 4 ? 0x00abcdefu : 0xff123456u)
                << x << "," << y;
}

TEST(RasterSurface, BadViewsAreEmptyAndCopiesOfOwningSurfacesAreDeep) {
    Pixel p = 0;
    EXPECT_TRUE(Surface::view(nullptr, 4, 4, 4).empty());
    EXPECT_TRUE(Surface::view(&p, 4, 4, 3).empty());
    EXPECT_TRUE(Surface::view(&p, 0, 1, 1).empty());
    EXPECT_TRUE(Surface(-3, 5).empty());
    EXPECT_TRUE(Surface(1 << 20, 1 << 20).empty()); // beyond the pixel limit: empty, no exception
    EXPECT_TRUE(Surface(INT32_MAX, 2).empty());

    Surface a(3, 3, 0x111111);
    Surface b = a;
    b.set(1, 1, 0x222222);
    EXPECT_EQ(a.get(1, 1), 0x111111u);
    EXPECT_EQ(b.get(1, 1), 0x222222u);
    EXPECT_EQ(a.get(-1, 0), 0u); // outside reads 0 and writes are dropped
    a.set(3, 0, 0x333333);
    EXPECT_EQ(a.get(2, 0), 0x111111u);
}

// --- rectangles ----------------------------------------------------------------

TEST(RasterRect, FillCoversLeftToRightMinusOneAndTopToBottomMinusOne) {
    struct Case {
        Rect r;
        Rect covered;
    } cases[] = {
        {{10, 10, 20, 20}, {10, 10, 20, 20}},
        {{11, 11, 20, 20}, {11, 11, 20, 20}},
        {{5, 5, 6, 6}, {5, 5, 6, 6}},
        {{20, 20, 10, 10}, {}},
        {{5, 5, 5, 30}, {}},
        {{-10, -10, 3, 2}, {0, 0, 3, 2}},
        {{35, 30, 1000000, 1000000}, {35, 30, 40, 40}},
    };
    for (const Case &c : cases) {
        Scene s;
        s.canvas.setRop2(Rop2::NotXorPen); // FillRect ignores the raster operation
        s.canvas.fillRect(c.r);
        PixelSet d = s.drawn();
        EXPECT_EQ(str(bounds(d)), str(c.covered)) << str(c.r);
        EXPECT_EQ(d.size(), static_cast<size_t>(c.covered.width()) * c.covered.height()) << str(c.r);
    }
}

// The drawing context's outline of (10, 10, 20, 20): a closed polyline
// through the outermost pixels inside the rectangle. Under NOT-XOR every
// outline pixel must be drawn exactly once (corners are not drawn twice).
TEST(RasterRect, OutlineOfTenToTwentyTouchesTenToNineteenOnce) {
    Scene s(40, 40, 0);
    s.canvas.setPen({0, 1, LineStyle::Solid});
    s.canvas.setRop2(Rop2::NotXorPen);
    const Point outline[] = {{10, 10}, {19, 10}, {19, 19}, {10, 19}, {10, 10}};
    s.canvas.polyline(outline, 5);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            bool inBox = x >= 10 && x <= 19 && y >= 10 && y <= 19;
            bool onEdge = inBox && (x == 10 || x == 19 || y == 10 || y == 19);
            EXPECT_EQ(s.surface.get(x, y), onEdge ? 0x00ffffffu : 0u) << x << "," << y;
        }
    // The context's fillRect of the same rectangle fills the interior 11..19
    // (FillRect of (11, 11, 20, 20)) and leaves the top row and left column.
    s.canvas.setBrush(0x000000ff);
    s.canvas.fillRect({11, 11, 20, 20});
    EXPECT_EQ(s.surface.get(10, 15), 0x00ffffffu);
    EXPECT_EQ(s.surface.get(15, 10), 0x00ffffffu);
    EXPECT_EQ(s.surface.get(11, 11), 0x000000ffu);
    EXPECT_EQ(s.surface.get(19, 19), 0x000000ffu);
}

// --- lines ---------------------------------------------------------------------

TEST(RasterLine, LeavesOutTheEndPixelAndBreaksTiesTowardSmallerCoordinates) {
    struct Case {
        Point a, b;
        PixelSet expected;
    } cases[] = {
        {{2, 3}, {7, 3}, {{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}},
        {{7, 3}, {2, 3}, {{7, 3}, {6, 3}, {5, 3}, {4, 3}, {3, 3}}},
        {{4, 1}, {4, 4}, {{4, 1}, {4, 2}, {4, 3}}},
        {{4, 4}, {4, 1}, {{4, 4}, {4, 3}, {4, 2}}},
        {{1, 1}, {4, 4}, {{1, 1}, {2, 2}, {3, 3}}},
        {{4, 1}, {1, 4}, {{4, 1}, {3, 2}, {2, 3}}},
        // Midway at x = 2: the upper pixel wins, in both directions.
        {{0, 0}, {4, 1}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
        {{4, 1}, {0, 0}, {{4, 1}, {3, 1}, {2, 0}, {1, 0}}},
        // Steep, midway at y = 2: the left pixel wins.
        {{0, 0}, {1, 4}, {{0, 0}, {0, 1}, {0, 2}, {1, 3}}},
        {{5, 5}, {5, 5}, {}},
        {{-3, 2}, {2, 2}, {{0, 2}, {1, 2}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(str(line(c.a, c.b)), str(c.expected))
            << "(" << c.a.x << "," << c.a.y << ")-(" << c.b.x << "," << c.b.y << ")";
}

TEST(RasterLine, ReversedLinesShareEveryPixelButTheirEnds) {
    const Point ends[][2] = {{{0, 0}, {37, 11}}, {{3, 30}, {36, 2}}, {{5, 1}, {12, 38}}, {{30, 4}, {1, 17}}};
    for (const auto &e : ends) {
        PixelSet fwd = line(e[0], e[1]), back = line(e[1], e[0]);
        fwd.erase({e[0].x, e[0].y});
        back.erase({e[1].x, e[1].y});
        EXPECT_EQ(str(fwd), str(back));
    }
}

// The band slider's scale: moveTo(left, row), lineTo(left + 3 / 2 / 1, row).
TEST(RasterLine, TickLinesCoverTheirLengthOnOneRow) {
    for (int32_t len : {1, 2, 3}) {
        for (int32_t row : {3, 15, 28}) {
            PixelSet expected;
            for (int32_t x = 10; x < 10 + len; ++x)
                expected.insert({x, row});
            EXPECT_EQ(str(line({10, row}, {10 + len, row})), str(expected)) << len << " at row " << row;
        }
    }
    // Vertical ticks likewise.
    EXPECT_EQ(str(line({5, 20}, {5, 22})), str(PixelSet{{5, 20}, {5, 21}}));
}

TEST(RasterLine, DottedPenRunsThreeOnThreeOffAcrossLineToUntilMoveTo) {
    Scene s;
    s.canvas.setPen({kInk, 1, LineStyle::Dotted});
    s.canvas.moveTo({0, 1});
    s.canvas.lineTo({4, 1});  // pixels 0..3: on on on off
    s.canvas.lineTo({14, 1}); // continues: 4,5 off; 6..8 on; 9..11 off; 12,13 on
    s.canvas.moveTo({0, 3});
    s.canvas.lineTo({0, 10}); // restarts: rows 3..5 on, 6..8 off, 9 on
    PixelSet expected;
    for (int32_t x : {0, 1, 2, 6, 7, 8, 12, 13})
        expected.insert({x, 1});
    for (int32_t y : {3, 4, 5, 9})
        expected.insert({0, y});
    EXPECT_EQ(str(s.drawn()), str(expected));
}

TEST(RasterLine, WidePensCoverTheirWidthAndRoundTheEnds) {
    for (int32_t w : {2, 3, 4, 5, 8}) {
        PixelSet h = line({10, 20}, {30, 20}, w);
        Rect hb = bounds(h);
        // Across the middle: exactly w rows.
        int32_t rows = 0;
        for (int32_t y = 0; y < 40; ++y)
            rows += h.count({20, y}) ? 1 : 0;
        EXPECT_EQ(rows, w) << "width " << w;
        EXPECT_EQ(hb.bottom - hb.top, w) << "width " << w;
        // Round caps reach past the ends on the center row (past the right end
        // from width 3 on: a border point counts only above or left of the
        // line), but not into the corners.
        EXPECT_TRUE(h.count({9, 20})) << w;
        EXPECT_EQ(h.count({31, 20}) == 1, w >= 3) << w;
        if (w >= 4) {
            EXPECT_FALSE(h.count({10 - w / 2, 20 - w / 2})) << w;
        }
        // Vertical lines are the same shape turned.
        PixelSet v = line({20, 10}, {20, 30}, w);
        EXPECT_EQ(v.size(), h.size()) << w;
    }
}

// A wide polyline is one figure: under NOT-XOR its joints are not undone by
// being drawn twice.
TEST(RasterLine, WidePolylineTakesTheRasterOperationOncePerPixel) {
    const Point zigzag[] = {{5, 5}, {30, 8}, {8, 20}, {34, 34}, {34, 10}};
    for (int32_t w : {2, 3, 6}) {
        Scene copy(40, 40, 0), xored(40, 40, 0);
        copy.canvas.setPen({0x00ffffff, w, LineStyle::Solid});
        xored.canvas.setPen({0, w, LineStyle::Solid});
        xored.canvas.setRop2(Rop2::NotXorPen);
        copy.canvas.polyline(zigzag, 5);
        xored.canvas.polyline(zigzag, 5);
        EXPECT_TRUE(sameImage(copy.surface, xored.surface)) << "width " << w;
    }
}

// --- raster operations -----------------------------------------------------------

TEST(RasterRop, PenAndBrushCombineWithThePixelsBeneath) {
    struct Case {
        Rop2 rop;
        Pixel dst, pen, expected;
    } cases[] = {
        {Rop2::CopyPen, 0x123456, 0xabcdef, 0xabcdef},   {Rop2::MergePen, 0x00f0f0, 0x0f000f, 0x0ff0ff},
        {Rop2::MergePen, 0x123456, 0x000000, 0x123456},  {Rop2::NotXorPen, 0x123456, 0xffffff, 0x123456},
        {Rop2::NotXorPen, 0x123456, 0x000000, 0xedcba9}, {Rop2::NotXorPen, 0xff00ff, 0xff0000, 0xffff00},
    };
    for (const Case &c : cases) {
        Scene s(8, 8, c.dst);
        s.canvas.setRop2(c.rop);
        s.canvas.setPen({c.pen, 1, LineStyle::Solid});
        s.canvas.setBrush(c.pen);
        s.canvas.moveTo({1, 1});
        s.canvas.lineTo({2, 1}); // pen
        const Point tri[] = {{4, 4}, {6, 4}, {6, 6}, {4, 6}};
        s.canvas.fillPolygon(tri, 4);     // brush
        s.canvas.setPixel({7, 7}, c.pen); // SetPixel ignores the operation
        s.canvas.fillRect({0, 7, 1, 8});  // so does FillRect
        EXPECT_EQ(s.surface.get(1, 1), c.expected) << static_cast<int>(c.rop) << " " << c.dst;
        EXPECT_EQ(s.surface.get(5, 5), c.expected) << static_cast<int>(c.rop) << " " << c.dst;
        EXPECT_EQ(s.surface.get(7, 7), c.pen);
        EXPECT_EQ(s.surface.get(0, 7), c.pen);
        EXPECT_EQ(s.surface.get(2, 1), c.dst); // end pixel untouched
    }
}

// --- polygons ----------------------------------------------------------------------

TEST(RasterPolygon, FillsInsideWithLeftAndTopEdgesAndAlternateRule) {
    Scene s;
    const Point square[] = {{5, 5}, {15, 5}, {15, 15}, {5, 15}};
    s.canvas.fillPolygon(square, 4);
    EXPECT_EQ(str(bounds(s.drawn())), str(Rect{5, 5, 15, 15}));
    EXPECT_EQ(s.drawn().size(), 100u);

    // A five-pointed star drawn in one stroke: the alternate rule leaves its
    // center pentagon empty, the points are filled.
    Scene star(60, 60);
    const Point pts[] = {{30, 2}, {47, 55}, {2, 20}, {58, 20}, {13, 55}};
    star.canvas.fillPolygon(pts, 5);
    EXPECT_EQ(star.surface.get(30, 32), kBack);
    EXPECT_EQ(star.surface.get(30, 10), kInk);
    EXPECT_EQ(star.surface.get(10, 21), kInk);

    Scene none;
    none.canvas.fillPolygon(square, 2);
    none.canvas.fillPolygon(nullptr, 4);
    EXPECT_TRUE(none.drawn().empty());
}

// --- ellipses and arcs ----------------------------------------------------------------

PixelSet fullArc(const Rect &box, Surface *out = nullptr) {
    Scene s(64, 64);
    Point top{box.left + (box.right - box.left) / 2, box.top};
    s.canvas.arc(box, top, top);
    if (out)
        *out = s.surface;
    return s.drawn();
}

bool mirrored(const PixelSet &set, const Rect &box) {
    for (const auto &p : set) {
        int32_t mx = box.left + box.right - 1 - p.first, my = box.top + box.bottom - 1 - p.second;
        if (!set.count({mx, p.second}) || !set.count({p.first, my}))
            return false;
    }
    return true;
}

const Rect kBoxes[] = {{10, 10, 30, 30}, {10, 10, 31, 31}, {5, 20, 60, 31}, {20, 3, 27, 60}, {4, 4, 6, 6},
                       {4, 4, 5, 5},     {2, 30, 62, 32},  {30, 2, 32, 62}, {7, 9, 20, 12},  {0, 0, 64, 64}};

TEST(RasterEllipse, ArcOutlineTouchesTheBoxAndIsSymmetricClosedAndThin) {
    for (const Rect &box : kBoxes) {
        PixelSet o = fullArc(box);
        EXPECT_EQ(str(bounds(o)), str(box)) << str(box);
        EXPECT_TRUE(mirrored(o, box)) << str(box);
        // Every pixel has two or more 8-neighbours on the curve (closed), and no
        // 2x2 block is completely on it (thin), for boxes big enough to have a hole.
        if (box.width() < 4 || box.height() < 4)
            continue;
        for (const auto &p : o) {
            int n = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    n += (dx || dy) && o.count({p.first + dx, p.second + dy});
            EXPECT_GE(n, 2) << str(box) << " at " << p.first << "," << p.second;
            bool block = o.count({p.first + 1, p.second}) && o.count({p.first, p.second + 1}) &&
                         o.count({p.first + 1, p.second + 1});
            EXPECT_FALSE(block) << str(box) << " at " << p.first << "," << p.second;
        }
    }
}

TEST(RasterEllipse, ArcUnderNotXorDrawsEveryPixelOnce) {
    for (const Rect &box : kBoxes) {
        Scene s(64, 64, 0);
        s.canvas.setPen({0, 1, LineStyle::Solid});
        s.canvas.setRop2(Rop2::NotXorPen);
        s.canvas.arc(box, {0, 0}, {0, 0});
        EXPECT_EQ(changed(s.surface, 0).size(), fullArc(box).size()) << str(box);
    }
}

TEST(RasterEllipse, FillWithoutPenIsOneColumnAndRowSmallerAndInsideTheOutline) {
    for (const Rect &box : kBoxes) {
        Scene s(64, 64);
        s.canvas.fillEllipse(box);
        PixelSet f = s.drawn();
        Rect inner{box.left, box.top, box.right - 1, box.bottom - 1};
        if (inner.empty()) {
            EXPECT_TRUE(f.empty()) << str(box);
            continue;
        }
        EXPECT_EQ(str(bounds(f)), str(inner)) << str(box);
        EXPECT_TRUE(mirrored(f, inner)) << str(box);
        // The fill is exactly the outline of the smaller box plus its inside:
        // every outline pixel is filled, and every row is one run.
        for (const auto &p : fullArc(inner))
            EXPECT_TRUE(f.count(p)) << str(box) << " at " << p.first << "," << p.second;
        for (int32_t y = inner.top; y < inner.bottom; ++y) {
            int32_t runs = 0;
            for (int32_t x = inner.left; x < inner.right; ++x)
                runs += f.count({x, y}) && !f.count({x - 1, y});
            EXPECT_EQ(runs, 1) << str(box) << " row " << y;
        }
    }
}

TEST(RasterEllipse, ArcsAndPiesRunCounterClockwiseBetweenTheRays) {
    const Rect box{10, 10, 51, 51}; // center (30, 30)
    const Point right{60, 30}, top{30, 0}, left{0, 30}, bottom{30, 60};
    struct Case {
        Point from, to;
        std::function<bool(int32_t, int32_t)> inside; // pixel within the expected sweep
    } cases[] = {
        {right, top, [](int32_t x, int32_t y) { return x >= 30 && y <= 30; }},
        {top, left, [](int32_t x, int32_t y) { return x <= 30 && y <= 30; }},
        {left, bottom, [](int32_t x, int32_t y) { return x <= 30 && y >= 30; }},
        {bottom, right, [](int32_t x, int32_t y) { return x >= 30 && y >= 30; }},
        {right, left, [](int32_t, int32_t y) { return y <= 30; }},
        {top, right, [](int32_t x, int32_t y) { return !(x > 30 && y < 30); }},
    };
    PixelSet full = fullArc(box);
    Scene whole(64, 64);
    whole.canvas.fillEllipse(box);
    PixelSet fullFill = whole.drawn();
    for (const Case &c : cases) {
        Scene a(64, 64), p(64, 64);
        a.canvas.arc(box, c.from, c.to);
        p.canvas.fillPie(box, c.from, c.to);
        PixelSet arc = a.drawn(), pie = p.drawn();
        for (const auto &q : full)
            EXPECT_EQ(arc.count(q) == 1, c.inside(q.first, q.second)) << q.first << "," << q.second;
        for (const auto &q : fullFill)
            EXPECT_EQ(pie.count(q) == 1, c.inside(q.first, q.second)) << q.first << "," << q.second;
        // The opposite sweep draws the rest; both include the pixels on the rays.
        Scene ra(64, 64);
        ra.canvas.arc(box, c.to, c.from);
        PixelSet rest = ra.drawn();
        for (const auto &q : full)
            EXPECT_TRUE(arc.count(q) || rest.count(q)) << q.first << "," << q.second;
    }
}

// --- flood fill --------------------------------------------------------------------------

TEST(RasterFlood, FillsTheFourConnectedAreaOfOneColorAndStopsAtBorders) {
    Scene s(30, 30, 0x00ffffff);
    s.canvas.setPen({0x00ff0000, 1, LineStyle::Solid});
    const Point ring[] = {{5, 5}, {20, 5}, {20, 20}, {5, 20}, {5, 5}};
    s.canvas.polyline(ring, 5);
    // A diagonal line: 4-connected filling must not leak across it.
    s.canvas.moveTo({6, 12});
    s.canvas.lineTo({14, 20});
    s.canvas.setBrush(0x000000ff);
    EXPECT_TRUE(s.canvas.floodFill({10, 8}));
    EXPECT_EQ(s.surface.get(10, 8), 0x000000ffu);
    EXPECT_EQ(s.surface.get(19, 19), 0x000000ffu);
    EXPECT_EQ(s.surface.get(6, 19), 0x00ffffffu); // the corner cut off by the diagonal
    EXPECT_EQ(s.surface.get(5, 10), 0x00ff0000u); // border kept
    EXPECT_EQ(s.surface.get(2, 2), 0x00ffffffu);  // outside kept
    EXPECT_EQ(s.surface.get(25, 25), 0x00ffffffu);

    // Only inside the clip; a start outside it draws nothing.
    Scene c(30, 30, 0x00ffffff);
    c.canvas.setClip({0, 0, 10, 30});
    EXPECT_FALSE(c.canvas.floodFill({15, 15}));
    EXPECT_TRUE(changed(c.surface, 0x00ffffff).empty());
    EXPECT_TRUE(c.canvas.floodFill({3, 3}));
    EXPECT_EQ(str(bounds(changed(c.surface, 0x00ffffff))), str(Rect{0, 0, 10, 30}));
}

// --- clipping -------------------------------------------------------------------------------

// Every operation under a clip draws exactly what it draws without one,
// restricted to the clip.
TEST(RasterClip, EveryOperationDrawsOnlyInsideTheClip) {
    Surface source(20, 20);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x)
            source.set(x, y, sorrel::raster::rgb(x * 12, y * 12, 200));
    struct Op {
        const char *name;
        std::function<void(Canvas &)> draw;
    } ops[] = {
        {"fillRect",
         [](Canvas &c) {
             c.fillRect({-5, -5, 45, 45});
         }},
        {"lines",
         [](Canvas &c) {
             for (int32_t i = -4; i < 44; i += 3) {
                 c.moveTo({-10, i});
                 c.lineTo({50, 40 - i});
             }
         }},
        {"wide line",
         [](Canvas &c) {
             c.setPen({kInk, 5, LineStyle::Solid});
             c.moveTo({-3, 20});
             c.lineTo({43, 22});
         }},
        {"polygon",
         [](Canvas &c) {
             const Point p[] = {{-10, 20}, {20, -10}, {50, 20}, {20, 50}};
             c.fillPolygon(p, 4);
         }},
        {"ellipse",
         [](Canvas &c) {
             c.fillEllipse({-6, -2, 46, 42});
         }},
        {"arc",
         [](Canvas &c) {
             c.arc({-6, -2, 46, 42}, {0, 0}, {0, 0});
         }},
        {"wide arc",
         [](Canvas &c) {
             c.setPen({kInk, 4, LineStyle::Solid});
             c.arc({1, 2, 39, 38}, {0, 0}, {0, 0});
         }},
        {"pie",
         [](Canvas &c) {
             c.fillPie({-6, -2, 46, 42}, {40, 0}, {0, 40});
         }},
        {"flood",
         [](Canvas &c) {
             c.floodFill({20, 20});
         }},
        {"pixels",
         [](Canvas &c) {
             for (int32_t i = 0; i < 40; ++i)
                 c.setPixel({i, (i * 7) % 40}, kInk);
         }},
        {"text",
         [](Canvas &c) {
             c.drawText("Wide text here", {-20, 0, 60, 40}, sorrel::raster::Align::Center);
         }},
        {"blit", [&](Canvas &c) { c.blit(-2, 5, 20, 20, source, 0, 0); }},
        {"keyed", [&](Canvas &c) { c.blitKeyed(25, -3, 20, 20, source, 0, 0, source.get(3, 3)); }},
        {"blend", [&](Canvas &c) { c.blitBlend(10, 10, 40, 40, source, 0, 0, 100); }},
    };
    const Rect clips[] = {
        {10, -100, 100, 100},  // left side cut
        {-100, 10, 100, 100},  // top
        {-100, -100, 30, 100}, // right
        {-100, -100, 100, 30}, // bottom
        {12, 7, 25, 33},       // all four
        {-50, -50, -10, -10},  // far outside, negative
        {1000000, 1000000, 2000000, 2000000},
        {30, 30, 10, 10}, // inverted
        {-2147483647, -2147483647, 2147483647, 2147483647},
    };
    for (const Op &op : ops) {
        Scene plain;
        plain.canvas.setFont(sorrel::raster::Font({sorrel::raster::Face::Sans, 14}));
        op.draw(plain.canvas);
        for (const Rect &clip : clips) {
            Scene s;
            s.canvas.setFont(sorrel::raster::Font({sorrel::raster::Face::Sans, 14}));
            s.canvas.setClip(clip);
            op.draw(s.canvas);
            size_t wrong = 0;
            for (int32_t y = 0; y < 40; ++y)
                for (int32_t x = 0; x < 40; ++x) {
                    bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                    Pixel expected = in ? plain.surface.get(x, y) : kBack;
                    wrong += s.surface.get(x, y) != expected;
                }
            EXPECT_EQ(wrong, 0u) << op.name << " clipped to " << str(clip);
        }
        EXPECT_FALSE(plain.drawn().empty()) << op.name << " draws something";
    }
}

TEST(RasterClip, ShapesFarOutsideTheSurfaceAreClampedNotWrapped) {
    Scene s;
    s.canvas.moveTo({-2000000000, 5});
    s.canvas.lineTo({2000000000, 5});
    EXPECT_EQ(s.drawn().size(), 40u);
    Scene e;
    e.canvas.arc({-2000000000, -2000000000, 2000000000, 2000000000}, {0, 0}, {0, 0});
    e.canvas.fillEllipse({-2000000000, -2000000000, 2000000000, 2000000000});
    // The huge fill covers the surface; the huge outline passes far outside it.
    EXPECT_EQ(e.drawn().size(), 1600u);
    Scene n(40, 40);
    n.canvas.setTarget(nullptr); // no surface: nothing to do, nothing crashes
    n.canvas.fillRect({0, 0, 10, 10});
    n.canvas.lineTo({10, 10});
    n.canvas.arc({0, 0, 10, 10}, {0, 0}, {0, 0});
    n.canvas.drawText("x", {0, 0, 10, 10}, sorrel::raster::Align::Left);
    EXPECT_FALSE(n.canvas.floodFill({1, 1}));
    EXPECT_TRUE(n.drawn().empty());
}

} // namespace
