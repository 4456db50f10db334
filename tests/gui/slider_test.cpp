// The slider: where a press puts the value, the drag loop with its fine mode
// and edit bracket, wheel and arrow steps, and where the handle is drawn.
#include "gui/drawing/drawcontext.h"
#include "gui/controls/slider.h"

#include "control_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sorrel {

namespace {

constexpr raster::Pixel kBack = raster::rgb(40, 40, 40);
constexpr raster::Pixel kHandle = raster::rgb(250, 250, 250);

// A vertical slider 20 x 106 at top 3 with a handle 6 high: travel 100, and
// a free click puts the handle's middle at the pointer (reference y 5).
// A horizontal one 100 x 10 at left 20 with a handle 10 wide: travel 80,
// reference x 24. Built either way, the geometry is the same.
CSlider *makeSlider(int32_t style, bool byTravel, ControlListener *listener = nullptr, int32_t tag = 7) {
    const bool horizontal = style & Horizontal;
    CBitmap *handle = horizontal ? solidBitmap(10, 10, kHandle) : solidBitmap(20, 6, kHandle);
    const CRect size = horizontal ? CRect(20, 0, 120, 10) : CRect(0, 3, 20, 109);
    CSlider *slider = byTravel ? new CSlider(size, listener, tag, CPoint(0, 0), horizontal ? 90 : 106, handle,
                                             nullptr, CPoint(0, 0), style)
                               : new CSlider(size, listener, tag, horizontal ? 20 : 3, horizontal ? 100 : 103,
                                             handle, nullptr, CPoint(0, 0), style);
    handle->forget();
    return slider;
}

TEST(Slider, APressPutsTheValueUnderThePointer) {
    struct Case {
        int32_t style;
        int32_t at; // along the axis
        float expected;
    } cases[] = {
        {Vertical | MinAtBottom, 5, 1.f},     {Vertical | MinAtBottom, 55, 0.5f},
        {Vertical | MinAtBottom, 105, 0.f},   {Vertical | MinAtBottom, 150, 0.f}, // clamped
        {Vertical | MinAtBottom, 0, 1.f},                                         // clamped
        {Vertical | MinAtTop, 30, 0.25f},     {Horizontal | MinAtLeft, 24, 0.f},
        {Horizontal | MinAtLeft, 64, 0.5f},   {Horizontal | MinAtLeft, 200, 1.f},
        {Horizontal | MinAtRight, 44, 0.75f},
    };
    for (bool byTravel : {true, false}) {
        for (const Case &c : cases) {
            ScriptedEnvironment env;
            env.script.buttons = {LeftButton, 0};
            CDrawContext *context = new CDrawContext(&env, nullptr, nullptr);
            CSlider *slider = makeSlider(c.style, byTravel);
            CPoint where = c.style & Horizontal ? CPoint(c.at, 5) : CPoint(10, c.at);
            slider->mouse(context, where, LeftButton);
            EXPECT_FLOAT_EQ(slider->getValue(), c.expected)
                << "style " << c.style << " at " << c.at << (byTravel ? " by travel" : " by positions");
            slider->forget();
            context->forget();
        }
    }
}

TEST(Slider, ShiftDividesTheMovementFromWhereItWentDown) {
    // Value = (y - 5) / 100 without Shift. The loop reads the buttons at the
    // start of each pass and the pointer at its end; the first pass uses the
    // press at y 25.
    ScriptedEnvironment env;
    env.script.buttons = {LeftButton,
                          LeftButton,
                          LeftButton | ShiftKey, // reference 0.20: 50 pixels down give 0.05
                          LeftButton | ShiftKey,
                          LeftButton, // Shift up: absolute again
                          LeftButton,
                          LeftButton | ShiftKey, // Shift again: reference 0.70
                          0};
    env.setPointer({{10, 25}, {10, 75}, {10, 75}, {10, 75}, {10, 75}, {10, 25}});
    EventLog log;
    LoggingListener listener(log);
    CDrawContext *context = new CDrawContext(&env, nullptr, nullptr);
    CSlider *slider = makeSlider(Vertical | MinAtTop, true, &listener);
    CPoint where(10, 25);
    slider->mouse(context, where, LeftButton);
    // Never drawn, the slider stays dirty: every pass reports.
    EXPECT_EQ(log, (EventLog{"changed 0.20", "changed 0.20", "changed 0.25", "changed 0.25", "changed 0.70",
                             "changed 0.70", "changed 0.65"}));
    slider->forget();
    context->forget();
}

// Gestures through the frame's window on a vertical slider (value 0 at the
// top) with tag 7: what the listener and the editor hear, in order. The first
// entry of buttons is what the frame reads for the press.
TEST(Slider, GesturesThroughTheFrame) {
    struct Case {
        const char *name;
        bool freeClick;
        float initial;
        int32_t pressY;
        std::vector<int32_t> buttons;
        std::vector<CPoint> pointer;
        float expected;
        EventLog log;
    } cases[] = {
        {"drag",
         true,
         0.f,
         25,
         {LeftButton, LeftButton, LeftButton, LeftButton, 0},
         {{10, 45}, {10, 45}},
         0.4f,
         {"begin 7", "changed 0.20", "idle", "changed 0.40", "idle", "idle", "end 7"}},
        // Taking the focus marks the slider dirty, so the first pass reports
        // although nothing moved; once redrawn, unchanged passes do not.
        {"press without moving",
         true,
         0.2f,
         25,
         {LeftButton, LeftButton, LeftButton, 0},
         {{10, 25}},
         0.2f,
         {"begin 7", "changed 0.20", "idle", "idle", "end 7"}},
        {"ctrl click resets without a drag",
         true,
         0.2f,
         60,
         {LeftButton | ControlKey, LeftButton | ControlKey, 0},
         {{10, 90}},
         0.5f,
         {"modifier", "begin 7", "changed 0.50", "end 7"}},
        {"ctrl shift drags in fine mode",
         true,
         0.2f,
         75,
         {LeftButton | ControlKey | ShiftKey, LeftButton | ControlKey | ShiftKey, 0},
         {{10, 75}},
         0.25f,
         {"modifier", "begin 7", "changed 0.25", "idle", "end 7"}},
        {"right button", true, 0.2f, 60, {RightButton, RightButton, 0}, {{10, 90}}, 0.2f, {}},
        // Pressed and released before the press is handled: the frame reads
        // the press itself, the loop finds the button up at once.
        {"a quick click sets the value at the press",
         true,
         0.2f,
         65,
         {LeftButton, 0},
         {{10, 65}},
         0.6f,
         {"begin 7", "changed 0.60", "idle", "end 7"}},
        {"a quick ctrl click resets",
         true,
         0.2f,
         65,
         {LeftButton | ControlKey, 0},
         {{10, 65}},
         0.5f,
         {"modifier", "begin 7", "changed 0.50", "end 7"}},
        // Handle of value 0.2 covers y 23..29.
        {"outside the handle without free click",
         false,
         0.2f,
         60,
         {LeftButton, LeftButton, 0},
         {{10, 90}},
         0.2f,
         {}},
        {"the handle keeps its grip point",
         false,
         0.2f,
         28,
         {LeftButton, LeftButton, LeftButton, 0},
         {{10, 38}, {10, 38}},
         0.3f,
         {"begin 7", "changed 0.20", "idle", "changed 0.30", "idle", "end 7"}},
    };
    for (const Case &c : cases) {
        FramedControls env;
        CSlider *slider = makeSlider(Vertical | MinAtTop, true, &env.listener);
        slider->setFreeClick(c.freeClick);
        slider->setValue(c.initial);
        env.frame()->addView(slider);
        env.setPointer(c.pointer);
        env.press(CPoint(10, c.pressY), c.buttons);
        EXPECT_FLOAT_EQ(slider->getValue(), c.expected) << c.name;
        EXPECT_EQ(env.log, c.log) << c.name;
    }
}

// While a drag holds the mouse, a wheel notch, a press on a neighbour and a
// key reach nobody: the drag's bracket is the only one. Afterwards the
// neighbour takes the wheel again.
TEST(Slider, OneGestureAtATime) {
    FramedControls env;
    CSlider *dragged = makeSlider(Vertical | MinAtTop, true, &env.listener, 7);
    CSlider *neighbour = new CSlider(CRect(40, 3, 60, 109), &env.listener, 8, 3, 103, nullptr, nullptr, CPoint(),
                                     Vertical | MinAtTop);
    neighbour->setValue(0.5f);
    env.frame()->addView(dragged);
    env.frame()->addView(neighbour);
    env.owner->duringIdle = [&] {
        namespace headless = platform::headless;
        headless::wheel(env.window, {50, 50}, 1.f);
        headless::press(env.window, {50, 90});
        CKeyCode up{0, VirtualKeyUp, 0};
        env.frame()->onKeyDown(up);
    };
    env.setPointer({{10, 45}});
    env.press(CPoint(10, 25), {LeftButton, LeftButton, LeftButton, 0});
    EXPECT_EQ(env.log, (EventLog{"begin 7", "changed 0.20", "idle", "changed 0.40", "idle", "end 7"}));
    EXPECT_EQ(neighbour->getValue(), 0.5f);

    env.owner->duringIdle = nullptr;
    env.log.clear();
    platform::headless::wheel(env.window, {50, 50}, 1.f);
    EXPECT_EQ(env.log, (EventLog{"begin 8", "changed 0.60", "end 8"}));
}

TEST(Slider, WheelAndArrowSteps) {
    enum Input { Wheel, Key };
    struct Case {
        Input input;
        float amount; // wheel distance, or the virtual key
        bool shift;
        float initial;
        float expected;
        int32_t answer; // keys: 1 handled, -1 not
    } cases[] = {
        {Wheel, 1.f, false, 0.5f, 0.6f, 1},          {Wheel, 1.f, true, 0.5f, 0.51f, 1},
        {Wheel, -2.f, false, 0.5f, 0.3f, 1},         {Wheel, 1.f, false, 0.95f, 1.f, 1},
        {Key, VirtualKeyUp, false, 0.95f, 1.f, 1},   {Key, VirtualKeyRight, false, 0.5f, 0.6f, 1},
        {Key, VirtualKeyDown, false, 0.05f, 0.f, 1}, {Key, VirtualKeyLeft, true, 0.5f, 0.49f, 1},
        {Key, VirtualKeyTab, false, 0.5f, 0.5f, -1},
    };
    for (const Case &c : cases) {
        ScriptedEnvironment env;
        env.script.buttons = {c.shift ? ShiftKey : 0};
        EventLog log;
        LoggingListener listener(log);
        CDrawContext *context = new CDrawContext(&env, nullptr, nullptr);
        // Orientation plays no part: up and right always raise the value.
        CSlider *slider = makeSlider(Vertical | MinAtBottom, true, &listener);
        slider->setValue(c.initial);
        slider->setDirty(false);
        if (c.input == Wheel) {
            EXPECT_TRUE(slider->onWheel(context, CPoint(10, 50), c.amount));
        } else {
            CKeyCode key;
            key.virt = static_cast<uint8_t>(c.amount);
            key.modifier = c.shift ? ModifierShift : 0;
            EXPECT_EQ(slider->onKeyDown(key), c.answer);
        }
        EXPECT_NEAR(slider->getValue(), c.expected, 1e-6) << c.input << " " << c.amount;
        EXPECT_EQ(log.size(), c.expected != c.initial ? 1u : 0u) << c.input << " " << c.amount;
        slider->forget();
        context->forget();
    }
}

// The first row of the handle in column 10, drawn straight into a context
// (detached) or composed in the slider's own surface (attached to a frame).
TEST(Slider, HandlePositionFollowsTheValue) {
    struct Case {
        int32_t style;
        float value;
        int32_t firstRow;
    } cases[] = {
        {Vertical | MinAtBottom, 1.f, 3},
        {Vertical | MinAtBottom, 0.5f, 53},
        {Vertical | MinAtBottom, 0.f, 103},
        {Vertical | MinAtTop, 0.25f, 28},
        {Vertical | MinAtTop, -0.5f, 3}, // the leading clamp holds it
        // Whatever a host sets, the handle is drawn within the control or
        // not at all.
        {Vertical | MinAtTop, std::numeric_limits<float>::quiet_NaN(), 3},
        {Vertical | MinAtTop, -1e30f, 3},
        {Vertical | MinAtTop, 1e30f, -1},
    };
    for (bool attached : {false, true}) {
        for (const Case &c : cases) {
            FramedControls env;
            CBitmap *background = solidBitmap(20, 106, kBack);
            CBitmap *handle = solidBitmap(20, 6, kHandle);
            CSlider *slider = new CSlider(CRect(0, 3, 20, 109), nullptr, 0, CPoint(0, 0), 106, handle,
                                          background, CPoint(0, 0), c.style);
            handle->forget();
            background->forget();
            if (attached)
                env.frame()->addView(slider);
            slider->setValue(c.value);
            raster::Surface surface(20, 112, 0);
            raster::Canvas canvas(&surface);
            CDrawContext *context = new CDrawContext(nullptr, &canvas, nullptr);
            slider->draw(context);
            int32_t first = -1;
            for (int32_t y = 0; y < surface.height() && first < 0; y++)
                if (surface.row(y)[10] == kHandle)
                    first = y;
            EXPECT_EQ(first, c.firstRow) << c.value << (attached ? " attached" : " detached");
            if (first >= 0) {
                // Six rows of handle over the background.
                EXPECT_EQ(surface.row(first + 5)[10], kHandle);
                EXPECT_EQ(surface.row(first > 3 ? first - 1 : first + 6)[10], kBack);
            }
            if (!std::isnan(c.value)) {
                EXPECT_FALSE(slider->isDirty());
            }
            context->forget();
            if (!attached)
                slider->forget();
        }
    }
}

} // namespace

} // namespace sorrel
