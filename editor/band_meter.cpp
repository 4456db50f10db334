#include "editor/band_meter.h"

#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"

#include <algorithm>
#include <new>

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
    CRect strip = stripBetween(drawnCut, cutFor(nextShown()));
    // Between whole scales the strip's first LED line may reach into the
    // row above.
    if (!rowsScale.isWhole() && strip.top > size.top)
        strip.top -= 1;
    return strip;
}

void BandMeter::makeRows(DeviceScale scale) {
    rowsScale = scale;
    const int32_t top = scale.device(size.top);
    const int32_t width = scale.length(size.width()) + 1, height = scale.device(size.bottom) - top;
    const CBitmap *pictures[2] = {offBitmap, onBitmap};
    for (int32_t lit = 0; lit < 2; ++lit) {
        raster::Surface &rows = lit ? litRows : unlitRows;
        rows = raster::Surface(std::max(width, 1), std::max(height, 1), 0);
        const raster::Surface *pixels = pictures[lit] ? pictures[lit]->getHandle() : nullptr;
        if (!pixels || pixels->width() < 1)
            continue;
        for (int32_t row = 0; row < std::min(size.height(), pixels->height()); ++row) {
            const raster::Pixel color = raster::colorOf(pixels->get(0, row));
            if (color == 0)
                continue;
            const int32_t first = scale.lineStart(size.top + row) - top;
            for (int32_t y = std::max(first, 0); y < std::min(first + scale.lineWidth(), height); ++y)
                std::fill(rows.row(y), rows.row(y) + width, color);
        }
    }
}

void BandMeter::drawRows(CDrawContext *context, int32_t first, int32_t last, int32_t cut) {
    raster::Canvas *canvas = context->getSystemContext();
    if (!canvas)
        return;
    const DeviceScale scale = context->getScale();
    if (scale != rowsScale || litRows.empty()) {
        try {
            makeRows(scale);
        } catch (const std::bad_alloc &) {
            litRows = unlitRows = raster::Surface();
            return;
        }
    }
    first = std::max(first, 0);
    last = std::min(last, size.height());
    const raster::Rect area = context->toDevice(size);
    const int32_t top = scale.device(size.top);
    const raster::Surface *lit = onBitmap ? onBitmap->getHandle() : nullptr;
    // Where the strips meet in the device rows: a colored row's line may
    // reach above its own row's area, and goes with its row whole.
    auto split = [&](int32_t row) {
        int32_t at = scale.device(size.top + row);
        if (row > 0 && row < size.height() && lit && row < lit->height() && lit->width() > 0 &&
            raster::colorOf(lit->get(0, row)) != 0)
            at = std::min(at, scale.lineStart(size.top + row));
        return at - top;
    };
    auto copy = [&](const raster::Surface &rows, int32_t from, int32_t to) {
        if (from >= to)
            return;
        const int32_t a = split(from), b = split(to);
        canvas->blit(area.left, area.top + a, area.width(), b - a, rows, 0, a);
    };
    copy(unlitRows, first, std::min(last, cut));
    copy(litRows, std::max(first, cut), last);
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
