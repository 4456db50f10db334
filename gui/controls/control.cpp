#include "gui/controls/control.h"

#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/fonts.h"
#include "gui/views/frame.h"
#include "gui/platform/platform.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace sorrel {

namespace {
// Bit 0x40 is the one modifier bit of the button word beyond Shift, Ctrl
// and Alt; a press with any of them goes to the listener first.
constexpr int32_t kModifierBits = ShiftKey | ControlKey | AltKey | 0x40;
// Shorter double-click times than this are raised to it.
constexpr uint32_t kShortestDoubleClick = 250;
} // namespace

int32_t CControl::truncToInt(double x) {
    constexpr double kFar = double(1 << 24);
    if (std::isnan(x))
        return 0;
    if (x > kFar)
        return int32_t(kFar);
    if (x < -kFar)
        return -int32_t(kFar);
    return static_cast<int32_t>(x);
}

CControl::CControl(const CRect &viewSize, ControlListener *inListener, int32_t inTag, CBitmap *bitmap)
    : CView(viewSize), listener(inListener), tag(inTag) {
    uint32_t systemTime = platform::doubleClickTime();
    if (systemTime < kShortestDoubleClick)
        systemTime = kShortestDoubleClick;
    doubleClickTime = systemTime > uint32_t(std::numeric_limits<int32_t>::max())
                          ? std::numeric_limits<int32_t>::max()
                          : int32_t(systemTime);
    setTransparency(false);
    setMouseEnabled(true);
    backOffset = CPoint(0, 0);
    // Marks the new control dirty (oldValue -1 against value 0): it is drawn
    // on the first pass even when nobody ever sets a value.
    setBackground(bitmap);
}

CControl::~CControl() = default;

bool CControl::isDirty() const {
    return oldValue != value || CView::isDirty();
}

void CControl::setDirty(bool flag) {
    CView::setDirty(flag);
    if (!flag)
        oldValue = value;
    else
        oldValue = value == -1.f ? 0.f : -1.f;
}

bool CControl::isTypeOf(const char *name) const {
    return (name && std::strcmp(name, "CControl") == 0) || CView::isTypeOf(name);
}

void CControl::runFrameIdle() {
    if (CFrame *frame = getFrame())
        frame->doIdleWork();
}

void CControl::beginEdit() {
    if (!ownerAlive())
        return;
    if (CFrame *frame = getFrame()) {
        frame->setFocusView(this);
        frame->beginEdit(tag);
    }
}

void CControl::endEdit() {
    if (!ownerAlive())
        return;
    if (CFrame *frame = getFrame())
        frame->endEdit(tag);
}

void CControl::resetBackOffset() {
    backOffset = CPoint(size.left, size.top);
}

void CControl::clampValue() {
    if (value > vmax)
        takeValue(vmax);
    else if (!(value >= vmin))
        takeValue(vmin);
}

bool CControl::tryResetToDefault(CDrawContext *context, int32_t buttons) {
    if (buttons != (LeftButton | ControlKey))
        return false;
    beginEdit();
    takeValue(getDefaultValue());
    notifyIfDirty(context);
    endEdit();
    return true;
}

bool CControl::isDoubleClick() {
    // The editor's clock (what the frame reports) is the platform's tick
    // count; read directly, it serves a control outside a frame as well.
    const uint32_t now = platform::tickCount();
    // Compared by difference: the clock wraps.
    if (lastClickValid && int32_t(now - uint32_t(lastTicks)) < doubleClickTime) {
        lastTicks = 0;
        lastClickValid = false;
        return true;
    }
    lastTicks = int32_t(now);
    lastClickValid = true;
    return false;
}

bool CControl::focusMarked() const {
    const CFrame *frame = getFrame();
    return frame && frame->isFocusVisible() && frame->getFocusView() == this;
}

int32_t CControl::resolveButtons(CDrawContext *context, int32_t buttons) {
    if (buttons == -1)
        return context ? context->getMouseButtons() : 0;
    return buttons;
}

bool CControl::offerModifierClick(CDrawContext *context, int32_t buttons) {
    if (!listener || !(buttons & kModifierBits) || !ownerAlive())
        return false;
    return listener->modifierClicked(context, this, buttons) != 0;
}

void CControl::notifyIfDirty(CDrawContext *context) {
    if (isDirty())
        notifyListener(context);
}

void CControl::notifyListener(CDrawContext *context) {
    if (listener && ownerAlive())
        listener->valueChanged(context, this);
}

void CControl::reportEdit(CDrawContext *context) {
    if (!listener)
        return;
    beginEdit();
    notifyListener(context);
    endEdit();
}

bool CControl::ownerAlive() const {
    const CFrame *frame = getFrame();
    return !frame || frame->ownerAlive();
}

bool CControl::canKeepTracking() const {
    CFrame *frame = getFrame();
    return !frame || (attached && frame->isOpen());
}

CDrawContextOwner *CControl::drawOwner() const {
    return getFrame();
}

bool CControl::onAttached(CView *parent) {
    attached = true;
    return CView::onAttached(parent);
}

bool CControl::onRemoved(CView *parent) {
    attached = false;
    return CView::onRemoved(parent);
}

} // namespace sorrel
