// Controls under test: a listener and an editor that write what reaches them
// into one log ("begin 7", "changed 0.50", "end 7", "idle", "modifier"), and
// a frame in a headless window whose idle work runs on every call.
#pragma once

#include "vst2/aeffguieditor.h"
#include "gui/drawing/bitmap.h"
#include "gui/controls/control.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"

#include "scripted_environment.h"
#include "support/test_effect.h"

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
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

// An editor that owns a frame of the given size, as the plug-in's does:
// made in open, let go in close and at the editor's end.
class FrameOwningEditor : public AEffGUIEditor {
  public:
    FrameOwningEditor(AudioEffect *owner, const CRect &inSize) : AEffGUIEditor(owner), size(inSize) {}
    ~FrameOwningEditor() override { letGo(); }
    bool open(void *parent) override {
        AEffGUIEditor::open(parent);
        frame = new CFrame(size, parent, this);
        return frame->hasWindow();
    }
    void close() override {
        letGo();
        AEffGUIEditor::close();
    }
    CFrame *getFrame() const override { return frame; }

  private:
    void letGo() {
        if (CFrame *f = std::exchange(frame, nullptr)) {
            f->editorClosed();
            f->forget();
        }
    }
    CRect size;
    CFrame *frame = nullptr;
};

// The editor is its controls' listener, as in the plug-in. The host may
// close it, or delete it with the effect, from inside its idle work.
class LoggingEditor : public FrameOwningEditor, public LoggingListener {
  public:
    enum IdleAction { None, Close, Delete };

    LoggingEditor(AudioEffect *owner, EventLog &eventLog)
        : FrameOwningEditor(owner, CRect(0, 0, 200, 160)), LoggingListener(eventLog) {}
    void idle() override {
        log.push_back("idle");
        if (duringIdle)
            duringIdle();
        if (onIdle == Close) {
            close();
        } else if (onIdle == Delete) {
            effect->setEditor(nullptr);
            *deleted = true;
            delete this;
            return;
        }
        FrameOwningEditor::idle();
    }
    void beginEdit(VstInt32 index) override { log.push_back("begin " + std::to_string(index)); }
    void endEdit(VstInt32 index) override { log.push_back("end " + std::to_string(index)); }

    IdleAction onIdle = None;
    // What the window system or the host does while the idle work runs.
    std::function<void()> duringIdle;
    bool *deleted = nullptr;
};

// An open editor with its frame painted once, so that the idle pass draws.
class FramedControls : public ScriptedEnvironment {
  public:
    FramedControls() : effect(nullptr), editor(new LoggingEditor(&effect, log)), listener(*editor) {
        editor->deleted = &editorDeleted;
        // Far enough apart that the rate limit of the idle work never holds.
        script.clockStep = 1000;
        editor->open(&parentWindow);
        window = frame()->getWindow();
        sorrel::platform::headless::queuePaint(window, {0, 0, 200, 160});
        sorrel::platform::headless::pumpPending();
    }
    ~FramedControls() {
        if (!editorDeleted)
            editor->close();
    }

    CFrame *frame() const { return editor->getFrame(); }
    // A press as the window system delivers it; buttons are what the frame
    // reads for it, then what the control's loop polls.
    void press(const CPoint &where, const std::vector<int32_t> &buttons) {
        script.buttons = buttons;
        script.buttonPolls = 0;
        log.clear();
        sorrel::platform::headless::press(window, {where.x, where.y});
    }

    int parentWindow = 0;
    EventLog log;
    BareEffect effect; // owns the editor
    LoggingEditor *editor;
    LoggingListener &listener;
    bool editorDeleted = false;
    sorrel::platform::Window *window = nullptr;
};

// A bitmap of one color; the caller forgets it.
inline CBitmap *solidBitmap(int32_t width, int32_t height, sorrel::raster::Pixel color) {
    CBitmap *bitmap = new CBitmap(nullptr, width, height);
    sorrel::raster::Surface *image = bitmap->getHandle();
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++)
            image->row(y)[x] = color;
    return bitmap;
}

} // namespace sorrel
