#include "editor/caption_view.h"

#include "editor/level_color.h"
#include "gui/drawing/drawcontext.h"

namespace sorrel {

CaptionView::CaptionView(const CRect &viewSize, const layout::EditorLayout &places) : CView(viewSize) {
    for (int32_t i = 0; i < layout::kNumControls; ++i) {
        // Ten rows under the control; the switches' boxes are wider than
        // the switches. Those lie below the strip and stay undrawn.
        CRect box = places.entries[i];
        box.top = box.bottom + 1;
        box.bottom = box.bottom + 11;
        if (i >= layout::kInSwitch)
            box.inset(-4, 0);
        boxes[i] = box;
    }
}

void CaptionView::draw(CDrawContext *context) {
    if (context)
        drawCaptions(context, size);
    setDirty(false);
}

void CaptionView::drawCaptions(CDrawContext *context, const CRect &area) {
    if (!context)
        return;
    context->setFont(VerySmallFont, 9, 0);
    context->setFontColor(CaptionGrey);
    for (int32_t i = 0; i < layout::kNumControls; ++i)
        if (boxes[i].overlaps(area))
            context->drawString(layout::caption(i), boxes[i], false, AlignCenter);
}

} // namespace sorrel
