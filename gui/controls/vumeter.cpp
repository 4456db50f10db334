#include "gui/controls/vumeter.h"

#include "gui/drawing/bitmap.h"
#include "gui/drawing/drawcontext.h"
#include "gui/drawing/offscreen.h"

#include <cstring>

namespace sorrel {

CVuMeter::CVuMeter(const CRect &viewSize, CBitmap *inOnBitmap, CBitmap *inOffBitmap, int32_t inLedCount,
                   int32_t inStyle)
    : CControl(viewSize, nullptr, 0, nullptr), onBitmap(inOnBitmap), offBitmap(inOffBitmap),
      ledCount(inLedCount), style(inStyle) {
    onRect.setNormalized(viewSize.left, viewSize.top, viewSize.right, viewSize.bottom);
    offRect.setNormalized(viewSize.left, viewSize.top, viewSize.right, viewSize.bottom);
    setDecreaseStep(0.1f);
    setUseOffscreen(true);
    if (onBitmap)
        onBitmap->remember();
    if (offBitmap)
        offBitmap->remember();
}

CVuMeter::~CVuMeter() {
    if (onBitmap)
        onBitmap->forget();
    if (offBitmap)
        offBitmap->forget();
    releaseOffscreen();
}

bool CVuMeter::isTypeOf(const char *name) const {
    return (name && std::strcmp(name, "CVuMeter") == 0) || CControl::isTypeOf(name);
}

void CVuMeter::setDirty(bool flag) {
    CView::setDirty(flag);
}

void CVuMeter::releaseOffscreen() {
    if (offscreen) {
        offscreen->forget();
        offscreen = nullptr;
    }
}

void CVuMeter::makeOffscreen() {
    offscreen = new COffscreenContext(drawOwner(), size.width(), size.height(), BlackColor);
    onRect = CRect(0, 0, size.width(), size.height());
    offRect = onRect;
    drawnCut = -1;
}

bool CVuMeter::onAttached(CView *parent) {
    releaseOffscreen();
    if (useOffscreen) {
        makeOffscreen();
    } else {
        onRect = size;
        offRect = size;
    }
    return CControl::onAttached(parent);
}

bool CVuMeter::onRemoved(CView *parent) {
    releaseOffscreen();
    return CControl::onRemoved(parent);
}

float CVuMeter::nextShown() const {
    float level = value;
    if (level > getMax())
        level = getMax();
    else if (!(level >= getMin()))
        level = getMin();
    const float fallen = oldValue - decreaseStep;
    return fallen < level ? level : fallen;
}

int32_t CVuMeter::cutFor(float shown) const {
    if (!onBitmap)
        return 0;
    const double leds = ledCount > 0 ? double(ledCount) : 1.0;
    int32_t cut, extent;
    if (style & Horizontal) {
        const int32_t lit = ledCount > 0 ? truncToInt(ledCount * double(shown) + 0.5) : 0;
        cut = truncToInt(lit / leds * onBitmap->getWidth());
        extent = size.width();
    } else {
        const int32_t unlit = ledCount > 0 ? truncToInt(ledCount * (double(getMax()) - shown) + 0.5) : 1;
        cut = truncToInt(unlit / leds * onBitmap->getHeight());
        extent = size.height();
    }
    return cut < 0 ? 0 : cut > extent ? extent : cut;
}

CRect CVuMeter::stripBetween(int32_t cutA, int32_t cutB) const {
    const int32_t low = cutA < cutB ? cutA : cutB, high = cutA < cutB ? cutB : cutA;
    if (style & Horizontal)
        return CRect(size.left + low, size.top, size.left + high, size.bottom);
    return CRect(size.left, size.top + low, size.right, size.top + high);
}

void CVuMeter::drawChange(CDrawContext *context, int32_t cut) {
    if (cut == drawnCut)
        return;
    // The strip between the cuts turns lit or unlit; vertically the lit
    // part lies below the cut, horizontally before it.
    const bool horizontal = (style & Horizontal) != 0;
    const bool nowLit = horizontal ? cut > drawnCut : cut < drawnCut;
    CBitmap *picture = nowLit ? onBitmap : offBitmap;
    const CRect strip = stripBetween(drawnCut, cut); // in the view's coordinates
    const CPoint from(strip.left - size.left, strip.top - size.top);
    drawnCut = cut;
    if (!picture)
        return; // an unlit part without a picture is never drawn in full either
    // With both pictures a whole drawing paints all of the surface anew, so
    // what it holds between whole drawings does not matter and the strip
    // goes straight to the context. Without the unlit picture the surface
    // keeps the lit pixels a whole drawing leaves in place, so it is kept
    // up to date.
    if (useOffscreen && offscreen && !offBitmap) {
        const CRect local(from.x, from.y, from.x + strip.width(), from.y + strip.height());
        picture->draw(offscreen, local, from);
        offscreen->copyToContext(context, strip, from);
    } else {
        picture->draw(context, strip, from);
    }
}

void CVuMeter::draw(CDrawContext *context) {
    if (!onBitmap)
        return;
    clampValue();
    const float shown = nextShown();
    oldValue = shown;
    drawnCut = cutFor(shown);

    CDrawContext *target = context;
    if (useOffscreen) {
        // A surface made for another scale than the context's is made anew.
        if (offscreen && context && offscreen->getScale() != context->getScale())
            releaseOffscreen();
        if (!offscreen)
            makeOffscreen();
        target = offscreen;
    }
    // Without LEDs nothing is lit.
    const double leds = ledCount > 0 ? double(ledCount) : 1.0;
    CPoint pointOn, pointOff;
    if (style & Horizontal) {
        const int32_t lit = ledCount > 0 ? truncToInt(ledCount * double(shown) + 0.5) : 0;
        int32_t cut = truncToInt(lit / leds * onBitmap->getWidth());
        pointOff = CPoint(cut, 0);
        pointOn = CPoint(0, 0);
        if (!useOffscreen)
            cut += size.left;
        offRect.left = cut;
        onRect.right = cut;
    } else {
        const int32_t unlit = ledCount > 0 ? truncToInt(ledCount * (double(getMax()) - shown) + 0.5) : 1;
        int32_t cut = truncToInt(unlit / leds * onBitmap->getHeight());
        pointOn = CPoint(0, cut);
        pointOff = CPoint(0, 0);
        if (!useOffscreen)
            cut += size.top;
        offRect.bottom = cut;
        onRect.top = cut;
    }
    const bool keyed = getTransparency();
    if (offBitmap) {
        if (keyed)
            offBitmap->drawTransparent(target, offRect, pointOff);
        else
            offBitmap->draw(target, offRect, pointOff);
    }
    if (keyed)
        onBitmap->drawTransparent(target, onRect, pointOn);
    else
        onBitmap->draw(target, onRect, pointOn);
    if (offscreen)
        offscreen->copyToContext(context, size, CPoint(0, 0));
    setDirty(false);
}

} // namespace sorrel
