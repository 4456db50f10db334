// A meter set's on/off switch: the on/off button's click behaviour, drawn as
// a small black-framed lamp in the editor's red (bright when on). Space
// toggles it from the keyboard, as one edit; the keyboard's focus turns its
// frame white.
#pragma once

#include "gui/controls/onoffbutton.h"

namespace sorrel {

class MeterSwitch : public COnOffButton {
  public:
    MeterSwitch(const CRect &size, ControlListener *listener, int32_t tag);

    void draw(CDrawContext *context) override;
    int32_t onKeyDown(CKeyCode &key) override;
    // A value from elsewhere (a screen reader) taken as the user's: one edit.
    void applyValue(float newValue);
};

} // namespace sorrel
