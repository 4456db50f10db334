// The whole editor as the headless window shows it, compared pixel for
// pixel with tests/golden/editor_*.png.
#include "editor_session.h"
#include "vst2/plugin/equalizer_plugin.h"
#include "support/fake_host.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <memory>

namespace sorrel::editortest {
namespace {

class EditorPicture : public ::testing::Test {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }

    // Levels that differ per band, channel and side, from silence to full.
    static void fillLevels(PanelEffect &effect) {
        for (int b = 0; b < 31; ++b) {
            effect.pre[0][b] = b / 30.f;
            effect.pre[1][b] = 1.f - b / 30.f;
            effect.post[0][b] = (b % 8) / 7.f;
            effect.post[1][b] = 0.5f;
        }
    }
};

TEST_F(EditorPicture, FreshEffect) {
    // Faders at 0.5 (no bars, handles in the middle), switches on, meters
    // dark until audio runs.
    FakeHost host;
    auto effect = std::make_unique<sorrel::EqualizerPlugin>(host.callback());
    auto *editor = static_cast<EqualizerVstEditor *>(effect->getEditor());
    ASSERT_TRUE(editor->open(&parentWindow));
    paint(editor);
    idle(editor, 3);
    EXPECT_TRUE(testimg::matchesGolden(picture(editor), "editor_fresh"));
    editor->close();
}

TEST_F(EditorPicture, FadersAtManyValues) {
    PanelEffect effect;
    for (int i = 0; i < 34; ++i)
        effect.values[i] = static_cast<float>(i % 11) / 10.f;
    effect.values[20] = 0.75f;
    effect.values[21] = 0.51f;
    effect.values[22] = 0.49f;
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    EXPECT_TRUE(testimg::matchesGolden(picture(effect.gui), "editor_faders"));
}

TEST_F(EditorPicture, MetersAtGivenLevels) {
    PanelEffect effect;
    fillLevels(effect);
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    idle(effect.gui);
    EXPECT_TRUE(testimg::matchesGolden(picture(effect.gui), "editor_meters"));
}

TEST_F(EditorPicture, InSwitchOff) {
    // The "In" meters fall dark and their switch dims; the "Out" meters run on.
    PanelEffect effect;
    fillLevels(effect);
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    idle(effect.gui);
    press(effect.gui, centerOf(effect.gui, 34), LeftButton);
    idle(effect.gui, 11);
    EXPECT_EQ(effect.values[34], 0.f);
    EXPECT_TRUE(testimg::matchesGolden(picture(effect.gui), "editor_in_off"));
}

} // namespace
} // namespace sorrel::editortest
