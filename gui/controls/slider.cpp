#include "gui/controls/slider.h"

#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/fonts.h"
#include "gui/views/frame.h"
#include "gui/drawing/offscreen.h"

#include <cstring>

namespace sorrel {

namespace {
// Shift divides wheel and arrow steps by ten.
constexpr float kFineStep = 0.1f;
} // namespace

CSlider::CSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag, int32_t minPosition,
                 int32_t maxPosition, CBitmap *handleBitmap, CBitmap *bitmap, const CPoint &inOffset,
                 int32_t inStyle)
    : CControl(viewSize, inListener, inTag, bitmap), offset(inOffset), style(inStyle),
      controlWidth(viewSize.width()), controlHeight(viewSize.height()) {
    init(handleBitmap);
    minPos = minPosition - (horizontal() ? viewSize.left : viewSize.top);
    rangeHandle = maxPosition - minPosition;
    setHandleOffset(CPoint(0, 0));
}

CSlider::CSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag,
                 const CPoint &inHandleOffset, int32_t range, CBitmap *handleBitmap, CBitmap *bitmap,
                 const CPoint &inOffset, int32_t inStyle)
    : CControl(viewSize, inListener, inTag, bitmap), offset(inOffset), style(inStyle),
      controlWidth(viewSize.width()), controlHeight(viewSize.height()) {
    init(handleBitmap);
    minPos = 0;
    rangeHandle = range - (horizontal() ? handleWidth : handleHeight);
    setHandleOffset(inHandleOffset);
}

void CSlider::init(CBitmap *handleBitmap) {
    handle = handleBitmap;
    if (handle) {
        handle->remember();
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
    setWantsFocus(true);
}

CSlider::~CSlider() {
    if (handle)
        handle->forget();
    releaseOffscreen();
}

void CSlider::releaseOffscreen() {
    if (offscreen) {
        offscreen->forget();
        offscreen = nullptr;
    }
}

bool CSlider::isTypeOf(const char *name) const {
    return (name && std::strcmp(name, "CSlider") == 0) || CControl::isTypeOf(name);
}

void CSlider::setHandleOffset(const CPoint &newOffset) {
    handleOffset = newOffset;
    minHandlePos = (horizontal() ? newOffset.x : newOffset.y) + minPos;
    maxHandlePos = minHandlePos + rangeHandle + (horizontal() ? handleWidth : handleHeight);
}

void CSlider::setHandle(CBitmap *newHandle) {
    if (handle)
        handle->forget();
    handle = newHandle;
    if (handle) {
        handle->remember();
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
}

CRect CSlider::handleRect(bool clamped) const {
    const double f = (style & (MinAtLeft | MinAtTop)) ? double(value) : 1.0 - double(value);
    const int32_t along = horizontal() ? handleOffset.x : handleOffset.y;
    const int32_t across = horizontal() ? handleOffset.y : handleOffset.x;
    const int32_t length = horizontal() ? handleWidth : handleHeight;
    const int32_t thickness = horizontal() ? handleHeight : handleWidth;
    int32_t lead = along + truncToInt(double(rangeHandle) * f);
    int32_t trail;
    if (clamped) {
        if (lead < minHandlePos)
            lead = minHandlePos;
        trail = lead + length;
        if (trail > maxHandlePos)
            trail = maxHandlePos;
    } else {
        trail = lead + length;
    }
    if (horizontal())
        return CRect(lead, across, trail, across + thickness);
    return CRect(across, lead, across + thickness, trail);
}

bool CSlider::onAttached(CView *parent) {
    releaseOffscreen();
    offscreen = new COffscreenContext(drawOwner(), controlWidth, controlHeight, BlackColor);
    return CControl::onAttached(parent);
}

bool CSlider::onRemoved(CView *parent) {
    releaseOffscreen();
    return CControl::onRemoved(parent);
}

void CSlider::draw(CDrawContext *context) {
    if (!context)
        return;
    CDrawContext *target = context;
    if (offscreen) {
        target = offscreen;
        // What lies behind the control shows through its keyed-out parts.
        if (getTransparency())
            offscreen->copyFromContext(context, size, CPoint(0, 0));
    }
    CRect r(0, 0, controlWidth, controlHeight);
    if (!offscreen)
        r.offset(size.left, size.top);
    if (background) {
        if (getTransparency())
            background->drawTransparent(target, r, offset);
        else
            background->draw(target, r, offset);
    }
    if (handle) {
        CRect h = handleRect(true);
        if (!offscreen)
            h.offset(size.left, size.top);
        if (drawTransparentHandle)
            handle->drawTransparent(target, h, CPoint(0, 0));
        else
            handle->draw(target, h, CPoint(0, 0));
    }
    if (offscreen)
        offscreen->copyToContext(context, size, CPoint(0, 0));
    setDirty(false);
}

void CSlider::mouse(CDrawContext *context, CPoint &where, int32_t buttons) {
    if (!getMouseEnabled())
        return;
    buttons = resolveButtons(context, buttons);
    if (offerModifierClick(context, buttons))
        return;
    if (tryResetToDefault(context, buttons))
        return;
    // Without a context there is no pointer to follow.
    if (!(buttons & LeftButton) || !context)
        return;

    int32_t d = horizontal() ? size.left + handleOffset.x : size.top + handleOffset.y;
    if (freeClick) {
        // The handle's middle goes to the pointer.
        d += (horizontal() ? handleWidth : handleHeight) / 2 - 1;
    } else {
        // Only the handle starts a drag, and it keeps the point it was
        // gripped at.
        CRect grip = handleRect(false);
        grip.offset(size.left, size.top);
        if (!where.isWithin(grip))
            return;
        d += horizontal() ? where.x - grip.left : where.y - grip.top;
    }

    // The reference of fine mode: the value when Shift went down.
    float anchor = value;
    int32_t anchorButtons = buttons;
    beginEdit();
    CPoint pointer = where;
    for (bool first = true;; first = false) {
        int32_t held = context->getMouseButtons();
        if (!(held & LeftButton)) {
            // A click shorter than the idle pass: released before the loop
            // first looked, it still sets the value at the press, as a
            // held click does on its first pass.
            if (!first)
                break;
            held = buttons;
        }
        if (held != anchorButtons && (held & ShiftKey)) {
            anchor = value;
            anchorButtons = held;
        } else if (!(held & ShiftKey)) {
            anchor = value;
        }
        const int64_t along = int64_t(horizontal() ? pointer.x : pointer.y) - d;
        float moved = float(double(along) / double(rangeHandle));
        if (style & (MinAtRight | MinAtBottom))
            moved = 1.f - moved;
        if (held & ShiftKey)
            moved = anchor + (moved - anchor) / zoomFactor;
        takeValue(moved);
        clampValue();
        notifyIfDirty(context);
        getMouseLocation(context, pointer);
        runFrameIdle();
        if (!canKeepTracking())
            break;
    }
    endEdit();
}

bool CSlider::onWheel(CDrawContext *context, const CPoint & /*where*/, float distance) {
    if (!getMouseEnabled())
        return false;
    const bool fine = context && (context->getMouseButtons() & ShiftKey);
    takeValue(value + (fine ? kFineStep * distance * wheelInc : distance * wheelInc));
    clampValue();
    if (isDirty())
        reportEdit(context);
    return true;
}

int32_t CSlider::onKeyDown(CKeyCode &key) {
    float direction;
    switch (key.virt) {
    case VirtualKeyUp:
    case VirtualKeyRight:
        direction = 1.f;
        break;
    case VirtualKeyDown:
    case VirtualKeyLeft:
        direction = -1.f;
        break;
    default:
        return -1;
    }
    const bool fine = (key.modifier & ModifierShift) != 0;
    takeValue(value + (fine ? kFineStep * direction * wheelInc : direction * wheelInc));
    clampValue();
    if (isDirty())
        reportEdit(nullptr);
    return 1;
}

CVerticalSlider::CVerticalSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag,
                                 int32_t minPosition, int32_t maxPosition, CBitmap *handleBitmap,
                                 CBitmap *bitmap, const CPoint &inOffset, int32_t inStyle)
    : CSlider(viewSize, inListener, inTag, minPosition, maxPosition, handleBitmap, bitmap, inOffset,
              inStyle | Vertical) {}

CVerticalSlider::CVerticalSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag,
                                 const CPoint &inHandleOffset, int32_t range, CBitmap *handleBitmap,
                                 CBitmap *bitmap, const CPoint &inOffset, int32_t inStyle)
    : CSlider(viewSize, inListener, inTag, inHandleOffset, range, handleBitmap, bitmap, inOffset,
              inStyle | Vertical) {}

CHorizontalSlider::CHorizontalSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag,
                                     int32_t minPosition, int32_t maxPosition, CBitmap *handleBitmap,
                                     CBitmap *bitmap, const CPoint &inOffset, int32_t inStyle)
    : CSlider(viewSize, inListener, inTag, minPosition, maxPosition, handleBitmap, bitmap, inOffset,
              inStyle | Horizontal) {}

CHorizontalSlider::CHorizontalSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag,
                                     const CPoint &inHandleOffset, int32_t range, CBitmap *handleBitmap,
                                     CBitmap *bitmap, const CPoint &inOffset, int32_t inStyle)
    : CSlider(viewSize, inListener, inTag, inHandleOffset, range, handleBitmap, bitmap, inOffset,
              inStyle | Horizontal) {}

} // namespace sorrel
