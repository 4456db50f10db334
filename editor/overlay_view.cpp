#include "editor/overlay_view.h"

#include "gui/drawing/drawcontext.h"

#include <algorithm>

namespace sorrel {

OverlayView::OverlayView() : CView(CRect()) {
    setMouseEnabled(false);
    setMouseableArea(CRect());
}

void OverlayView::place(const CRect &where) {
    // What is on the screen now, or still waits to be drawn over.
    const CRect old = size;
    shownRect = where.isEmpty() ? CRect() : where;
    if (old.isEmpty())
        size = shownRect;
    else if (!shownRect.isEmpty())
        size = CRect(std::min(old.left, where.left), std::min(old.top, where.top), std::max(old.right, where.right),
                     std::max(old.bottom, where.bottom));
    setDirty(true);
}

void OverlayView::update(CDrawContext *context) {
    const bool wasDirty = isDirty();
    CView::update(context);
    if (wasDirty)
        size = shownRect;
}

void OverlayView::drawRect(CDrawContext *context, const CRect &updateRect) {
    if (!context) {
        CView::drawRect(context, updateRect);
        return;
    }
    const CRect kept = context->getClipRect();
    CRect inside = kept;
    inside.intersectWith(shownRect);
    context->setClipRect(inside);
    CView::drawRect(context, updateRect);
    context->setClipRect(kept);
}

} // namespace sorrel
