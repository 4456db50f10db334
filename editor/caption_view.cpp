#include "editor/caption_view.h"

#include "editor/equalizer_editor.h"
#include "editor/layout.h"
#include "editor/level_color.h"
#include "gui/drawcontext.h"

namespace sorrel {

CaptionView::CaptionView(const CRect &viewSize, EqualizerEditor *owner)
    : CView(viewSize), editor(owner), editorAlive(owner ? owner->livenessToken() : nullptr) {}

void CaptionView::draw(CDrawContext *context) {
    if (context)
        drawCaptions(context, size);
    setDirty(false);
}

void CaptionView::drawCaptions(CDrawContext *context, const CRect &area) {
    if (!context || !editor || !editorAlive || !*editorAlive)
        return;
    context->setFont(VerySmallFont, 9, 0);
    context->setFontColor(CaptionGrey);
    for (int32_t i = 0; i < layout::kNumControls; ++i) {
        const CControl *control = editor->getControl(i);
        if (!control)
            continue;
        // Ten rows under the control; the switches' boxes are wider than
        // the switches. Those lie below the strip and stay undrawn.
        CRect box = control->getViewSize();
        box.top = box.bottom + 1;
        box.bottom = box.bottom + 11;
        if (i == layout::kInSwitch || i == layout::kOutSwitch)
            box.inset(-4, 0);
        if (box.overlaps(area))
            context->drawString(layout::caption(i), box, false, AlignCenter);
    }
}

} // namespace sorrel
