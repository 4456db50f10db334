// The X11 backend's side of clicks that are over before they are handled,
// of one gesture at a time, and of its error trap: xdotool queues the input
// before the backend pumps, as a busy host lets it pile up.
#include "x_host.h"

namespace sorrel::scenario {
namespace {

std::string windowArg(platform::Window *w) {
    return std::to_string(idOf(platform::nativeHandle(w)));
}

// Handles a press the way a control's loop does: reads the buttons, runs
// the idle work (which pumps), reads them again.
class PollingClient : public Recorder {
  public:
    void buttonPressed(const raster::Point &where) override {
        Recorder::buttonPressed(where);
        if (presses.size() > 1)
            return;
        reads.push_back(platform::heldButtons());
        const size_t before = presses.size() + wheels.size();
        platform::pumpEvents();
        nested = presses.size() + wheels.size() - before;
        reads.push_back(platform::heldButtons());
    }

    std::vector<int32_t> reads;
    size_t nested = 0;
};

class X11Input : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!installed("xdotool"))
            GTEST_SKIP() << "xdotool is not installed";
        ASSERT_NE(host.display(), nullptr);
        parent = host.topLevel(40, 40, 240, 160);
        client.window = platform::createWindow(handle(parent), 200, 120, &client);
        ASSERT_NE(client.window, nullptr);
        ASSERT_TRUE(pumpUntil([&] { return !client.paints.empty(); }));
    }
    void TearDown() override {
        platform::destroyWindow(client.window);
        EXPECT_EQ(host.errors(), 0);
    }
    // The xdotool steps run to their end before the backend pumps again.
    void queue(std::vector<std::string> steps) {
        steps.insert(steps.begin(), {"mousemove", "--window", windowArg(client.window), "20", "30"});
        steps.insert(steps.begin(), "xdotool");
        ASSERT_TRUE(run(steps));
    }

    Host host;
    ::Window parent = 0;
    PollingClient client;
};

// Pressed and released with Ctrl before the press is handled: the first read
// is the press itself, the next one sees the button and Ctrl up.
TEST_F(X11Input, AQuickClickIsReadAsItsPressEventSays) {
    queue({"keydown", "ctrl", "click", "1", "keyup", "ctrl"});
    ASSERT_TRUE(pumpUntil([&] { return !client.presses.empty(); }));
    ASSERT_EQ(client.reads.size(), 2u);
    EXPECT_EQ(client.reads[0], platform::ButtonLeft | platform::KeyControl);
    EXPECT_EQ(client.reads[1] & (platform::ButtonLeft | platform::KeyControl), 0);
}

// While the left button is held a wheel notch and a right click are dropped;
// what came after its release (a notch, the next click) waits for the first
// press to be handled, and none of it is lost. The next click went down
// again before the first was handled: the first is over all the same.
TEST_F(X11Input, InputDuringAPressIsDroppedAndAfterItWaits) {
    queue({"mousedown", "1", "click", "4", "click", "3", "mouseup", "1", "click", "5", "mousedown", "1"});
    ASSERT_TRUE(pumpUntil([&] { return client.presses.size() == 2; }));
    pumpFor(50);
    run({"xdotool", "mouseup", "1"});
    EXPECT_EQ(client.nested, 0u);
    ASSERT_EQ(client.reads.size(), 2u);
    EXPECT_EQ(client.reads[0] & platform::ButtonLeft, platform::ButtonLeft);
    EXPECT_EQ(client.reads[1] & platform::ButtonLeft, 0);
    EXPECT_EQ(client.presses.size(), 2u);
    ASSERT_EQ(client.wheels.size(), 1u);
    EXPECT_EQ(client.wheels[0].second, -1.f);
}

// A present to a window the host has just destroyed fails on the server
// later; that late error belongs to the present, not to the next open.
TEST_F(X11Input, ALateErrorOfAnEarlierRequestDoesNotFailALaterOpen) {
    const ::Window doomed = host.child(parent, 0, 0, 100, 60);
    Recorder r;
    r.window = platform::createWindow(handle(doomed), 100, 60, &r);
    ASSERT_NE(r.window, nullptr);
    host.destroy(doomed);
    platform::presentWindow(r.window, {0, 0, 100, 60}); // the backend has not heard yet
    Recorder next;
    next.window = platform::createWindow(handle(parent), 50, 50, &next);
    EXPECT_NE(next.window, nullptr);
    platform::destroyWindow(next.window);
    platform::destroyWindow(r.window);
}

} // namespace
} // namespace sorrel::scenario
