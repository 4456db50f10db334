#include "editor/band_meter.h"

namespace sorrel {

BandMeter::BandMeter(const CRect &viewSize, CBitmap *on, CBitmap *off, int32_t leds)
    : CVuMeter(viewSize, on, off, leds, Vertical) {}

bool BandMeter::needsWholeDrawing() const {
    return CView::isDirty() || drawnCut < 0 || getTransparency() || (useOffscreen && !offscreen);
}

CRect BandMeter::getUpdateArea() const {
    if (!isDirty())
        return CRect();
    if (!onBitmap || needsWholeDrawing())
        return size;
    return stripBetween(drawnCut, cutFor(nextShown()));
}

void BandMeter::update(CDrawContext *context) {
    if (!context) {
        CVuMeter::update(context);
        return;
    }
    if (!isDirty() || !onBitmap)
        return;
    if (needsWholeDrawing()) {
        draw(context);
        return;
    }
    // What draw does, but only the LEDs that change are drawn.
    clampValue();
    const float shown = nextShown();
    oldValue = shown;
    drawChange(context, cutFor(shown));
}

} // namespace sorrel
