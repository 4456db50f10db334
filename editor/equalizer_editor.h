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

#include "editor/band_slider.h"
#include "editor/layout.h"
#include "editor/parameter_link.h"
#include "editor/value_field.h"
#include "effect/level_source.h"
#include "gui/controls/control.h"
#include "gui/platform/platform.h"

namespace sorrel {

class CBitmap;
class CFrame;
class CFrameOwner;
class ReadoutView;

// Beyond the mouse: a readout beside a fader while it is dragged or while
// the pointer rests on it for half a second; a field to type a fader's
// value in (double click, or Enter on the focused fader); the keys of the
// faders and switches (see BandSlider, MeterSwitch); and for a screen
// reader, each fader a slider and each switch a check button, named by the
// parameter's full name, with its value and focus told as they change.
class EqualizerEditor : public ControlListener,
                        public ValueEntryOpener,
                        public ValueField::Client,
                        public platform::AccessibleContent {
  public:
    // parameters must outlive the editor; levels may be null (the meters
    // stay dark).
    EqualizerEditor(ParameterLink *parameters, LevelSource *levels);
    ~EqualizerEditor();

    EqualizerEditor(const EqualizerEditor &) = delete;
    EqualizerEditor &operator=(const EqualizerEditor &) = delete;

    // The window's size at the current scale: the background picture's
    // (0 x 0 when it failed to load, and then the editor refuses to open)
    // times the scale.
    CRect getRect() const;
    // The same at scale 1: the size the views are laid out in.
    CRect logicalRect() const;

    // The scale the editor draws at (1 to 4 in quarter steps). Until the
    // host says otherwise it follows the user's SORREL_SCALE, then the
    // desktop.
    DeviceScale getScale() const;
    // The host's scale factor (the VST 2.4 content-scale call, LV2's
    // ui:scaleFactor, any format's scale call), before or while open: every
    // format passes its factor here as it comes. Rounded to the nearest
    // quarter step; a change while open asks the owner for the new window size
    // (requestSize) and redraws, and a refusal keeps the old scale. False,
    // with nothing changed, for a factor that means nothing (zero,
    // negative, not a number, beyond 4).
    bool setHostScale(double factor);

    // Builds the frame in parent with all 162 views, the faders and switches
    // at the plug-in's values and the meters dark, and switches metering on.
    // When parent's desktop asks for another scale than getRect told, the
    // owner is asked for the new size first (and the old scale stays when
    // it refuses).
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

    // Opens the typing field for fader tag, beside it, with its value.
    void openValueEntry(int32_t tag) override;
    bool valueTyped(int32_t tag, const char *text) override;
    void valueEntryCancelled(int32_t tag) override;
    // The controls as a screen reader finds them: item i is control i.
    int32_t accessibleCount() override;
    bool accessibleItem(int32_t index, platform::AccessibleItem &item) override;
    bool setAccessibleValue(int32_t index, const char *text) override;
    bool doAccessibleAction(int32_t index) override;
    bool focusAccessible(int32_t index) override;

    // The readout and the field while open, for those who look at them.
    const ReadoutView *getReadout() const { return readout; }
    const ValueField *getValueField() const { return field; }

    // How long the pointer rests on a fader before its readout shows, and
    // how often the idle pass looks where the pointer is (each look may be
    // a trip to the window system).
    static constexpr uint32_t kHoverMilliseconds = 500;
    static constexpr uint32_t kPointerLookMilliseconds = 100;

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
    void makeOverlays();
    void hideReadout();
    void followPointer();
    void followFocus();
    void showReadout(int32_t tag);
    // The fader under where, or -1.
    int32_t faderAt(const CPoint &where) const;

    // The scale for the sources known now (host, user, desktop of parent).
    DeviceScale wantedScale(void *parent) const;

    ParameterLink *parameters;
    LevelSource *levels;
    CFrame *frame = nullptr;
    double hostScale = 0;
    // Chosen when first asked (getRect, open): the desktop's setting may
    // cost a trip to the window system, which an effect that never shows
    // its editor should not pay.
    mutable DeviceScale scale;
    mutable bool scaleChosen = false;
    CControl *controls[layout::kTableSize] = {};
    // The plug-in's value of each parameter at the last refresh (NaN: look
    // again).
    float shown[layout::kNumControls] = {};

    ReadoutView *readout = nullptr;
    ValueField *field = nullptr;
    // The fader the readout belongs to (-1: none), and whether a drag
    // shows it (else the pointer's rest does).
    int32_t readoutTag = -1;
    bool readoutFollowsDrag = false;
    // The fader under the pointer at the last look, since when, and when
    // that look was.
    int32_t hoverTag = -1;
    uint32_t hoverSince = 0;
    uint32_t lastLook = 0;
    bool looked = false;
    // The control whose focus a screen reader was last told of.
    const CView *toldFocus = nullptr;
};

} // namespace sorrel
