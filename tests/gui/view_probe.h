// A view for the view-tree tests: it fills its rectangle with its color
// when drawn and writes every event that reaches it into a shared log
// ("A mouse 10,10", "B drop", "C lose"), so one table checks routing.
#pragma once

#include "gui/views/frame.h"
#include "gui/views/viewcontainer.h"

#include <cstdio>
#include <string>
#include <vector>

namespace sorrel {

using ViewLog = std::vector<std::string>;

class ProbeView : public CView {
  public:
    ProbeView(const char *viewName, const CRect &rect, const CColor &fill, ViewLog *eventLog)
        : CView(rect), name(viewName), color(fill), log(eventLog) {}
    ~ProbeView() override {
        if (destroyed)
            *destroyed = true;
    }

    void draw(CDrawContext *context) override {
        ++draws;
        context->setFillColor(color);
        context->drawRect(size, Filled);
        setDirty(false);
    }
    void mouse(CDrawContext *, CPoint &where, int32_t) override { note("mouse", &where); }
    int32_t onKeyDown(CKeyCode &) override {
        note("key");
        return keyAnswer;
    }
    bool onWheel(CDrawContext *, const CPoint &where, float distance) override {
        char text[32];
        std::snprintf(text, sizeof text, "wheel %.1f", distance);
        note(text, &where);
        return true;
    }
    bool onDrop(CDrawContext *, CDragContainer *drag, const CPoint &where) override {
        int32_t bytes = 0, type = 0;
        const void *item = drag ? drag->getFirstItem(bytes, type) : nullptr;
        note(std::string("drop ") + (item ? static_cast<const char *>(item) : "-"), &where);
        return true;
    }
    void onDragEnter(CDrawContext *, CDragContainer *, const CPoint &where) override { note("enter", &where); }
    void onDragLeave(CDrawContext *, CDragContainer *, const CPoint &) override { note("leave"); }
    void onDragMove(CDrawContext *, CDragContainer *, const CPoint &where) override { note("move", &where); }
    void loseFocus(CDrawContext *) override { note("lose"); }

    void note(const std::string &what, const CPoint *where = nullptr) {
        if (!log)
            return;
        std::string line = name + " " + what;
        if (where)
            line += " " + std::to_string(where->x) + "," + std::to_string(where->y);
        log->push_back(line);
    }

    std::string name;
    CColor color;
    ViewLog *log;
    int draws = 0;
    int32_t keyAnswer = -1;
    bool *destroyed = nullptr;
};

inline std::string joined(const ViewLog &log) {
    std::string all;
    for (const std::string &line : log)
        all += (all.empty() ? "" : "; ") + line;
    return all;
}

} // namespace sorrel
