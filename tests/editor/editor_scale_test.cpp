// The editor at every quarter step from 1 to 4: how the scale is chosen,
// the VST 2.4 content-scale call, the pictures (golden images, and every
// logical pixel of a scaled picture against the 1x picture) and gestures at
// device coordinates.
#include "editor_session.h"
#include "editor/scale_policy.h"
#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/resources.h"
#include "resources/paint_pictures.h"
#include "vst2/plugin/equalizer_plugin.h"
#include "support/fake_host.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

namespace sorrel::editortest {
namespace {

using sorrel::EqualizerPlugin;
namespace scaling = sorrel::scaling;
namespace gui = sorrel::gui;

constexpr raster::Point kEditor{710, 167};

TEST(ScaleChoice, FactorsRoundToTheNearestQuarterThatFits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double factor;
        raster::Point screen;
        double scale;
    };
    const Case cases[] = {
        {1.0, {}, 1},          {1.1, {}, 1},          {1.125, {}, 1.25},     {1.25, {}, 1.25},
        {1.49, {}, 1.5},       {1.5, {}, 1.5},        {1.75, {}, 1.75},      {2.0, {}, 2},
        {2.4, {}, 2.5},        {3.9, {}, 4},          {4.0, {}, 4},          {0.5, {}, 1},
        {0, {}, 1},            {-2, {}, 1},           {nan, {}, 1},          {inf, {}, 1},
        {100, {}, 1},          {4.01, {}, 1},
        // rounding up only when the window fits, else the largest step that does
        {1.9, {1420, 334}, 2}, {1.9, {1419, 2000}, 1.75}, {1.9, {800, 600}, 1},
        // a factor taken as it is, or rounded down, fits or not
        {2.0, {800, 600}, 2},  {3.0, {800, 600}, 3},  {2.6, {800, 600}, 2.5},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scaling::scaleForFactor(c.factor, kEditor, c.screen).factor(), c.scale)
            << c.factor << " on " << c.screen.x << " x " << c.screen.y;
}

TEST(ScaleChoice, HostThenUserThenDesktop) {
    struct Case {
        double host;
        const char *user;
        double desktop;
        double scale;
    };
    const Case cases[] = {
        {0, nullptr, 0, 1},    {2, "3", 1.5, 2},     {0, "3", 2, 3},          {0, nullptr, 2, 2},
        {0, "", 2, 2},         {0, "2", 0, 2},       {0, "1", 2, 1},          {0, "x", 2, 1},
        {0, "0", 2, 1},        {0, "-1", 0, 1},      {0, "nan", 0, 1},        {0, "100", 0, 1},
        {0, "2abc", 0, 1},     {0, "1.5", 0, 1.5},   {0, "1.75", 2, 1.75},    {0, nullptr, 1.25, 1.25},
        {1.0, "3", 3, 1},      {1.3, nullptr, 0, 1.25},
    };
    for (const Case &c : cases) {
        scaling::ScaleSources sources;
        sources.host = c.host;
        sources.user = c.user;
        sources.desktop = c.desktop;
        EXPECT_EQ(scaling::chooseScale(sources, kEditor).factor(), c.scale)
            << c.host << " / " << (c.user ? c.user : "unset") << " / " << c.desktop;
    }
}

// Levels that differ per band, channel and side, from silence to full.
void fillLevels(PanelEffect &effect) {
    for (int b = 0; b < 31; ++b) {
        effect.pre[0][b] = b / 30.f;
        effect.pre[1][b] = 1.f - b / 30.f;
        effect.post[0][b] = (b % 8) / 7.f;
        effect.post[1][b] = 0.5f;
    }
}

// One set of values on every fader, one switch off, meters lit.
void setValues(PanelEffect &effect) {
    for (int i = 0; i < 34; ++i)
        effect.values[i] = static_cast<float>(i % 11) / 10.f;
    effect.values[20] = 0.75f;
    effect.values[21] = 0.51f;
    effect.values[22] = 0.49f;
    fillLevels(effect);
}

// Every quarter step from 1 to 4, as the test's parameter in quarters.
class ScaledEditor : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }
    double factor() const { return GetParam() / 4.0; }
    // Logical to device as the editor's size is stated: rounded, halves up.
    int32_t device(double v) const { return static_cast<int32_t>(std::floor(v * factor() + 0.5)); }
    // The golden picture's name at this factor; empty where there is none.
    std::string golden(const std::string &what) const {
        switch (GetParam()) {
        case 4: return what == "fresh" ? "editor_fresh" : "";
        case 5: return "editor_" + what + "_1.25x";
        case 6: return "editor_" + what + "_1.5x";
        case 7: return "editor_" + what + "_1.75x";
        case 8: return "editor_" + what + "_2x";
        case 12: return "editor_" + what + "_3x";
        default: return "";
        }
    }
};

TEST_P(ScaledEditor, ContentScaleCallBeforeOpenGivesTheScaledEditor) {
    FakeHost host;
    auto effect = std::make_unique<EqualizerPlugin>(host.callback());
    AEffect *record = effect->getAeffect();
    const VstIntPtr taken = record->dispatcher(record, effVendorSpecific, EqualizerPlugin::kContentScaleIndex,
                                               EqualizerPlugin::kContentScaleValue, nullptr, float(factor()));
    EXPECT_EQ(taken, 1);
    ERect *rect = nullptr;
    ASSERT_EQ(record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0), 1);
    EXPECT_EQ(rect->right - rect->left, device(710));
    EXPECT_EQ(rect->bottom - rect->top, device(167));
    auto *editor = static_cast<EqualizerVstEditor *>(effect->getEditor());
    ASSERT_TRUE(editor->open(&parentWindow));
    EXPECT_EQ(picture(editor).width(), device(710));
    EXPECT_EQ(picture(editor).height(), device(167));
    paint(editor);
    idle(editor, 3);
    if (!golden("fresh").empty()) {
        EXPECT_TRUE(testimg::matchesGolden(picture(editor), golden("fresh")));
    }
    editor->close();
}

TEST_P(ScaledEditor, ValuesAndMetersLit) {
    if (golden("values").empty())
        GTEST_SKIP() << "no golden picture at this factor";
    PanelEffect effect;
    setValues(effect);
    ASSERT_TRUE(effect.gui->setContentScale(float(factor())));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    idle(effect.gui);
    EXPECT_TRUE(testimg::matchesGolden(picture(effect.gui), golden("values")));
}

// Everything but the captions and the logo stands where it stands at 1x:
// the pixel at the center of every logical pixel's device area is the 1x
// picture's pixel. So every bar, handle, tick, LED and switch keeps its
// logical place, for any values and levels, at every factor.
TEST_P(ScaledEditor, EveryLogicalPixelIsThe1xPixelOutsideTextAndLogo) {
    auto draw = [](double f) {
        PanelEffect effect;
        setValues(effect);
        effect.values[35] = 0.f;
        effect.gui->setContentScale(float(f));
        effect.gui->open(&parentWindow);
        paint(effect.gui);
        idle(effect.gui, 2);
        raster::Surface copy = picture(effect.gui);
        effect.gui->close();
        return copy;
    };
    static const raster::Surface plain = draw(1);
    const raster::Surface scaled = draw(factor());
    ASSERT_EQ(scaled.width(), device(710));
    ASSERT_EQ(scaled.height(), device(167));
    auto center = [this](int32_t v) { return static_cast<int32_t>(std::floor((v + 0.5) * factor())); };
    int differing = 0;
    for (int32_t y = 0; y < plain.height(); ++y) {
        for (int32_t x = 0; x < plain.width(); ++x) {
            const bool caption = y >= 110 && y < 121;
            const bool logo = x < 63 && y >= 124;
            if (caption || logo)
                continue;
            if (raster::colorOf(scaled.get(center(x), center(y))) !=
                    raster::colorOf(plain.get(x, y)) &&
                differing++ < 5)
                ADD_FAILURE() << "logical pixel " << x << "," << y << " at " << factor();
        }
    }
    EXPECT_EQ(differing, 0) << factor();
}

// The meters at idle draw only the LEDs that change; passes of rising and
// falling levels leave the window as a whole drawing with the levels
// reached draws it.
TEST_P(ScaledEditor, IdlePassesLeaveWhatAWholeDrawingShows) {
    PanelEffect effect;
    ASSERT_TRUE(effect.gui->setContentScale(float(factor())));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    for (const float level : {0.6f, 1.f, 0.35f}) {
        for (int b = 0; b < 31; ++b) {
            effect.pre[0][b] = level * float(b % 7) / 6.f;
            effect.post[1][b] = level;
        }
        idle(effect.gui, 12); // long enough for every fall to end
    }
    raster::Surface whole(device(710), device(167));
    raster::Canvas canvas(&whole);
    CDrawContext *context = new CDrawContext(effect.gui->getFrame(), &canvas, nullptr);
    effect.gui->getFrame()->draw(context);
    context->forget();
    const raster::Surface &shown = picture(effect.gui);
    int differing = 0;
    for (int32_t y = 0; y < whole.height(); ++y)
        for (int32_t x = 0; x < whole.width(); ++x)
            if (raster::colorOf(shown.get(x, y)) != raster::colorOf(whole.get(x, y)) &&
                differing++ < 3)
                ADD_FAILURE() << "device pixel " << x << "," << y << " at " << factor();
    EXPECT_EQ(differing, 0);
    effect.gui->close();
}

// A drag, a Ctrl+click and a wheel notch at device coordinates do what the
// same gesture does at 1x, with the host hearing begin and end: the same
// travel in logical pixels gives the same values at every factor, and
// every device pixel of the fader hits it.
TEST_P(ScaledEditor, GesturesAtDeviceCoordinates) {
    FakeHost host;
    PanelEffect effect(host.callback());
    ASSERT_TRUE(effect.gui->setContentScale(float(factor())));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    const std::pair<int32_t, float> drags[] = {{5, 1.f}, {55, 0.5f}, {105, 0.f}, {30, 0.75f}};
    for (auto [y, expected] : drags) {
        host.calls.clear();
        press(effect.gui, {device(413), device(60)}, LeftButton, {{device(413), device(y)}});
        EXPECT_EQ(effect.values[19], expected) << y;
        ASSERT_EQ(host.callsOf(audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(host.callsOf(audioMasterBeginEdit)[0].index, 19);
        ASSERT_EQ(host.callsOf(audioMasterEndEdit).size(), 1u);
        EXPECT_EQ(host.callsOf(audioMasterEndEdit)[0].index, 19);
    }
    // The last device pixel of a logical pixel of the fader.
    press(effect.gui, {device(413 + 1) - 1, device(60 + 1) - 1}, LeftButton | ControlKey);
    EXPECT_EQ(effect.values[19], 0.5f);
    headless::script().buttons = {0};
    headless::wheel(windowOf(effect.gui), {device(413), device(60)}, 1.f);
    EXPECT_NEAR(effect.values[19], 0.6f, 1e-6f);
    effect.gui->close();
}

INSTANTIATE_TEST_SUITE_P(Factors, ScaledEditor, ::testing::Range(4, 17));

// The pictures drawn at run time come from the same drawing as the stored
// 2x and 3x pictures: at those scales they are the stored ones, pixel for
// pixel.
TEST(EditorScale, RunTimePicturesAreTheStoredOnesAtWholeScales) {
    for (int32_t id : {101, 102, 104}) {
        for (int32_t s : {2, 3}) {
            const gui::ResourceBytes bytes = gui::findBitmapResource(gui::scaledResourceId(id, s));
            raster::Surface stored, painted;
            ASSERT_TRUE(bytes.data && gui::decodePackedBitmap(bytes.data, bytes.size, stored)) << id;
            ASSERT_TRUE(gui::paintEditorPicture(id, DeviceScale::whole(s), painted)) << id;
            ASSERT_EQ(painted.width(), stored.width()) << id << " at " << s;
            ASSERT_EQ(painted.height(), stored.height()) << id << " at " << s;
            int differing = 0;
            for (int32_t y = 0; y < stored.height(); ++y)
                for (int32_t x = 0; x < stored.width(); ++x)
                    differing +=
                        raster::colorOf(painted.get(x, y)) != raster::colorOf(stored.get(x, y));
            EXPECT_EQ(differing, 0) << id << " at " << s;
        }
    }
}

TEST(EditorScale, NonsenseFactorsAreRefusedAndChangeNothing) {
    headless::reset();
    FakeHost host;
    auto effect = std::make_unique<EqualizerPlugin>(host.callback());
    AEffect *record = effect->getAeffect();
    auto call = [&](VstInt32 index, VstIntPtr value, float factor) {
        return record->dispatcher(record, effVendorSpecific, index, value, nullptr, factor);
    };
    EXPECT_EQ(call(EqualizerPlugin::kContentScaleIndex, EqualizerPlugin::kContentScaleValue, 2.f), 1);
    for (float nonsense : {0.f, -1.f, std::nanf(""), 100.f, 1e30f})
        EXPECT_EQ(call(EqualizerPlugin::kContentScaleIndex, EqualizerPlugin::kContentScaleValue, nonsense), 0)
            << nonsense;
    EXPECT_EQ(call(EqualizerPlugin::kContentScaleIndex, 0, 3.f), 0) << "another vendor's call";
    EXPECT_EQ(call(0, EqualizerPlugin::kContentScaleValue, 3.f), 0);
    ERect *rect = nullptr;
    record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0);
    EXPECT_EQ(rect->right, 1420);
    EXPECT_EQ(rect->bottom, 334);
}

// While open: a host that resizes gets the new scale at once, drawn in
// full at the next idle; one that refuses keeps the old scale.
TEST(EditorScale, ChangeWhileOpenAsksTheHost) {
    const struct Case {
        float factor;
        int32_t width, height;
        const char *golden;
        bool hostResizes;
    } cases[] = {{2.f, 1420, 334, "editor_fresh_2x", true},
                 {1.5f, 1065, 251, "editor_fresh_1.5x", true},
                 {2.f, 710, 167, nullptr, false},
                 {1.75f, 710, 167, nullptr, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.factor << (c.hostResizes ? " taken" : " refused"));
        headless::reset();
        FakeHost host;
        host.answer(audioMasterCanDo, c.hostResizes ? 1 : 0);
        host.answer(audioMasterSizeWindow, c.hostResizes ? 1 : 0);
        auto effect = std::make_unique<EqualizerPlugin>(host.callback());
        auto *editor = static_cast<EqualizerVstEditor *>(effect->getEditor());
        ASSERT_TRUE(editor->open(&parentWindow));
        paint(editor);
        AEffect *record = effect->getAeffect();
        EXPECT_EQ(record->dispatcher(record, effVendorSpecific, EqualizerPlugin::kContentScaleIndex,
                                     EqualizerPlugin::kContentScaleValue, nullptr, c.factor),
                  1);
        ERect *rect = nullptr;
        record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0);
        EXPECT_EQ(rect->right, c.width);
        EXPECT_EQ(rect->bottom, c.height);
        EXPECT_EQ(picture(editor).width(), c.width);
        if (c.hostResizes) {
            const auto asked = host.callsOf(audioMasterSizeWindow);
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].index, c.width);
            EXPECT_EQ(asked[0].value, c.height);
            idle(editor, 3);
            EXPECT_TRUE(testimg::matchesGolden(picture(editor), c.golden));
        }
        editor->close();
    }
}

// The desktop's and the user's settings, with no word from the host.
TEST(EditorScale, DesktopAndUserSettings) {
    // putenv with an empty value: unset on Windows, empty (which does not
    // apply) elsewhere.
    struct Case {
        double desktop;
        char *user;
        double scale;
    };
    static char unset[] = "SORREL_SCALE=", three[] = "SORREL_SCALE=3", nonsense[] = "SORREL_SCALE=nonsense",
                decimals[] = "SORREL_SCALE=1.75";
    const Case cases[] = {{2.0, unset, 2},   {1.0, three, 3}, {2.0, nonsense, 1},
                          {1.5, unset, 1.5}, {0, unset, 1},   {1.0, decimals, 1.75}};
    for (const Case &c : cases) {
        headless::reset();
        headless::script().desktopScale = c.desktop;
        putenv(c.user);
        PanelEffect effect;
        ERect *rect = nullptr;
        effect.gui->getRect(&rect);
        const int32_t width = static_cast<int32_t>(std::floor(710 * c.scale + 0.5));
        EXPECT_EQ(rect->right, width) << c.desktop << " " << c.user;
        ASSERT_TRUE(effect.gui->open(&parentWindow));
        EXPECT_EQ(picture(effect.gui).width(), width);
        effect.gui->close();
    }
    putenv(unset);
    headless::reset();
}

} // namespace
} // namespace sorrel::editortest
