#include "gui/views/viewcontainer.h"

#include "gui/drawing/bitmap.h"
#include "gui/views/frame.h"
#include "gui/drawing/offscreen.h"

#include <algorithm>
#include <cstring>

namespace sorrel {

namespace {

CRect intersection(CRect a, const CRect &b) {
    a.intersectWith(b);
    return a;
}

// Keeps a view alive while it handles an event: its handler may remove it
// from its container.
using Hold = CReferenceHold;

bool isContainer(CView *view) {
    return view->notify(nullptr, kMsgCheckIfViewContainer) == 1;
}

} // namespace

CViewContainer::CViewContainer(const CRect &inSize, CFrame *parent, CBitmap *inBackground) : CView(inSize) {
    parentFrame = parent;
    setBackground(inBackground);
}

CViewContainer::~CViewContainer() {
    removeAll(true);
    releaseOffscreen();
}

void CViewContainer::ensureOffscreen() {
    if (offscreen || !drawInOffscreen)
        return;
    offscreen = new COffscreenContext(parentFrame, size.width(), size.height(), BlackColor);
}

void CViewContainer::releaseOffscreen() {
    if (offscreen) {
        offscreen->forget();
        offscreen = nullptr;
    }
}

CView *CViewContainer::childAt(const CPoint &local) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (local.isWithin((*it)->getMouseableArea()))
            return *it;
    return nullptr;
}

// --- drawing ------------------------------------------------------------------

void CViewContainer::draw(CDrawContext *context) {
    if (!context)
        return;
    ensureOffscreen();
    const bool composed = drawInOffscreen && offscreen;
    CContextShift shift(composed ? nullptr : context, size.topLeft());
    CDrawContext *target = composed ? offscreen : context;

    const CRect local(0, 0, size.width(), size.height());
    const CRect readClip = context->getClipRect();
    CRect clip = readClip;
    if (composed && static_cast<CView *>(parentFrame) != this)
        clip.offset(-size.left, -size.top);
    target->setClipRect(intersection(local, clip));

    if (background) {
        if (transparencyEnabled)
            background->drawTransparent(target, local, backgroundOffset);
        else
            background->draw(target, local, backgroundOffset);
    } else if (!transparencyEnabled) {
        target->setFillColor(backgroundColor);
        target->fillRect(local);
    }

    for (size_t i = 0; i < children.size(); ++i) {
        CView *child = children[i];
        target->setClipRect(intersection(child->getViewSize(), clip));
        child->draw(target);
    }
    target->setClipRect(readClip);

    if (composed)
        offscreen->copyToContext(context, size, CPoint(0, 0));
    setDirty(false);
}

void CViewContainer::drawRect(CDrawContext *context, const CRect &updateRect) {
    if (!context)
        return;
    ensureOffscreen();
    const bool composed = drawInOffscreen && offscreen;
    CContextShift shift(composed ? nullptr : context, size.topLeft());
    CDrawContext *target = composed ? offscreen : context;

    const CRect updateArea = intersection(updateRect, size);
    CRect client = updateArea;
    client.offset(-size.left, -size.top);

    const CRect kept = context->getClipRect();
    CRect clip = kept;
    if (composed && static_cast<CView *>(parentFrame) != this)
        clip.offset(-size.left, -size.top);
    const CRect newClip = intersection(client, clip);
    target->setClipRect(newClip);

    drawBackgroundRect(target, client);

    for (size_t i = 0; i < children.size(); ++i) {
        CView *child = children[i];
        if (!child->intersectsUpdate(client))
            continue;
        const CRect visible = intersection(child->getViewSize(), newClip);
        if (visible.width() <= 0 || visible.height() <= 0)
            continue;
        target->setClipRect(visible);
        const bool wasDirty = child->isDirty();
        child->drawRect(target, client);
        // Drawn only in part: the rest still has to be drawn.
        if (wasDirty && child->getViewSize() != visible && !isTypeOf("CScrollContainer"))
            child->setDirty(true);
    }
    target->setClipRect(kept);

    if (composed)
        offscreen->copyToContext(context, updateArea, client.topLeft());
    setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext *context, const CRect &rect) {
    if (!context)
        return;
    if (background) {
        const CRect oldClip = context->getClipRect();
        context->setClipRect(intersection(rect, oldClip));
        const CRect whole(0, 0, background->getWidth(), background->getHeight());
        if (transparencyEnabled)
            background->drawTransparent(context, whole, backgroundOffset);
        else
            background->draw(context, whole, backgroundOffset);
        context->setClipRect(oldClip);
    } else if (!transparencyEnabled) {
        context->setFillColor(backgroundColor);
        context->fillRect(rect);
    }
}

void CViewContainer::redrawRect(CDrawContext *context, const CRect &rect) {
    CRect inParent = rect;
    inParent.offset(size.left, size.top);
    if (transparencyEnabled || !context) {
        // Without a context the frame makes its own, in its coordinates.
        if (parentView && context) {
            parentView->redrawRect(context, inParent);
        } else if (parentFrame) {
            CPoint origin(0, 0);
            if (parentView)
                parentView->localToFrame(origin);
            if (static_cast<CView *>(parentFrame) != this)
                inParent.offset(origin.x, origin.y);
            parentFrame->drawRect(context, inParent);
        }
        return;
    }
    CPoint origin(0, 0);
    if (parentView)
        parentView->localToFrame(origin);
    CContextShift shift(parentView ? context : nullptr, origin);
    drawRect(context, inParent);
}

void CViewContainer::update(CDrawContext *context) {
    const CRect local(0, 0, size.width(), size.height());
    if (updateMode == RedrawAll) {
        if (isDirty()) {
            redrawRect(context, local);
            setDirty(false);
        }
        return;
    }
    if (dirty) {
        redrawRect(context, local);
    } else {
        for (size_t i = 0; i < children.size(); ++i) {
            CView *child = children[i];
            if (!child->isDirty() || !child->intersectsUpdate(local))
                continue;
            if (isContainer(child))
                child->update(context);
            else
                child->redrawRect(context, intersection(child->getViewSize(), local));
        }
    }
    setDirty(false);
}

bool CViewContainer::isDirty() const {
    if (dirty)
        return true;
    const CRect local(0, 0, size.width(), size.height());
    for (CView *child : children) {
        if (!child->isDirty())
            continue;
        const CRect part = intersection(child->getViewSize(), local);
        if (part.width() > 0 && part.height() > 0)
            return true;
    }
    return false;
}

// --- events ---------------------------------------------------------------------

void CViewContainer::mouse(CDrawContext *context, CPoint &where, int32_t buttons) {
    CPoint local(where.x - size.left, where.y - size.top);
    if (buttons == -1 && context)
        buttons = context->getMouseButtons();
    for (size_t i = children.size(); i-- > 0;) {
        CView *child = children[i];
        if (child->getMouseEnabled() && child->hitTest(local, buttons)) {
            Hold hold(child);
            child->mouse(context, local, buttons);
            return;
        }
    }
}

// Keys go to the children from last to first; the first answer other than
// -1 ends the offer.
int32_t CViewContainer::offerKey(CKeyCode &key, int32_t (CView::*handler)(CKeyCode &)) {
    for (size_t i = children.size(); i-- > 0;) {
        if (i >= children.size())
            continue;
        Hold hold(children[i]);
        const int32_t result = (children[i]->*handler)(key);
        if (result != -1)
            return result;
    }
    return -1;
}

int32_t CViewContainer::onKeyDown(CKeyCode &key) {
    return offerKey(key, &CView::onKeyDown);
}

int32_t CViewContainer::onKeyUp(CKeyCode &key) {
    return offerKey(key, &CView::onKeyUp);
}

bool CViewContainer::onWheel(CDrawContext *context, const CPoint &where, CMouseWheelAxis axis, float distance) {
    CView *child = getViewAt(where, false);
    if (!child)
        return false;
    Hold hold(child);
    CContextShift shift(context, size.topLeft());
    return child->onWheel(context, CPoint(where.x - size.left, where.y - size.top), axis, distance);
}

bool CViewContainer::onWheel(CDrawContext *context, const CPoint &where, float distance) {
    return onWheel(context, where, WheelAxisY, distance);
}

bool CViewContainer::onDrop(CDrawContext *context, CDragContainer *drag, const CPoint &where) {
    if (!parentFrame)
        return false;
    const CPoint local(where.x - size.left, where.y - size.top);
    CContextShift shift(context, size.topLeft());
    CView *child = getViewAt(where, false);
    if (child != currentDragView) {
        if (currentDragView)
            currentDragView->onDragLeave(context, drag, local);
        currentDragView = child;
    }
    bool result = false;
    if (CView *target = currentDragView) {
        Hold hold(target);
        result = target->onDrop(context, drag, local);
        target->onDragLeave(context, drag, local);
    }
    currentDragView = nullptr;
    return result;
}

void CViewContainer::onDragEnter(CDrawContext *context, CDragContainer *drag, const CPoint &where) {
    if (!parentFrame)
        return;
    const CPoint local(where.x - size.left, where.y - size.top);
    CContextShift shift(context, size.topLeft());
    if (currentDragView)
        currentDragView->onDragLeave(context, drag, local);
    currentDragView = getViewAt(where, false);
    if (currentDragView)
        currentDragView->onDragEnter(context, drag, local);
}

void CViewContainer::onDragLeave(CDrawContext *context, CDragContainer *drag, const CPoint &where) {
    const CPoint local(where.x - size.left, where.y - size.top);
    CContextShift shift(context, size.topLeft());
    if (CView *target = currentDragView) {
        currentDragView = nullptr;
        target->onDragLeave(context, drag, local);
    }
}

void CViewContainer::onDragMove(CDrawContext *context, CDragContainer *drag, const CPoint &where) {
    const CPoint local(where.x - size.left, where.y - size.top);
    CContextShift shift(context, size.topLeft());
    CView *child = getViewAt(where, false);
    if (child != currentDragView) {
        if (currentDragView)
            currentDragView->onDragLeave(context, drag, local);
        currentDragView = child;
        if (child)
            child->onDragEnter(context, drag, local);
    } else if (currentDragView) {
        currentDragView->onDragMove(context, drag, local);
    }
}

void CViewContainer::loseFocus(CDrawContext *context) {
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->loseFocus(context);
}

void CViewContainer::takeFocus(CDrawContext *context) {
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->takeFocus(context);
}

// --- geometry and type ----------------------------------------------------------------

void CViewContainer::setViewSize(const CRect &rect) {
    CView::setViewSize(rect);
    if (offscreen && drawInOffscreen) {
        releaseOffscreen();
        ensureOffscreen();
    }
}

bool CViewContainer::onRemoved(CView *) {
    releaseOffscreen();
    return true;
}

bool CViewContainer::onAttached(CView *) {
    ensureOffscreen();
    return true;
}

CPoint &CViewContainer::frameToLocal(CPoint &point) const {
    point.offset(-size.left, -size.top);
    if (parentView && parentView->isTypeOf("CViewContainer"))
        return parentView->frameToLocal(point);
    return point;
}

CPoint &CViewContainer::localToFrame(CPoint &point) const {
    point.offset(size.left, size.top);
    if (parentView && parentView->isTypeOf("CViewContainer"))
        return parentView->localToFrame(point);
    return point;
}

int32_t CViewContainer::notify(CView *, const char *message) {
    return message == kMsgCheckIfViewContainer ? 1 : 0;
}

bool CViewContainer::isTypeOf(const char *name) const {
    if (name && std::strcmp(name, "CViewContainer") == 0)
        return true;
    return CView::isTypeOf(name);
}

// --- children -------------------------------------------------------------------

void CViewContainer::addView(CView *view, const CRect &area, bool enabled) {
    if (!view)
        return;
    view->setMouseEnabled(enabled);
    view->setMouseableArea(area);
    addView(view);
}

void CViewContainer::addView(CView *view) {
    if (!view)
        return;
    view->remember();
    children.push_back(view);
    view->setParentFrame(parentFrame);
    view->setParentView(this);
    view->onAttached(this);
    view->setDirty(true);
}

void CViewContainer::removeView(CView *view, bool withForget) {
    if (parentFrame && view && parentFrame->getFocusView() == view)
        parentFrame->setFocusView(nullptr);
    auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end())
        return;
    if (currentDragView == view)
        currentDragView = nullptr;
    view->onRemoved(this);
    // onRemoved may have changed the list: look again.
    it = std::find(children.begin(), children.end(), view);
    if (it == children.end())
        return;
    children.erase(it);
    if (withForget)
        view->forget();
    view->forget();
}

void CViewContainer::removeAll(bool withForget) {
    while (!children.empty())
        removeView(children.front(), withForget);
}

bool CViewContainer::isChild(CView *view) const {
    return view && std::find(children.begin(), children.end(), view) != children.end();
}

int32_t CViewContainer::getViewCount() const { return static_cast<int32_t>(children.size()); }

CView *CViewContainer::getView(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= children.size())
        return nullptr;
    return children[static_cast<size_t>(index)];
}

void CViewContainer::setBackgroundColor(const CColor &color) {
    backgroundColor = color;
    setDirty(true);
}

void CViewContainer::setDrawInOffscreen(bool state) {
    drawInOffscreen = state;
    if (!state)
        releaseOffscreen();
}

CView *CViewContainer::getCurrentView() const {
    if (!parentFrame)
        return nullptr;
    CPoint where;
    parentFrame->getCurrentLocation(where);
    frameToLocal(where);
    return childAt(where);
}

CView *CViewContainer::getViewAt(const CPoint &where, bool deep) const {
    if (!parentFrame)
        return nullptr;
    const CPoint local(where.x - size.left, where.y - size.top);
    CView *child = childAt(local);
    if (deep && child && child->isTypeOf("CViewContainer"))
        return static_cast<CViewContainer *>(child)->getViewAt(local, deep);
    return child;
}

bool CViewContainer::advanceFocus(CView *oldFocus, bool backwards) {
    // A copy: giving the focus may change the list.
    std::vector<CView *> order(children);
    if (backwards)
        std::reverse(order.begin(), order.end());
    auto it = order.begin();
    if (oldFocus) {
        it = std::find(order.begin(), order.end(), oldFocus);
        if (it == order.end())
            return false;
        ++it;
    }
    for (; it != order.end(); ++it) {
        CView *child = *it;
        if (child->getWantsFocus()) {
            if (parentFrame)
                parentFrame->setFocusView(child);
            return true;
        }
        if (child->isTypeOf("CViewContainer") && static_cast<CViewContainer *>(child)->advanceFocus(nullptr, backwards))
            return true;
    }
    return false;
}

} // namespace sorrel
