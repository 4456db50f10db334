#include "gui/drawing/drawcontext.h"

#include "gui/drawing/bitmap.h"

#include "scripted_environment.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace sorrel {

namespace {

constexpr raster::Pixel kPaper = raster::rgb(16, 32, 48);

struct Sheet {
    raster::Surface surface{100, 100, kPaper};
    raster::Canvas canvas{&surface};
};

// The smallest rectangle holding every pixel that is no longer paper, and
// how many there are.
struct Ink {
    CRect box;
    int count = 0;
};

Ink inkOf(const raster::Surface &s) {
    Ink ink;
    ink.box = CRect(1 << 20, 1 << 20, -(1 << 20), -(1 << 20));
    for (int32_t y = 0; y < s.height(); y++)
        for (int32_t x = 0; x < s.width(); x++)
            if (raster::colorOf(s.get(x, y)) != kPaper) {
                ++ink.count;
                ink.box.left = std::min(ink.box.left, x);
                ink.box.top = std::min(ink.box.top, y);
                ink.box.right = std::max(ink.box.right, x + 1);
                ink.box.bottom = std::max(ink.box.bottom, y + 1);
            }
    if (ink.count == 0)
        ink.box = CRect();
    return ink;
}

std::string str(const CRect &r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(DrawContext, ConstructionSetsTheDefaultsThroughTheSetters) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext *ctx = new CDrawContext(nullptr, &sheet.canvas, nullptr);
    EXPECT_EQ(ctx->getFrameColor(), WhiteColor);
    EXPECT_EQ(ctx->getFillColor(), BlackColor);
    EXPECT_EQ(ctx->getFontColor(), WhiteColor);
    EXPECT_EQ(ctx->getLineWidth(), 1);
    EXPECT_EQ(ctx->getLineStyle(), LineSolid);
    EXPECT_EQ(ctx->getDrawMode(), ModeCopy);
    EXPECT_EQ(ctx->getFont(), SystemFont);
    EXPECT_EQ(ctx->getFontSize(), 12);
    EXPECT_EQ(ctx->getFontStyle(), 0);
    EXPECT_EQ(ctx->getClipRect(), CRect(0, 0, 1000, 1000));
    EXPECT_EQ(ctx->getOffset(), CPoint(0, 0));
    // Color, style and width each differed from the initial values.
    EXPECT_EQ(ctx->getBuilds().pens, 3);
    EXPECT_EQ(ctx->getBuilds().brushes, 1);
    EXPECT_EQ(ctx->getBuilds().fonts, 1);
    // What the canvas now holds.
    EXPECT_EQ(sheet.canvas.pen().color, raster::rgb(255, 255, 255));
    EXPECT_EQ(sheet.canvas.pen().style, raster::LineStyle::Solid);
    EXPECT_EQ(sheet.canvas.brush(), raster::rgb(0, 0, 0));
    EXPECT_EQ(sheet.canvas.backColor(), raster::rgb(0, 0, 0));
    EXPECT_EQ(sheet.canvas.textColor(), raster::rgb(255, 255, 255));
    EXPECT_FALSE(sheet.canvas.backOpaque());
    EXPECT_EQ(sheet.canvas.rop2(), raster::Rop2::CopyPen);
    EXPECT_TRUE(sheet.canvas.font().spec().bold);
    ctx->forget();

    // With a frame the clip starts as the frame's rectangle.
    CDrawContext *framed = new CDrawContext(&env, &sheet.canvas, nullptr);
    EXPECT_EQ(framed->getClipRect(), CRect(0, 0, 710, 167));
    framed->forget();
}

TEST(DrawContext, SettersRebuildOnlyOnChange) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
    struct Case {
        const char *what;
        void (*apply)(CDrawContext &);
        int pens, brushes, fonts;
    } cases[] = {
        {"same frame color", [](CDrawContext &c) { c.setFrameColor(WhiteColor); }, 0, 0, 0},
        {"frame color, alpha only", [](CDrawContext &c) { c.setFrameColor(TransparentColor); }, 1, 0, 0},
        {"same line width", [](CDrawContext &c) { c.setLineWidth(1); }, 0, 0, 0},
        {"line width", [](CDrawContext &c) { c.setLineWidth(3); }, 1, 0, 0},
        {"same line style", [](CDrawContext &c) { c.setLineStyle(LineSolid); }, 0, 0, 0},
        {"line style", [](CDrawContext &c) { c.setLineStyle(LineDotted); }, 1, 0, 0},
        {"same fill", [](CDrawContext &c) { c.setFillColor(BlackColor); }, 0, 0, 0},
        {"fill, alpha only", [](CDrawContext &c) { c.setFillColor(CColor(0, 0, 0, 0)); }, 0, 1, 0},
        {"same font", [](CDrawContext &c) { c.setFont(SystemFont, 0, 0); }, 0, 0, 0},
        {"same font by its size", [](CDrawContext &c) { c.setFont(SystemFont, 12, 0); }, 0, 0, 0},
        {"out of range id is the system font", [](CDrawContext &c) { c.setFont(9, 0, 0); }, 0, 0, 0},
        {"font style", [](CDrawContext &c) { c.setFont(SystemFont, 0, StyleItalic); }, 0, 0, 1},
        {"font size", [](CDrawContext &c) { c.setFont(SystemFont, 20, StyleItalic); }, 0, 0, 1},
        {"font id", [](CDrawContext &c) { c.setFont(NormalFont, 20, StyleItalic); }, 0, 0, 1},
        {"font color is no platform object", [](CDrawContext &c) { c.setFontColor(RedColor); }, 0, 0, 0},
        {"draw mode", [](CDrawContext &c) { c.setDrawMode(ModeXor); }, 0, 0, 0},
    };
    for (const Case &c : cases) {
        const CDrawContextBuilds before = ctx.getBuilds();
        c.apply(ctx);
        EXPECT_EQ(ctx.getBuilds().pens - before.pens, c.pens) << c.what;
        EXPECT_EQ(ctx.getBuilds().brushes - before.brushes, c.brushes) << c.what;
        EXPECT_EQ(ctx.getBuilds().fonts - before.fonts, c.fonts) << c.what;
    }
    EXPECT_EQ(sheet.canvas.pen().width, 3);
    EXPECT_EQ(sheet.canvas.pen().style, raster::LineStyle::Dotted);
    EXPECT_EQ(sheet.canvas.textColor(), raster::rgb(255, 0, 0));

    // The font color applies even when unchanged: a canvas changed behind
    // the context's back gets it again.
    sheet.canvas.setTextColor(raster::rgb(1, 2, 3));
    ctx.setFontColor(RedColor);
    EXPECT_EQ(sheet.canvas.textColor(), raster::rgb(255, 0, 0));
}

TEST(DrawContext, FontDescriptions) {
    ScriptedEnvironment env;
    Sheet sheet;
    struct Case {
        int32_t id, size, style;
        int32_t height, weight;
        bool italic, underline;
        uint8_t family;
        const char *face;
        raster::Face rasterFace;
    } cases[] = {
        {9, 0, 0, -12, 700, false, false, 0x22, "Arial", raster::Face::Sans},
        {-3, 0, StyleItalic, -12, 700, true, false, 0x22, "Arial", raster::Face::Sans},
        {SymbolFont, 0, StyleBold, -13, 700, false, false, 0x50, "Symbol", raster::Face::Symbol},
        {NormalFont, 0, 0, -12, 400, false, false, 0x22, "Arial", raster::Face::Sans},
        {VerySmallFont, 9, StyleUnderline, -9, 400, false, true, 0x22, "Arial", raster::Face::Sans},
        {VeryBigFont, 0, StyleBold | StyleItalic, -18, 700, true, false, 0x22, "Arial", raster::Face::Sans},
    };
    for (const Case &c : cases) {
        CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
        ctx.setFont(c.id, c.size, c.style);
        const CFontDescription &d = ctx.getFontDescription();
        EXPECT_EQ(d.height, c.height) << c.id;
        EXPECT_EQ(d.weight, c.weight) << c.id;
        EXPECT_EQ(d.italic, c.italic) << c.id;
        EXPECT_EQ(d.underline, c.underline) << c.id;
        EXPECT_EQ(d.pitchAndFamily, c.family) << c.id;
        EXPECT_STREQ(d.faceName, c.face) << c.id;
        EXPECT_EQ(d.clipPrecision, 2);
        EXPECT_EQ(d.outPrecision, 1);
        EXPECT_EQ(d.charSet, 0);
        const raster::FontSpec &spec = sheet.canvas.font().spec();
        EXPECT_EQ(spec.face, c.rasterFace) << c.id;
        EXPECT_EQ(spec.height, -c.height) << c.id;
        EXPECT_EQ(spec.bold, c.weight == 700) << c.id;
        EXPECT_EQ(spec.italic, c.italic) << c.id;
        EXPECT_EQ(spec.underline, c.underline) << c.id;
    }
}

TEST(DrawContext, DrawModesMapToRasterOperations) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
    struct Case {
        int32_t mode;
        raster::Rop2 rop;
    } cases[] = {{ModeOr, raster::Rop2::MergePen},       {ModeXor, raster::Rop2::NotXorPen},
                 {ModeAntialias, raster::Rop2::CopyPen}, {ModeXor, raster::Rop2::NotXorPen},
                 {ModeCopy, raster::Rop2::CopyPen},      {42, raster::Rop2::CopyPen}};
    for (const Case &c : cases) {
        ctx.setDrawMode(c.mode);
        EXPECT_EQ(sheet.canvas.rop2(), c.rop) << c.mode;
    }
}

TEST(DrawContext, DestructionGivesTheCanvasBackAndReleasesOnlyWhatItObtained) {
    ScriptedEnvironment env;
    Sheet sheet;
    const raster::Pen pen{raster::rgb(9, 8, 7), 2, raster::LineStyle::Dotted};
    sheet.canvas.setPen(pen);
    sheet.canvas.setBrush(raster::rgb(1, 1, 1));
    const raster::Font font(raster::FontSpec{raster::Face::Symbol, 30, false, true, false});
    sheet.canvas.setFont(font);

    CDrawContext *given = new CDrawContext(nullptr, &sheet.canvas, nullptr);
    given->setFrameColor(RedColor);
    given->setFont(BigFont);
    given->forget();
    EXPECT_EQ(sheet.canvas.pen().color, pen.color);
    EXPECT_EQ(sheet.canvas.pen().width, pen.width);
    EXPECT_EQ(sheet.canvas.pen().style, pen.style);
    EXPECT_EQ(sheet.canvas.brush(), raster::rgb(1, 1, 1));
    EXPECT_TRUE(sheet.canvas.font() == font);

    // Built with a window only: the context draws on the window's image.
    int parent = 0;
    platform::Window *window = platform::createWindow(&parent, 710, 167, nullptr);
    ASSERT_NE(window, nullptr);
    platform::headless::state(window)->screenOrigin = {300, 200};
    CDrawContext *own = new CDrawContext(nullptr, nullptr, window);
    ASSERT_NE(own->getSystemContext(), nullptr);
    EXPECT_EQ(own->getSystemContext()->target(), platform::windowSurface(window));
    EXPECT_TRUE(own->ownsSystemContext());
    EXPECT_EQ(own->getScreenOrigin(), CPoint(300, 200));
    own->forget();

    // With both, the given canvas is used.
    CDrawContext *both = new CDrawContext(nullptr, &sheet.canvas, window);
    EXPECT_EQ(both->getSystemContext(), &sheet.canvas);
    EXPECT_FALSE(both->ownsSystemContext());
    both->forget();
    platform::destroyWindow(window);
}

// Each operation on a 100 x 100 sheet, once at offset 0 and once moved by an
// offset: which box of pixels it inks.
TEST(DrawContext, PixelRulesOfTheDrawingOperations) {
    ScriptedEnvironment env;
    struct Case {
        const char *what;
        void (*draw)(CDrawContext &);
        CRect ink;
        int count; // -1: not checked
    } cases[] = {
        {"outline rect",
         [](CDrawContext &c) { c.drawRect(CRect(10, 10, 20, 20), Outline); },
         {10, 10, 20, 20},
         36},
        {"filled rect",
         [](CDrawContext &c) { c.drawRect(CRect(10, 10, 20, 20), Filled); },
         {10, 10, 20, 20},
         100},
        {"filled and outlined rect",
         [](CDrawContext &c) { c.drawRect(CRect(10, 10, 20, 20), FilledAndOutline); },
         {10, 10, 20, 20},
         100},
        {"fillRect leaves the outline's top row and left column",
         [](CDrawContext &c) { c.fillRect(CRect(10, 10, 20, 20)); },
         {11, 11, 20, 20},
         81},
        {"empty rect", [](CDrawContext &c) { c.fillRect(CRect(10, 10, 11, 11)); }, {}, 0},
        {"ellipse outline includes right and bottom",
         [](CDrawContext &c) { c.drawEllipse(CRect(10, 10, 20, 20)); },
         {10, 10, 21, 21},
         -1},
        {"ellipse fill", [](CDrawContext &c) { c.fillEllipse(CRect(10, 10, 20, 20)); }, {11, 11, 20, 20}, -1},
        {"horizontal tick of 3",
         [](CDrawContext &c) {
             c.moveTo(CPoint(30, 40));
             c.lineTo(CPoint(33, 40));
         },
         {30, 40, 33, 41},
         3},
        {"horizontal tick of 1",
         [](CDrawContext &c) {
             c.moveTo(CPoint(30, 40));
             c.lineTo(CPoint(31, 40));
         },
         {30, 40, 31, 41},
         1},
        {"vertical line leaves out its end",
         [](CDrawContext &c) {
             c.moveTo(CPoint(5, 10));
             c.lineTo(CPoint(5, 20));
         },
         {5, 10, 6, 20},
         10},
        {"two lines",
         [](CDrawContext &c) {
             const CPoint p[] = {{10, 10}, {15, 10}, {10, 12}, {10, 17}};
             c.drawLines(p, 2);
         },
         {10, 10, 15, 17},
         10},
        {"open polygon outline",
         [](CDrawContext &c) {
             const CPoint p[] = {{10, 10}, {20, 10}, {20, 20}};
             c.drawPolygon(p, 3, Outline);
         },
         {10, 10, 21, 20},
         20},
        {"point", [](CDrawContext &c) { c.drawPoint(CPoint(7, 9), RedColor); }, {7, 9, 8, 10}, 1},
        {"upper half arc by degrees",
         [](CDrawContext &c) { c.drawArc(CRect(10, 10, 30, 30), 0.f, 180.f, Outline); },
         {10, 10, 31, 21},
         -1},
    };
    const CPoint offsets[] = {{0, 0}, {13, 21}};
    for (const CPoint &o : offsets) {
        for (const Case &c : cases) {
            Sheet sheet;
            CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
            ctx.setFillColor(GreenColor);
            ctx.setOffset(o);
            c.draw(ctx);
            CRect expected = c.ink;
            if (!expected.isEmpty())
                expected.offset(o.x, o.y);
            const Ink ink = inkOf(sheet.surface);
            EXPECT_EQ(ink.box, expected) << c.what << " at offset " << o.x << ": " << str(ink.box);
            if (c.count >= 0) {
                EXPECT_EQ(ink.count, c.count) << c.what << " at offset " << o.x;
            }
        }
    }
}

TEST(DrawContext, TheBandSlidersTicksLandOnTheirRows) {
    // The scale of a band fader at (65, 3, 81, 109): nine ticks over the inner
    // groove (71, 6, 75, 104), drawn as moveTo/lineTo pairs; the context is
    // moved 40 to the left.
    ScriptedEnvironment env;
    raster::Surface surface(100, 120, kPaper);
    raster::Canvas canvas(&surface);
    CDrawContext ctx(nullptr, &canvas, nullptr);
    ctx.setOffset(CPoint(-40, 0));
    ctx.setFrameColor(WhiteColor);
    const CRect scale(71, 6, 75, 104);
    const double step = scale.height() / 8.0;
    int k = 0;
    for (double y = scale.top; y <= scale.bottom; y += step, k++) {
        const int32_t row = static_cast<int32_t>(y + 0.5);
        const int32_t len = k % 4 == 0 ? 3 : k % 2 == 0 ? 2 : 1;
        ctx.moveTo(CPoint(scale.left, row));
        ctx.lineTo(CPoint(scale.left + len, row));
    }
    EXPECT_EQ(k, 9);
    const int32_t rows[] = {6, 18, 31, 43, 55, 67, 80, 92, 104};
    const int32_t lens[] = {3, 1, 2, 1, 3, 1, 2, 1, 3};
    int inked = 0;
    for (int i = 0; i < 9; i++) {
        for (int32_t x = 28; x < 40; x++) {
            const bool white = raster::colorOf(surface.get(x, rows[i])) == raster::rgb(255, 255, 255);
            EXPECT_EQ(white, x >= 31 && x < 31 + lens[i]) << "tick " << i << " column " << x;
            inked += white;
        }
    }
    EXPECT_EQ(inkOf(surface).count, inked);
}

TEST(DrawContext, ClipIsStoredWithTheOffsetAndLimitsEveryOperation) {
    ScriptedEnvironment env;
    struct Case {
        const char *what;
        CPoint offset;
        CRect clip;
        CRect ink; // of a fill over the whole sheet
    } cases[] = {
        {"inside", {0, 0}, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"moved by the offset", {10, 10}, {0, 0, 5, 5}, {10, 10, 15, 15}},
        {"negative coordinates", {0, 0}, {-10, -10, 5, 5}, {0, 0, 5, 5}},
        {"negative offset", {-20, -30}, {25, 35, 40, 60}, {5, 5, 20, 30}},
        {"over the right and bottom edge", {0, 0}, {90, 95, 500, 500}, {90, 95, 100, 100}},
        {"far outside", {0, 0}, {-5000, -5000, -4000, -4000}, {}},
        {"far outside to the right", {0, 0}, {100000, 0, 200000, 100}, {}},
        {"inverted", {0, 0}, {30, 30, 10, 10}, {}},
        {"empty", {0, 0}, {30, 30, 30, 60}, {}},
    };
    for (const Case &c : cases) {
        Sheet sheet;
        CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
        ctx.setOffset(c.offset);
        ctx.setClipRect(c.clip);
        EXPECT_EQ(ctx.getClipRect(), c.clip) << c.what;
        CRect stored = c.clip;
        stored.offset(c.offset.x, c.offset.y);
        EXPECT_EQ(sheet.canvas.clip().left, stored.left) << c.what;
        EXPECT_EQ(sheet.canvas.clip().bottom, stored.bottom) << c.what;
        ctx.setFillColor(RedColor);
        ctx.drawRect(CRect(-1000 - c.offset.x, -1000 - c.offset.y, 1000, 1000), Filled);
        ctx.setFrameColor(RedColor);
        ctx.drawEllipse(CRect(-c.offset.x, -c.offset.y, 99 - c.offset.x, 99 - c.offset.y));
        ctx.drawString("Clipped text", CRect(-c.offset.x, -c.offset.y, 100, 100));
        EXPECT_EQ(inkOf(sheet.surface).box, c.ink) << c.what << ": " << str(inkOf(sheet.surface).box);
    }
}

TEST(DrawContext, ResetClipTakesTheFrameRectangleWithoutTheOffset) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext ctx(&env, &sheet.canvas, nullptr);
    ctx.setClipRect(CRect(1, 2, 3, 4));
    ctx.setOffset(CPoint(5, 6));
    ctx.resetClipRect();
    // The canvas clips to the frame's rectangle moved by the offset; the
    // stored clip is the rectangle itself.
    EXPECT_EQ(sheet.canvas.clip().left, 5);
    EXPECT_EQ(sheet.canvas.clip().bottom, 173);
    CRect clip;
    EXPECT_EQ(ctx.getClipRect(clip), CRect(-5, -6, 705, 161));

    CDrawContext frameless(nullptr, &sheet.canvas, nullptr);
    frameless.setClipRect(CRect(1, 2, 3, 4));
    frameless.resetClipRect();
    EXPECT_EQ(frameless.getClipRect(), CRect(0, 0, 1000, 1000));
}

TEST(DrawContext, TextAlignmentThroughTheContext) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
    ctx.setFont(NormalFont);
    const int32_t w = ctx.getStringWidth("Sorrel");
    ASSERT_GT(w, 10);
    EXPECT_EQ(w, sheet.canvas.font().textWidth("Sorrel"));
    EXPECT_EQ(ctx.getStringWidth(nullptr), 0);
    struct Case {
        int32_t align;
        CPoint offset;
        int32_t cellLeft;
    } cases[] = {
        {AlignLeft, {0, 0}, 11}, {AlignCenter, {0, 0}, (10 + 90 - w) / 2}, {AlignRight, {0, 0}, 90 - w},
        {AlignLeft, {5, 3}, 16}, {AlignCenter, {5, 3}, (15 + 95 - w) / 2}, {AlignRight, {5, 3}, 95 - w},
        {7, {0, 0}, 11}, // anything else aligns left
    };
    const int32_t fontHeight = sheet.canvas.font().height();
    for (const Case &c : cases) {
        ctx.setOffset(c.offset);
        ctx.drawString("Sorrel", CRect(10, 10, 90, 30), false, c.align);
        EXPECT_EQ(sheet.canvas.lastTextCell().left, c.cellLeft) << c.align << " offset " << c.offset.x;
        EXPECT_EQ(sheet.canvas.lastTextCell().top, 10 + c.offset.y + (20 - fontHeight) / 2) << c.align;
    }
}

TEST(DrawContext, OpaqueTextPaintsTheFillColorAndTransparentTextDoesNot) {
    ScriptedEnvironment env;
    for (bool opaque : {false, true}) {
        Sheet sheet;
        CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
        ctx.setFillColor(BlueColor);
        ctx.setFontColor(WhiteColor);
        ctx.drawString("a&b", CRect(10, 10, 90, 40), opaque, AlignLeft);
        EXPECT_FALSE(sheet.canvas.backOpaque());
        int blue = 0;
        for (int32_t y = 0; y < 100; y++)
            for (int32_t x = 0; x < 100; x++)
                blue += raster::colorOf(sheet.surface.get(x, y)) == raster::rgb(0, 0, 255);
        const raster::Rect cell = sheet.canvas.lastTextCell();
        EXPECT_EQ(blue > 0, opaque);
        // The ampersand is drawn, not taken as a prefix mark.
        EXPECT_EQ(cell.width(), sheet.canvas.font().textWidth("a&b"));
        const Ink ink = inkOf(sheet.surface);
        EXPECT_GE(ink.box.left, 11);
        EXPECT_LE(ink.box.right, 90);
    }
    Sheet sheet;
    CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
    ctx.drawString(nullptr, CRect(0, 0, 100, 100), true);
    EXPECT_EQ(inkOf(sheet.surface).count, 0);
}

TEST(DrawContext, GetPointAnswersAlpha255AndWithoutACanvasNothingHappens) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
    ctx.setOffset(CPoint(3, 4));
    ctx.drawPoint(CPoint(1, 1), CColor(10, 20, 30, 0));
    EXPECT_EQ(raster::colorOf(sheet.surface.get(4, 5)), raster::rgb(10, 20, 30));
    EXPECT_EQ(ctx.getPoint(CPoint(1, 1)), CColor(10, 20, 30, 255));
    EXPECT_EQ(ctx.getPoint(CPoint(50, 50)), CColor(16, 32, 48, 255));

    CDrawContext bare(nullptr, nullptr, nullptr);
    const CPoint p[] = {{0, 0}, {5, 5}, {9, 0}};
    bare.drawRect(CRect(0, 0, 10, 10), FilledAndOutline);
    bare.drawPolygon(p, 3, FilledAndOutline);
    bare.drawString("x", CRect(0, 0, 10, 10));
    bare.floodFill(CPoint(1, 1));
    EXPECT_EQ(bare.getPoint(CPoint(1, 1)).alpha, 255);
    EXPECT_GT(bare.getStringWidth("x"), 0);
}

TEST(DrawContext, ArcsByDegreesSurviveAnyAngle) {
    ScriptedEnvironment env;
    const float angles[] = {0.f,
                            -90.f,
                            720.f,
                            1e30f,
                            -1e30f,
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity()};
    for (float a : angles) {
        Sheet sheet;
        CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
        ctx.drawArc(CRect(10, 10, 30, 30), a, 90.f, FilledAndOutline);
        const Ink ink = inkOf(sheet.surface);
        EXPECT_GE(ink.box.left, 10) << a;
        EXPECT_LE(ink.box.right, 31) << a;
        EXPECT_LE(ink.box.bottom, 31) << a;
    }
}

TEST(DrawContext, PolygonsBeyondTheStackBufferAndFloodFill) {
    ScriptedEnvironment env;
    Sheet sheet;
    CDrawContext ctx(nullptr, &sheet.canvas, nullptr);
    // A 40-point polygon approximating a square 20..60 (more than the 30
    // points converted on the stack).
    std::vector<CPoint> points;
    for (int i = 0; i < 10; i++)
        points.emplace_back(20 + 4 * i, 20);
    for (int i = 0; i < 10; i++)
        points.emplace_back(60, 20 + 4 * i);
    for (int i = 0; i < 10; i++)
        points.emplace_back(60 - 4 * i, 60);
    for (int i = 0; i < 10; i++)
        points.emplace_back(20, 60 - 4 * i);
    ctx.setFillColor(YellowColor);
    ctx.drawPolygon(points.data(), static_cast<int32_t>(points.size()), Filled);
    EXPECT_EQ(inkOf(sheet.surface).box, CRect(20, 20, 60, 60));

    // Flood fill stops at the yellow square.
    ctx.setFillColor(CyanColor);
    ctx.floodFill(CPoint(0, 0));
    EXPECT_EQ(ctx.getPoint(CPoint(99, 99)), CColor(0, 255, 255, 255));
    EXPECT_EQ(ctx.getPoint(CPoint(40, 40)), CColor(255, 255, 0, 255));
}

// The system's swapping is asked at every poll: one context sees each change.
TEST(DrawContext, MouseButtonsFollowTheSystemsSwapping) {
    ScriptedEnvironment env;
    struct Case {
        int32_t physical;
        bool swapped;
        int32_t reported;
    } cases[] = {
        {LeftButton, false, LeftButton},
        {LeftButton, true, RightButton},
        {RightButton, true, LeftButton},
        {LeftButton | RightButton, true, LeftButton | RightButton},
        {MiddleButton | ShiftKey, true, MiddleButton | ShiftKey},
        {LeftButton | ControlKey | AltKey, false, LeftButton | ControlKey | AltKey},
        {0, true, 0},
    };
    CDrawContext ctx(nullptr, nullptr, nullptr);
    for (const Case &c : cases) {
        env.script.buttons = {c.physical};
        env.script.buttonPolls = 0;
        env.script.swapped = c.swapped;
        EXPECT_EQ(ctx.getMouseButtons(), c.reported) << c.physical << " swapped " << c.swapped;
    }
}

TEST(DrawContext, MouseLocationIsRelativeToTheScreenOriginNotTheOffset) {
    ScriptedEnvironment env;
    int parent = 0;
    platform::Window *window = platform::createWindow(&parent, 710, 167, nullptr);
    ASSERT_NE(window, nullptr);
    platform::headless::state(window)->screenOrigin = {300, 200};
    raster::Surface surface(10, 10);
    raster::Canvas canvas(&surface);
    env.setPointer({CPoint(350, 260)});
    CDrawContext ctx(nullptr, &canvas, window);
    EXPECT_EQ(ctx.getMouseLocation(), CPoint(50, 60));
    ctx.setOffset(CPoint(20, 30));
    EXPECT_EQ(ctx.getMouseLocation(), CPoint(50, 60));
    // A container moves the screen origin with the offset.
    ctx.setScreenOrigin(CPoint(320, 230));
    EXPECT_EQ(ctx.getMouseLocation(), CPoint(30, 30));
    platform::destroyWindow(window);
}

TEST(DrawContext, WaitDoubleClick) {
    struct Case {
        const char *what;
        std::vector<CPoint> cursor;
        int clickAfterPolls;
        uint32_t messageTime, clock;
        bool expected;
    } cases[] = {
        {"second click in place", {{10, 10}}, 3, 0, 0, true},
        {"second click after a small move", {{10, 10}, {11, 9}, {8, 8}}, 2, 0, 0, true},
        {"pointer leaves the box", {{10, 10}, {10, 10}, {12, 10}}, 5, 0, 0, false},
        {"no second click before the deadline", {{10, 10}}, -1, 0, 0, false},
        {"deadline already over", {{10, 10}}, 0, 1000, 2000, false},
        {"clock wraps around", {{10, 10}}, 50, 0xfffffff0u, 0xfffffff0u, true},
    };
    for (const Case &c : cases) {
        ScriptedEnvironment env;
        env.setPointer(c.cursor);
        env.script.pressAfterPolls = c.clickAfterPolls;
        env.script.eventStamp = c.messageTime;
        env.script.clock = c.clock;
        env.script.doubleClick = 500;
        CDrawContext ctx(nullptr, nullptr, nullptr);
        EXPECT_EQ(ctx.waitDoubleClick(), c.expected) << c.what;
        EXPECT_LT(env.script.pressPolls, 600) << c.what;
    }
}

TEST(DrawContext, WaitDragRunsTheIdleWorkWhileTheButtonIsHeld) {
    struct Case {
        const char *what;
        bool withFrame;
        std::vector<int32_t> buttons;
        std::vector<CPoint> cursor;
        bool expected;
        int idleRuns;
    } cases[] = {
        {"no frame", false, {LeftButton}, {{0, 0}, {50, 50}}, false, 0},
        {"moved out while held", true, {LeftButton}, {{10, 10}, {10, 10}, {11, 11}, {13, 10}}, true, 3},
        {"released inside", true, {LeftButton, LeftButton, 0}, {{10, 10}, {9, 9}}, false, 2},
        {"never pressed", true, {0}, {{10, 10}}, false, 0},
        {"only the right button", true, {RightButton}, {{10, 10}, {40, 40}}, false, 0},
    };
    for (const Case &c : cases) {
        ScriptedEnvironment env;
        env.script.buttons = c.buttons;
        env.setPointer(c.cursor);
        CDrawContext ctx(c.withFrame ? &env : nullptr, nullptr, nullptr);
        EXPECT_EQ(ctx.waitDrag(), c.expected) << c.what;
        EXPECT_EQ(env.idleRuns, c.idleRuns) << c.what;
    }
}

} // namespace

namespace {

// Everything a view draws without text, curves or slanted fills (those are
// drawn at the device's resolution, so their edges are finer than blocks),
// with an offset and a clip in effect.
void blockScene(CDrawContext &c) {
    c.setOffset(CPoint(3, 2));
    c.setClipRect(CRect(0, 0, 60, 44));
    c.setFrameColor(CColor(200, 40, 40, 0));
    c.drawRect(CRect(2, 2, 20, 14), Outline);
    c.setFillColor(CColor(20, 180, 40, 0));
    c.fillRect(CRect(4, 4, 12, 10));
    c.drawRect(CRect(22, 2, 30, 9), FilledAndOutline);
    c.moveTo(CPoint(1, 20));
    c.lineTo(CPoint(50, 31)); // shallow diagonal
    c.lineTo(CPoint(44, 4));  // steep, upwards
    c.setLineStyle(LineDotted);
    c.moveTo(CPoint(0, 40));
    c.lineTo(CPoint(70, 40)); // runs out of the clip
    c.setLineStyle(LineSolid);
    const CPoint triangle[] = {{30, 12}, {40, 30}, {24, 26}};
    c.drawPolygon(triangle, 3, Outline);
    const CPoint box[] = {{2, 34}, {14, 34}, {14, 38}, {2, 38}};
    c.setFillColor(CColor(40, 40, 220, 0));
    c.drawPolygon(box, 4, Filled);
    c.drawPoint(CPoint(55, 8), CColor(255, 255, 0, 0));
}

} // namespace

// At scale s the context draws each of these as the s x s blocks of the
// pixels it draws at scale 1, offset and clip included.
TEST(DrawContext, AtAScaleShapesAreTheBlocksOfTheirPixels) {
    ScriptedEnvironment env;
    raster::Surface plain(64, 48, kPaper);
    raster::Canvas plainCanvas(&plain);
    {
        CDrawContext c(nullptr, &plainCanvas, nullptr);
        blockScene(c);
    }
    for (int32_t s : {2, 3}) {
        raster::Surface scaled(64 * s, 48 * s, kPaper);
        raster::Canvas canvas(&scaled);
        {
            CDrawContext c(nullptr, &canvas, nullptr);
            c.setScale(DeviceScale::whole(s));
            EXPECT_EQ(c.getScale().quarters(), 4 * s);
            blockScene(c);
        }
        EXPECT_EQ(canvas.blockScaleInUse().quarters(), 4) << "the canvas gets its block size back";
        const raster::Surface expected = gui::enlarge(plain, DeviceScale::whole(s));
        int differing = 0;
        for (int32_t y = 0; y < scaled.height(); ++y)
            for (int32_t x = 0; x < scaled.width(); ++x)
                if (raster::colorOf(scaled.get(x, y)) != raster::colorOf(expected.get(x, y)) && differing++ < 3)
                    ADD_FAILURE() << "scale " << s << " pixel " << x << "," << y;
        EXPECT_EQ(differing, 0) << "scale " << s;
    }
}

// Text at a scale: rasterised at the scaled size inside the scaled box, and
// measured in logical pixels; the pointer divided by the scale.
TEST(DrawContext, TextAndPointerAtAScale) {
    ScriptedEnvironment env;
    int parent = 0;
    platform::Window *window = platform::createWindow(&parent, 200, 100, nullptr);
    ASSERT_NE(window, nullptr);
    platform::headless::state(window)->screenOrigin = {300, 200};
    raster::Surface plain(100, 40, kPaper), scaled(200, 80, kPaper);
    raster::Canvas plainCanvas(&plain), canvas(&scaled);
    CDrawContext one(nullptr, &plainCanvas, window), two(nullptr, &canvas, window);
    two.setScale(DeviceScale::whole(2));
    for (CDrawContext *c : {&one, &two}) {
        c->setFont(NormalFont, 12, 0);
        c->drawString("Sorrel 19k", CRect(5, 5, 95, 35), false, AlignCenter);
    }
    EXPECT_EQ(one.getStringWidth("Sorrel 19k"), two.getStringWidth("Sorrel 19k"));
    EXPECT_EQ(canvas.font().spec().height, 2 * plainCanvas.font().spec().height);
    const Ink small = inkOf(plain), large = inkOf(scaled);
    EXPECT_NEAR(large.box.left, 2 * small.box.left, 4);
    EXPECT_NEAR(large.box.right, 2 * small.box.right, 4);
    EXPECT_NEAR(large.box.top, 2 * small.box.top, 4);
    EXPECT_NEAR(large.box.bottom, 2 * small.box.bottom, 4);
    env.setPointer({CPoint(351, 261)});
    EXPECT_EQ(two.getMouseLocation(), CPoint(25, 30));
    env.setPointer({CPoint(299, 199)});
    EXPECT_EQ(two.getMouseLocation(), CPoint(-1, -1));
    platform::destroyWindow(window);
}

} // namespace sorrel
