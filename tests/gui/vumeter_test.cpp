// The LED meter: where the lit and unlit pictures are cut, the fall of the
// shown level per drawing, and whole meters compared with golden images.
#include "gui/drawing/drawcontext.h"
#include "gui/controls/vumeter.h"

#include "control_fixture.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <string>

namespace sorrel {

namespace {

constexpr raster::Pixel kLit = raster::rgb(0, 220, 0);
constexpr raster::Pixel kUnlit = raster::rgb(30, 30, 30);

// A meter of 15 LEDs on pictures 3 x 30 (vertical) or 30 x 3 (horizontal).
CVuMeter *makeMeter(int32_t style) {
    const bool horizontal = style == Horizontal;
    const int32_t w = horizontal ? 30 : 3, h = horizontal ? 3 : 30;
    CBitmap *on = solidBitmap(w, h, kLit), *off = solidBitmap(w, h, kUnlit);
    CVuMeter *meter = new CVuMeter(CRect(0, 0, w, h), on, off, 15, style);
    on->forget();
    off->forget();
    return meter;
}

// The meter's pixels along its axis, from the unlit end: 'u' unlit, 'L' lit.
std::string drawnStrip(CVuMeter *meter) {
    const bool horizontal = meter->getStyle() == Horizontal;
    raster::Surface surface(meter->getViewSize().width(), meter->getViewSize().height(), 0);
    raster::Canvas canvas(&surface);
    CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
    meter->draw(context);
    context->forget();
    std::string strip;
    for (int32_t i = 0; i < 30; i++) {
        const raster::Pixel p = horizontal ? surface.row(1)[29 - i] : surface.row(i)[1];
        strip += p == kLit ? 'L' : p == kUnlit ? 'u' : '?';
    }
    return strip;
}

TEST(VuMeter, CutAtWholeLeds) {
    // Vertical: unlit LEDs = trunc(15 (1 - level) + 0.5), from the top.
    // Horizontal: lit LEDs = trunc(15 level + 0.5), from the left. Each LED
    // is two pixels.
    const struct {
        float value;
        int litVertical, litHorizontal; // pixels
    } cases[] = {
        {0.f, 0, 0},   {1.f, 30, 30},  {0.5f, 14, 16}, {0.02f, 0, 0}, // below half an LED
        {0.04f, 2, 2}, {1.5f, 30, 30}, {-0.5f, 0, 0},
    };
    for (int32_t style : {Vertical, Horizontal}) {
        for (const auto &c : cases) {
            ScriptedEnvironment env;
            CVuMeter *meter = makeMeter(style);
            meter->setValue(c.value);
            const int lit = style == Vertical ? c.litVertical : c.litHorizontal;
            EXPECT_EQ(drawnStrip(meter), std::string(30 - lit, 'u') + std::string(lit, 'L'))
                << c.value << (style == Vertical ? " vertical" : " horizontal");
            meter->forget();
        }
    }
}

TEST(VuMeter, FallsOneStepPerDrawingAndRisesAtOnce) {
    ScriptedEnvironment env;
    CVuMeter *meter = makeMeter(Vertical);
    meter->setValue(1.f);
    drawnStrip(meter);
    EXPECT_EQ(meter->getOldValue(), 1.f);
    EXPECT_FALSE(meter->isDirty());

    meter->setValue(0.f);
    int drawings = 0;
    while (meter->isDirty() && drawings < 20) {
        const float before = meter->getOldValue();
        drawnStrip(meter);
        ++drawings;
        const float fall = before - meter->getOldValue();
        if (meter->getOldValue() > 0.f)
            EXPECT_NEAR(fall, 0.1f, 1e-5f) << "drawing " << drawings;
        else
            EXPECT_LE(fall, 0.1f + 1e-5f);
    }
    EXPECT_GE(drawings, 10);
    EXPECT_LE(drawings, 11);
    EXPECT_EQ(meter->getOldValue(), 0.f);
    EXPECT_FALSE(meter->isDirty());

    meter->setValue(0.8f);
    EXPECT_EQ(drawnStrip(meter), std::string(6, 'u') + std::string(24, 'L'));
    EXPECT_EQ(meter->getOldValue(), 0.8f);
    meter->forget();
}

TEST(VuMeter, WithoutLitPictureNothingIsDrawnAndItStaysDirty) {
    ScriptedEnvironment env;
    CBitmap *off = solidBitmap(3, 30, kUnlit);
    CVuMeter *meter = new CVuMeter(CRect(0, 0, 3, 30), nullptr, off, 15, Vertical);
    off->forget();
    meter->setValue(0.5f);
    EXPECT_EQ(drawnStrip(meter), std::string(30, '?'));
    EXPECT_TRUE(meter->isDirty());
    meter->forget();
}

// The LED strips turned a quarter: the first LED (the strip's bottom) left.
CBitmap *turned(CBitmap &strip) {
    const int32_t w = strip.getWidth(), h = strip.getHeight();
    CBitmap *bitmap = new CBitmap(nullptr, h, w);
    for (int32_t y = 0; y < w; y++)
        for (int32_t x = 0; x < h; x++)
            bitmap->getHandle()->row(y)[x] = strip.getHandle()->row(h - 1 - x)[y];
    return bitmap;
}

// Meters side by side at several levels, every other one drawn straight
// into the context instead of through its own surface; the last one is on
// its way down from 1 to 0 after three drawings.
TEST(VuMeter, GoldenImages) {
    ScriptedEnvironment env;
    CBitmap lit(102), unlit(104);
    ASSERT_TRUE(lit.isLoaded() && unlit.isLoaded());
    CBitmap *litTurned = turned(lit), *unlitTurned = turned(unlit);
    const float levels[] = {0.f, 0.04f, 0.2f, 0.5f, 0.75f, 1.f, 1.2f};
    for (int32_t style : {Vertical, Horizontal}) {
        const bool horizontal = style == Horizontal;
        const int32_t count = 8;
        raster::Surface surface(horizontal ? 38 : 4 + 6 * count, horizontal ? 4 + 6 * count : 38,
                                raster::rgb(51, 51, 51));
        raster::Canvas canvas(&surface);
        CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
        for (int32_t i = 0; i < count; i++) {
            const CRect size =
                horizontal ? CRect(4, 4 + 6 * i, 34, 7 + 6 * i) : CRect(4 + 6 * i, 4, 7 + 6 * i, 34);
            CVuMeter *meter = horizontal ? new CVuMeter(size, litTurned, unlitTurned, 15, Horizontal)
                                         : new CVuMeter(size, &lit, &unlit, 15, Vertical);
            meter->setUseOffscreen(i % 2 == 0);
            if (i < count - 1) {
                meter->setValue(levels[i]);
                meter->draw(context);
            } else {
                meter->setValue(1.f);
                meter->draw(context);
                meter->setValue(0.f);
                for (int k = 0; k < 3; k++)
                    meter->draw(context);
            }
            meter->forget();
        }
        context->forget();
        EXPECT_TRUE(testimg::matchesGolden(surface, horizontal ? "vumeter_horizontal" : "vumeter_vertical"));
    }
    litTurned->forget();
    unlitTurned->forget();
}

} // namespace

} // namespace sorrel
