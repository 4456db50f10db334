// What only the Windows backend has: paints clipped by the system and
// delivered by pumpEvents, the other buttons and the system's swapping,
// wheel messages, a press taken off the queue only from our windows, the
// window class and its lifetime, and an owner that closes from inside the
// destroyed notice. The contract's common scenarios are in
// ../window_scenarios.cpp.
#include "win_host.h"

#include <gtest/gtest.h>

namespace {

using namespace sorrel::scenario;

constexpr int kHostX = 100, kHostY = 120;
constexpr int32_t kWidth = 300, kHeight = 200;

// A popup host window with one backend window inside, torn down in order.
struct Editor {
    HWND host = nullptr;
    Recorder client;
    platform::Window *window = nullptr;

    explicit Editor(int32_t width = kWidth, int32_t height = kHeight) {
        host = makeHostWindow(kHostX, kHostY, 400, 300, WS_POPUP);
        window = platform::createWindow(host, width, height, &client);
        client.window = window;
    }
    ~Editor() {
        platform::destroyWindow(window);
        if (host)
            DestroyWindow(host);
    }
    HWND hwnd() const { return static_cast<HWND>(platform::nativeHandle(window)); }
    sorrel::raster::Surface &surface() { return *platform::windowSurface(window); }
    bool painted() {
        return pumpUntil([&] { return !client.paints.empty(); });
    }
};

TEST(WindowTest, PaintDrawsOnlyTheInvalidAreaAndPumpEventsDeliversIt) {
    Editor editor;
    ASSERT_NE(editor.window, nullptr);
    ASSERT_TRUE(editor.painted());
    fillPattern(editor.surface(), 7);
    platform::presentWindow(editor.window, editor.surface().bounds());
    sorrel::raster::Surface expected = editor.surface();

    // The owner presents everything, but inside a paint the system clips to
    // the invalid area.
    fillPattern(editor.surface(), 8);
    editor.client.presentOnPaint = editor.surface().bounds();
    editor.client.paints.clear();
    RECT invalid{30, 40, 90, 60};
    InvalidateRect(editor.hwnd(), &invalid, FALSE);
    platform::pumpEvents();
    ASSERT_EQ(editor.client.paints.size(), 1u) << "pumpEvents delivers the waiting paint";
    const sorrel::raster::Rect area = editor.client.paints[0];
    EXPECT_TRUE(area.left <= 30 && area.top <= 40 && area.right >= 90 && area.bottom >= 60);
    for (int32_t y = area.top; y < area.bottom; ++y)
        for (int32_t x = area.left; x < area.right; ++x)
            expected.set(x, y, editor.surface().get(x, y));
    sorrel::raster::Point first;
    EXPECT_EQ(countDifferences(readBack(editor.hwnd(), kWidth, kHeight), expected, first), 0)
        << "first difference at " << first.x << "," << first.y;
}

// The held state names physical buttons, whatever the system's swapping
// for left-handed users (the toolkit swaps them itself).
TEST(WindowTest, ButtonsReachTheOwnerAndShowInTheHeldState) {
    Editor editor;
    ASSERT_NE(editor.window, nullptr);
    ASSERT_TRUE(editor.painted());
    struct Case {
        DWORD down, up;
        bool swap;
        int32_t bit;
        sorrel::raster::Point where;
    };
    const Case cases[] = {
        {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, false, platform::ButtonRight, {299, 0}},
        {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, false, platform::ButtonMiddle, {150, 199}},
        {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true, platform::ButtonLeft, {20, 30}},
        {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, true, platform::ButtonRight, {20, 30}},
    };
    struct Unswap {
        ~Unswap() { SwapMouseButton(FALSE); }
    } unswap;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.bit) + (c.swap ? " swapped" : ""));
        SwapMouseButton(c.swap);
        EXPECT_EQ(platform::buttonsSwapped(), c.swap);
        editor.client.presses.clear();
        const sorrel::raster::Point screen{kHostX + c.where.x, kHostY + c.where.y};
        SetCursorPos(screen.x, screen.y);
        pumpFor(20);
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = c.down;
        ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
        ASSERT_TRUE(pumpUntil([&] { return !editor.client.presses.empty(); })) << "no press";
        EXPECT_EQ(editor.client.presses[0].x, c.where.x);
        EXPECT_EQ(editor.client.presses[0].y, c.where.y);
        EXPECT_EQ(platform::heldButtons() & (platform::ButtonLeft | platform::ButtonMiddle | platform::ButtonRight),
                  c.bit);
        EXPECT_EQ(platform::pointerPosition().x, screen.x);
        EXPECT_EQ(platform::pointerPosition().y, screen.y);
        const sorrel::raster::Rect onScreen = platform::windowScreenRect(editor.window);
        EXPECT_EQ(onScreen.left, kHostX);
        EXPECT_EQ(onScreen.top, kHostY);
        input.mi.dwFlags = c.up;
        SendInput(1, &input, sizeof input);
        pumpUntil([] { return platform::heldButtons() == 0; });
        EXPECT_EQ(platform::heldButtons(), 0);
    }
}

TEST(WindowTest, WheelGivesNotchesAtTheWindowPoint) {
    Editor editor;
    ASSERT_NE(editor.window, nullptr);
    const struct {
        short delta;
        float distance;
    } cases[] = {{120, 1.0f}, {-120, -1.0f}, {240, 2.0f}, {60, 0.5f}};
    for (const auto &c : cases) {
        editor.client.wheels.clear();
        const LPARAM screen = MAKELPARAM(kHostX + 40, kHostY + 25);
        PostMessageA(editor.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(c.delta)), screen);
        ASSERT_TRUE(pumpUntil([&] { return !editor.client.wheels.empty(); }));
        EXPECT_EQ(editor.client.wheels[0].first.x, 40);
        EXPECT_EQ(editor.client.wheels[0].first.y, 25);
        EXPECT_EQ(editor.client.wheels[0].second, c.distance) << c.delta;
    }
}

TEST(WindowTest, TakeButtonPressTakesOnlyPressesOnOurWindows) {
    Editor editor;
    ASSERT_NE(editor.window, nullptr);
    pumpFor(50);
    PostMessageA(editor.host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(platform::takeButtonPress()) << "the host's own press";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, editor.host, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) << "left queued";

    PostMessageA(editor.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(platform::takeButtonPress());
    EXPECT_FALSE(platform::takeButtonPress());
    pumpFor(20);
    EXPECT_TRUE(editor.client.presses.empty()) << "a taken press is not delivered again";
}

TEST(WindowTest, ClassIsRegisteredOnceAndGoesWithTheLastWindow) {
    const std::string name = expectedClassName();
    ASSERT_FALSE(classRegistered(name));
    {
        Editor first;
        ASSERT_NE(first.window, nullptr);
        char actual[64] = "";
        GetClassNameA(first.hwnd(), actual, sizeof actual);
        EXPECT_EQ(actual, name);
        char title[16] = "";
        GetWindowTextA(first.hwnd(), title, sizeof title);
        EXPECT_STREQ(title, "Window");
        {
            Editor second;
            ASSERT_NE(second.window, nullptr);
            EXPECT_TRUE(classRegistered(name));
        }
        EXPECT_TRUE(classRegistered(name)) << "still used by the first window";
    }
    EXPECT_FALSE(classRegistered(name));
}

TEST(WindowTest, HostDestroyingItsWindowTellsTheOwnerOnce) {
    // Windows tells at once, inside DestroyWindow; what is left of the
    // window answers as no window.
    for (const bool closeInside : {false, true}) {
        SCOPED_TRACE(closeInside ? "owner closes from inside the notice" : "owner closes later");
        Editor editor;
        ASSERT_NE(editor.window, nullptr);
        if (closeInside)
            editor.client.onDestroyed = [&] {
                platform::destroyWindow(editor.window);
                platform::destroyWindow(editor.window); // twice: still harmless
                editor.window = nullptr;
            };
        ASSERT_TRUE(platform::setDropTarget(editor.window, true));
        DestroyWindow(editor.host);
        editor.host = nullptr;
        EXPECT_EQ(editor.client.destroyedCalls, 1);
        if (editor.window) {
            EXPECT_EQ(platform::nativeHandle(editor.window), nullptr);
            platform::presentWindow(editor.window, {0, 0, 10, 10});
            platform::resizeWindow(editor.window, 20, 20, true);
            platform::setCursor(editor.window, platform::CursorBusy);
            EXPECT_FALSE(platform::setDropTarget(editor.window, true));
            sorrel::raster::Point outer;
            EXPECT_FALSE(platform::outerWindowPosition(editor.window, outer));
        }
        pumpFor(20);
        EXPECT_EQ(editor.client.callsAfterDestroyed, 0);
    }
    // A class that could not go while its last window was being destroyed
    // is taken back by the next window.
    { Editor again; }
    EXPECT_FALSE(classRegistered(expectedClassName()));
}

} // namespace
