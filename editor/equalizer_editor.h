// The equaliser's window: 34 faders (input gain, Q, 31 bands, output gain),
// four LED meters under every band fader, two switches that turn the meter
// sets on and off, captions under the faders and a logo that opens the home
// page, on a fixed 710 x 167 background picture.
//
// Threads. open, close, idle, drawing and input run on the host's GUI thread.
// setParameter comes from whatever thread changed the parameter - with
// automation often the audio thread - so it never touches a view: it leaves
// the value in a lock-free slot, and the next idle on the GUI thread copies
// changed slots into their controls before it redraws. The meters read the
// effect's levels while the audio thread writes them; each is one value.
#pragma once

#include "editor/layout.h"
#include "editor/level_source.h"
#include "gui/aeffguieditor.h"
#include "gui/control.h"

#include <atomic>

class CBitmap;

namespace sorrel {

class EqualizerEditor : public AEffGUIEditor, public ControlListener {
  public:
    // Attaches itself to effect. levels may be null (the meters stay dark).
    EqualizerEditor(AudioEffect *effect, LevelSource *levels);
    ~EqualizerEditor() override;

    // Builds the frame in parent with all 162 views, the faders and switches
    // at the effect's values and the meters dark. False, with nothing left
    // behind, when parent is not a window. A second open without a close
    // starts afresh.
    bool open(void *parent) override;
    // Lets go of the frame and every view; the meters stop being measured.
    void close() override;
    // Copies parameter changes into the controls, the effect's levels into
    // the meters whose switch is on, and redraws what changed.
    void idle() override;
    // Any thread: the control of index 0..35 shows value from the next idle
    // on. Other indices are ignored.
    void setParameter(VstInt32 index, float value) override;

    // A control the user moved: its value goes to the effect as parameter
    // write. A meter switch the user turned off also darkens its meters.
    void valueChanged(CDrawContext *context, CControl *control) override;

    // Entry 0..159 of the controls table (see editor/layout.h); null while
    // closed, or when the entry could not be made.
    CControl *getControl(int32_t entry) const;

    // The pictures that every editor of the module shares: background (101),
    // lit (102) and unlit (104) LED strips. Made by the first editor, kept
    // until the module is unloaded.
    static CBitmap *backgroundBitmap();
    static CBitmap *ledOnBitmap();
    static CBitmap *ledOffBitmap();

  private:
    void build();
    void applyPendingValues();
    void refreshMeters();
    void setMeters(int32_t first, float value);

    LevelSource *levels;
    CControl *controls[layout::kTableSize] = {};

    // The last value setParameter left for each control, and whether the
    // GUI thread has yet to pick it up.
    struct PendingValue {
        std::atomic<float> value{0.f};
        std::atomic<bool> changed{false};
    };
    PendingValue pending[layout::kNumControls];
};

} // namespace sorrel
