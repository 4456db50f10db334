// Beyond the mouse: the readout, the typing field and the keyboard map, as
// one table of headless scenarios driven through the VST 2.4 editor's key
// calls and the window's pointer; and golden pictures of the focus mark, a
// readout and the field at 1x and 2x.
#include "editor/layout.h"
#include "editor/readout_view.h"
#include "editor_session.h"
#include "support/fake_host.h"
#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace sorrel::editortest {
namespace {

enum class Do {
    Key,         // a = virtual key, b = modifier
    Type,        // text, one character key each
    Click,       // a = entry; at the handle's row, so the value stays
    DoubleClick, // a = entry
    QuickClick,  // a = entry, b = extra buttons; within the double-click time of the last press
    Drag,        // a = entry, b = the pointer's row at the end
    Rest,        // the pointer on entry a for b milliseconds of idle passes
    Leave,       // the pointer off the window, then idle passes
    Idle,
};

struct Step {
    Do what;
    int32_t a = 0;
    int32_t b = 0;
    const char *text = nullptr;
    // Afterwards: the readout's text ("" hidden), the field's text ("" closed,
    // "!" refused); null checks nothing.
    const char *readout = nullptr;
    const char *field = nullptr;
};

struct Scenario {
    const char *name;
    std::vector<Step> steps;
    int32_t parameter; // looked at in the end
    float value;       // NAN: unchanged from 0.5
    size_t edits;      // begin/end pairs the host heard
};

constexpr float kDb = 1.f / 24; // one dB, normalised

Step key(int32_t virt, int32_t modifier = 0) { return {Do::Key, virt, modifier}; }

class EditorAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        ASSERT_TRUE(effect.gui->open(&parentWindow));
        paint(effect.gui);
        host.calls.clear();
    }
    void TearDown() override {
        effect.gui->close();
        headless::reset();
    }

    const ReadoutView *readout() const { return effect.gui->view().getReadout(); }
    const ValueField *field() const { return effect.gui->view().getValueField(); }

    void idleFor(int32_t milliseconds) {
        for (int32_t t = 0; t < milliseconds; t += 50) {
            headless::script().clock += 50;
            idle(effect.gui);
        }
    }

    void run(const Step &step) {
        auto *fader = static_cast<BandSlider *>(effect.gui->view().getControl(step.a));
        switch (step.what) {
        case Do::Key: {
            VstKeyCode code{0, static_cast<unsigned char>(step.a), static_cast<unsigned char>(step.b)};
            effect.gui->onKeyDown(code);
            effect.gui->onKeyUp(code);
            break;
        }
        case Do::Type:
            for (const char *c = step.text; *c; ++c) {
                VstKeyCode code{*c, 0, 0};
                effect.gui->onKeyDown(code);
            }
            break;
        case Do::Click:
        case Do::QuickClick:
        case Do::DoubleClick: {
            const CPoint at(centerOf(effect.gui, step.a).x, fader->handleRow() - 1);
            press(effect.gui, at, LeftButton | step.b, {}, step.what == Do::QuickClick);
            if (step.what == Do::DoubleClick)
                press(effect.gui, at, LeftButton, {}, true);
            break;
        }
        case Do::Drag: {
            const CPoint at = centerOf(effect.gui, step.a);
            press(effect.gui, at, LeftButton, {{at.x, step.b}});
            break;
        }
        case Do::Rest:
            headless::script().pointer = {{centerOf(effect.gui, step.a).x, centerOf(effect.gui, step.a).y}};
            idleFor(step.b);
            break;
        case Do::Leave:
            headless::script().pointer = {{-40, -40}};
            idleFor(300);
            break;
        case Do::Idle:
            idle(effect.gui);
            break;
        }
    }

    FakeHost host;
    PanelEffect effect{host.callback()};
};

TEST_F(EditorAccess, Scenarios) {
    const float nan = NAN;
    const Scenario scenarios[] = {
        // Readouts.
        {"a rest of half a second shows the readout, leaving hides it",
         {{Do::Rest, 19, 300, nullptr, ""}, {Do::Rest, 19, 300, nullptr, "0.0 dB"}, {Do::Leave, 0, 0, nullptr, ""}},
         19, nan, 0},
        {"moving to another fader starts the rest again",
         {{Do::Rest, 5, 600, nullptr, "0.0 dB"}, {Do::Rest, 6, 200, nullptr, ""}, {Do::Rest, 6, 400, nullptr, "0.0 dB"}},
         5, nan, 0},
        {"a drag shows the value while it lasts, and no longer",
         {{Do::Drag, 19, 30, nullptr, "6.0 dB"}, {Do::Idle, 0, 0, nullptr, ""}}, 19, 0.75f, 1},
        {"Q reads as its setting", {{Do::Drag, 1, 30, nullptr, "Q 0.75"}}, 1, 0.75f, 1},
        // Typing.
        {"a Ctrl+click between two quick clicks ends the pair: no field",
         {{Do::Click, 19}, {Do::QuickClick, 19, ControlKey}, {Do::QuickClick, 19, 0, nullptr, nullptr, ""}}, 19, nan,
         3},
        {"double click, type, Enter: one edit with the parsed value",
         {{Do::DoubleClick, 19, 0, nullptr, nullptr, "0.0 dB"},
          {Do::Type, 0, 0, "-6dB", nullptr, "-6dB"},
          key(VirtualKeyReturn),
          {Do::Idle, 0, 0, nullptr, nullptr, ""}},
         19, 0.5f - 6 * kDb, 2},
        {"Enter on the focused fader opens the field; a decimal comma",
         {key(VirtualKeyTab), key(VirtualKeyReturn), {Do::Type, 0, 0, "3,5"}, key(VirtualKeyEnter)},
         0, 0.5f + 3.5f * kDb, 1},
        {"beyond the range clamps",
         {key(VirtualKeyTab), key(VirtualKeyReturn), {Do::Type, 0, 0, "+40"}, key(VirtualKeyReturn)}, 0, 1.f, 1},
        {"Escape changes nothing",
         {{Do::DoubleClick, 19}, {Do::Type, 0, 0, "9"}, {Do::Key, VirtualKeyEscape, 0, nullptr, nullptr, ""}},
         19, nan, 1},
        {"text that is no value changes nothing and says so",
         {key(VirtualKeyTab), key(VirtualKeyReturn), {Do::Type, 0, 0, "loud"},
          {Do::Key, VirtualKeyReturn, 0, nullptr, nullptr, "!"}, {Do::Type, 0, 0, "2", nullptr, "2"},
          {Do::Key, VirtualKeyEscape, 0, nullptr, nullptr, ""}},
         0, nan, 0},
        {"a click elsewhere cancels",
         {{Do::DoubleClick, 19}, {Do::Type, 0, 0, "9"}, {Do::Click, 5, 0, nullptr, nullptr, ""}}, 19, nan, 2},
        // The keyboard map.
        {"Tab, then arrows by 0.5 dB", {key(VirtualKeyTab), key(VirtualKeyUp), key(VirtualKeyRight)}, 0, 0.5f + kDb, 2},
        {"Shift for 0.1 dB", {key(VirtualKeyTab), key(VirtualKeyDown, ModifierShift)}, 0, 0.5f - 0.1f * kDb, 1},
        {"Page Up and Down by 3 dB",
         {key(VirtualKeyTab), key(VirtualKeyPageUp), key(VirtualKeyPageUp), key(VirtualKeyPageDown)}, 0,
         0.5f + 3 * kDb, 3},
        {"Home and End, the range's ends", {key(VirtualKeyTab), key(VirtualKeyEnd)}, 0, 1.f, 1},
        {"Home", {key(VirtualKeyTab), key(VirtualKeyHome), key(VirtualKeyHome)}, 0, 0.f, 1},
        {"Delete and Backspace, the default",
         {key(VirtualKeyTab), key(VirtualKeyEnd), key(VirtualKeyDelete), key(VirtualKeyEnd), key(VirtualKeyBack)}, 0,
         0.5f, 4},
        {"Q steps 0.05", {key(VirtualKeyTab), key(VirtualKeyTab), key(VirtualKeyUp)}, 1, 0.55f, 1},
        {"Shift+Tab from nothing reaches the last switch, the response; Space toggles it",
         {key(VirtualKeyTab, ModifierShift), key(VirtualKeySpace)}, kResponseParameter, 1.f, 1},
        {"Space twice", {key(VirtualKeyTab, ModifierShift), key(VirtualKeySpace), key(VirtualKeySpace)},
         kResponseParameter, 0.f, 2},
        {"the meter switch before it",
         {key(VirtualKeyTab, ModifierShift), key(VirtualKeyTab, ModifierShift), key(VirtualKeySpace)}, 35, 0.f, 1},
        {"Space does nothing to a fader", {key(VirtualKeyTab), key(VirtualKeySpace)}, 0, nan, 0},
    };
    for (const Scenario &s : scenarios) {
        SCOPED_TRACE(s.name);
        TearDown();
        effect.values.fill(0.5f);
        effect.values[34] = effect.values[35] = 1.f;
        effect.values[kResponseParameter] = 0.f;
        SetUp();
        for (size_t i = 0; i < s.steps.size(); ++i) {
            const Step &step = s.steps[i];
            run(step);
            if (step.readout) {
                const bool shown = readout() && readout()->isShown();
                EXPECT_EQ(shown, *step.readout != 0) << "step " << i;
                if (shown) {
                    EXPECT_STREQ(readout()->getText(), step.readout) << "step " << i;
                }
            }
            if (step.field) {
                const bool open = field() && field()->isOpen();
                EXPECT_EQ(open, *step.field != 0) << "step " << i;
                if (open && std::string(step.field) == "!") {
                    EXPECT_TRUE(field()->isRefused()) << "step " << i;
                } else if (open) {
                    EXPECT_STREQ(field()->getText(), step.field) << "step " << i;
                }
            }
        }
        const float expected = std::isnan(s.value) ? kParameters[s.parameter].defaultValue : s.value;
        EXPECT_NEAR(effect.values[static_cast<size_t>(s.parameter)], expected, 1e-6f);
        EXPECT_EQ(host.callsOf(audioMasterBeginEdit).size(), s.edits);
        EXPECT_EQ(host.callsOf(audioMasterEndEdit).size(), s.edits);
    }
}

// Focus shows once a key is used, never after a click or in a fresh editor.
TEST_F(EditorAccess, FocusMarkFollowsTheKeyboardOnly) {
    CFrame *frame = effect.gui->getFrame();
    EXPECT_FALSE(frame->isFocusVisible());
    press(effect.gui, centerOf(effect.gui, 19), LeftButton);
    EXPECT_EQ(frame->getFocusView(), effect.gui->view().getControl(19)) << "a drag takes the focus";
    EXPECT_FALSE(frame->isFocusVisible());
    run(key(VirtualKeyUp));
    EXPECT_TRUE(frame->isFocusVisible());
    run({Do::Click, 5});
    EXPECT_FALSE(frame->isFocusVisible());
    VstKeyCode unknown{0, 50, 0};
    EXPECT_FALSE(effect.gui->onKeyDown(unknown));
    EXPECT_FALSE(frame->isFocusVisible()) << "a key nobody took shows nothing";
}

// What a screen reader finds: each fader a slider, each switch a check
// button, named by the parameter's full name; a value set through it is one
// edit the host hears as automation; focus and value changes are told.
TEST_F(EditorAccess, ScreenReaderContent) {
    using platform::AccessibleEvent;
    using platform::AccessibleRole;
    platform::AccessibleContent *content = headless::accessibleContent(windowOf(effect.gui));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->accessibleCount(), layout::kNumControls);
    struct Row {
        int32_t index;
        AccessibleRole role;
        const char *name, *value;
        bool checked;
        raster::Rect area;
    };
    const Row rows[] = {
        {0, AccessibleRole::Slider, "Input gain", "0.0 dB", false, {5, 3, 21, 109}},
        {1, AccessibleRole::Slider, "Bandwidth (Q)", "Q 0.50", false, {35, 3, 51, 109}},
        {19, AccessibleRole::Slider, "440 Hz", "0.0 dB", false, {405, 3, 421, 109}},
        {33, AccessibleRole::Slider, "Output gain", "0.0 dB", false, {691, 3, 707, 109}},
        {34, AccessibleRole::CheckButton, "Meters before band gain", "On", true, {691, 125, 703, 131}},
    };
    for (const Row &row : rows) {
        platform::AccessibleItem item;
        ASSERT_TRUE(content->accessibleItem(row.index, item)) << row.index;
        EXPECT_EQ(item.role, row.role) << row.index;
        EXPECT_STREQ(item.name, row.name);
        EXPECT_STREQ(item.value, row.value);
        EXPECT_EQ(item.checked, row.checked) << row.index;
        EXPECT_EQ(item.area.left, row.area.left) << row.index;
        EXPECT_EQ(item.area.bottom, row.area.bottom) << row.index;
    }
    platform::AccessibleItem untouched;
    EXPECT_FALSE(content->accessibleItem(layout::kNumControls, untouched));
    EXPECT_FALSE(content->accessibleItem(-1, untouched));

    auto &events = headless::state(windowOf(effect.gui))->accessibleEvents;
    events.clear();
    EXPECT_TRUE(content->setAccessibleValue(19, "-6 dB"));
    EXPECT_FALSE(content->setAccessibleValue(19, "loud"));
    EXPECT_TRUE(content->doAccessibleAction(34));
    EXPECT_FALSE(content->doAccessibleAction(19)) << "a fader has no action";
    EXPECT_TRUE(content->focusAccessible(33));
    idle(effect.gui);
    EXPECT_EQ(effect.values[19], 0.25f);
    EXPECT_EQ(effect.values[34], 0.f);
    const auto automated = host.callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 2u);
    EXPECT_EQ(automated[0].index, 19);
    EXPECT_EQ(automated[0].opt, 0.25f);
    EXPECT_EQ(host.callsOf(audioMasterBeginEdit).size(), 2u);
    EXPECT_EQ(host.callsOf(audioMasterEndEdit).size(), 2u);
    using Told = std::pair<AccessibleEvent, int32_t>;
    EXPECT_EQ(events, (std::vector<Told>{{AccessibleEvent::ValueChange, 19},
                                          {AccessibleEvent::ValueChange, 34},
                                          {AccessibleEvent::Focus, 33}}));

    // A closed editor has nothing to tell.
    platform::Window *window = windowOf(effect.gui);
    effect.gui->close();
    EXPECT_EQ(headless::accessibleContent(window), nullptr);
}

// The pictures: the focus ring on a band fader and on a switch's lamp with a
// readout resting beside another fader, and the field with a typed value.
class AccessPicture : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }
};

TEST_P(AccessPicture, FocusReadoutAndField) {
    const int32_t s = GetParam();
    const std::string suffix = s == 1 ? "" : "_" + std::to_string(s) + "x";
    PanelEffect effect;
    effect.values[19] = 0.7f;
    effect.values[32] = 0.9f; // the rightmost band: its readout goes to the left
    ASSERT_TRUE(effect.gui->setContentScale(float(s)));
    ASSERT_TRUE(effect.gui->open(&parentWindow));
    paint(effect.gui);
    for (int i = 0; i < 20; ++i) {
        VstKeyCode tab{0, VirtualKeyTab, 0};
        effect.gui->onKeyDown(tab);
    }
    const CPoint rest = centerOf(effect.gui, 32);
    headless::script().pointer = {{rest.x * s, rest.y * s}};
    for (int i = 0; i < 12; ++i) {
        headless::script().clock += 50;
        idle(effect.gui);
    }
    EXPECT_TRUE(testimg::matchesGolden(picture(effect.gui), "editor_focus_readout" + suffix));

    headless::script().pointer = {{-40, -40}};
    headless::script().clock += 200;
    idle(effect.gui);
    VstKeyCode enter{0, VirtualKeyReturn, 0};
    effect.gui->onKeyDown(enter);
    for (char c : std::string("-6,5")) {
        VstKeyCode typed{c, 0, 0};
        effect.gui->onKeyDown(typed);
    }
    idle(effect.gui, 3);
    EXPECT_TRUE(testimg::matchesGolden(picture(effect.gui), "editor_value_field" + suffix));
    effect.gui->close();
}

INSTANTIATE_TEST_SUITE_P(Scales, AccessPicture, ::testing::Values(1, 2));

} // namespace
} // namespace sorrel::editortest
