// The editor at scales 2 and 3: how the scale is chosen, the VST 2.4
// content-scale call, the pictures (golden images, and every block of a
// scaled picture against the 1x picture) and gestures at device
// coordinates.
#include "editor_session.h"
#include "editor/scale_policy.h"
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

constexpr sorrel::raster::Point kEditor{710, 167};

TEST(ScaleChoice, FactorsRoundToAWholeScaleThatFits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double factor;
        sorrel::raster::Point screen;
        int32_t scale;
    };
    const Case cases[] = {
        {1.0, {}, 1},           {1.25, {}, 1},          {1.49, {}, 1},           {1.5, {}, 2},
        {1.75, {}, 2},          {2.0, {}, 2},           {2.5, {}, 3},            {3.0, {}, 3},
        {3.9, {}, 3},           {0.5, {}, 1},           {0.2, {}, 1},            {0, {}, 1},
        {-2, {}, 1},            {nan, {}, 1},           {inf, {}, 1},            {100, {}, 1},
        {4.01, {}, 1},          // rounding up only when the window fits
        {2.5, {2130, 501}, 3},  {2.5, {2129, 2000}, 2}, {2.5, {1400, 2000}, 1},  {1.5, {1419, 900}, 1},
        {1.5, {1420, 334}, 2},  // a whole factor is taken as it is
        {2.0, {800, 600}, 2},   {3.0, {800, 600}, 3},   {2.4, {800, 600}, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scaling::scaleForFactor(c.factor, kEditor, c.screen), c.scale)
            << c.factor << " on " << c.screen.x << " x " << c.screen.y;
}

TEST(ScaleChoice, HostThenUserThenDesktop) {
    struct Case {
        double host;
        const char *user;
        double desktop;
        int32_t scale;
    };
    const Case cases[] = {
        {0, nullptr, 0, 1},   {2, "3", 1.5, 2},  {0, "3", 2, 3},      {0, nullptr, 2, 2},
        {0, "", 2, 2},        {0, "2", 0, 2},    {0, "1", 2, 1},      {0, "x", 2, 1},
        {0, "0", 2, 1},       {0, "-1", 0, 1},   {0, "nan", 0, 1},    {0, "100", 0, 1},
        {0, "2abc", 0, 1},    {0, "1.5", 0, 2},  {0, nullptr, 1.25, 1}, {1.0, "3", 3, 1},
    };
    for (const Case &c : cases) {
        scaling::ScaleSources sources;
        sources.host = c.host;
        sources.user = c.user;
        sources.desktop = c.desktop;
        EXPECT_EQ(scaling::chooseScale(sources, kEditor), c.scale)
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

class ScaledEditor : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }
};

TEST_P(ScaledEditor, ContentScaleCallBeforeOpenGivesTheScaledEditor) {
    const int32_t scale = GetParam();
    FakeHost host;
    auto effect = std::make_unique<EqualizerPlugin>(host.callback());
    AEffect *record = effect->getAeffect();
    const VstIntPtr taken = record->dispatcher(record, effVendorSpecific, EqualizerPlugin::kContentScaleIndex,
                                               EqualizerPlugin::kContentScaleValue, nullptr, float(scale));
    EXPECT_EQ(taken, 1);
    ERect *rect = nullptr;
    ASSERT_EQ(record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0), 1);
    EXPECT_EQ(rect->right - rect->left, 710 * scale);
    EXPECT_EQ(rect->bottom - rect->top, 167 * scale);
    auto *editor = static_cast<EqualizerVstEditor *>(effect->getEditor());
    ASSERT_TRUE(editor->open(&parentWindow));
    EXPECT_EQ(picture(editor).width(), 710 * scale);
    EXPECT_EQ(picture(editor).height(), 167 * scale);
    paint(editor);
    idle(editor, 3);
    const std::string name = scale == 1 ? "editor_fresh" : "editor_fresh_" + std::to_string(scale) + "x";
    EXPECT_TRUE(sorrel::testimg::matchesGolden(picture(editor), name));
    editor->close();
}

TEST_P(ScaledEditor, ValuesAndMetersLit) {
    const int32_t scale = GetParam();
    PanelEffect effect;
    setValues(effect);
    ASSERT_TRUE(effect.gui->setContentScale(float(scale)));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    idle(effect.gui);
    if (scale > 1) {
        EXPECT_TRUE(sorrel::testimg::matchesGolden(picture(effect.gui), "editor_values_" + std::to_string(scale) + "x"));
    }
}

// Everything but the captions and the logo is drawn block for block: the
// top-left pixel of every scale x scale block of the scaled picture is the
// 1x picture's pixel. So every bar, handle, tick, LED and switch stands at
// the same logical place, for any values and levels.
TEST_P(ScaledEditor, EveryBlockIsThe1xPixelOutsideTextAndLogo) {
    const int32_t scale = GetParam();
    auto draw = [](int32_t s) {
        PanelEffect effect;
        setValues(effect);
        effect.values[35] = 0.f;
        effect.gui->setContentScale(float(s));
        effect.gui->open(&parentWindow);
        paint(effect.gui);
        idle(effect.gui, 2);
        sorrel::raster::Surface copy = picture(effect.gui);
        effect.gui->close();
        return copy;
    };
    const sorrel::raster::Surface plain = draw(1);
    const sorrel::raster::Surface scaled = draw(scale);
    ASSERT_EQ(scaled.width(), plain.width() * scale);
    int differing = 0;
    for (int32_t y = 0; y < plain.height(); ++y) {
        for (int32_t x = 0; x < plain.width(); ++x) {
            const bool caption = y >= 110 && y < 121;
            const bool logo = x < 63 && y >= 124;
            if (caption || logo)
                continue;
            if (sorrel::raster::colorOf(scaled.get(x * scale, y * scale)) != sorrel::raster::colorOf(plain.get(x, y)) &&
                differing++ < 5)
                ADD_FAILURE() << "block of " << x << "," << y;
        }
    }
    EXPECT_EQ(differing, 0);
}

// A drag, a Ctrl+click and a wheel notch at device coordinates do what the
// same gesture does at 1x, with the host hearing begin and end.
TEST_P(ScaledEditor, GesturesAtDeviceCoordinates) {
    const int32_t s = GetParam();
    FakeHost host;
    PanelEffect effect(host.callback());
    ASSERT_TRUE(effect.gui->setContentScale(float(s)));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    const std::pair<int32_t, float> drags[] = {{5, 1.f}, {55, 0.5f}, {105, 0.f}, {30, 0.75f}};
    for (auto [y, expected] : drags) {
        host.calls.clear();
        press(effect.gui, {413 * s, 60 * s}, LeftButton, {{413 * s, y * s}});
        EXPECT_EQ(effect.values[19], expected) << y;
        ASSERT_EQ(host.callsOf(audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(host.callsOf(audioMasterBeginEdit)[0].index, 19);
        ASSERT_EQ(host.callsOf(audioMasterEndEdit).size(), 1u);
        EXPECT_EQ(host.callsOf(audioMasterEndEdit)[0].index, 19);
    }
    press(effect.gui, {413 * s + s - 1, 60 * s + s - 1}, LeftButton | ControlKey);
    EXPECT_EQ(effect.values[19], 0.5f);
    headless::script().buttons = {0};
    headless::wheel(windowOf(effect.gui), {413 * s, 60 * s}, 1.f);
    EXPECT_NEAR(effect.values[19], 0.6f, 1e-6f);
    effect.gui->close();
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaledEditor, ::testing::Values(1, 2, 3));

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
    for (bool hostResizes : {true, false}) {
        headless::reset();
        FakeHost host;
        host.answer(audioMasterCanDo, hostResizes ? 1 : 0);
        host.answer(audioMasterSizeWindow, hostResizes ? 1 : 0);
        auto effect = std::make_unique<EqualizerPlugin>(host.callback());
        auto *editor = static_cast<EqualizerVstEditor *>(effect->getEditor());
        ASSERT_TRUE(editor->open(&parentWindow));
        paint(editor);
        AEffect *record = effect->getAeffect();
        EXPECT_EQ(record->dispatcher(record, effVendorSpecific, EqualizerPlugin::kContentScaleIndex,
                                     EqualizerPlugin::kContentScaleValue, nullptr, 2.f),
                  1);
        ERect *rect = nullptr;
        record->dispatcher(record, effEditGetRect, 0, 0, &rect, 0);
        const int32_t s = hostResizes ? 2 : 1;
        EXPECT_EQ(rect->right, 710 * s) << hostResizes;
        EXPECT_EQ(picture(editor).width(), 710 * s);
        if (hostResizes) {
            const auto asked = host.callsOf(audioMasterSizeWindow);
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].index, 1420);
            EXPECT_EQ(asked[0].value, 334);
            idle(editor, 3);
            EXPECT_TRUE(sorrel::testimg::matchesGolden(picture(editor), "editor_fresh_2x"));
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
        int32_t scale;
    };
    static char unset[] = "SORREL_SCALE=", three[] = "SORREL_SCALE=3", nonsense[] = "SORREL_SCALE=nonsense";
    const Case cases[] = {{2.0, unset, 2}, {1.0, three, 3}, {2.0, nonsense, 1}, {1.5, unset, 2}, {0, unset, 1}};
    for (const Case &c : cases) {
        headless::reset();
        headless::script().desktopScale = c.desktop;
        putenv(c.user);
        PanelEffect effect;
        ERect *rect = nullptr;
        effect.gui->getRect(&rect);
        EXPECT_EQ(rect->right, 710 * c.scale) << c.desktop << " " << c.user;
        ASSERT_TRUE(effect.gui->open(&parentWindow));
        EXPECT_EQ(picture(effect.gui).width(), 710 * c.scale);
        effect.gui->close();
    }
    putenv(unset);
    headless::reset();
}

} // namespace
} // namespace sorrel::editortest
