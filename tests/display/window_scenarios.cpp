// The window-system contract (gui/platform/platform.h) on a real window
// system: what reaches the screen, what reaches the owner, what a host that
// destroys its windows or hands over no window at all gets, and what stays
// behind. The same scenarios run on every backend through TestHost.
#include "scenario_host.h"

#include <gtest/gtest.h>

namespace sorrel::scenario {
namespace {

constexpr int kLeft = 100, kTop = 120, kWidth = 300, kHeight = 200;

std::vector<int> corners(const raster::Rect &r) {
    return {r.left, r.top, r.right, r.bottom};
}

class WindowScenario : public ::testing::Test {
  protected:
    void SetUp() override {
        before = host.holdings();
        parent = host.topLevel(kLeft, kTop, kWidth + 40, kHeight + 40);
    }
    void TearDown() override {
        for (auto &r : recorders)
            platform::destroyWindow(r->window);
        pumpFor(20);
        EXPECT_EQ(host.complaints(), "");
        host.destroy(parent);
        pumpFor(20);
        EXPECT_EQ(host.holdings(), before) << "nothing is left once the last window is gone";
    }

    // A window in the given parent, its surface filled with the pattern,
    // with its first paint done.
    Recorder &open(Handle in, unsigned seed = 0) {
        recorders.push_back(std::make_unique<Recorder>());
        Recorder &r = *recorders.back();
        r.window = platform::createWindow(in, kWidth, kHeight, &r);
        EXPECT_NE(r.window, nullptr);
        if (r.window) {
            fillPattern(*platform::windowSurface(r.window), seed);
            EXPECT_TRUE(pumpUntil([&] { return !r.paints.empty(); })) << "no first paint";
        }
        return r;
    }

    TestHost host;
    std::string before;
    Handle parent = nullptr;
    std::vector<std::unique_ptr<Recorder>> recorders;
};

TEST_F(WindowScenario, TheScreenShowsExactlyThePresentedPixels) {
    Recorder &r = open(parent);
    ASSERT_NE(r.window, nullptr);
    EXPECT_EQ(host.children(parent), std::vector<Handle>{handleOf(r.window)});
    raster::Surface &surface = *platform::windowSurface(r.window);
    EXPECT_EQ(host.differences(handleOf(r.window), surface), "") << "first paint";

    // Presenting outside a paint copies just the area (clipped to the
    // window); the rows must not shift, whatever the area's top.
    const raster::Rect areas[] = {
        {0, 0, kWidth, kHeight}, {10, 20, 110, 70},     {-10, -10, 40, 30},     {250, 150, 400, 400},
        {5, 199, 6, 200},        {0, 100, kWidth, 101}, {299, 0, 300, kHeight},
    };
    unsigned seed = 1;
    for (const raster::Rect &area : areas) {
        SCOPED_TRACE(::testing::PrintToString(corners(area)));
        raster::Surface expected = surface;
        fillPattern(surface, seed++);
        const raster::Rect part = raster::intersect(area, surface.bounds());
        for (int32_t y = part.top; y < part.bottom; ++y)
            for (int32_t x = part.left; x < part.right; ++x)
                expected.set(x, y, surface.get(x, y));
        platform::presentWindow(r.window, area);
        EXPECT_EQ(host.differences(handleOf(r.window), expected), "");
        surface = expected; // what the screen shows now
    }
}

TEST_F(WindowScenario, APressReachesTheOwnerAtThePointerAndShowsInTheHeldState) {
    Recorder &r = open(parent);
    ASSERT_NE(r.window, nullptr);
    for (const raster::Point at : {raster::Point{5, 6}, raster::Point{299, 0}, raster::Point{150, 199}}) {
        SCOPED_TRACE(std::to_string(at.x) + "," + std::to_string(at.y));
        r.presses.clear();
        const uint32_t sent = platform::tickCount();
        ASSERT_TRUE(host.leftDown(handleOf(r.window), at));
        ASSERT_TRUE(pumpUntil([&] { return !r.presses.empty(); })) << "no press";
        EXPECT_EQ((std::vector<int>{r.presses[0].x, r.presses[0].y}), (std::vector<int>{at.x, at.y}));
        // The press's time stamp, in the clock's scale, lies between the
        // input and now.
        EXPECT_LE(static_cast<int32_t>(sent - r.pressTime), 5);
        EXPECT_GE(static_cast<int32_t>(platform::tickCount() - r.pressTime), 0);
        EXPECT_EQ(platform::heldButtons() & (platform::ButtonLeft | platform::ButtonMiddle | platform::ButtonRight),
                  platform::ButtonLeft);
        const raster::Rect onScreen = platform::windowScreenRect(r.window);
        EXPECT_EQ(corners(onScreen), corners({kLeft, kTop, kLeft + kWidth, kTop + kHeight}));
        const raster::Point pointer = platform::pointerPosition();
        EXPECT_EQ((std::vector<int>{pointer.x, pointer.y}), (std::vector<int>{kLeft + at.x, kTop + at.y}));
        ASSERT_TRUE(host.leftUp());
        EXPECT_TRUE(pumpUntil([] { return platform::heldButtons() == 0; }));
    }
}

// The lowest layer of a refused parent; the editor scenarios show it once
// more through the plug-in's dispatcher.
TEST_F(WindowScenario, AParentThatIsNotAWindowGivesNothingAndLeavesNothing) {
    const auto notWindows = host.notWindows();
    const std::vector<Handle> childrenBefore = host.children(parent);
    Recorder r;
    for (const auto &[name, handle] : notWindows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(platform::createWindow(handle, kWidth, kHeight, &r), nullptr);
        EXPECT_EQ(host.holdings(), before);
    }
    EXPECT_EQ(platform::createWindow(nullptr, kWidth, kHeight, &r), nullptr);
    EXPECT_EQ(platform::createWindow(parent, 0, kHeight, &r), nullptr) << "no empty window";
    EXPECT_EQ(host.holdings(), before);
    EXPECT_EQ(host.children(parent), childrenBefore);
    platform::destroyWindow(nullptr);
    EXPECT_TRUE(r.paints.empty() && r.destroyedCalls == 0);
}

TEST_F(WindowScenario, TheHostDestroyingTheParentIsReportedOnceAndHarmless) {
    for (bool pumpFirst : {true, false}) {
        SCOPED_TRACE(pumpFirst ? "noticed before destroyWindow" : "destroyWindow before any pump");
        const Handle own = host.topLevel(kLeft, kTop, kWidth, kHeight);
        Recorder &r = open(own);
        ASSERT_NE(r.window, nullptr);
        host.destroy(own);
        if (pumpFirst) {
            EXPECT_TRUE(pumpUntil([&] { return r.destroyedCalls > 0; }));
        }
        // Every use that is still allowed, on a window the system no longer has.
        platform::presentWindow(r.window, {0, 0, kWidth, kHeight});
        platform::setCursor(r.window, platform::CursorBusy);
        platform::resizeWindow(r.window, kWidth + 10, kHeight, true);
        raster::Point outer;
        platform::outerWindowPosition(r.window, outer);
        platform::windowScreenRect(r.window);
        platform::setDropTarget(r.window, true);
        EXPECT_NE(platform::windowSurface(r.window), nullptr);
        pumpFor(30);
        EXPECT_EQ(r.destroyedCalls, pumpFirst ? 1 : r.destroyedCalls);
        EXPECT_LE(r.destroyedCalls, 1);
        platform::destroyWindow(r.window);
        r.window = nullptr;
        pumpFor(30);
        EXPECT_EQ(r.callsAfterDestroyed, 0);
        EXPECT_EQ(host.complaints(), "");
    }
}

TEST_F(WindowScenario, TwoHundredOpenAndCloseCyclesLeaveNothingBehind) {
    for (int i = 0; i < 200; ++i) {
        Recorder r;
        r.window = platform::createWindow(parent, kWidth, kHeight, &r);
        ASSERT_NE(r.window, nullptr) << "cycle " << i;
        if (i % 20 == 0) {
            ASSERT_TRUE(pumpUntil([&] { return !r.paints.empty(); })) << "cycle " << i;
        }
        fillPattern(*platform::windowSurface(r.window), 3);
        platform::presentWindow(r.window, {0, 0, kWidth, kHeight});
        platform::setDropTarget(r.window, true);
        platform::setCursor(r.window, static_cast<platform::Cursor>(i % 9));
        platform::resizeWindow(r.window, kWidth + 20, kHeight + 10, false);
        platform::pumpEvents();
        platform::destroyWindow(r.window);
    }
    EXPECT_TRUE(host.children(parent).empty());
    // holdings() compared in TearDown.
}

} // namespace
} // namespace sorrel::scenario
