// What the formats' frame owners share: the liveness token, the idle pass,
// the pacer of the idle work a control's mouse loop runs, and the flag that
// keeps a host's own idle call from running a pass inside that work. The
// owner names its frame and refreshes its editor's values; the VST 2.4
// editor base, whose idle work also calls the host's idle, paces itself.
#pragma once

#include "gui/views/frame_owner.h"
#include "gui/views/idle_pacer.h"

#include <memory>

namespace sorrel {

class CFrame;

class PacedFrameOwner : public CFrameOwner {
  public:
    // The pass, at most once a pacer interval, with inIdleWork set while it
    // runs (and left set when the owner went away during it).
    void doIdleWork() override;
    uint32_t getTicks() override;
    int32_t getKnobMode() const override { return 0; }
    std::shared_ptr<const bool> livenessToken() const override { return alive; }

  protected:
    PacedFrameOwner() = default;
    ~PacedFrameOwner() = default;

    // One idle pass: the window's events, then, where the owner is still
    // there and has a frame, its values and levels and the frame's redraw.
    void pump();
    // The owner's frame; null while its editor is closed.
    virtual CFrame *frame() const = 0;
    // Takes the plug-in's current values into the editor's controls.
    virtual void refreshEditor() = 0;

    IdlePacer pacer;
    bool inIdleWork = false;
    // Cleared first thing in the owner's destructor, before it closes its
    // editor.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace sorrel
