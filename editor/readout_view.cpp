#include "editor/readout_view.h"

#include "editor/level_color.h"
#include "gui/drawing/drawcontext.h"

#include <algorithm>
#include <cstring>

namespace sorrel {

namespace {
constexpr int32_t kGap = 3;
} // namespace

void ReadoutView::show(const CRect &where, const char *newText) {
    if (where == shownRect && std::strncmp(text, newText, sizeof text) == 0)
        return;
    std::strncpy(text, newText, sizeof text - 1);
    text[sizeof text - 1] = 0;
    place(where);
}

void ReadoutView::draw(CDrawContext *context) {
    if (context && isShown()) {
        // Only inside the shown rectangle, the area the frame redraws where
        // the label was: a row below it would stay on the screen after a move.
        context->setFillColor(PlainBlack);
        context->fillRect(shownRect);
        context->setFrameColor(CaptionGrey);
        context->drawRect(CRect(shownRect.left + 1, shownRect.top + 1, shownRect.right, shownRect.bottom));
        context->setFont(VerySmallFont, 9, 0);
        context->setFontColor(WhiteColor);
        context->drawString(text, shownRect, false, AlignCenter);
    }
    setDirty(false);
}

CRect besideFader(const CRect &fader, int32_t row, int32_t width, int32_t height, const CRect &bounds) {
    int32_t left = fader.right + kGap;
    if (left + width > bounds.right)
        left = fader.left - kGap - width;
    const int32_t top = std::clamp(row - height / 2, fader.top, std::max(fader.top, fader.bottom - height));
    return CRect(left, top, left + width, top + height);
}

} // namespace sorrel
