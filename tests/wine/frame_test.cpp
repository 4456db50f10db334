// The frame on the Windows backend: the screen shows exactly what the frame
// draws, real input reaches the view under the pointer, the window paints
// while a view holds the mouse, and a host that destroys its window first
// leaves a frame that closes quietly.
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
    void clickAt(int x, int y) {
        SetCursorPos(kHostX + x, kHostY + y);
        pumpFor(20);
        sendButton(MOUSEEVENTF_LEFTDOWN);
        pumpFor(60);
        sendButton(MOUSEEVENTF_LEFTUP);
        pumpFor(20);
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

TEST_F(FrameOnWindows, AClickReachesTheViewUnderThePointer) {
    const struct {
        int x, y;
        const char *view; // null: nothing
    } cases[] = {{12, 14, "A mouse 12,14"}, {59, 49, "A mouse 59,49"}, {85, 30, "B mouse 15,20"}, {5, 90, nullptr}};
    held->onRound = [](int) { sendButton(MOUSEEVENTF_LEFTUP); };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        log.clear();
        clickAt(c.x, c.y);
        EXPECT_EQ(joined(log), c.view ? c.view : "");
    }
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

TEST_F(FrameOnWindows, AShellDragReachesTheViewUnderThePointer) {
    SetCursorPos(kHostX + 20, kHostY + 30);
    pumpFor(20);
    ShellData data;
    data.text = "band 17";
    DragSource source;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    // Moves arrive as often as OLE polls; the drop is followed by a leave.
    ASSERT_GE(log.size(), 3u) << joined(log);
    EXPECT_EQ(log.front(), "A enter 20,30");
    EXPECT_EQ(log[log.size() - 2], "A drop band 17 20,30") << joined(log);
    EXPECT_EQ(log.back(), "A leave");
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
