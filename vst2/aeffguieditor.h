// The editor base: the plug-in's editor interface on top of a CFrame. The
// concrete editor owns the frame: it builds it in its open, lets it go in
// its close, and answers getFrame; this class asks for it whenever it
// forwards keys and the wheel or runs the idle pass, so that one owner holds
// the one count. It also provides the paced idle work that controls run
// from inside their mouse-tracking loops so that the editor and the host
// keep running.
#pragma once

#include "gui/views/frame_owner.h"
#include "gui/views/idle_pacer.h"
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
    // A frame that outlives the editor (a call into it still running) never
    // calls it again.
    ~AEffGUIEditor() override;

    bool getRect(ERect **rect) override;
    // The concrete editor's frame; null while closed.
    virtual sorrel::CFrame *getFrame() const = 0;
    // One idle pass: the window's events, refresh, then the frame redraws
    // what changed. Nothing while the idle work is calling the host.
    void idle() override;
    bool onKeyDown(VstKeyCode &keyCode) override;
    bool onKeyUp(VstKeyCode &keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(VstInt32 val) override;

    virtual void setParameter(VstInt32 index, float value) {}
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;
    // Runs the idle pass and the host's idle when the pacer says a pass is
    // due, and throttles callers that poll in a loop.
    void doIdleWork() override;

    // The host's "sizeWindow": true when the host can and did resize its
    // window around the editor.
    bool requestSize(int32_t width, int32_t height) override;

    uint32_t getTicks() override;
    // Module-wide: the last knob mode any host set.
    int32_t getKnobMode() const override;

    // True for as long as this editor lives; frames keep a copy.
    std::shared_ptr<const bool> livenessToken() const override { return alive; }

  protected:
    // What an idle pass shows of the plug-in before the frame redraws (the
    // concrete editor copies values and levels into its controls).
    virtual void refresh() {}

    ERect rect{0, 0, 0, 0};

  private:
    sorrel::IdlePacer pacer;
    bool inIdleWork = false;
    std::shared_ptr<bool> alive;
};
