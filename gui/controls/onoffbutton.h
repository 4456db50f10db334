// The two-state button: each left click flips the value between 0 and 1 and
// tells the listener. Its face is a background holding two pictures stacked
// vertically, off above on.
#pragma once

#include "gui/controls/control.h"

namespace sorrel {

// When the listener hears of a click, relative to the idle pass in which the
// button shows its new state. Any other style keeps the listener out.
enum CNotifyStyle : int32_t {
    NotifyAfterIdle = 0,
    NotifyBeforeIdle = 1,
};

class COnOffButton : public CControl {
  public:
    COnOffButton(const CRect &size, ControlListener *listener, int32_t tag, CBitmap *background,
                 int32_t style = NotifyAfterIdle);

    void draw(CDrawContext *context) override;
    void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1) override;
    bool isTypeOf(const char *name) const override;

    virtual int32_t getStyle() const { return style; }
    virtual void setStyle(int32_t newStyle) { style = newStyle; }

  protected:
    // Tells the listener of a change made by a click, inside the edit bracket.
    void reportChange(CDrawContext *context);

    int32_t style;
};

} // namespace sorrel
