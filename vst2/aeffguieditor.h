// The editor base: the plug-in's editor interface on top of a CFrame. The
// concrete editor builds the frame in its open and lets it go in its close
// (through this class's close, which gives back the editor's count); this
// class forwards keys and the wheel to the frame, runs the frame's idle pass,
// and provides the rate-limited idle work that controls run from inside
// their mouse-tracking loops so that the editor and the host keep running.
#pragma once

#include "gui/views/frame_owner.h"
#include "vst2/aeffeditor.h"

#include <cstdint>
#include <memory>

class AudioEffect;
namespace sorrel {
class CFrame;
}

class AEffGUIEditor : public AEffEditor, public sorrel::CFrameOwner {
  public:
    // Registers itself with the effect.
    explicit AEffGUIEditor(AudioEffect *effect);
    // Lets go of a frame it still holds; a frame that outlives the editor
    // never calls it again.
    ~AEffGUIEditor() override;

    bool getRect(ERect **rect) override;
    bool open(void *ptr) override;
    // Gives back the frame (see editorClosed in CFrame), then the base.
    void close() override;
    void idle() override;
    bool onKeyDown(VstKeyCode &keyCode) override;
    bool onKeyUp(VstKeyCode &keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 val) override;

    virtual void setParameter(VstInt32 index, float value) {}
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;
    // Runs the idle pass and the host's idle about every 50 ms, and
    // throttles callers that poll in a loop.
    void doIdleWork() override;

    // The host's "sizeWindow": true when the host can and did resize its
    // window around the editor.
    bool requestSize(int32_t width, int32_t height) override;

    uint32_t getTicks() override;
    void wait(uint32_t milliseconds);
    sorrel::CFrame *getFrame() const { return frame; }
    // Module-wide: the last knob mode any host set.
    int32_t getKnobMode() const override;

    // True for as long as this editor lives; frames keep a copy.
    std::shared_ptr<const bool> livenessToken() const override { return alive; }

    // Intervals of the idle work, in milliseconds.
    static constexpr uint32_t kIdleEarlySleep = 4;
    static constexpr uint32_t kIdleSlack = 50;
    static constexpr uint32_t kIdleInterval = 100;

  protected:
    ERect rect{0, 0, 0, 0};
    uint32_t lastTicks = 0;
    bool inIdleWork = false;
    sorrel::CFrame *frame = nullptr;

  private:
    std::shared_ptr<bool> alive;
};
