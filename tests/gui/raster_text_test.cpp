#include "tests/gui/raster_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace sorrel::rastertest;

Font sans(int32_t height, bool bold = false, bool italic = false, bool underline = false) {
    return Font(FontSpec{Face::Sans, height, bold, italic, underline});
}

struct Text {
    Surface surface;
    Canvas canvas;
    explicit Text(const Font &font, int32_t w = 120, int32_t h = 60)
        : surface(w, h, kBack), canvas(&surface) {
        canvas.setFont(font);
        canvas.setTextColor(kInk);
    }
    PixelSet draw(const char *text, const Rect &r, Align align) {
        canvas.drawText(text, r, align);
        return changed(surface);
    }
};

PixelSet shifted(const PixelSet &set, int32_t dx, int32_t dy) {
    PixelSet out;
    for (const auto &p : set)
        out.insert({p.first + dx, p.second + dy});
    return out;
}

bool inside(const PixelSet &set, const Rect &r) {
    for (const auto &p : set)
        if (p.first < r.left || p.first >= r.right || p.second < r.top || p.second >= r.bottom)
            return false;
    return true;
}

TEST(RasterText, WidthsOfKnownStrings) {
    struct Case {
        int32_t height;
        bool bold;
        const char *text;
        int32_t width;
    } cases[] = {
        {9, false, "1.4k", 16}, {9, false, "440", 15},     {9, false, "In", 7},      {9, false, "Out", 14},
        {9, false, "", 0},      {12, false, "Sorrel", 33}, {12, true, "Sorrel", 35}, {18, false, "kHz", 31},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sans(c.height, c.bold).textWidth(c.text), c.width) << c.text << " at " << c.height;
    // Widths add up glyph by glyph (no kerning), and only the given length counts.
    Font f = sans(11);
    EXPECT_EQ(f.textWidth("AVATAR"), f.textWidth("AV") + f.textWidth("AT") + f.textWidth("AR"));
    EXPECT_EQ(f.textWidth("Sorrel", 3), f.textWidth("Sor"));
    EXPECT_EQ(f.textWidth(nullptr), 0);
}

TEST(RasterText, CellHeightIsRoundedAscentPlusDescent) {
    struct Case {
        int32_t height, ascent, descent;
    } cases[] = {{9, 8, 2}, {10, 9, 2}, {12, 11, 3}, {14, 13, 3}, {18, 16, 4}};
    for (const Case &c : cases) {
        Font f = sans(c.height);
        EXPECT_EQ(f.ascent(), c.ascent) << c.height;
        EXPECT_EQ(f.descent(), c.descent) << c.height;
        EXPECT_EQ(f.height(), c.ascent + c.descent) << c.height;
    }
    EXPECT_EQ(sans(0).spec().height, 1); // heights are clamped to at least one pixel
}

TEST(RasterText, AlignmentMovesTheTextCellOnly) {
    const Rect r{10, 10, 110, 30};
    const char *text = "Out 440";
    Text left(sans(12)), center(sans(12)), right(sans(12));
    PixelSet l = left.draw(text, r, Align::Left);
    PixelSet c = center.draw(text, r, Align::Center);
    PixelSet rt = right.draw(text, r, Align::Right);
    int32_t w = sans(12).textWidth(text);
    EXPECT_EQ(left.canvas.lastTextCell().left, 10);
    EXPECT_EQ(center.canvas.lastTextCell().left, 10 + (100 - w) / 2);
    EXPECT_EQ(right.canvas.lastTextCell().right, 110);
    // Same pixels, moved by the difference of the cells.
    EXPECT_EQ(str(shifted(l, (100 - w) / 2, 0)), str(c));
    EXPECT_EQ(str(shifted(l, 100 - w, 0)), str(rt));
    EXPECT_FALSE(l.empty());
}

TEST(RasterText, VerticallyCenteredOnTheCellHeight) {
    // 9-pixel text has a 10-pixel cell: top + (height - 10) / 2, toward zero.
    struct Case {
        int32_t height, cellTop;
    } cases[] = {{10, 0}, {11, 0}, {12, 1}, {16, 3}, {31, 10}, {4, -3}, {0, -5}};
    Text ref(sans(9));
    PixelSet base = ref.draw("1.4k", {20, 20, 60, 30}, Align::Left);
    for (const Case &c : cases) {
        Text t(sans(9));
        PixelSet p = t.draw("1.4k", {20, 20, 60, 20 + c.height}, Align::Left);
        EXPECT_EQ(t.canvas.lastTextCell().top, 20 + c.cellTop) << c.height;
        EXPECT_EQ(t.canvas.lastTextCell().bottom, 30 + c.cellTop) << c.height;
        // Where nothing is clipped the glyphs are the reference ones moved down.
        if (c.height >= 10) {
            EXPECT_EQ(str(p), str(shifted(base, 0, c.cellTop))) << c.height;
        }
    }
}

TEST(RasterText, ClippedToItsRectangleAndToTheCanvasClip) {
    Text wide(sans(14));
    PixelSet all = wide.draw("Clipped caption", {5, 5, 115, 25}, Align::Left);
    struct Case {
        Rect r;    // the text rectangle
        Rect clip; // the canvas clip
    } cases[] = {
        {{5, 5, 40, 25}, {0, 0, 120, 60}},   // cut on the right by the rectangle
        {{5, 12, 115, 25}, {0, 0, 120, 60}}, // rectangle cuts the top (cell moves, see below)
        {{5, 5, 115, 25}, {20, 0, 60, 14}},  // canvas clip cuts left, right and bottom
        {{5, 5, 115, 25}, {-10, -10, 0, 0}}, // nothing visible
    };
    for (const Case &c : cases) {
        Text t(sans(14));
        t.canvas.setClip(c.clip);
        PixelSet p = t.draw("Clipped caption", c.r, Align::Left);
        Rect visible = sorrel::raster::intersect(c.r, c.clip);
        EXPECT_TRUE(inside(p, visible)) << str(c.r) << " " << str(c.clip);
        int32_t dy = t.canvas.lastTextCell().top - wide.canvas.lastTextCell().top;
        for (const auto &q : shifted(all, 0, dy)) {
            bool in = q.first >= visible.left && q.first < visible.right && q.second >= visible.top &&
                      q.second < visible.bottom;
            EXPECT_EQ(p.count(q) == 1, in) << str(c.r) << " at " << q.first << "," << q.second;
        }
    }
}

TEST(RasterText, OpaqueBackgroundFillsTheTextCellInsideTheRectangle) {
    const Pixel fill = 0x00102030;
    struct Case {
        Rect r;
        Align align;
    } cases[] = {{{10, 10, 100, 40}, Align::Left},
                 {{10, 10, 100, 40}, Align::Right},
                 {{30, 20, 50, 26}, Align::Center}};
    for (const Case &c : cases) {
        Text t(sans(12));
        t.canvas.setBackOpaque(true);
        t.canvas.setBackColor(fill);
        t.canvas.drawText("Opaque", c.r, c.align);
        Rect cell = sorrel::raster::intersect(t.canvas.lastTextCell(), c.r);
        for (int32_t y = 0; y < 60; ++y)
            for (int32_t x = 0; x < 120; ++x) {
                bool inCell = x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
                Pixel p = t.surface.get(x, y);
                if (!inCell)
                    EXPECT_EQ(p, kBack) << x << "," << y;
                else
                    EXPECT_NE(p, kBack) << x << "," << y; // background or glyph over it
            }
        // Transparent again afterwards is the caller's choice; the canvas keeps the mode.
        EXPECT_TRUE(t.canvas.backOpaque());
    }
}

TEST(RasterText, CaptionOfNinePixelsFitsItsSixteenPixelCell) {
    const char *captions[] = {"1.4k", "1.8k", "2.5k", "3.3k", "4.4k", "5.8k", "7.8k", "440", "19k", "Out"};
    for (const char *caption : captions) {
        // The caption box under a band fader: 16 wide, 10 high, text centered.
        const Rect box{40, 20, 56, 30};
        Text t(sans(9));
        t.canvas.setClip(box);
        PixelSet clipped = t.draw(caption, box, Align::Center);
        // The same caption in a box widened on both sides, unclipped.
        Text u(sans(9));
        PixelSet free = u.draw(caption, {30, 20, 66, 30}, Align::Center);
        EXPECT_LE(sans(9).textWidth(caption), 16) << caption;
        EXPECT_EQ(str(clipped), str(free)) << caption << ": glyphs cut off";
        EXPECT_TRUE(inside(free, box)) << caption;
    }
}

TEST(RasterText, GlyphsBlendFromBackgroundToTextColor) {
    Text t(sans(18, false, false, true));
    PixelSet p = t.draw("Il 1.4k", {0, 0, 120, 40}, Align::Left);
    bool full = false;
    for (const auto &q : p) {
        Pixel c = t.surface.get(q.first, q.second);
        full = full || c == kInk;
        for (int shift : {0, 8, 16}) {
            unsigned v = (c >> shift) & 0xff, b = (kBack >> shift) & 0xff, i = (kInk >> shift) & 0xff;
            EXPECT_TRUE(v >= std::min(b, i) && v <= std::max(b, i)) << q.first << "," << q.second;
        }
    }
    EXPECT_TRUE(full);
    // The underline is a solid row of text color across the whole text width.
    const Rect cell = t.canvas.lastTextCell();
    int32_t solidRows = 0;
    for (int32_t y = cell.top; y < cell.bottom; ++y) {
        bool solid = true;
        for (int32_t x = cell.left; x < cell.right; ++x)
            solid = solid && t.surface.get(x, y) == kInk;
        solidRows += solid;
    }
    EXPECT_EQ(solidRows, 1);
}

TEST(RasterText, FacesStylesAndCharacterSets) {
    EXPECT_EQ(sorrel::raster::faceFromName("Symbol"), Face::Symbol);
    EXPECT_EQ(sorrel::raster::faceFromName("SYMBOL"), Face::Symbol);
    EXPECT_EQ(sorrel::raster::faceFromName("Arial"), Face::Sans);
    EXPECT_EQ(sorrel::raster::faceFromName("Symbolic"), Face::Sans);
    EXPECT_EQ(sorrel::raster::faceFromName(nullptr), Face::Sans);

    auto render = [](const Font &f, const char *text) {
        Text t(f);
        return t.draw(text, {0, 0, 120, 60}, Align::Left);
    };
    // Symbol maps letters to Greek: its "a" is an alpha, not the Latin a.
    Font symbol(FontSpec{Face::Symbol, 30});
    EXPECT_NE(str(render(symbol, "a")), str(render(sans(30), "a")));
    // Bold and italic differ from regular; italic leans right: the top of an
    // "l" lies further right than its foot.
    PixelSet regular = render(sans(30), "l"), bold = render(sans(30, true), "l"),
             italic = render(sans(30, false, true), "l");
    EXPECT_NE(str(regular), str(bold));
    EXPECT_GT(bold.size(), regular.size());
    Rect ib = bounds(italic);
    auto meanX = [&](int32_t y) {
        int32_t sum = 0, n = 0;
        for (const auto &q : italic)
            if (q.second == y) {
                sum += q.first;
                ++n;
            }
        return n ? sum / n : -1;
    };
    EXPECT_GT(meanX(ib.top + 1), meanX(ib.bottom - 2) + 3);
    // Windows-1252: 0x80 is the euro sign, which the font has (not an empty box's width).
    EXPECT_EQ(sans(20).textWidth("\x80"), sans(20).textWidth("0"));
}

TEST(RasterText, NullTextAndLengthLimits) {
    Text t(sans(12));
    t.canvas.drawText(nullptr, {0, 0, 100, 20}, Align::Left);
    t.canvas.drawText(nullptr, 5, {0, 0, 100, 20}, Align::Left);
    EXPECT_TRUE(changed(t.surface).empty());
    EXPECT_TRUE(t.canvas.lastTextCell().empty());
    Text a(sans(12)), b(sans(12));
    a.canvas.drawText("Sorrel", 3, {0, 0, 100, 20}, Align::Left);
    b.canvas.drawText("Sor", {0, 0, 100, 20}, Align::Left);
    EXPECT_TRUE(sameImage(a.surface, b.surface));
    // An ampersand is drawn, not taken as a prefix marker.
    EXPECT_GT(sans(12).textWidth("&"), 0);
}

} // namespace
