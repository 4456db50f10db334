#include "gui/views/frame.h"

#include "gui/drawing/drawcontext.h"
#include "gui/views/frame_calls.h"
#include "gui/drawing/offscreen.h"

#include <algorithm>
#include <cstring>

namespace sorrel {

using gui::ContextRef;
using gui::KeepAlive;

namespace {

CRect intersection(CRect a, const CRect &b) {
    a.intersectWith(b);
    return a;
}

platform::Cursor platformCursor(CCursorType type) {
    switch (type) {
    case CursorWait:
        return platform::CursorBusy;
    case CursorResizeHorizontal:
        return platform::CursorWestEast;
    case CursorResizeVertical:
        return platform::CursorNorthSouth;
    case CursorMove:
        return platform::CursorFourWay;
    case CursorResizeNESW:
        return platform::CursorNorthEastSouthWest;
    case CursorResizeNWSE:
        return platform::CursorNorthWestSouthEast;
    case CursorNotAllowed:
        return platform::CursorNoEntry;
    case CursorHand:
        return platform::CursorPointingHand;
    default:
        return platform::CursorArrow;
    }
}

} // namespace

// --- construction -------------------------------------------------------------------

CFrame::CFrame(const CRect &inSize, void *inParentWindow, CFrameOwner *inOwner, DeviceScale inScale)
    : CViewContainer(inSize, this, nullptr), owner(inOwner), scale(inScale),
      parentWindow(inParentWindow) {
    if (owner)
        ownerToken = owner->livenessToken();
    if (!parentWindow)
        return;
    window = platform::createWindow(parentWindow, scale.length(size.width()), scale.length(size.height()), this);
    if (!window)
        return;
    setDropActive(true);
}

CFrame::~CFrame() {
    if (CView *old = modalView) {
        modalView = nullptr;
        removeView(old, false);
    }
    if (windowUsable()) {
        setCursor(CursorDefault);
        setDropActive(false);
    }
    if (backBuffer) {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    if (drag) {
        drag->forget();
        drag = nullptr;
    }
    // The children go while the frame is still whole: they ask it about the
    // focus on their way out.
    removeAll(true);
    focusView = nullptr;
    releaseOffscreen();
    if (window) {
        platform::destroyWindow(window);
        window = nullptr;
    }
}

void CFrame::editorClosed() {
    setDropActive(false);
    setOpenFlag(false);
    accessible = nullptr;
}


// --- drawing --------------------------------------------------------------------

CDrawContext *CFrame::createDrawContext() {
    return new CDrawContext(this, nullptr, windowUsable() ? window : nullptr);
}

void CFrame::present(CDrawContext *context, const CRect &area) { present(context, &area, 1); }

void CFrame::present(CDrawContext *context, const CRect *areas, size_t count) {
    if (presentsHeld || !context || !windowUsable() || context->getWindow() != window ||
        context->getSystemContext() == nullptr)
        return;
    const CPoint offset = context->getOffset();
    std::vector<raster::Rect> shownAreas;
    shownAreas.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        CRect shown = areas[i];
        shown.offset(offset.x, offset.y);
        shown.intersectWith(CRect(0, 0, size.width(), size.height()));
        if (!shown.isEmpty())
            shownAreas.push_back(
                raster::Rect{scale.device(shown.left), scale.device(shown.top), scale.device(shown.right),
                                     scale.device(shown.bottom)});
    }
    if (!shownAreas.empty())
        platform::presentWindowAreas(window, shownAreas.data(), shownAreas.size());
}

void CFrame::draw(CDrawContext *context) {
    firstDrawPending = false;
    ContextRef own(context ? nullptr : createDrawContext());
    if (own.get())
        context = own.get();
    CViewContainer::draw(context);
    present(context, size);
}

void CFrame::drawRect(CDrawContext *context, const CRect &updateRect) {
    firstDrawPending = false;
    ContextRef own(context ? nullptr : createDrawContext());
    if (own.get())
        context = own.get();
    const CRect oldClip = context->getClipRect();
    const CRect newClip = intersection(updateRect, oldClip);
    context->setClipRect(newClip);
    if (updateRect.width() > 0 && updateRect.height() > 0) {
        CViewContainer::drawRect(context, updateRect);
        present(context, newClip);
    }
    context->setClipRect(oldClip);
}

void CFrame::drawView(CView *view) {
    ContextRef context(createDrawContext());
    if (view && isChild(view)) {
        view->draw(context.get());
        present(context.get(), view->getViewSize());
    } else {
        draw(context.get());
    }
}

namespace {

int64_t area(const CRect &r) {
    return r.isEmpty() ? 0 : int64_t(r.width()) * r.height();
}

} // namespace

// Every present is a trip to the window system (on X11 a round trip to the
// server), so an idle pass that redraws 124 meters side by side must not
// show them one by one. Areas join a group while the group's bounding box
// stays within twice the pixels it really holds: neighbours merge, a fader
// far from the meters is shown on its own. The window's image is right
// everywhere, so showing a little more than what changed costs only pixels.
std::vector<CRect> CFrame::mergeNearby(const std::vector<CRect> &areas) {
    struct Group {
        CRect box;
        int64_t pixels;
    };
    std::vector<Group> groups;
    for (const CRect &r : areas) {
        if (r.isEmpty())
            continue;
        bool joined = false;
        for (Group &g : groups) {
            const CRect box(std::min(g.box.left, r.left), std::min(g.box.top, r.top),
                            std::max(g.box.right, r.right), std::max(g.box.bottom, r.bottom));
            if (area(box) <= 2 * (g.pixels + area(r))) {
                g.box = box;
                g.pixels += area(r);
                joined = true;
                break;
            }
        }
        if (!joined)
            groups.push_back({r, area(r)});
    }
    std::vector<CRect> merged;
    for (const Group &g : groups)
        merged.push_back(g.box);
    return merged;
}

void CFrame::update(CDrawContext *context) {
    if (!openFlag || updatesDisabled || !context)
        return;
    if (dirty) {
        draw(context);
        setDirty(false);
        // A view that still changes after its drawing (a meter's shown
        // level falls a step per drawing) needs the next pass too.
        if (isDirty())
            changesPending = true;
        return;
    }
    // Each dirty child is shown once after its update, whichever way its
    // drawing went (through the frame, or straight from a nested container
    // into the window's image).
    const CRect clip = context->getClipRect();
    std::vector<CRect> drawn;
    const bool wasHeld = presentsHeld;
    presentsHeld = true;
    if (modalView && modalView->isDirty()) {
        modalView->update(context);
        drawn.push_back(intersection(modalView->getViewSize(), clip));
    }
    for (size_t i = 0; i < children.size(); ++i) {
        CView *child = children[i];
        // A view that is not dirty has nothing to draw and nothing to show.
        if (!child->isDirty())
            continue;
        const CRect area = intersection(child->getViewSize(), clip);
        const CRect changed = intersection(child->getUpdateArea(), area);
        context->setClipRect(area);
        child->update(context);
        if (!changed.isEmpty())
            drawn.push_back(changed);
        // Still dirty after its drawing (a meter's shown level falls a step
        // per drawing): the next pass looks again.
        if (child->isDirty())
            changesPending = true;
    }
    context->setClipRect(clip);
    presentsHeld = wasHeld;
    const std::vector<CRect> merged = mergeNearby(drawn);
    present(context, merged.data(), merged.size());
}

void CFrame::idle() {
    if (!openFlag || firstDrawPending || updatesDisabled || !(changesPending || dirty))
        return;
    changesPending = false;
    if (!isDirty())
        return;
    KeepAlive keep(this);
    ContextRef context(createDrawContext());
    update(context.get());
}

void CFrame::invalidate(const CRect &rect) {
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i]->getViewSize().overlaps(rect))
            children[i]->setDirty(true);
}

bool CFrame::setUpdatesDisabled(bool state) {
    const bool previous = updatesDisabled;
    updatesDisabled = state;
    // What changed meanwhile is drawn at the next pass.
    if (!state)
        changesPending = true;
    return previous;
}

// --- events -----------------------------------------------------------------------

void CFrame::mouse(CDrawContext *context, CPoint &where, int32_t buttons) {
    ContextRef own(context ? nullptr : createDrawContext());
    if (own.get())
        context = own.get();
    setFocusVisible(false);
    if (focusView)
        setFocusView(nullptr);
    if (buttons == -1)
        buttons = context->getMouseButtons();
    if (!modalView) {
        CViewContainer::mouse(context, where, buttons);
    } else if (modalView->hitTest(where, buttons)) {
        CView *modal = modalView;
        modal->remember();
        modal->mouse(context, where, buttons);
        modal->forget();
    }
}

int32_t CFrame::onKeyDown(CKeyCode &key) {
    if (mouseHeld)
        return -1;
    KeepAlive keep(this);
    int32_t result = focusView ? focusView->onKeyDown(key) : -1;
    if (result == -1 && modalView)
        result = modalView->onKeyDown(key);
    if (result == -1 && key.virt == VirtualKeyTab)
        result = advanceFocus(focusView, (key.modifier & ModifierShift) != 0) ? 1 : -1;
    if (result == 1)
        setFocusVisible(true);
    return result;
}

void CFrame::setFocusVisible(bool state) {
    if (focusVisible == state)
        return;
    focusVisible = state;
    if (focusView && focusView->getWantsFocus())
        focusView->setDirty(true);
}

int32_t CFrame::onKeyUp(CKeyCode &key) {
    if (mouseHeld)
        return -1;
    KeepAlive keep(this);
    int32_t result = focusView ? focusView->onKeyUp(key) : -1;
    if (result == -1 && modalView)
        result = modalView->onKeyUp(key);
    return result;
}

bool CFrame::onWheel(CDrawContext *context, const CPoint &where, CMouseWheelAxis axis, float distance) {
    CView *view = modalView ? modalView : getViewAt(where, false);
    if (!view || mouseHeld)
        return false;
    KeepAlive keep(this);
    ContextRef own(context ? nullptr : createDrawContext());
    if (own.get())
        context = own.get();
    view->remember();
    const bool result = view->onWheel(context, where, axis, distance);
    view->forget();
    return result;
}

bool CFrame::onWheel(CDrawContext *context, const CPoint &where, float distance) {
    return onWheel(context, where, WheelAxisY, distance);
}

bool CFrame::onWheelAtPointer(float distance) {
    KeepAlive keep(this);
    CDrawContext *context = createDrawContext();
    CPoint where;
    context->getMouseLocation(where);
    const bool result = onWheel(context, where, distance);
    context->forget();
    return result;
}

CView *CFrame::getCurrentView() const { return modalView ? modalView : CViewContainer::getCurrentView(); }

bool CFrame::advanceFocus(CView *oldFocus, bool backwards) {
    if (modalView)
        return false;
    if (!oldFocus)
        oldFocus = focusView;
    if (!oldFocus)
        return CViewContainer::advanceFocus(nullptr, backwards);
    if (isChild(oldFocus)) {
        if (CViewContainer::advanceFocus(oldFocus, backwards))
            return true;
        setFocusView(nullptr);
        return false;
    }
    CView *child = oldFocus;
    for (CView *parent = oldFocus->getParentView(); parent && parent->isTypeOf("CViewContainer");
         parent = parent->getParentView()) {
        if (static_cast<CViewContainer *>(parent)->advanceFocus(child, backwards))
            return true;
        child = parent;
    }
    return CViewContainer::advanceFocus(oldFocus, backwards);
}

void CFrame::setFocusView(CView *view) {
    CView *old = focusView;
    focusView = view;
    if (view && view->getWantsFocus())
        view->setDirty(true);
    if (old) {
        old->loseFocus(nullptr);
        if (old->getWantsFocus())
            old->setDirty(true);
    }
}

bool CFrame::setModalView(CView *view) {
    if (modalView && view)
        return false;
    if (CView *old = modalView) {
        modalView = nullptr;
        removeView(old, false);
    }
    modalView = view;
    if (view)
        addView(view);
    return true;
}

void CFrame::beginEdit(int32_t index) {
    if (CFrameOwner *e = getOwner())
        e->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
    if (CFrameOwner *e = getOwner())
        e->endEdit(index);
}

// --- editor, time and window --------------------------------------------------------

CFrameOwner *CFrame::getOwner() const { return ownerToken && *ownerToken ? owner : nullptr; }

bool CFrame::isTypeOf(const char *name) const {
    if (name && std::strcmp(name, "CFrame") == 0)
        return true;
    return CViewContainer::isTypeOf(name);
}

bool CFrame::open() { return false; }
bool CFrame::close() { return false; }

void CFrame::doIdleWork() {
    if (CFrameOwner *e = getOwner())
        e->doIdleWork();
}

uint32_t CFrame::getTicks() const {
    CFrameOwner *e = getOwner();
    return e ? e->getTicks() : 0;
}

int32_t CFrame::getKnobMode() const {
    CFrameOwner *o = getOwner();
    return o ? o->getKnobMode() : 0;
}

bool CFrame::setPosition(int32_t, int32_t) { return false; }

bool CFrame::getPosition(int32_t &x, int32_t &y) const {
    if (!openFlag || !windowUsable())
        return false;
    raster::Point where;
    if (!platform::outerWindowPosition(window, where))
        return false;
    x = where.x;
    y = where.y;
    return true;
}

bool CFrame::setSize(int32_t width, int32_t height) {
    if (!openFlag || (width == size.width() && height == size.height()) || width <= 0 || height <= 0)
        return false;
    if (backBuffer) {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    CFrameOwner *e = getOwner();
    const bool byHost = e && e->requestSize(scale.length(width), scale.length(height));
    if (windowUsable())
        platform::resizeWindow(window, scale.length(width), scale.length(height), !byHost);
    // Also when the host did the resizing: the composition surface must
    // follow the new size, or the new area is never drawn.
    CViewContainer::setViewSize(CRect(size.left, size.top, size.left + width, size.top + height));
    return true;
}

void CFrame::setViewSize(const CRect &rect) { setSize(rect.width(), rect.height()); }

bool CFrame::setScale(DeviceScale newScale) {
    if (newScale == scale)
        return true;
    if (!openFlag)
        return false;
    KeepAlive keep(this);
    const int32_t width = newScale.length(size.width()), height = newScale.length(size.height());
    if (CFrameOwner *e = getOwner()) {
        const std::shared_ptr<const bool> token = ownerToken;
        if (!e->requestSize(width, height))
            return false;
        if (!*token || !openFlag)
            return false;
    }
    scale = newScale;
    if (windowUsable())
        platform::resizeWindow(window, width, height, getOwner() == nullptr);
    // Every surface made for the old scale goes; views that keep their own
    // (the meters) make theirs anew when they see a context of another scale.
    if (backBuffer) {
        backBuffer->forget();
        backBuffer = nullptr;
    }
    releaseOffscreen();
    setDirty(true);
    return true;
}

CPoint CFrame::logical(const raster::Point &at) const {
    return CPoint(scale.logical(at.x), scale.logical(at.y));
}

bool CFrame::getSize(CRect *rect) const { return rect ? getSize(*rect) : false; }

bool CFrame::getSize(CRect &rect) const {
    if (!openFlag || !windowUsable())
        return false;
    // Where the window is, on the screen (which has only device pixels);
    // how large, in the frame's logical pixels like everything else it
    // answers.
    const raster::Rect r = platform::windowScreenRect(window);
    rect = CRect(r.left, r.top, r.left + scale.logical(r.width() - 1) + 1, r.top + scale.logical(r.height() - 1) + 1);
    return true;
}

bool CFrame::getCurrentLocation(CPoint &where) {
    raster::Point pointer = platform::pointerPosition();
    if (windowUsable()) {
        const raster::Rect r = platform::windowScreenRect(window);
        pointer.x -= r.left;
        pointer.y -= r.top;
        where = logical(pointer);
    } else {
        where = CPoint(pointer.x, pointer.y);
    }
    return true;
}

void CFrame::setCursor(CCursorType type) {
    if (windowUsable())
        platform::setCursor(window, platformCursor(type));
}

void *CFrame::getSystemWindow() const { return windowUsable() ? platform::nativeHandle(window) : nullptr; }

CRect CFrame::getDefaultClip() { return size; }

// --- what the window reports ---------------------------------------------------------------

void CFrame::paint(const raster::Rect &area) {
    // Closed, the views may refer to an editor that is gone.
    if (!openFlag || !windowUsable())
        return;
    KeepAlive keep(this);
    ContextRef context(new CDrawContext(this, nullptr, window));
    // Every logical pixel that has a device pixel in the area.
    const CPoint topLeft = logical({area.left, area.top});
    const CPoint bottomRight = logical({area.right - 1, area.bottom - 1});
    drawRect(context.get(), CRect(topLeft.x, topLeft.y, bottomRight.x + 1, bottomRight.y + 1));
}

void CFrame::buttonPressed(const raster::Point &at) {
    if (!openFlag || !windowUsable() || mouseHeld)
        return;
    KeepAlive keep(this);
    ContextRef context(createDrawContext());
    CPoint where = logical(at);
    mouseHeld = true;
    mouse(context.get(), where, -1);
    mouseHeld = false;
    // A view may have drawn straight into the window while it held the mouse.
    present(context.get(), size);
}

// The window's keys and the host's key calls number keys alike.
static_assert(VirtualKeyTab == platform::keys::Tab && VirtualKeyDelete == platform::keys::Delete &&
              VirtualKeyEnter == platform::keys::Enter && ModifierShift == platform::keys::Shift);

bool CFrame::keyPressed(const platform::KeyStroke &pressed) {
    if (!openFlag || !windowUsable())
        return false;
    CKeyCode key;
    key.character = pressed.character;
    key.virt = pressed.virt;
    key.modifier = pressed.modifier;
    return onKeyDown(key) == 1;
}

void CFrame::wheel(const raster::Point &at, float distance) {
    if (!openFlag || !windowUsable())
        return;
    KeepAlive keep(this);
    ContextRef context(createDrawContext());
    onWheel(context.get(), logical(at), distance);
    present(context.get(), size);
}

void CFrame::destroyed() {
    setOpenFlag(false);
    windowGone = true;
    dropActive = false;
    parentWindow = nullptr;
    endDrag();
}

} // namespace sorrel
