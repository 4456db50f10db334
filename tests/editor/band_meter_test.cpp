// The band meters at idle draw and show only the LEDs that changed: after
// every idle pass a meter's pixels equal those of the toolkit meter drawn
// whole with the same levels, and the window is shown exactly the rows
// that differ from the previous picture (nothing when none do).
#include "editor/layout.h"
#include "editor_session.h"
#include "gui/drawing/drawcontext.h"
#include "gui/controls/vumeter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sorrel::editortest {
namespace {

TEST(BandMeter, DrawsAndShowsOnlyTheLedsThatChange) {
    headless::reset();
    PanelEffect effect;
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    const int32_t entry = layout::kPreGainMeters0 + 5;
    const CRect place = effect.gui->view().getControl(entry)->getViewSize();
    const int32_t w = place.width(), h = place.height();

    // The reference: the plain meter drawn whole once per idle pass.
    CVuMeter *reference = new CVuMeter(CRect(0, 0, w, h), sorrel::EqualizerEditor::ledOnBitmap(),
                                       sorrel::EqualizerEditor::ledOffBitmap(), layout::kLedCount, Vertical);
    raster::Surface expected(w, h, 0);
    raster::Canvas canvas(&expected);
    CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
    reference->setValue(0.f);
    reference->draw(context);

    // Levels, each held for some idle passes: small moves within one LED,
    // a jump, a fall over many passes, a rise to the top.
    const struct {
        float level;
        int passes;
    } steps[] = {{0.5f, 2}, {0.51f, 1}, {0.49f, 1}, {0.9f, 1}, {0.f, 12}, {0.33f, 1},
                 {0.335f, 1}, {1.f, 1}, {0.97f, 3}, {0.2f, 2}, {0.f, 4}};
    int pass = 0, unchanged = 0, changed = 0;
    for (const auto &step : steps) {
        for (int i = 0; i < step.passes; ++i, ++pass) {
            SCOPED_TRACE(testing::Message() << "pass " << pass << ", level " << step.level);
            const raster::Surface before = expected;
            reference->setValue(step.level);
            if (reference->isDirty())
                reference->draw(context);
            int32_t top = h, bottom = 0;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    if (before.row(y)[x] != expected.row(y)[x]) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y + 1);
                    }

            const int presentsBefore = headless::state(windowOf(effect.gui))->presents;
            effect.pre[0][5] = step.level;
            idle(effect.gui);
            const headless::WindowState &shown = *headless::state(windowOf(effect.gui));
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(picture(effect.gui).row(place.top + y)[place.left + x], expected.row(y)[x])
                        << x << ", " << y;
            if (top >= bottom) {
                ++unchanged;
                EXPECT_EQ(shown.presents, presentsBefore);
            } else {
                ++changed;
                ASSERT_EQ(shown.presents, presentsBefore + 1);
                // The rows between the old and the new cut: those that
                // differ, and at most the gap below the last LED besides.
                const raster::Rect &r = shown.lastPresented;
                EXPECT_EQ(r.left, place.left);
                EXPECT_EQ(r.right, place.right);
                EXPECT_LE(r.top, place.top + top);
                EXPECT_GE(r.bottom, place.top + bottom);
                EXPECT_LT(r.height(), bottom - top + h / layout::kLedCount);
            }
        }
    }
    EXPECT_GT(unchanged, 3);
    EXPECT_GT(changed, 8);
    context->forget();
    reference->forget();
    effect.gui->close();
    headless::reset();
}

} // namespace
} // namespace sorrel::editortest
