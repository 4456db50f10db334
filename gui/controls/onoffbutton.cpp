#include "gui/controls/onoffbutton.h"

#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/fonts.h"

#include <cmath>
#include <cstring>

namespace sorrel {

COnOffButton::COnOffButton(const CRect &viewSize, ControlListener *inListener, int32_t inTag, CBitmap *bitmap,
                           int32_t inStyle)
    : CControl(viewSize, inListener, inTag, bitmap), style(inStyle) {}

bool COnOffButton::isTypeOf(const char *name) const {
    return (name && std::strcmp(name, "COnOffButton") == 0) || CControl::isTypeOf(name);
}

void COnOffButton::draw(CDrawContext *context) {
    if (background) {
        // The lower half of the picture is the "on" face.
        const int32_t y = value != 0.f ? background->getHeight() / 2 : 0;
        if (getTransparency())
            background->drawTransparent(context, getViewSize(), CPoint(0, y));
        else
            background->draw(context, getViewSize(), CPoint(0, y));
    }
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext *context, CPoint & /*where*/, int32_t buttons) {
    if (!getMouseEnabled())
        return;
    buttons = resolveButtons(context, buttons);
    // The left button first: a right click is not offered to the listener.
    if (!(buttons & LeftButton))
        return;
    if (offerModifierClick(context, buttons))
        return;
    // Anything but a whole 0 counts as on (0.5 turns on, -1 turns off).
    takeValue(std::trunc(value) != 0.f ? 0.f : 1.f);
    if (style == NotifyBeforeIdle)
        reportChange(context);
    // Usually draws the button's new face. The editor may have closed in
    // the host's idle; then nobody is left to tell.
    runFrameIdle();
    if (style == NotifyAfterIdle && canKeepTracking())
        reportChange(context);
}

void COnOffButton::reportChange(CDrawContext *context) {
    // Every click is reported, whether or not the dirty rule sees a change.
    reportEdit(context);
}

} // namespace sorrel
