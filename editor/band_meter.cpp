#include "editor/band_meter.h"

#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"

#include <algorithm>

namespace sorrel {

namespace {

bool betweenWholeScales(const CDrawContext *context) {
    return context && !context->getScale().isWhole();
}

} // namespace

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

void BandMeter::drawRows(CDrawContext *context, int32_t first, int32_t last, int32_t cut) {
    first = std::max(first, 0);
    last = std::min(last, size.height());
    if (first >= last)
        return;
    context->setFillColor(BlackColor);
    context->drawRect(CRect(size.left, size.top + first, size.right, size.top + last), Filled);
    context->setLineWidth(1);
    context->setLineStyle(LineSolid);
    context->setDrawMode(ModeCopy);
    for (int32_t row = first; row < last; ++row) {
        const CBitmap *strip = row >= cut ? onBitmap : offBitmap;
        const sorrel::raster::Surface *pixels = strip ? strip->getHandle() : nullptr;
        if (!pixels || row >= pixels->height() || pixels->width() < 1)
            continue;
        const sorrel::raster::Pixel p = sorrel::raster::colorOf(pixels->get(0, row));
        if (p == 0)
            continue;
        context->setFrameColor(CColor(uint8_t(sorrel::raster::red(p)), uint8_t(sorrel::raster::green(p)),
                                      uint8_t(sorrel::raster::blue(p)), 255));
        context->moveTo(CPoint(size.left, size.top + row));
        context->lineTo(CPoint(size.right, size.top + row));
    }
}

void BandMeter::draw(CDrawContext *context) {
    if (!betweenWholeScales(context) || !onBitmap) {
        CVuMeter::draw(context);
        return;
    }
    clampValue();
    const float shown = nextShown();
    oldValue = shown;
    drawnCut = cutFor(shown);
    drawRows(context, 0, size.height(), drawnCut);
    setDirty(false);
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
    const int32_t cut = cutFor(shown);
    if (betweenWholeScales(context)) {
        const CRect strip = stripBetween(drawnCut, cut);
        drawRows(context, strip.top - size.top, strip.bottom - size.top, cut);
        drawnCut = cut;
        return;
    }
    drawChange(context, cut);
}

} // namespace sorrel
