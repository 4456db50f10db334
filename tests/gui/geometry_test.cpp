#include "gui/drawing/color.h"
#include "gui/drawing/fonts.h"
#include "gui/drawing/geometry.h"
#include "gui/drawing/refcount.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sorrel {

namespace {

TEST(Geometry, PointWithinIncludesAllFourEdgesButContainsIsHalfOpen) {
    const CRect r(10, 20, 30, 40);
    struct Case {
        CPoint p;
        bool within;
        bool contains;
    } cases[] = {
        {{10, 20}, true, true},     {{29, 39}, true, true},   {{30, 20}, true, false},
        {{10, 40}, true, false},    {{30, 40}, true, false},  {{9, 20}, false, false},
        {{10, 19}, false, false},   {{31, 25}, false, false}, {{20, 41}, false, false},
        {{-20, -40}, false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.p.isWithin(r), c.within) << c.p.x << "," << c.p.y;
        EXPECT_EQ(r.contains(c.p), c.contains) << c.p.x << "," << c.p.y;
    }
}

TEST(Geometry, IntersectKeepsZeroSizeAtTheClippedCorner) {
    struct Case {
        CRect a, b, expected;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}},
        {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
        {{0, 0, 10, 10}, {10, 10, 20, 20}, {10, 10, 10, 10}},
        // Disjoint: right and bottom collapse onto the larger left and top.
        {{0, 0, 10, 10}, {50, 60, 70, 80}, {50, 60, 50, 60}},
        {{50, 60, 70, 80}, {0, 0, 10, 10}, {50, 60, 50, 60}},
        {{-100, -100, -50, -50}, {0, 0, 1000, 1000}, {0, 0, 0, 0}},
        // Apart on one axis only.
        {{0, 0, 10, 10}, {20, 2, 30, 8}, {20, 2, 20, 8}},
    };
    for (const Case &c : cases) {
        CRect r = c.a;
        r.intersectWith(c.b);
        EXPECT_EQ(r, c.expected) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_GE(r.width(), 0);
        EXPECT_GE(r.height(), 0);
    }
}

TEST(Geometry, OverlapCountsTouchingEdges) {
    const CRect r(10, 10, 20, 20);
    struct Case {
        CRect other;
        bool overlaps;
    } cases[] = {
        {{20, 10, 30, 20}, true},  {{0, 0, 10, 10}, true},   {{21, 10, 30, 20}, false},
        {{10, 21, 20, 30}, false}, {{0, 0, 9, 30}, false},   {{12, 12, 13, 13}, true},
        {{0, 0, 100, 100}, true},  {{10, -5, 20, 9}, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(r.overlaps(c.other), c.overlaps) << c.other.left << "," << c.other.top;
        EXPECT_EQ(c.other.overlaps(r), c.overlaps) << "symmetric";
    }
}

TEST(Geometry, RectangleArithmetic) {
    CRect r;
    r.setNormalized(30, 5, 10, 25);
    EXPECT_EQ(r, CRect(10, 5, 30, 25));
    EXPECT_EQ(r.width(), 20);
    EXPECT_EQ(r.height(), 20);
    // The four-value constructor never reorders.
    EXPECT_EQ(CRect(30, 25, 10, 5).left, 30);
    EXPECT_TRUE(CRect(30, 25, 10, 5).isEmpty());
    EXPECT_TRUE(CRect(10, 10, 10, 20).isEmpty());
    EXPECT_FALSE(CRect(10, 10, 11, 11).isEmpty());
    r.offset(-10, 5).inset(2, 3);
    EXPECT_EQ(r, CRect(2, 13, 18, 27));
    CPoint p(1, 2);
    p.offset(-3, 4);
    EXPECT_EQ(p, CPoint(-2, 6));
}

TEST(Colors, EqualityIncludesAlphaAndPlatformColorIgnoresIt) {
    EXPECT_NE(CColor(0, 0, 0, 0), BlackColor);
    EXPECT_NE(TransparentColor, WhiteColor);
    EXPECT_TRUE(TransparentColor.sameRgb(WhiteColor));
    EXPECT_EQ(CColor(0x12, 0x34, 0x56, 0x78).colorRef(), 0x563412u);
    EXPECT_EQ(MagentaColor, CColor(255, 0, 255, 255));
    EXPECT_EQ(GreyColor, CColor(127, 127, 127, 255));
}

TEST(Fonts, TableAndFallbackForIdsOutOfRange) {
    struct Case {
        int32_t id;
        const char *face;
        int32_t height;
        bool bold;
        uint8_t family;
    } cases[] = {
        {SystemFont, "Arial", 12, true, 0x22},
        {VeryBigFont, "Arial", 18, false, 0x22},
        {BigFont, "Arial", 14, false, 0x22},
        {NormalFont, "Arial", 12, false, 0x22},
        {SmallFont, "Arial", 11, false, 0x22},
        {SmallerFont, "Arial", 10, false, 0x22},
        {VerySmallFont, "Arial", 9, false, 0x22},
        {SymbolFont, "Symbol", 13, false, 0x50},
        {FontCount, "Arial", 12, true, 0x22},
        {-1, "Arial", 12, true, 0x22},
        {9, "Arial", 12, true, 0x22},
    };
    for (const Case &c : cases) {
        const CFontInfo &f = fontInfo(c.id);
        EXPECT_STREQ(f.face, c.face) << c.id;
        EXPECT_EQ(f.defaultHeight, c.height) << c.id;
        EXPECT_EQ(f.alwaysBold, c.bold) << c.id;
        EXPECT_EQ(f.pitchAndFamily, c.family) << c.id;
    }
}

struct Counted : CReferenceCounter {
    explicit Counted(int *counter) : deaths(counter) {}
    ~Counted() override { ++*deaths; }
    int *deaths;
};

TEST(ReferenceCounter, TheLastForgetDestroys) {
    int deaths = 0;
    Counted *c = new Counted(&deaths);
    EXPECT_EQ(c->getNbReference(), 1);
    c->remember();
    c->remember();
    c->forget();
    c->forget();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(c->getNbReference(), 1);
    c->forget();
    EXPECT_EQ(deaths, 1);
}

} // namespace

} // namespace sorrel
