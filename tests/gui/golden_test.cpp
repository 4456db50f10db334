// Whole pictures compared pixel for pixel with the images in tests/golden:
// the three bitmap resources as loaded, and a scene that goes through every
// drawing path of the toolkit layer.
#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/offscreen.h"

#include "scripted_environment.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <string>

namespace sorrel {

namespace {

TEST(Golden, TheBitmapResourcesAsLoaded) {
    for (int32_t id : {101, 102, 104}) {
        CBitmap bitmap(id);
        ASSERT_TRUE(bitmap.isLoaded()) << id;
        EXPECT_TRUE(testimg::matchesGolden(*bitmap.getHandle(), "resource_" + std::to_string(id)));
    }
}

// A panel in the editor's manner, drawn through a context with an offset
// and a clip, with a composed off-screen part copied in.
void drawScene(CDrawContext &ctx, CBitmap &background, CBitmap &ledOn, CBitmap &ledOff) {
    // The lower left corner of the background with the logo.
    background.draw(&ctx, CRect(0, 0, 120, 60), CPoint(0, 107));

    ctx.setOffset(CPoint(4, 2));
    ctx.setClipRect(CRect(-4, -2, 236, 158));

    // Shapes.
    ctx.setFrameColor(WhiteColor);
    ctx.setFillColor(CColor(0, 0, 128, 255));
    ctx.drawRect(CRect(126, 4, 176, 34), FilledAndOutline);
    ctx.setFillColor(CColor(195, 0, 0, 0));
    ctx.fillRect(CRect(130, 8, 150, 30));
    ctx.setFrameColor(YellowColor);
    ctx.drawEllipse(CRect(180, 4, 226, 34));
    ctx.setFillColor(GreenColor);
    ctx.fillEllipse(CRect(186, 10, 220, 28));
    ctx.setFrameColor(CyanColor);
    ctx.setLineStyle(LineDotted);
    const CPoint zigzag[] = {{126, 40}, {140, 54}, {154, 40}, {168, 54}, {182, 40}};
    ctx.drawPolygon(zigzag, 5, Outline);
    ctx.setLineStyle(LineSolid);
    ctx.setLineWidth(3);
    ctx.setFrameColor(MagentaColor);
    ctx.moveTo(CPoint(190, 42));
    ctx.lineTo(CPoint(226, 56));
    ctx.setLineWidth(1);
    ctx.setFillColor(CColor(255, 128, 0, 255));
    const CPoint star[] = {{20, 66}, {26, 84}, {8, 72}, {32, 72}, {14, 84}};
    ctx.drawPolygon(star, 5, Filled);
    ctx.setFrameColor(WhiteColor);
    ctx.drawArc(CRect(40, 64, 70, 90), 30.f, 240.f, FilledAndOutline);
    ctx.setFillColor(BlueColor);
    ctx.fillArc(CRect(74, 64, 104, 90), CPoint(104, 64), CPoint(74, 64));
    ctx.drawArc(CRect(74, 64, 104, 90), CPoint(74, 90), CPoint(104, 90));
    ctx.setDrawMode(ModeXor);
    ctx.setFrameColor(GreyColor);
    ctx.drawRect(CRect(36, 60, 108, 94), Outline);
    ctx.setDrawMode(ModeCopy);
    ctx.setFrameColor(CColor(90, 90, 90, 255));
    ctx.drawRect(CRect(112, 64, 140, 92), Outline);
    ctx.setFillColor(CColor(60, 160, 60, 255));
    ctx.floodFill(CPoint(120, 70));

    // Text in three alignments and several fonts, one of them opaque.
    ctx.setFontColor(CColor(130, 130, 130, 0));
    ctx.setFont(VerySmallFont, 9);
    const char *captions[] = {"20", "440", "1.4k", "19k"};
    for (int i = 0; i < 4; i++)
        ctx.drawString(captions[i], CRect(126 + 20 * i, 60, 142 + 20 * i, 70), false, AlignCenter);
    ctx.setFontColor(WhiteColor);
    ctx.setFont(NormalFont, 0, StyleBold);
    ctx.drawString("Left", CRect(126, 72, 226, 84), false, AlignLeft);
    ctx.setFont(SmallFont, 0, StyleItalic | StyleUnderline);
    ctx.drawString("Right & more", CRect(126, 72, 226, 84), false, AlignRight);
    ctx.setFillColor(CColor(40, 40, 40, 255));
    ctx.setFont(SymbolFont);
    ctx.drawString("abgd", CRect(126, 86, 226, 100), true, AlignCenter);

    // LED meters: a lit strip over an unlit one, cut at different heights.
    for (int i = 0; i < 6; i++) {
        const CRect m(4 + 5 * i, 96, 7 + 5 * i, 126);
        ledOff.draw(&ctx, m);
        const int32_t lit = 5 * i;
        CRect top = m;
        top.top = m.bottom - lit;
        ledOn.draw(&ctx, top, CPoint(0, 30 - lit));
    }

    // A composed block: drawn off screen, then copied in at the offset.
    COffscreenContext *off = new COffscreenContext(nullptr, 40, 30, CColor(51, 51, 51, 0));
    off->setFrameColor(BlackColor);
    off->drawRect(CRect(2, 2, 38, 28), Outline);
    ledOn.drawAlphaBlend(off, CRect(6, 0, 9, 30), CPoint(0, 0), 96);
    ledOn.drawTransparent(off, CRect(12, 0, 15, 30), CPoint(0, 0));
    off->setFontColor(YellowColor);
    off->setFont(SmallerFont);
    off->drawString("off", CRect(16, 4, 38, 26), false, AlignCenter);
    off->copyToContext(&ctx, CRect(40, 98, 80, 128), CPoint(0, 0));
    off->forget();

    // Drawing beyond the clip is cut.
    ctx.setClipRect(CRect(90, 100, 120, 120));
    ctx.setFillColor(RedColor);
    ctx.drawRect(CRect(80, 96, 200, 200), Filled);
    ctx.setFontColor(BlackColor);
    ctx.setFont(BigFont);
    ctx.drawString("clipped", CRect(84, 100, 150, 120), false, AlignLeft);
}

TEST(Golden, TheSceneThroughEveryDrawingPath) {
    ScriptedEnvironment env;
    CBitmap background(101), ledOn(102), ledOff(104);
    raster::Surface surface(240, 160, raster::rgb(51, 51, 51));
    raster::Canvas canvas(&surface);
    CDrawContext *ctx = new CDrawContext(nullptr, &canvas, nullptr);
    drawScene(*ctx, background, ledOn, ledOff);
    ctx->forget();
    EXPECT_TRUE(testimg::matchesGolden(surface, "gui_scene"));
}

} // namespace

} // namespace sorrel
