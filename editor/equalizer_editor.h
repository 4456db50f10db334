// The equaliser's window: 34 faders (input gain, Q, 31 bands, output gain),
// four LED meters under every band fader, two switches that turn the meter
// sets on and off, captions under the faders and a logo that opens the home
// page, on a fixed 710 x 167 background picture. It knows no plug-in
// interface: a format's editor base owns it, hands it the host's window and
// itself as the frame's owner, and calls refresh from its idle.
//
// What it shows is always what the plug-in holds: refresh reads all 36
// values back through the parameter link and updates the controls whose
// value the plug-in changed, whatever changed it (the host, automation on any thread, a
// program change, a loaded chunk, this editor). The meters read the levels
// while the audio thread writes them; each is one value.
#pragma once

#include "editor/layout.h"
#include "editor/parameter_link.h"
#include "effect/level_source.h"
#include "gui/control.h"

class CBitmap;
class CFrame;
class CFrameOwner;

namespace sorrel {

class EqualizerEditor : public ControlListener {
  public:
    // parameters must outlive the editor; levels may be null (the meters
    // stay dark).
    EqualizerEditor(ParameterLink *parameters, LevelSource *levels);
    ~EqualizerEditor();

    EqualizerEditor(const EqualizerEditor &) = delete;
    EqualizerEditor &operator=(const EqualizerEditor &) = delete;

    // The window's size: the background picture's (0 x 0 when it failed to
    // load, and then the editor refuses to open).
    CRect getRect() const;

    // Builds the frame in parent with all 162 views, the faders and switches
    // at the plug-in's values and the meters dark, and switches metering on.
    // False, with nothing left behind, when parent is not a window. A second
    // open without a close starts afresh.
    bool open(void *parent, CFrameOwner *owner);
    // Lets go of the frame and every view (the frame goes when no call into
    // it is running any more); the meters stop being measured.
    void close();
    bool isOpen() const { return frame != nullptr; }
    CFrame *getFrame() const { return frame; }

    // GUI thread: copies the plug-in's values into the controls that differ
    // and the levels into the meters whose switch is on. The frame's idle
    // pass then redraws what changed.
    void refresh();

    // A control the user moved: its value goes to the plug-in. A meter
    // switch the user turned off also darkens its meters.
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
    void showValues();
    void refreshMeters();
    void setMeters(int32_t first, float value);

    ParameterLink *parameters;
    LevelSource *levels;
    CFrame *frame = nullptr;
    CControl *controls[layout::kTableSize] = {};
    // The plug-in's value of each parameter at the last refresh (NaN: look
    // again).
    float shown[layout::kNumControls] = {};
};

} // namespace sorrel
