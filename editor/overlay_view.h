// The base of the small labels that lie on top of the editor and come, move
// and go: the value readout and the typing field. The frame redraws a view
// by drawing everything beneath its area and then the view; an overlay's
// area covers where it was and where it goes until that redraw, so what
// lay under its old place comes back, and nothing else is drawn. It never
// takes the mouse: a click goes to what lies beneath.
#pragma once

#include "gui/views/view.h"

namespace sorrel {

class OverlayView : public CView {
  public:
    OverlayView();

    // Shows the view at where from the next redraw on; an empty rectangle
    // hides it.
    void place(const CRect &where);
    void hide() { place(CRect()); }
    bool isShown() const { return !shownRect.isEmpty(); }
    const CRect &shownArea() const { return shownRect; }

    void update(CDrawContext *context) override;
    // Draws inside the shown rectangle only: the area redrawn where the view
    // was is that rectangle, so anything beyond it would stay behind.
    void drawRect(CDrawContext *context, const CRect &updateRect) override;

  protected:
    CRect shownRect;
};

} // namespace sorrel
