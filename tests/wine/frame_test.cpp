// The frame on the Windows backend: the screen shows exactly what the frame
// draws, the window paints while a view holds the mouse, and a host that
// destroys its window first leaves a frame that closes quietly. (Routing of
// clicks and drags to views is the headless tests' business; the backend's
// own tests deliver real ones to a window.)
#include "gui/drawcontext.h"
#include "gui/frame.h"
#include "gui/view_probe.h"

#include "display.h"

#include <gtest/gtest.h>

namespace {

using namespace wine;

constexpr int kHostX = 60, kHostY = 80;
constexpr int kWidth = 160, kHeight = 100;

void sendButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// A view that holds the mouse the way a control's drag loop does, keeping
// the window painted until the button goes up.
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

class FrameOnWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        host = makeHostWindow(kHostX, kHostY, kWidth, kHeight, WS_POPUP);
        frame = new CFrame(CRect(0, 0, kWidth, kHeight), host, nullptr);
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
        if (host)
            DestroyWindow(host);
    }

    HWND host = nullptr;
    CFrame *frame = nullptr;
    ProbeView *a = nullptr;
    HoldingView *held = nullptr;
    ViewLog log;
};

TEST_F(FrameOnWindows, TheScreenShowsTheFrameAsDrawnInMemory) {
    raster::Surface expected(kWidth, kHeight);
    raster::Canvas canvas(&expected);
    CDrawContext *context = new CDrawContext(frame, &canvas, nullptr);
    frame->draw(context);
    context->forget();
    const raster::Surface shown = readBack(static_cast<HWND>(frame->getSystemWindow()), kWidth, kHeight);
    raster::Point first;
    EXPECT_EQ(countDifferences(shown, expected, first), 0) << "first at " << first.x << "," << first.y;
}

TEST_F(FrameOnWindows, TheWindowPaintsWhileAViewHoldsTheMouse) {
    const int drawsBefore = a->draws;
    int paintedInRound = -1;
    held->onRound = [&](int round) {
        if (round == 0)
            InvalidateRect(static_cast<HWND>(frame->getSystemWindow()), nullptr, FALSE);
        if (paintedInRound < 0 && a->draws > drawsBefore) {
            paintedInRound = round;
            sendButton(MOUSEEVENTF_LEFTUP);
        }
    };
    SetCursorPos(kHostX + 85, kHostY + 30);
    pumpFor(20);
    sendButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(pumpUntil([&] { return held->rounds > 0 && !(platform::heldButtons() & platform::ButtonLeft); }));
    EXPECT_GE(paintedInRound, 0) << "no paint during the drag";
    sendButton(MOUSEEVENTF_LEFTUP);
}

TEST_F(FrameOnWindows, AFrameWhoseParentTheHostDestroysClosesQuietly) {
    DestroyWindow(host);
    host = nullptr;
    EXPECT_FALSE(frame->isOpen());
    frame->idle();
    frame->setCursor(CursorWait);
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
    frame->forget();
    frame = nullptr;
    pumpFor(30);
    EXPECT_FALSE(classRegistered(expectedClassName()));

    // And a frame on a parent that is no window at all has none itself.
    CFrame *orphan = new CFrame(CRect(0, 0, kWidth, kHeight), reinterpret_cast<void *>(0x4321), nullptr);
    EXPECT_FALSE(orphan->hasWindow());
    orphan->forget();
}

} // namespace
