#include "gui/views/view.h"

#include "gui/drawing/bitmap.h"
#include "gui/views/frame.h"

#include <cstring>

namespace sorrel {

const char kMsgCheckIfViewContainer[] = "kMsgCheckIfViewContainer";

CContextShift::CContextShift(CDrawContext *inContext, const CPoint &inBy) : context(inContext), by(inBy) {
    if (!context)
        return;
    const CPoint offset = context->getOffset();
    context->setOffset(CPoint(offset.x + by.x, offset.y + by.y));
    context->moveScreenOrigin(by);
}

CContextShift::~CContextShift() {
    if (!context)
        return;
    const CPoint offset = context->getOffset();
    context->setOffset(CPoint(offset.x - by.x, offset.y - by.y));
    context->moveScreenOrigin(CPoint(-by.x, -by.y));
}

CView::CView(const CRect &inSize) : size(inSize), mouseableArea(inSize) {}

CView::~CView() {
    if (background)
        background->forget();
}

void CView::draw(CDrawContext *context) {
    if (background && context) {
        if (transparencyEnabled)
            background->drawTransparent(context, size);
        else
            background->draw(context, size);
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext *context, const CRect &) { draw(context); }

bool CView::intersectsUpdate(const CRect &rect) const { return rect.overlaps(size); }

void CView::mouse(CDrawContext *, CPoint &, int32_t) {}

void CView::setBackground(CBitmap *newBackground) {
    if (newBackground)
        newBackground->remember();
    if (background)
        background->forget();
    background = newBackground;
    setDirty(true);
}

int32_t CView::onKeyDown(CKeyCode &) { return -1; }
int32_t CView::onKeyUp(CKeyCode &) { return -1; }

bool CView::onWheel(CDrawContext *context, const CPoint &where, CMouseWheelAxis, float distance) {
    return onWheel(context, where, distance);
}
bool CView::onWheel(CDrawContext *, const CPoint &, float) { return false; }

bool CView::onDrop(CDrawContext *, CDragContainer *, const CPoint &) { return false; }
void CView::onDragEnter(CDrawContext *, CDragContainer *, const CPoint &) {}
void CView::onDragLeave(CDrawContext *, CDragContainer *, const CPoint &) {}
void CView::onDragMove(CDrawContext *, CDragContainer *, const CPoint &) {}

void CView::loseFocus(CDrawContext *) {}
void CView::takeFocus(CDrawContext *) {}

CRect &CView::getMouseableArea(CRect &rect) const {
    rect = mouseableArea;
    return rect;
}

bool CView::hitTest(const CPoint &where, int32_t) { return where.isWithin(mouseableArea); }

void CView::setViewSize(const CRect &rect) {
    size = rect;
    setDirty(true);
}

CRect &CView::getViewSize(CRect &rect) const {
    rect = size;
    return rect;
}

bool CView::onRemoved(CView *) { return true; }
bool CView::onAttached(CView *) { return true; }

CPoint &CView::getMouseLocation(CDrawContext *context, CPoint &point) {
    if (!context)
        return point;
    if (parentView && parentView->notify(this, kMsgCheckIfViewContainer) == 1) {
        CContextShift shift(context, parentView->getViewSize().topLeft());
        return parentView->getMouseLocation(context, point);
    }
    return context->getMouseLocation(point);
}

CPoint &CView::frameToLocal(CPoint &point) const {
    if (parentView && parentView->isTypeOf("CViewContainer"))
        return parentView->frameToLocal(point);
    return point;
}

CPoint &CView::localToFrame(CPoint &point) const {
    if (parentView && parentView->isTypeOf("CViewContainer"))
        return parentView->localToFrame(point);
    return point;
}

int32_t CView::notify(CView *, const char *) { return 0; }

void CView::redrawRect(CDrawContext *context, const CRect &rect) {
    if (parentView)
        parentView->redrawRect(context, rect);
    else if (parentFrame)
        parentFrame->drawRect(context, rect);
}

bool CView::isTypeOf(const char *name) const { return name && std::strcmp(name, "CView") == 0; }

void CView::update(CDrawContext *context) {
    if (isDirty()) {
        if (context)
            redrawRect(context, size);
        else
            redraw();
        setDirty(false);
    }
}

void CView::setDirty(bool state) {
    dirty = state;
    if (state)
        changed();
}

void CView::changed() {
    // The frame's own changes are its dirty flag (and it is not whole yet
    // while its container part is being made).
    if (parentFrame && static_cast<CView *>(parentFrame) != this)
        parentFrame->viewChanged();
}

void CView::redraw() {
    if (parentFrame)
        parentFrame->drawView(this);
}

bool CView::setAttribute(int32_t id, int32_t inSize, const void *data) {
    if (inSize < 0 || (inSize > 0 && !data))
        return false;
    for (Attribute &entry : attributes) {
        if (entry.id != id)
            continue;
        if (static_cast<size_t>(inSize) > entry.data.size())
            return false;
        if (inSize > 0)
            std::memcpy(entry.data.data(), data, static_cast<size_t>(inSize));
        return true;
    }
    Attribute entry{id, std::vector<uint8_t>(static_cast<size_t>(inSize))};
    if (inSize > 0)
        std::memcpy(entry.data.data(), data, static_cast<size_t>(inSize));
    attributes.push_back(std::move(entry));
    return true;
}

bool CView::getAttributeSize(int32_t id, int32_t &outSize) const {
    for (const Attribute &entry : attributes) {
        if (entry.id == id) {
            outSize = static_cast<int32_t>(entry.data.size());
            return true;
        }
    }
    return false;
}

bool CView::getAttribute(int32_t id, int32_t bufferSize, void *buffer, int32_t &outSize) const {
    for (const Attribute &entry : attributes) {
        if (entry.id != id)
            continue;
        const auto stored = static_cast<int32_t>(entry.data.size());
        if (bufferSize < stored || (stored > 0 && !buffer))
            return false;
        if (stored > 0)
            std::memcpy(buffer, entry.data.data(), entry.data.size());
        outSize = stored;
        return true;
    }
    return false;
}

} // namespace sorrel
