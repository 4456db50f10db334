// Views that carry a value: the base of sliders, buttons and meters. An owner
// only stores a new value (which tells the frame that something changed);
// the frame's idle pass sees the difference from what was last drawn and
// redraws the control then.
#pragma once

#include "gui/views/view.h"

#include <cstdint>

namespace sorrel {

class CBitmap;
class CControl;
class CDrawContext;

// How a control tells its owner (the editor) what the user did.
class ControlListener {
  public:
    // The user changed the control's value; context is null for keys.
    virtual void valueChanged(CDrawContext *context, CControl *control) = 0;
    // A press with Shift, Ctrl, Alt or bit 0x40 held. A non-zero answer
    // means the listener took care of it and the control does nothing more.
    virtual int32_t modifierClicked(CDrawContext * /*context*/, CControl * /*control*/, int32_t /*buttons*/) {
        return 0;
    }

    virtual ~ControlListener() = default;
};

// Orientation bits of the controls that have one. A slider tests only
// Horizontal; Vertical is what it is without it.
enum CControlStyle : int32_t {
    Horizontal = 1,
    Vertical = 2,
    MinAtLeft = 8,
    MinAtRight = 0x10,
    MinAtTop = 0x20,
    MinAtBottom = 0x40,
};

class CControl : public CView {
  public:
    CControl(const CRect &size, ControlListener *listener, int32_t tag, CBitmap *background = nullptr);
    ~CControl() override;

    bool isDirty() const override;
    // true also moves oldValue away from value, so that the dirty rule holds
    // until the next draw; false makes oldValue the value just drawn.
    void setDirty(bool flag = true) override;
    bool isTypeOf(const char *name) const override;

    // Runs the frame's idle work: mouse-tracking loops call it so that the
    // rest of the editor and the host keep running.
    virtual void runFrameIdle();

    // No clamping, no notification: the dirty rule sees the change, and a
    // new value tells the frame (changed).
    virtual void setValue(float newValue) { takeValue(newValue); }
    virtual float getValue() const { return value; }
    virtual void setMin(float newMin) { setChanging(vmin, newMin); }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float newMax) { setChanging(vmax, newMax); }
    virtual float getMax() const { return vmax; }
    virtual void setOldValue(float newOldValue) { setChanging(oldValue, newOldValue); }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float newDefault) { defaultValue = newDefault; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(int32_t newTag) { tag = newTag; }
    virtual int32_t getTag() const { return tag; }
    // The host hears of an edit between these two: the control takes the
    // keyboard focus, and the frame passes the tag on to the editor.
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBackOffset(const CPoint &offset) { backOffset = offset; }
    virtual void resetBackOffset();
    virtual void setWheelInc(float increment) { wheelInc = increment; }
    virtual float getWheelInc() const { return wheelInc; }
    // Into min..max; a value that is not a number becomes min.
    virtual void clampValue();
    // A press of exactly the left button with Ctrl sets the default value
    // inside an edit bracket; true when it did.
    virtual bool tryResetToDefault(CDrawContext *context, int32_t buttons);

    // Whether this click follows the last one within the double-click time.
    bool isDoubleClick();
    // A press that is not one of a double-click's two clicks (a Ctrl+click,
    // another button) ends any pair begun before it.
    void forgetClick() { lastClickValid = false; }
    // Whether the control draws the keyboard's focus mark: it has the focus
    // and the keyboard moved it there (see CFrame::isFocusVisible).
    bool focusMarked() const;

    ControlListener *getListener() const { return listener; }
    CPoint getBackOffset() const { return backOffset; }

  protected:
    // Every change of the value goes through here, so that the frame hears
    // of it; the value is taken as given.
    void takeValue(float newValue) { setChanging(value, newValue); }
    void setChanging(float &field, float newValue) {
        if (!(field == newValue))
            changed();
        field = newValue;
    }
    // The mouse buttons of a handler: -1 means "read them now".
    static int32_t resolveButtons(CDrawContext *context, int32_t buttons);
    // Offers a press with a modifier to the listener; true when the listener
    // took it and the handler must stop.
    bool offerModifierClick(CDrawContext *context, int32_t buttons);
    // Tells the listener when the dirty rule sees a change.
    void notifyIfDirty(CDrawContext *context);
    // The one way a control tells its listener of a new value.
    void notifyListener(CDrawContext *context);
    // A whole edit as the host hears it: beginEdit, the listener told of
    // the value, endEdit.
    void reportEdit(CDrawContext *context);
    // Whether whoever the control calls out to still lives. Every call out
    // of a control (the listener, and through the frame the editor and the
    // host behind it) may end with the editor gone: a host may delete the
    // effect, and the editor with it, from inside audioMasterBeginEdit,
    // audioMasterAutomate, audioMasterEndEdit or its idle. The listener is
    // taken to live as long as the frame's owner; beginEdit, endEdit,
    // notifyListener and offerModifierClick ask this first, so a control left
    // behind in a frame that outlives its editor calls nobody, and no
    // control needs a guard of its own.
    bool ownerAlive() const;
    // Whether a mouse-tracking loop may go on after the idle work it ran: the
    // frame is still open and the control still in it.
    bool canKeepTracking() const;
    // Who off-screen surfaces of the control belong to: its frame, if any.
    CDrawContextOwner *drawOwner() const;
    // Float to pixels: toward zero, with NaN as 0 and anything beyond
    // +-2^24 held there, far off any surface but with room for sums of
    // coordinates (a host may hand over any value).
    static int32_t truncToInt(double x);

    bool onAttached(CView *parent) override;
    bool onRemoved(CView *parent) override;

    ControlListener *listener;
    int32_t tag;
    float oldValue = 1.f;
    float defaultValue = 0.5f;
    float value = 0.f;
    float vmin = 0.f;
    float vmax = 1.f;
    float wheelInc = 0.1f;
    // Milliseconds of the last click; meaningful only while lastClickValid,
    // since the clock passes zero and the sign bit like any other value.
    int32_t lastTicks = -1;
    int32_t doubleClickTime;
    CPoint backOffset;

  private:
    bool lastClickValid = false;
    bool attached = false;
};

} // namespace sorrel
