// The frame on a real window system: the screen shows exactly what the frame
// draws, a real press reaches the view under the pointer, the window keeps
// painting while a view holds the mouse, and a host that destroys the
// parent first leaves a frame that closes quietly.
#include "gui/drawing/drawcontext.h"
#include "gui/views/frame.h"
#include "gui/view_probe.h"

#include "scenario_host.h"

#include <gtest/gtest.h>

namespace sorrel::scenario {
namespace {

constexpr int kLeft = 60, kTop = 80, kWidth = 160, kHeight = 100;

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
            if (onRound)
                onRound(rounds++);
            platform::sleep(2);
        }
    }
};

class FrameScenario : public ::testing::Test {
  protected:
    void SetUp() override {
        parent = host.topLevel(kLeft, kTop, kWidth, kHeight);
        frame = new CFrame(CRect(0, 0, kWidth, kHeight), parent, nullptr);
        ASSERT_TRUE(frame->hasWindow());
        frame->setBackgroundColor(GreyColor);
        a = new ProbeView("A", CRect(10, 10, 60, 50), RedColor, &log);
        frame->addView(a);
        auto *box = new CViewContainer(CRect(70, 10, 150, 90), frame);
        box->setBackgroundColor(BlueColor);
        frame->addView(box);
        held = new HoldingView("B", CRect(10, 10, 40, 60), GreenColor, &log);
        box->addView(held);
        ASSERT_TRUE(pumpUntil([&] { return a->draws > 0; })) << "no first paint";
    }
    void TearDown() override {
        if (frame)
            frame->forget();
        host.leftUp();
        EXPECT_EQ(host.complaints(), "");
    }
    Handle frameWindow() const { return frame->getSystemWindow(); }
    raster::Surface drawnInMemory() {
        raster::Surface expected(kWidth, kHeight);
        raster::Canvas canvas(&expected);
        CDrawContext *context = new CDrawContext(frame, &canvas, nullptr);
        frame->draw(context);
        context->forget();
        return expected;
    }

    TestHost host;
    Handle parent = nullptr;
    CFrame *frame = nullptr;
    ProbeView *a = nullptr;
    HoldingView *held = nullptr;
    ViewLog log;
};

TEST_F(FrameScenario, TheScreenShowsTheFrameAsDrawnInMemory) {
    EXPECT_EQ(host.differences(frameWindow(), drawnInMemory()), "");
}

TEST_F(FrameScenario, APressReachesTheViewUnderThePointer) {
    held->onRound = [&](int) { host.leftUp(); };
    struct Case {
        int x, y;
        const char *view;
    } cases[] = {{12, 14, "A mouse 12,14"}, {59, 49, "A mouse 59,49"}, {85, 30, "B mouse"}, {5, 90, nullptr}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        log.clear();
        ASSERT_TRUE(host.leftDown(frameWindow(), {c.x, c.y}));
        pumpFor(60);
        ASSERT_TRUE(host.leftUp());
        pumpFor(20);
        if (!c.view) {
            EXPECT_TRUE(log.empty());
            continue;
        }
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].compare(0, std::string(c.view).size(), c.view), 0) << log[0];
    }
}

TEST_F(FrameScenario, TheWindowPaintsWhileAViewHoldsTheMouse) {
    const int drawsBefore = a->draws;
    int paintedInRound = -1;
    held->onRound = [&](int round) {
        if (round == 0)
            host.invalidate(frameWindow(), {0, 0, kWidth, kHeight}); // uncovered while dragging
        if (paintedInRound < 0 && a->draws > drawsBefore) {
            paintedInRound = round;
            host.leftUp();
        }
    };
    ASSERT_TRUE(host.leftDown(frameWindow(), {85, 30}));
    ASSERT_TRUE(pumpUntil([&] { return held->rounds > 0 && !(platform::heldButtons() & platform::ButtonLeft); }));
    EXPECT_GE(paintedInRound, 0) << "no paint during the drag";
    EXPECT_EQ(host.differences(frameWindow(), drawnInMemory()), "");
}

TEST_F(FrameScenario, AFrameWhoseParentTheHostDestroysClosesQuietly) {
    host.destroy(parent);
    EXPECT_TRUE(pumpUntil([&] { return !frame->isOpen(); }));
    frame->idle();
    frame->setCursor(CursorWait);
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
    frame->forget();
    frame = nullptr;
    pumpFor(30);
}

} // namespace
} // namespace sorrel::scenario
