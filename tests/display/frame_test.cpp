// The frame on the X11 backend: the screen shows exactly what the frame
// draws, a real click reaches the view under the pointer, and the window
// keeps painting while a view holds the mouse.
#include "gui/drawcontext.h"
#include "gui/frame.h"
#include "gui/view_probe.h"

#include "x_host.h"

#include <functional>

namespace display {
namespace {

constexpr int kWidth = 160, kHeight = 100;

// A view that holds the mouse the way a control's drag loop does, running
// the idle work (here: the event pump) until the button goes up.
class HoldingView : public ProbeView {
  public:
    using ProbeView::ProbeView;
    std::function<void(int round)> onRound;
    int rounds = 0;

    void mouse(CDrawContext *context, CPoint &where, int32_t buttons) override {
        ProbeView::mouse(context, where, buttons);
        const uint32_t start = platform::tickCount();
        while ((context->getMouseButtons() & LeftButton) && platform::tickCount() - start < 3000) {
            platform::pumpEvents();
            onRound(rounds++);
            platform::sleep(2);
        }
    }
};

class FrameOnX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(host.display(), nullptr);
        parent = host.topLevel(40, 40, kWidth, kHeight);
        frame = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void *>(parent), nullptr);
        ASSERT_TRUE(frame->hasWindow());
        frame->setBackgroundColor(GreyColor);
        a = new ProbeView("A", CRect(10, 10, 60, 50), RedColor, &log);
        frame->addView(a);
        auto *box = new CViewContainer(CRect(70, 10, 150, 90), frame);
        box->setBackgroundColor(BlueColor);
        frame->addView(box);
        held = new HoldingView("B", CRect(10, 10, 40, 60), GreenColor, &log);
        box->addView(held);
        ASSERT_TRUE(pumpUntil([&] { return a->draws > 0; }));
    }
    void TearDown() override {
        if (frame)
            frame->forget();
        EXPECT_EQ(host.errors(), 0);
        EXPECT_TRUE(host.handlerIntact());
    }
    ::Window frameWindow() const { return reinterpret_cast<uintptr_t>(frame->getSystemWindow()); }
    bool xdotool(const std::vector<std::string> &args) {
        std::vector<std::string> command{"xdotool"};
        command.insert(command.end(), args.begin(), args.end());
        return run(command);
    }

    Host host;
    ::Window parent = 0;
    CFrame *frame = nullptr;
    ProbeView *a = nullptr;
    HoldingView *held = nullptr;
    ViewLog log;
};

TEST_F(FrameOnX11, TheScreenShowsTheFrameAsDrawnInMemory) {
    raster::Surface expected(kWidth, kHeight);
    raster::Canvas canvas(&expected);
    CDrawContext *context = new CDrawContext(frame, &canvas, nullptr);
    frame->draw(context);
    context->forget();
    const testimg::Image shown = host.grab(frameWindow());
    testimg::writePng("display_frame.png", shown);
    EXPECT_TRUE(shown.pixels == host.asShown(frameWindow(), expected).pixels) << "see display_frame.png";
}

TEST_F(FrameOnX11, AClickReachesTheViewUnderThePointer) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    held->onRound = [&](int) { xdotool({"mouseup", "1"}); };
    struct Case {
        int x, y;
        const char *view;
    } cases[] = {{12, 14, "A mouse 12,14"}, {59, 49, "A mouse 59,49"}, {85, 30, "B mouse"}, {5, 90, nullptr}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        log.clear();
        ASSERT_TRUE(xdotool({"mousemove", "--window", std::to_string(frameWindow()), std::to_string(c.x),
                             std::to_string(c.y), "mousedown", "1"}));
        pumpFor(60);
        ASSERT_TRUE(xdotool({"mouseup", "1"}));
        if (!c.view) {
            EXPECT_TRUE(log.empty());
            continue;
        }
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].compare(0, std::string(c.view).size(), c.view), 0) << log[0];
    }
}

TEST_F(FrameOnX11, TheWindowPaintsWhileAViewHoldsTheMouse) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    const int drawsBefore = a->draws;
    int paintedInRound = -1;
    held->onRound = [&](int round) {
        if (round == 0)
            host.expose(frameWindow(), 0, 0, kWidth, kHeight); // uncovered while dragging
        if (paintedInRound < 0 && a->draws > drawsBefore) {
            paintedInRound = round;
            xdotool({"mouseup", "1"});
        }
    };
    ASSERT_TRUE(
        xdotool({"mousemove", "--window", std::to_string(frameWindow()), "85", "30", "mousedown", "1"}));
    ASSERT_TRUE(
        pumpUntil([&] { return held->rounds > 0 && !(platform::heldButtons() & platform::ButtonLeft); }));
    EXPECT_GE(paintedInRound, 0);
    const testimg::Image shown = host.grab(frameWindow());
    // View A, painted again during the drag.
    EXPECT_EQ(shown.at(20, 20),
              host.asShown(frameWindow(), raster::Surface(1, 1, raster::rgb(255, 0, 0))).at(0, 0));
}

TEST_F(FrameOnX11, AFrameWhoseParentTheHostDestroysClosesQuietly) {
    host.destroy(parent);
    EXPECT_TRUE(pumpUntil([&] { return !frame->isOpen(); }));
    frame->idle();
    frame->setCursor(CursorWait);
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
    frame->forget();
    frame = nullptr;
    pumpFor(30);

    // And a frame on a parent that is no window at all has none itself.
    CFrame *orphan = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void *>(parent), nullptr);
    EXPECT_FALSE(orphan->hasWindow());
    orphan->forget();
}

} // namespace
} // namespace display
