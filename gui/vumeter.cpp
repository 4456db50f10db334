#include "gui/vumeter.h"

#include "gui/bitmap.h"
#include "gui/drawcontext.h"
#include "gui/offscreen.h"

#include <cstring>

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

void CVuMeter::draw(CDrawContext *context) {
    if (!onBitmap)
        return;
    clampValue();
    float shown = oldValue - decreaseStep;
    if (shown < value)
        shown = value;
    oldValue = shown;

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
