// A window system and input script for drawing-context tests: each poll of
// the buttons or of the pointer takes the next entry of its own script (the
// last entry stays), the clock advances by a fixed step on every read, and window
// canvases are handed out and counted.
#pragma once

#include "gui/environment.h"
#include "gui/fonts.h"
#include "gui/raster/raster.h"

#include <cstddef>
#include <vector>

class ScriptedEnvironment : public sorrel::gui::DrawEnvironment {
  public:
    ScriptedEnvironment() { sorrel::gui::setDrawEnvironment(this); }
    ~ScriptedEnvironment() override { sorrel::gui::setDrawEnvironment(nullptr); }

    raster::Canvas *acquireWindowCanvas(void *) override {
        ++acquired;
        return windowCanvas;
    }
    void releaseWindowCanvas(void *, raster::Canvas *canvas) override {
        ++released;
        releasedCanvas = canvas;
    }
    CRect windowScreenRect(void *) override { return windowRect; }

    int32_t physicalButtons() override { return next(buttons, buttonPolls); }
    CPoint cursorPosition() override { return next(cursor, cursorPolls); }
    uint32_t messageTime() override { return messageStamp; }
    uint32_t doubleClickTime() override { return doubleClick; }
    uint32_t tickCount() override {
        uint32_t now = clock;
        clock += clockStep;
        return now;
    }
    bool takeLeftButtonDown() override {
        ++queuePolls;
        return clickAfterPolls >= 0 && queuePolls > clickAfterPolls;
    }
    CRect frameViewSize(CFrame *) override { return frameRect; }
    void frameIdleWork(CFrame *) override { ++idleRuns; }

    std::vector<int32_t> buttons{0};
    std::vector<CPoint> cursor{CPoint(0, 0)};
    raster::Canvas *windowCanvas = nullptr;
    CRect windowRect;
    CRect frameRect{0, 0, 710, 167};
    uint32_t messageStamp = 0;
    uint32_t doubleClick = 500;
    uint32_t clock = 0;
    uint32_t clockStep = 1;
    int clickAfterPolls = -1; // a second click arrives after this many queue polls; -1 never
    int queuePolls = 0;
    int acquired = 0;
    int released = 0;
    raster::Canvas *releasedCanvas = nullptr;
    int idleRuns = 0;
    size_t buttonPolls = 0;
    size_t cursorPolls = 0;

  private:
    template <typename T> static T next(const std::vector<T> &script, size_t &polls) {
        const size_t i = polls < script.size() ? polls : script.size() - 1;
        ++polls;
        return script[i];
    }
};

// A frame pointer for contexts that need one; never dereferenced.
inline CFrame *fakeFrame() {
    static int token;
    return reinterpret_cast<CFrame *>(&token);
}
