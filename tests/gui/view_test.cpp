// The view tree without a window: drawing order and composition, event
// routing with overlapping and disabled children, dirty tracking, ownership,
// attributes and the focus walk.
#include "gui/views/frame.h"
#include "gui/drawing/offscreen.h"
#include "gui/platform/headless.h"
#include "probe_frame.h"
#include "view_probe.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sorrel {

namespace headless = platform::headless;

namespace {

constexpr CColor kRed = RedColor, kGreen = GreenColor, kBlue = BlueColor, kYellow = YellowColor;

raster::Pixel pixel(const CColor &c) { return raster::rgb(c.red, c.green, c.blue); }

class ViewTree : public ProbeFrameTest {
  protected:
    ViewTree() : ProbeFrameTest(CRect(0, 0, 200, 100), false) {}

    CViewContainer *addContainer(CViewContainer *to, const CRect &rect) {
        auto *container = new CViewContainer(rect, frame);
        to->addView(container);
        return container;
    }

    // The frame drawn (whole, or only update) onto a white surface.
    raster::Surface render(const CRect *update = nullptr) {
        raster::Surface surface(200, 100, raster::rgb(255, 255, 255));
        raster::Canvas canvas(&surface);
        CDrawContext *context = new CDrawContext(frame, &canvas, nullptr);
        if (update)
            frame->drawRect(context, *update);
        else
            frame->draw(context);
        context->forget();
        return surface;
    }

};

TEST_F(ViewTree, LastAddedIsOnTopAndTakesTheMouseWithEdgesInclusive) {
    add(frame, "A", CRect(10, 10, 50, 50), kRed);
    add(frame, "B", CRect(30, 30, 70, 70), kGreen);
    add(frame, "C", CRect(40, 40, 80, 80), kBlue)->setMouseEnabled(false);
    CViewContainer *nested = addContainer(frame, CRect(100, 0, 200, 100));
    add(nested, "E", CRect(0, 0, 20, 20), kYellow);

    const raster::Surface shown = render();
    const struct {
        int x, y;
        CColor color;
    } pixels[] = {{20, 20, kRed},   {35, 35, kGreen}, {45, 45, kBlue},
                  {75, 75, kBlue},  {110, 10, kYellow}, {5, 5, BlackColor}};
    for (const auto &p : pixels)
        EXPECT_EQ(raster::colorOf(shown.get(p.x, p.y)), pixel(p.color)) << p.x << "," << p.y;

    const struct {
        CPoint where;
        const char *receiver;
    } clicks[] = {
        {{20, 20}, "A mouse 20,20"},
        {{35, 35}, "B mouse 35,35"},
        {{45, 45}, "B mouse 45,45"}, // C is on top but takes no mouse
        {{75, 75}, ""},
        {{70, 70}, "B mouse 70,70"}, // right and bottom edges hit
        {{50, 50}, "B mouse 50,50"},
        {{110, 10}, "E mouse 10,10"}, // in the nested container's coordinates
        {{120, 20}, "E mouse 20,20"},
        {{121, 21}, ""},
    };
    for (const auto &click : clicks) {
        log.clear();
        CPoint where = click.where;
        frame->mouse(nullptr, where, LeftButton);
        EXPECT_EQ(joined(log), click.receiver) << click.where.x << "," << click.where.y;
    }

    log.clear();
    EXPECT_TRUE(frame->onWheel(nullptr, CPoint(110, 10), -1.0f));
    EXPECT_FALSE(frame->onWheel(nullptr, CPoint(90, 90), 1.0f));
    EXPECT_EQ(joined(log), "E wheel -1.0 10,10");
}

TEST_F(ViewTree, ADirtyChildDrawnOnlyInPartStaysDirty) {
    ProbeView *partly = add(frame, "P", CRect(10, 10, 50, 50), kRed);
    ProbeView *inside = add(frame, "Q", CRect(60, 10, 80, 18), kGreen);
    render();
    ASSERT_FALSE(frame->isDirty());

    partly->setDirty(true);
    inside->setDirty(true);
    const CRect update(0, 0, 90, 20);
    const raster::Surface shown = render(&update);
    EXPECT_EQ(partly->draws, 2);
    EXPECT_EQ(inside->draws, 2);
    EXPECT_TRUE(partly->isDirty());
    EXPECT_FALSE(inside->isDirty());
    EXPECT_EQ(raster::colorOf(shown.get(20, 15)), pixel(kRed));
    EXPECT_EQ(raster::colorOf(shown.get(20, 30)), raster::rgb(255, 255, 255)); // outside the update
}

TEST_F(ViewTree, AColorBackgroundLeavesTheTopRowAndLeftColumn) {
    const struct {
        bool offscreen;
        CColor corner; // what shows in the container's top row and left column
    } cases[] = {{true, BlackColor}, {false, kGreen}};
    for (const auto &c : cases) {
        frame->removeAll();
        frame->setBackgroundColor(kGreen);
        CViewContainer *box = addContainer(frame, CRect(10, 10, 60, 60));
        box->setDrawInOffscreen(c.offscreen);
        box->setBackgroundColor(kRed);
        const raster::Surface shown = render();
        EXPECT_EQ(raster::colorOf(shown.get(10, 10)), pixel(c.corner)) << c.offscreen;
        EXPECT_EQ(raster::colorOf(shown.get(30, 10)), pixel(c.corner)) << c.offscreen;
        EXPECT_EQ(raster::colorOf(shown.get(10, 30)), pixel(c.corner)) << c.offscreen;
        EXPECT_EQ(raster::colorOf(shown.get(11, 11)), pixel(kRed)) << c.offscreen;
        EXPECT_EQ(raster::colorOf(shown.get(59, 59)), pixel(kRed)) << c.offscreen;
    }
}

TEST_F(ViewTree, RemovingWithForgetDestroysAViewHeldByNobodyElse) {
    const struct {
        bool withForget;
        bool heldElsewhere;
        bool destroyed;
    } cases[] = {{true, false, true}, {false, false, false}, {true, true, false}};
    for (const auto &c : cases) {
        bool destroyed = false;
        auto *view = new ProbeView("V", CRect(0, 0, 10, 10), kRed, nullptr);
        view->destroyed = &destroyed;
        if (c.heldElsewhere)
            view->remember();
        frame->addView(view);
        frame->removeView(view, c.withForget);
        EXPECT_EQ(destroyed, c.destroyed) << c.withForget << c.heldElsewhere;
        EXPECT_EQ(frame->getViewCount(), 0);
        if (!destroyed)
            view->forget();
        EXPECT_TRUE(destroyed);
    }

    // A container that goes takes its children with it.
    bool childGone = false;
    CViewContainer *box = new CViewContainer(CRect(0, 0, 50, 50), frame);
    add(box, "W", CRect(0, 0, 10, 10), kRed)->destroyed = &childGone;
    box->forget();
    EXPECT_TRUE(childGone);
}

TEST_F(ViewTree, AttributesKeepTheirFirstSize) {
    CView *view = add(frame, "V", CRect(0, 0, 10, 10), kRed);
    char buffer[8] = {};
    int32_t bytes = 0;
    EXPECT_TRUE(view->setAttribute(7, 4, "abcd"));
    EXPECT_FALSE(view->setAttribute(7, 8, "12345678"));
    EXPECT_TRUE(view->getAttribute(7, sizeof buffer, buffer, bytes));
    EXPECT_EQ(std::string(buffer, bytes), "abcd");
    EXPECT_TRUE(view->setAttribute(7, 2, "xy"));
    EXPECT_TRUE(view->getAttributeSize(7, bytes));
    EXPECT_EQ(bytes, 4);
    EXPECT_TRUE(view->getAttribute(7, sizeof buffer, buffer, bytes));
    EXPECT_EQ(std::string(buffer, bytes), "xycd");
    EXPECT_FALSE(view->getAttribute(7, 3, buffer, bytes));
    EXPECT_FALSE(view->getAttribute(8, sizeof buffer, buffer, bytes));
    EXPECT_FALSE(view->getAttributeSize(8, bytes));
}

TEST_F(ViewTree, TabWalksTheFocusThroughNestedContainers) {
    CKeyCode tab;
    tab.virt = VirtualKeyTab;
    EXPECT_EQ(frame->onKeyDown(tab), -1); // nobody wants the focus yet

    auto wanting = [&](CViewContainer *to, const char *name, int x) {
        ProbeView *view = add(to, name, CRect(x, 0, x + 10, 10), kRed);
        view->setWantsFocus(true);
        return view;
    };
    wanting(frame, "F1", 0);
    add(frame, "plain", CRect(20, 0, 30, 10), kRed);
    CViewContainer *nested = addContainer(frame, CRect(40, 0, 100, 50));
    wanting(nested, "F2", 0);
    wanting(nested, "F3", 20);
    wanting(frame, "F4", 120);

    const struct {
        bool shift;
        const char *focus; // after the key; "" for none
        int32_t answer;
    } steps[] = {
        {false, "F1", 1}, {false, "F2", 1}, {false, "F3", 1}, {false, "F4", 1}, {false, "", -1},
        {false, "F1", 1}, {true, "", -1},   {true, "F4", 1},  {true, "F3", 1},  {true, "F2", 1},
        {true, "F1", 1},
    };
    for (const auto &step : steps) {
        CKeyCode key = tab;
        key.modifier = step.shift ? ModifierShift : 0;
        EXPECT_EQ(frame->onKeyDown(key), step.answer) << step.focus;
        auto *focus = static_cast<ProbeView *>(frame->getFocusView());
        EXPECT_EQ(focus ? focus->name : "", step.focus);
    }
}

} // namespace

} // namespace sorrel
