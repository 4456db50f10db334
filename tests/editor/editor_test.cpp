// The editor's layout, its fader drawing, and what the user's gestures and
// the host's writes do to it, on the headless window system.
#include "editor/band_slider.h"
#include "editor/layout.h"
#include "editor/level_color.h"
#include "editor/web_link_view.h"
#include "editor_session.h"
#include "gui/drawing/drawcontext.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace sorrel::editortest {
namespace {

using sorrel::BandSlider;

class Editor : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        ASSERT_TRUE(effect.gui->open(&parentWindow));
        paint(effect.gui);
    }
    void TearDown() override {
        effect.gui->close();
        headless::reset();
    }

    CControl *control(int32_t entry) { return effect.gui->view().getControl(entry); }

    PanelEffect effect;
};

TEST_F(Editor, EveryViewWhereItBelongs) {
    struct Place {
        int32_t first, count, left, step, top, width, height;
        const char *type;
    };
    const Place places[] = {
        {0, 1, 5, 0, 3, 16, 106, "CSlider"},         {1, 1, 35, 0, 3, 16, 106, "CSlider"},
        {2, 31, 65, 20, 3, 16, 106, "CSlider"},      {33, 1, 691, 0, 3, 16, 106, "CSlider"},
        {34, 1, 691, 0, 125, 12, 6, "COnOffButton"}, {35, 1, 691, 0, 143, 12, 6, "COnOffButton"},
        {36, 1, 691, 0, 158, 12, 6, "COnOffButton"}, {37, 31, 65, 20, 129, 3, 30, "CVuMeter"},
        {68, 31, 69, 20, 129, 3, 30, "CVuMeter"},    {99, 31, 74, 20, 129, 3, 30, "CVuMeter"},
        {130, 31, 78, 20, 129, 3, 30, "CVuMeter"},
    };
    for (const Place &p : places) {
        for (int32_t k = 0; k < p.count; ++k) {
            const int32_t entry = p.first + k;
            CControl *c = control(entry);
            ASSERT_NE(c, nullptr) << entry;
            const int32_t left = p.left + k * p.step;
            EXPECT_EQ(c->getViewSize(), CRect(left, p.top, left + p.width, p.top + p.height)) << entry;
            EXPECT_TRUE(c->isTypeOf(p.type)) << entry;
            if (entry < layout::kNumControls) {
                EXPECT_EQ(c->getTag(), entry);
            }
        }
    }
    CFrame *frame = effect.gui->getFrame();
    ASSERT_EQ(frame->getViewCount(), layout::kNumViews);
    EXPECT_EQ(frame->getView(layout::kTableSize)->getViewSize(), CRect(0, 110, 710, 120)) << "captions";
    EXPECT_EQ(frame->getView(layout::kTableSize + 1)->getViewSize(), CRect(0, 124, 63, 166)) << "web link";
    ERect *rect = nullptr;
    ASSERT_TRUE(effect.gui->getRect(&rect));
    EXPECT_EQ(rect->right - rect->left, 710);
    EXPECT_EQ(rect->bottom - rect->top, 167);
}

TEST(LevelColor, RedRamp) {
    const std::pair<float, int> cases[] = {{0.f, 45}, {1.f, 195}, {0.5f, 120}, {0.003f, 45}, {0.004f, 46}};
    for (auto [x, red] : cases)
        EXPECT_EQ(sorrel::levelColor(x), CColor(static_cast<uint8_t>(red), 0, 0, 0)) << x;
}

// One fader of the editor's size drawn alone: L = 10, T = 4.
TEST(BandSliderDrawing, BarHandleAndTicks) {
    constexpr int32_t L = 10, T = 4;
    constexpr raster::Pixel kBack = raster::rgb(1, 2, 3), kBlack = 0, kWhite = raster::rgb(255, 255, 255);
    constexpr raster::Pixel kRed = raster::rgb(195, 0, 0), kCore = raster::rgb(110, 110, 110);
    struct Case {
        float value;
        int32_t end; // the bar's free end, rows below T
    };
    // The end lies at T + 52 - trunc(98 * (value - 0.5)).
    const Case cases[] = {{0.5f, 52}, {0.75f, 28}, {1.f, 3}, {0.f, 101}, {0.6f, 43}, {0.25f, 76}};
    for (const Case &c : cases) {
        raster::Surface surface(40, 120, kBack);
        raster::Canvas canvas(&surface);
        CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
        BandSlider *slider = new BandSlider(CRect(L, T, L + 16, T + 106), nullptr, 0, false);
        slider->setValue(c.value);
        slider->draw(context);
        const int32_t e = T + c.end;
        // The handle (L, e - 3, L + 16, e + 6): outline rows e - 2 and e + 5
        // (the fill leaves the top row), core in its middle.
        EXPECT_EQ(surface.get(L + 15, e - 2), kBlack) << c.value;
        EXPECT_NE(surface.get(L + 15, e - 3), kBlack) << c.value;
        EXPECT_EQ(surface.get(L + 15, e + 5), kBlack) << c.value;
        EXPECT_NE(surface.get(L + 15, e + 6), kBlack) << c.value;
        EXPECT_EQ(surface.get(L + 8, e + 1), kCore) << c.value;
        // The bar between the handle and the middle row T + 52.
        int reds = 0;
        for (int32_t y = 0; y < surface.height(); ++y)
            for (int32_t x = 0; x < surface.width(); ++x)
                reds += surface.get(x, y) == kRed;
        if (c.value == 0.5f) {
            EXPECT_EQ(reds, 0);
        } else {
            EXPECT_EQ(surface.get(L + 8, c.value > 0.5f ? e + 7 : e - 4), kRed) << c.value;
        }
        // Ticks in the column the fills leave alone: 3, 1, 2, 1, 3, ... long.
        const int32_t ticks[9] = {3, 15, 28, 40, 52, 64, 77, 89, 101};
        for (int k = 0; k < 9; ++k) {
            EXPECT_EQ(surface.get(L, T + ticks[k]), kWhite) << c.value << " tick " << k;
            const int32_t length = k % 4 == 0 ? 3 : k % 2 == 0 ? 2 : 1;
            if (c.value == 0.6f) { // the handle covers none of them
                EXPECT_EQ(surface.get(L + length - 1, T + ticks[k]), kWhite) << k;
            }
            EXPECT_NE(surface.get(L + length, T + ticks[k]), kWhite) << c.value << " tick " << k;
        }
        EXPECT_FALSE(slider->isDirty());
        slider->forget();
        context->forget();
    }
}

TEST(BandSliderDrawing, TinySliderDrawsAndEnds) {
    // A groove of no height must not keep the tick loop going.
    raster::Surface surface(20, 20);
    raster::Canvas canvas(&surface);
    CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
    for (int32_t height : {1, 2, 5, 8}) {
        BandSlider *slider = new BandSlider(CRect(2, 2, 18, 2 + height), nullptr, 0, true);
        slider->draw(context);
        EXPECT_FALSE(slider->isDirty()) << height;
        slider->forget();
    }
    context->forget();
}

TEST(BandSliderDrawing, SoftenedEdgesAverageNeighbours) {
    // A white pixel on black in the middle of the pass: it and its four
    // neighbours take the averages, row by row with earlier results read.
    raster::Surface surface(5, 5, 0);
    surface.set(2, 2, raster::rgb(250, 250, 250));
    raster::Canvas canvas(&surface);
    CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
    sorrel::softenEdges(context, CRect(0, 0, 5, 5));
    EXPECT_EQ(raster::red(surface.get(2, 1)), 50u); // (250 + 4 x 0) / 5
    EXPECT_EQ(raster::red(surface.get(3, 1)), 10u); // its left neighbour is now 50
    EXPECT_EQ(raster::red(surface.get(1, 2)), 50u);
    EXPECT_EQ(raster::red(surface.get(2, 2)), 70u); // (250 + 0 + 0 + 50 + 50) / 5
    EXPECT_EQ(raster::red(surface.get(0, 0)), 0u);  // nothing differs around it
    context->forget();
}

TEST_F(Editor, DragsMapThePointerOntoTheFader) {
    // The 440 Hz fader, top 3: the pointer at top + 2 means 1.0, at top + 52
    // exactly 0.5, at top + 102 and below 0.0.
    const std::pair<int32_t, float> cases[] = {{5, 1.f},   {55, 0.5f}, {105, 0.f},
                                               {150, 0.f}, {0, 1.f},   {30, 0.75f}};
    for (auto [y, expected] : cases) {
        press(effect.gui, {413, 60}, LeftButton, {{413, y}});
        EXPECT_EQ(effect.values[19], expected) << y;
    }
}

TEST_F(Editor, CtrlClickReturnsAFaderToTheMiddle) {
    for (int32_t entry : {0, 1, 19, 33}) {
        effect.setParameter(entry, 0.8f);
        idle(effect.gui);
        EXPECT_EQ(control(entry)->getValue(), 0.8f);
        press(effect.gui, centerOf(effect.gui, entry), LeftButton | ControlKey);
        EXPECT_EQ(effect.values[entry], 0.5f) << entry;
    }
}

TEST_F(Editor, WheelMovesAFaderByATenth) {
    struct Case {
        float distance;
        int32_t held;
        float expected;
    };
    const Case cases[] = {{1.f, 0, 0.6f}, {-1.f, 0, 0.4f}, {1.f, ShiftKey, 0.51f}, {-2.f, 0, 0.3f}};
    for (const Case &c : cases) {
        effect.setParameter(19, 0.5f);
        idle(effect.gui);
        headless::script().buttons = {c.held};
        headless::wheel(windowOf(effect.gui), {413, 60}, c.distance);
        EXPECT_NEAR(effect.values[19], c.expected, 1e-6f) << c.distance << " " << c.held;
    }
}

TEST_F(Editor, TabAndArrowKeysMoveTheFocusedFader) {
    VstKeyCode tab{0, 2, 0};
    VstKeyCode up{0, 12, 0};
    VstKeyCode shiftDown{0, 14, 1};
    EXPECT_TRUE(effect.gui->onKeyDown(tab)) << "the first fader takes the focus";
    EXPECT_TRUE(effect.gui->onKeyDown(up));
    EXPECT_NEAR(effect.values[0], 0.5f + 0.5f / 24, 1e-6f) << "0.5 dB";
    EXPECT_TRUE(effect.gui->onKeyDown(tab));
    EXPECT_TRUE(effect.gui->onKeyDown(shiftDown));
    EXPECT_NEAR(effect.values[1], 0.49f, 1e-6f) << "Q by 0.01";
}

TEST_F(Editor, OnlyAPlainLeftClickOnTheLogoOpensTheHomePage) {
    struct Case {
        CPoint where;
        int32_t buttons;
        bool opens;
    };
    const Case cases[] = {
        {{0, 124}, LeftButton, true},
        {{63, 166}, LeftButton, true},
        {{30, 140}, RightButton, false},
        {{30, 140}, LeftButton | ShiftKey, false},
        {{30, 140}, LeftButton | RightButton, false},
        {{64, 140}, LeftButton, false},
    };
    for (const Case &c : cases) {
        headless::reset();
        press(effect.gui, c.where, c.buttons);
        const std::vector<std::string> urls = headless::openedUrls();
        if (c.opens)
            EXPECT_EQ(urls, std::vector<std::string>{sorrel::kHomePage}) << c.where.x << "," << c.where.y;
        else
            EXPECT_TRUE(urls.empty()) << c.where.x << "," << c.where.y << " buttons " << c.buttons;
    }
}

TEST_F(Editor, MeterSwitchesStartAndStopTheMeters) {
    for (int b = 0; b < 31; ++b)
        effect.pre[0][b] = effect.pre[1][b] = effect.post[0][b] = effect.post[1][b] = 0.7f;
    idle(effect.gui);
    auto meters = [&](int32_t first) {
        float sum = 0;
        for (int b = 0; b < 31; ++b)
            sum += control(first + b)->getValue();
        return sum / 31;
    };
    EXPECT_FLOAT_EQ(meters(layout::kPreGainMeters0), 0.7f);
    EXPECT_FLOAT_EQ(meters(layout::kPostGainMeters1), 0.7f);

    // The user turns "In" off: its meters clear at once and stay dark.
    press(effect.gui, centerOf(effect.gui, 34), LeftButton);
    EXPECT_EQ(effect.values[34], 0.f);
    EXPECT_EQ(meters(layout::kPreGainMeters0) + meters(layout::kPreGainMeters1), 0.f);
    idle(effect.gui, 12);
    EXPECT_EQ(meters(layout::kPreGainMeters0) + meters(layout::kPreGainMeters1), 0.f);
    EXPECT_EQ(control(layout::kPreGainMeters0)->getOldValue(), 0.f) << "the shown level has fallen to dark";
    EXPECT_FLOAT_EQ(meters(layout::kPostGainMeters0), 0.7f);

    // The host turns "Out" off: its meters keep their last levels.
    effect.setParameter(35, 0.f);
    for (int b = 0; b < 31; ++b)
        effect.post[0][b] = 0.2f;
    idle(effect.gui);
    EXPECT_FLOAT_EQ(meters(layout::kPostGainMeters0), 0.7f);

    // And "In" back on: the levels flow again.
    effect.setParameter(34, 1.f);
    idle(effect.gui);
    EXPECT_FLOAT_EQ(meters(layout::kPreGainMeters1), 0.7f);
}

TEST_F(Editor, HostWritesReachTheControlsAtTheNextIdle) {
    // From another thread, as automation arrives: nothing changes in the
    // views until the GUI thread's idle.
    std::thread automation([&] {
        effect.setParameter(19, 0.25f);
        effect.setParameter(35, 0.f);
        effect.gui->setParameter(kNumParameters, 0.9f); // not a parameter: ignored
        effect.gui->setParameter(-1, 0.9f);
    });
    automation.join();
    EXPECT_EQ(control(19)->getValue(), 0.5f);
    idle(effect.gui);
    EXPECT_EQ(control(19)->getValue(), 0.25f);
    EXPECT_EQ(control(35)->getValue(), 0.f);
    EXPECT_EQ(control(36)->getValue(), 0.f);
}

TEST_F(Editor, ReopeningBuildsOneFreshSetOfViews) {
    EXPECT_TRUE(effect.metering);
    effect.gui->close();
    EXPECT_FALSE(effect.metering);
    EXPECT_EQ(effect.gui->view().getControl(0), nullptr);
    EXPECT_TRUE(headless::windows().empty());

    // Written while closed: the editor shows it from the effect when it opens.
    effect.setParameter(5, 0.8f);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(effect.gui->open(&parentWindow));
        EXPECT_EQ(effect.gui->getFrame()->getViewCount(), layout::kNumViews);
        EXPECT_EQ(control(5)->getValue(), 0.8f);
        effect.gui->close();
    }
    // A host that opens twice without closing gets one window.
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    EXPECT_EQ(headless::windows().size(), 1u);
    EXPECT_EQ(effect.gui->getFrame()->getViewCount(), layout::kNumViews);
    EXPECT_TRUE(effect.metering);
}

} // namespace
} // namespace sorrel::editortest
