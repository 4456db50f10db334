// The frame in a headless window: what the window reports becomes view
// operations, and what the frame draws is presented.
#include "gui/views/frame.h"
#include "gui/controls/vumeter.h"
#include "gui/drawing/bitmap.h"
#include "gui/platform/headless.h"
#include "probe_frame.h"
#include "view_probe.h"

#include "support/image_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace sorrel {

namespace headless = platform::headless;

namespace {

class FrameInWindow : public ProbeFrameTest {
  protected:
    FrameInWindow() : ProbeFrameTest(CRect(0, 0, 120, 80), true) {}

    void paintAll() {
        headless::queuePaint(window, {0, 0, 120, 80});
        headless::pumpPending();
    }
    headless::WindowState &shown() { return *headless::state(window); }
    void pointAt(int x, int y) { headless::script().pointer = {raster::Point{x, y}}; }

    platform::Window *window = frame->getWindow();
};

TEST(FrameWithoutWindow, SaysSoWhenTheParentIsNoWindow) {
    headless::reset();
    int parent = 0;
    for (bool refuse : {true, false}) {
        headless::script().refuseWindows = refuse;
        CFrame *frame = new CFrame(CRect(0, 0, 50, 50), refuse ? &parent : nullptr, nullptr);
        EXPECT_FALSE(frame->hasWindow());
        EXPECT_EQ(frame->getSystemWindow(), nullptr);
        EXPECT_TRUE(headless::windows().empty());
        frame->forget();
    }
    headless::reset();
}

// The format entries hand on a host's wheel turn without a position: it
// goes to the view under the pointer, and nowhere when none is there.
TEST_F(FrameInWindow, AWheelWithoutAPositionGoesWhereThePointerIs) {
    add(frame, "A", CRect(10, 10, 60, 50), RedColor);
    add(frame, "B", CRect(60, 10, 110, 50), BlueColor);
    const struct {
        int x, y;
        bool used;
        const char *log;
    } cases[] = {{20, 20, true, "A wheel 2.0 20,20"}, {70, 30, true, "B wheel 2.0 70,30"}, {5, 70, false, ""}};
    for (const auto &c : cases) {
        log.clear();
        pointAt(c.x, c.y);
        EXPECT_EQ(frame->onWheelAtPointer(2.0f), c.used) << c.x << "," << c.y;
        EXPECT_EQ(joined(log), c.log);
    }
}

TEST_F(FrameInWindow, APaintDrawsThePaintedAreaAndPresentsIt) {
    ASSERT_TRUE(frame->hasWindow());
    frame->setBackgroundColor(GreyColor);
    add(frame, "A", CRect(10, 10, 60, 50), RedColor);
    add(frame, "B", CRect(40, 30, 110, 70), BlueColor);
    headless::queuePaint(window, {20, 20, 100, 60});
    EXPECT_EQ(shown().presents, 0); // paints wait for the event pump
    headless::pumpPending();
    EXPECT_EQ(shown().presents, 1);
    EXPECT_EQ(shown().lastPresented.left, 20);
    EXPECT_EQ(shown().lastPresented.top, 20);
    EXPECT_EQ(shown().lastPresented.right, 100);
    EXPECT_EQ(shown().lastPresented.bottom, 60);
    EXPECT_TRUE(testimg::matchesGolden(shown().surface, "frame_paint"));
}

TEST_F(FrameInWindow, IdleRedrawsDirtyViewsOnlyAfterTheFirstPaint) {
    ProbeView *view = add(frame, "A", CRect(10, 10, 30, 30), RedColor);
    frame->idle();
    EXPECT_EQ(view->draws, 0);
    EXPECT_EQ(shown().presents, 0);

    paintAll();
    EXPECT_EQ(view->draws, 1);
    view->setDirty(true);
    frame->idle();
    EXPECT_EQ(view->draws, 2);
    EXPECT_EQ(shown().presents, 2);
    EXPECT_EQ(shown().lastPresented.left, 10);
    EXPECT_EQ(shown().lastPresented.bottom, 30);
    EXPECT_EQ(shown().surface.get(20, 20) & 0xffffff, raster::rgb(255, 0, 0));

    frame->idle(); // nothing dirty: nothing drawn, nothing shown
    EXPECT_EQ(view->draws, 2);
    EXPECT_EQ(shown().presents, 2);
}

// An idle pass looks at the views only when one of them told of a change
// since the last pass (a new value, a view marked dirty) or still changes.
TEST_F(FrameInWindow, AnIdlePassWalksTheViewsOnlyAfterAChange) {
    struct AskedProbe : ProbeView {
        using ProbeView::ProbeView;
        bool isDirty() const override {
            ++asked;
            return ProbeView::isDirty();
        }
        mutable int asked = 0;
    };
    struct CountedMeter : CVuMeter {
        using CVuMeter::CVuMeter;
        void draw(CDrawContext *context) override {
            ++draws;
            CVuMeter::draw(context);
        }
        int draws = 0;
    };
    auto *probe = new AskedProbe("A", CRect(10, 10, 30, 30), RedColor, nullptr);
    frame->addView(probe);
    CBitmap *on = new CBitmap(nullptr, 3, 30), *off = new CBitmap(nullptr, 3, 30);
    auto *meter = new CountedMeter(CRect(50, 10, 53, 40), on, off, 15);
    on->forget();
    off->forget();
    // Steps of a quarter: the shown level falls by whole steps.
    meter->setDecreaseStep(0.25f);
    frame->addView(meter);
    paintAll();
    frame->idle();

    const struct {
        const char *what;
        std::function<void()> act;
        bool walks;
        int meterDraws, probeDraws;
    } steps[] = {
        {"nothing told", [] {}, false, 0, 0},
        {"the same value", [&] { meter->setValue(0.f); }, false, 0, 0},
        {"a new value", [&] { meter->setValue(0.75f); }, true, 1, 0},
        {"a lower value: falls a step", [&] { meter->setValue(0.25f); }, true, 1, 0},
        {"falls to its value, told nothing", [] {}, true, 1, 0},
        {"quiet again", [] {}, false, 0, 0},
        {"a view marks itself", [&] { probe->setDirty(true); }, true, 0, 1},
        {"updates held", [&] { frame->setUpdatesDisabled(true), meter->setValue(1.f); }, false, 0, 0},
        {"updates again", [&] { frame->setUpdatesDisabled(false); }, true, 1, 0},
        {"an area invalidated", [&] { frame->invalidate(CRect(0, 0, 40, 40)); }, true, 0, 1},
    };
    for (const auto &step : steps) {
        step.act();
        probe->asked = 0;
        const int meterDraws = meter->draws, probeDraws = probe->draws;
        frame->idle();
        EXPECT_EQ(probe->asked > 0, step.walks) << step.what;
        EXPECT_EQ(meter->draws - meterDraws, step.meterDraws) << step.what;
        EXPECT_EQ(probe->draws - probeDraws, step.probeDraws) << step.what;
    }
}

TEST_F(FrameInWindow, AClickClearsTheFocusAndAModalViewTakesAllInput) {
    ProbeView *field = add(frame, "F", CRect(0, 0, 20, 20), RedColor);
    add(frame, "G", CRect(30, 0, 50, 20), RedColor);
    field->setWantsFocus(true);
    frame->setFocusView(field);
    headless::press(window, {40, 10});
    EXPECT_EQ(joined(log), "F lose; G mouse 40,10");
    EXPECT_EQ(frame->getFocusView(), nullptr);

    ProbeView *modal = new ProbeView("M", CRect(60, 0, 100, 40), GreenColor, &log);
    ProbeView *other = new ProbeView("O", CRect(0, 40, 10, 50), GreenColor, &log);
    EXPECT_TRUE(frame->setModalView(modal));
    EXPECT_FALSE(frame->setModalView(other));
    CKeyCode key;
    modal->keyAnswer = 1;
    const struct {
        raster::Point press;
        const char *log;
    } clicks[] = {{{40, 10}, ""}, {{70, 10}, "M mouse 70,10"}};
    for (const auto &click : clicks) {
        log.clear();
        headless::press(window, click.press);
        EXPECT_EQ(joined(log), click.log);
    }
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), 1);
    EXPECT_EQ(joined(log), "M key");
    EXPECT_TRUE(frame->setModalView(nullptr));
    EXPECT_TRUE(frame->setModalView(other));
    EXPECT_TRUE(frame->setModalView(nullptr));
    modal->forget();
    other->forget();
}

TEST(FrameSize, IsLogicalAtEveryScale) {
    headless::reset();
    int parent = 0;
    for (int32_t scale : {1, 2, 3}) {
        CFrame *frame = new CFrame(CRect(0, 0, 120, 80), &parent, nullptr, DeviceScale::whole(scale));
        headless::state(frame->getWindow())->screenOrigin = {30, 40};
        CRect size;
        EXPECT_TRUE(frame->getSize(size));
        EXPECT_EQ(size, CRect(30, 40, 150, 120)) << "scale " << scale;
        frame->forget();
    }
    headless::reset();
}

TEST_F(FrameInWindow, ResizingAnswersFalseForTheSameSize) {
    EXPECT_FALSE(frame->setSize(120, 80));
    EXPECT_TRUE(frame->setSize(150, 90));
    EXPECT_EQ(shown().surface.width(), 150);
    EXPECT_EQ(shown().surface.height(), 90);
    frame->setBackgroundColor(GreenColor);
    paintAll();
    headless::queuePaint(window, {0, 0, 150, 90});
    headless::pumpPending();
    // The composition surface followed: the new area is drawn.
    EXPECT_EQ(shown().surface.get(140, 85) & 0xffffff, raster::rgb(0, 255, 0));
}

TEST_F(FrameInWindow, ShellDragsReachTheViewUnderThePointer) {
    add(frame, "D", CRect(10, 10, 50, 50), RedColor);
    auto *nested = new CViewContainer(CRect(60, 0, 120, 80), frame);
    frame->addView(nested);
    add(nested, "E", CRect(0, 0, 30, 30), RedColor);

    const headless::Drag text{"hello", {}};
    const headless::Drag files{"", {"/tmp/a.wav", "/tmp/b.wav"}};
    enum Step { Enter, Move, Drop, Leave };
    const struct {
        Step step;
        raster::Point pointer;
        const headless::Drag *data;
        const char *log;
    } steps[] = {
        {Enter, {20, 20}, &text, "D enter 20,20"},
        {Move, {25, 20}, &text, "D move 25,20"},
        {Move, {70, 10}, &text, "D leave; E enter 10,10"},
        {Drop, {70, 10}, &files, "E drop /tmp/a.wav 10,10; E leave"},
        {Enter, {20, 20}, &text, "D enter 20,20"},
        {Drop, {20, 20}, &text, "D drop hello 20,20; D leave"},
        {Enter, {100, 70}, &text, ""},
        {Leave, {100, 70}, nullptr, ""},
    };
    for (const auto &s : steps) {
        log.clear();
        pointAt(s.pointer.x, s.pointer.y);
        switch (s.step) {
        case Enter:
            headless::dragEnter(window, *s.data);
            break;
        case Move:
            headless::dragMove(window, *s.data);
            break;
        case Drop:
            headless::drop(window, *s.data);
            break;
        case Leave:
            headless::dragLeave(window);
            break;
        }
        EXPECT_EQ(joined(log), s.log) << s.log;
    }

    log.clear();
    headless::wheel(window, {70, 10}, -1.0f);
    EXPECT_EQ(joined(log), "E wheel -1.0 10,10");
}

// A shell drag as the platform hands it over.
class Offered : public platform::DropData {
  public:
    Offered(std::string offeredText, std::vector<std::string> offeredFiles)
        : textData(std::move(offeredText)), fileData(std::move(offeredFiles)) {}
    bool hasText() override { return !textData.empty(); }
    std::string text() override { return textData; }
    int32_t fileCount() override { return static_cast<int32_t>(fileData.size()); }
    std::string file(int32_t i) override { return i < fileCount() ? fileData[static_cast<size_t>(i)] : ""; }

  private:
    std::string textData;
    std::vector<std::string> fileData;
};

TEST(DragContainer, HandsOutTextOnceAndFilesInOrder) {
    const struct {
        Offered offered;
        int32_t count;
        int32_t type;
        std::vector<std::string> items;
    } cases[] = {
        {Offered("some text", {}), 1, DragText, {"some text"}},
        {Offered("", {"/x/one", "/x/two"}), 2, DragFile, {"/x/one", "/x/two"}},
        {Offered("", {}), 0, DragFile, {}},
    };
    for (const auto &c : cases) {
        Offered offered = c.offered;
        CDragContainer *drag = new CDragContainer(offered);
        EXPECT_EQ(drag->getCount(), c.count);
        EXPECT_EQ(drag->getItemType(0), c.type);
        for (int round = 0; round < 2; ++round) {
            std::vector<std::string> items;
            int32_t bytes = 0, type = 0;
            for (const void *item = drag->getFirstItem(bytes, type); item; item = drag->getNextItem(bytes, type)) {
                items.emplace_back(static_cast<const char *>(item));
                EXPECT_EQ(type, c.type);
            }
            EXPECT_EQ(items, c.items);
            EXPECT_EQ(drag->getNextItem(bytes, type), nullptr);
            EXPECT_EQ(bytes, 0);
            EXPECT_EQ(type, DragUnknown);
        }
        drag->forget();
    }
}

TEST_F(FrameInWindow, AWindowDestroyedUnderTheFrameEndsInputAndDrawing) {
    ProbeView *view = add(frame, "A", CRect(0, 0, 20, 20), RedColor);
    paintAll();
    headless::script().buttons = {LeftButton};
    CDrawContext *context = frame->createDrawContext();
    EXPECT_EQ(context->getMouseButtons(), LeftButton);
    headless::destroyParent(window);
    EXPECT_EQ(context->getMouseButtons(), 0); // a polling loop ends
    context->forget();
    EXPECT_FALSE(frame->isOpen());
    view->setDirty(true);
    frame->idle();
    EXPECT_EQ(view->draws, 1);
    EXPECT_FALSE(frame->setSize(200, 200));
    EXPECT_EQ(frame->getSystemWindow(), nullptr);
}

TEST(TwoFrames, EachKeepsItsOwnWindowFocusAndDrawing) {
    headless::reset();
    ViewLog log;
    int parents[2] = {};
    CFrame *frames[2];
    ProbeView *views[2];
    for (int i = 0; i < 2; ++i) {
        frames[i] = new CFrame(CRect(0, 0, 40, 40), &parents[i], nullptr);
        views[i] = new ProbeView(i ? "second" : "first", CRect(0, 0, 20, 20), RedColor, &log);
        views[i]->setWantsFocus(true);
        frames[i]->addView(views[i]);
    }
    platform::Window *windows[2] = {frames[0]->getWindow(), frames[1]->getWindow()};
    ASSERT_NE(windows[0], windows[1]);

    frames[0]->setFocusView(views[0]);
    headless::queuePaint(windows[1], {0, 0, 40, 40});
    headless::pumpPending();
    headless::press(windows[1], {5, 5});
    EXPECT_EQ(joined(log), "second mouse 5,5");
    EXPECT_EQ(frames[0]->getFocusView(), views[0]);
    EXPECT_EQ(views[0]->draws, 0);
    EXPECT_EQ(headless::state(windows[0])->presents, 0);
    EXPECT_EQ(views[1]->draws, 1);

    frames[1]->forget();
    EXPECT_EQ(headless::windows().size(), 1u);
    frames[0]->forget();
    EXPECT_TRUE(headless::windows().empty());
    headless::reset();
}

} // namespace

namespace {

TEST(FramePresents, NeighboursMergeDistantAreasStayApart) {
    // Three LED strips 3 pixels wide, 1 apart, and a fader far away.
    const std::vector<CRect> meters{{65, 129, 68, 160}, {69, 129, 72, 160}, {74, 129, 77, 160}};
    struct Case {
        const char *what;
        std::vector<CRect> areas;
        std::vector<CRect> shown;
    } cases[] = {
        {"nothing", {}, {}},
        {"empty areas are dropped", {{5, 5, 5, 9}}, {}},
        {"side by side strips become one", meters, {{65, 129, 77, 160}}},
        {"a far fader stays apart", {meters[0], {405, 5, 421, 115}, meters[1]},
         {{65, 129, 72, 160}, {405, 5, 421, 115}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CFrame::mergeNearby(c.areas), c.shown) << c.what;
}

TEST(FramePresents, AFullIdlePassShowsEveryStripAndMergesSome) {
    // The editor's meters: four strips 3 pixels wide side by side under each
    // of 31 faders 20 pixels apart, drawn set by set. Half of them change a
    // few LEDs at varying heights, then a fader moves: every strip lies in a
    // shown rectangle, and some of them share one.
    const int32_t setOffset[4] = {0, 4, 9, 13};
    std::vector<CRect> areas;
    for (int32_t set = 0; set < 4; ++set)
        for (int32_t band = 0; band < 31; ++band)
            if ((band + set) % 2 == 0) {
                const int32_t left = 65 + band * 20 + setOffset[set], top = 129 + (band + set) % 3 * 2;
                areas.push_back(CRect(left, top, left + 3, top + 4 + band % 2 * 2));
            }
    areas.push_back(CRect(405, 5, 421, 115));
    const std::vector<CRect> shown = CFrame::mergeNearby(areas);
    for (const CRect &a : areas)
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                                [&a](const CRect &r) {
                                    return r.left <= a.left && r.top <= a.top && a.right <= r.right && a.bottom <= r.bottom;
                                }))
            << a.left << "," << a.top << " is not shown";
    EXPECT_LT(shown.size(), areas.size());
}

} // namespace

} // namespace sorrel
