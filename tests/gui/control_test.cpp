// The control base (dirty rule, reset to default, range, double clicks) and
// the on/off button, whose click runs the frame's idle pass.
#include "gui/drawing/drawcontext.h"
#include "gui/controls/onoffbutton.h"
#include "gui/controls/slider.h"

#include "control_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace sorrel {

namespace {

TEST(Control, DirtyRuleComparesWithTheValueLastDrawn) {
    ScriptedEnvironment env;
    CControl *control = new CControl(CRect(0, 0, 10, 10), nullptr, 0);
    EXPECT_TRUE(control->isDirty()) << "new, never drawn";
    EXPECT_EQ(control->getOldValue(), -1.f);
    control->setDirty(false); // what every draw ends with
    EXPECT_FALSE(control->isDirty());
    control->setValue(0.f);
    EXPECT_FALSE(control->isDirty()) << "the value last drawn";
    control->setValue(0.3f);
    EXPECT_TRUE(control->isDirty()) << "another value";
    control->setDirty(false);
    control->setValue(-1.f);
    control->setDirty(true);
    EXPECT_EQ(control->getOldValue(), 0.f) << "differs from value -1 all the same";
    EXPECT_TRUE(control->isDirty());
    control->forget();
}

TEST(Control, ClampValue) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct { float in, out; } cases[] = {{1.25f, 1.f}, {-0.5f, 0.f}, {0.3f, 0.3f}, {nan, 0.f}};
    ScriptedEnvironment env;
    CControl *control = new CControl(CRect(0, 0, 10, 10), nullptr, 0);
    for (const auto &c : cases) {
        control->setValue(c.in);
        control->clampValue();
        EXPECT_EQ(control->getValue(), c.out) << c.in;
    }
    control->forget();
}

TEST(Control, ResetToDefaultNeedsExactlyLeftAndCtrl) {
    const struct {
        int32_t buttons;
        bool clean;
        float initial;
        bool reset;
        float after;
        EventLog log;
    } cases[] = {
        {LeftButton | ControlKey | ShiftKey, true, 0.2f, false, 0.2f, {}},
        {ControlKey, true, 0.2f, false, 0.2f, {}},
        {LeftButton | ControlKey, true, 0.2f, true, 0.5f, {"changed 0.50"}},
        // Already at the default and drawn: nothing to report.
        {LeftButton | ControlKey, true, 0.5f, true, 0.5f, {}},
        {LeftButton | ControlKey, false, 0.5f, true, 0.5f, {"changed 0.50"}},
    };
    for (const auto &c : cases) {
        ScriptedEnvironment env;
        EventLog log;
        LoggingListener listener(log);
        CControl *control = new CControl(CRect(0, 0, 10, 10), &listener, 0);
        control->setValue(c.initial);
        if (c.clean)
            control->setDirty(false);
        EXPECT_EQ(control->tryResetToDefault(nullptr, c.buttons), c.reset) << c.buttons;
        EXPECT_EQ(control->getValue(), c.after) << c.buttons;
        EXPECT_EQ(log, c.log) << c.buttons;
        control->forget();
    }
}

TEST(Control, DoubleClicks) {
    // Each read of the clock moves it 100 ms on; clicks are 100 ms apart.
    for (uint32_t start :
         {1000u, 0xffffffc0u /* wraps between clicks */, 0x90000000u /* past the sign bit */}) {
        ScriptedEnvironment env;
        env.script.doubleClick = 500;
        env.script.clock = start;
        env.script.clockStep = 100;
        CControl *control = new CControl(CRect(0, 0, 10, 10), nullptr, 0);
        EXPECT_FALSE(control->isDoubleClick()) << start;
        EXPECT_TRUE(control->isDoubleClick()) << start;
        EXPECT_FALSE(control->isDoubleClick()) << start << ": a third click starts anew";
        env.script.clock += 500; // 600 ms after the third
        EXPECT_FALSE(control->isDoubleClick()) << start << ": too slow";
        control->forget();
    }
    ScriptedEnvironment env;
    env.script.doubleClick = 100;
    CControl *control = new CControl(CRect(0, 0, 10, 10), nullptr, 0);
    env.script.clockStep = 200;
    control->isDoubleClick();
    EXPECT_TRUE(control->isDoubleClick()) << "shorter system times count as 250 ms";
    control->forget();
}

// Clicks through the frame's window on a button with tag 3. The first entry
// of buttons is what the frame reads for the press; "idle" is the idle pass
// in which the button is redrawn.
TEST(OnOffButton, ClicksThroughTheFrame) {
    const struct {
        const char *name;
        int32_t style;
        int32_t buttons;
        int32_t modifierAnswer;
        float initial;
        float after;
        EventLog log;
    } cases[] = {
        {"after idle",
         NotifyAfterIdle,
         LeftButton,
         0,
         0.f,
         1.f,
         {"idle", "begin 3", "changed 1.00", "end 3"}},
        {"before idle",
         NotifyBeforeIdle,
         LeftButton,
         0,
         0.f,
         1.f,
         {"begin 3", "changed 1.00", "end 3", "idle"}},
        {"no notification", 2, LeftButton, 0, 1.f, 0.f, {"idle"}},
        {"half counts as off",
         NotifyAfterIdle,
         LeftButton,
         0,
         0.5f,
         1.f,
         {"idle", "begin 3", "changed 1.00", "end 3"}},
        {"minus one counts as on",
         NotifyAfterIdle,
         LeftButton,
         0,
         -1.f,
         0.f,
         {"idle", "begin 3", "changed 0.00", "end 3"}},
        {"ctrl click flips",
         NotifyAfterIdle,
         LeftButton | ControlKey,
         0,
         0.f,
         1.f,
         {"modifier", "idle", "begin 3", "changed 1.00", "end 3"}},
        {"ctrl click taken by the listener",
         NotifyAfterIdle,
         LeftButton | ControlKey,
         1,
         0.f,
         0.f,
         {"modifier"}},
        {"right click", NotifyAfterIdle, RightButton | ControlKey, 0, 0.f, 0.f, {}},
    };
    for (const auto &c : cases) {
        FramedControls env;
        env.listener.modifierAnswer = c.modifierAnswer;
        COnOffButton *button = new COnOffButton(CRect(10, 10, 30, 30), &env.listener, 3, nullptr, c.style);
        button->setValue(c.initial);
        env.frame()->addView(button);
        env.press(CPoint(20, 20), {c.buttons, 0});
        EXPECT_EQ(button->getValue(), c.after) << c.name;
        EXPECT_EQ(env.log, c.log) << c.name;
        if (std::find(c.log.begin(), c.log.end(), "idle") != c.log.end()) {
            EXPECT_FALSE(button->isDirty()) << c.name << ": redrawn in the idle pass";
        }
    }
}

TEST(OnOffButton, TwoClicksComeBackWithTwoNotifications) {
    FramedControls env;
    COnOffButton *button = new COnOffButton(CRect(10, 10, 30, 30), &env.listener, 3, nullptr);
    env.frame()->addView(button);
    EventLog heard;
    for (int i = 0; i < 2; i++) {
        env.press(CPoint(20, 20), {LeftButton, 0});
        heard.insert(heard.end(), env.log.begin(), env.log.end());
    }
    EXPECT_EQ(button->getValue(), 0.f);
    EXPECT_EQ(heard, (EventLog{"idle", "begin 3", "changed 1.00", "end 3", "idle", "begin 3", "changed 0.00",
                               "end 3"}));
}

TEST(OnOffButton, FaceIsTheUpperOrLowerHalfOfTheBackground) {
    const raster::Pixel off = raster::rgb(10, 20, 30), on = raster::rgb(200, 100, 50);
    ScriptedEnvironment env;
    CBitmap *face = solidBitmap(20, 40, off);
    for (int32_t y = 20; y < 40; y++)
        for (int32_t x = 0; x < 20; x++)
            face->getHandle()->row(y)[x] = on;
    const struct {
        float value;
        raster::Pixel shown;
    } cases[] = {{0.f, off}, {1.f, on}, {0.5f, on}, {-1.f, on}};
    for (const auto &c : cases) {
        COnOffButton *button = new COnOffButton(CRect(5, 5, 25, 25), nullptr, 0, face);
        button->setValue(c.value);
        raster::Surface surface(30, 30, 0);
        raster::Canvas canvas(&surface);
        CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
        button->draw(context);
        EXPECT_EQ(surface.row(5)[5], c.shown) << c.value;
        EXPECT_EQ(surface.row(24)[24], c.shown) << c.value;
        EXPECT_EQ(surface.row(25)[25], 0u) << c.value;
        EXPECT_FALSE(button->isDirty());
        context->forget();
        button->forget();
    }
    face->forget();
}

// The host closes the editor, or deletes it with the effect, from inside the
// idle work that a gesture runs: the gesture ends there, the frame goes when
// the press has been handled, and nothing reaches an editor that is gone.
TEST(Controls, HostEndsTheEditorDuringAGesture) {
    const struct {
        LoggingOwner::IdleAction action;
        bool slider;
        EventLog log;
    } cases[] = {
        {LoggingOwner::Close, true, {"begin 7", "changed 0.23", "idle", "end 7"}},
        {LoggingOwner::Delete, true, {"begin 7", "changed 0.23", "idle"}},
        {LoggingOwner::Close, false, {"idle"}},
        {LoggingOwner::Delete, false, {"idle"}},
    };
    for (const auto &c : cases) {
        FramedControls env;
        CControl *control;
        if (c.slider)
            control = new CSlider(CRect(0, 3, 20, 109), &env.listener, 7, 3, 103, nullptr, nullptr, CPoint(),
                                  Vertical | MinAtTop);
        else
            control = new COnOffButton(CRect(0, 3, 20, 109), &env.listener, 7, nullptr);
        env.frame()->addView(control);
        env.owner->onIdle = c.action;
        // The button would still be held: only the end of the editor stops.
        env.press(CPoint(10, 25), {LeftButton, LeftButton});
        EXPECT_EQ(env.log, c.log) << c.action << (c.slider ? " slider" : " button");
        EXPECT_TRUE(platform::headless::windows().empty());
    }
}

} // namespace

} // namespace sorrel
