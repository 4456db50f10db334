// Controls under test: a listener and a frame owner that write what reaches
// them into one log ("begin 7", "changed 0.50", "end 7", "idle", "modifier"),
// and a frame in a headless window whose idle work runs on every call.
#pragma once

#include "gui/drawing/bitmap.h"
#include "gui/controls/control.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"
#include "gui/platform/platform.h"
#include "gui/views/frame_owner.h"

#include "scripted_environment.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sorrel {

using EventLog = std::vector<std::string>;

class LoggingListener : public ControlListener {
  public:
    explicit LoggingListener(EventLog &eventLog) : log(eventLog) {}
    void valueChanged(CDrawContext *, CControl *control) override {
        char text[32];
        std::snprintf(text, sizeof text, "changed %.2f", control->getValue());
        log.push_back(text);
    }
    int32_t modifierClicked(CDrawContext *, CControl *, int32_t) override {
        log.push_back("modifier");
        return modifierAnswer;
    }

    EventLog &log;
    int32_t modifierAnswer = 0;
};

// The frame's owner, as a plug-in's editor is, and its controls' listener.
// The host may close it, or delete it, from inside its idle work.
class LoggingOwner final : public CFrameOwner, public LoggingListener {
  public:
    enum IdleAction { None, Close, Delete };

    explicit LoggingOwner(EventLog &eventLog) : LoggingListener(eventLog) {}
    ~LoggingOwner() {
        *alive = false;
        close();
    }
    void open(void *parent) { frame = new CFrame(CRect(0, 0, 200, 160), parent, this); }
    // Lets go of the frame as an editor does: the frame goes when the call
    // into it that is still running returns.
    void close() {
        if (CFrame *f = frame) {
            frame = nullptr;
            f->editorClosed();
            f->forget();
        }
    }
    CFrame *getFrame() const { return frame; }

    void beginEdit(int32_t index) override { log.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { log.push_back("end " + std::to_string(index)); }
    bool requestSize(int32_t, int32_t) override { return false; }
    // An editor's idle work without its pacing: the test's host action, then
    // the paints waiting and the frame's idle pass.
    void doIdleWork() override {
        const std::shared_ptr<const bool> token = alive;
        getTicks();
        log.push_back("idle");
        if (duringIdle)
            duringIdle();
        if (onIdle == Close) {
            close();
        } else if (onIdle == Delete) {
            *deleted = true;
            delete this;
            return;
        }
        platform::pumpEvents();
        if (!*token || !frame)
            return;
        CFrame *f = frame;
        f->remember();
        f->idle();
        f->forget();
    }
    uint32_t getTicks() override { return platform::tickCount(); }
    int32_t getKnobMode() const override { return 0; }
    std::shared_ptr<const bool> livenessToken() const override { return alive; }

    IdleAction onIdle = None;
    // What the window system or the host does while the idle work runs.
    std::function<void()> duringIdle;
    bool *deleted = nullptr;

  private:
    CFrame *frame = nullptr;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

// An open owner with its frame painted once, so that the idle pass draws.
class FramedControls : public ScriptedEnvironment {
  public:
    FramedControls() : owner(new LoggingOwner(log)), listener(*owner) {
        owner->deleted = &ownerDeleted;
        // A second per clock reading, so that nothing paced by the clock holds.
        script.clockStep = 1000;
        owner->open(&parentWindow);
        window = frame()->getWindow();
        platform::headless::queuePaint(window, {0, 0, 200, 160});
        platform::headless::pumpPending();
    }
    ~FramedControls() {
        if (!ownerDeleted)
            delete owner;
    }

    CFrame *frame() const { return owner->getFrame(); }
    // A press as the window system delivers it; buttons are what the frame
    // reads for it, then what the control's loop polls.
    void press(const CPoint &where, const std::vector<int32_t> &buttons) {
        script.buttons = buttons;
        script.buttonPolls = 0;
        log.clear();
        platform::headless::press(window, {where.x, where.y});
    }

    int parentWindow = 0;
    EventLog log;
    LoggingOwner *owner;
    LoggingListener &listener;
    bool ownerDeleted = false;
    platform::Window *window = nullptr;
};

// A bitmap of one color; the caller forgets it.
inline CBitmap *solidBitmap(int32_t width, int32_t height, raster::Pixel color) {
    CBitmap *bitmap = new CBitmap(nullptr, width, height);
    raster::Surface *image = bitmap->getHandle();
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++)
            image->row(y)[x] = color;
    return bitmap;
}

} // namespace sorrel
