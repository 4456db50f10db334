#include "gui/drawing/offscreen.h"

#include "gui/drawing/bitmap.h"

#include <new>

namespace sorrel {

// The surface has the context's device pixels: the logical size at the
// scale the owner draws at.
void COffscreenContext::makeSurface(raster::Pixel fill) {
    if (width <= 0 || height <= 0)
        return;
    const int32_t w = scale.length(width), h = scale.length(height);
    if (int64_t(w) * h > gui::kMaxImagePixels)
        return;
    try {
        ownSurface = std::make_unique<raster::Surface>(w, h, fill);
    } catch (const std::bad_alloc &) {
        ownSurface.reset();
        return;
    }
    surfaceInUse = ownSurface.get();
}

COffscreenContext::COffscreenContext(CDrawContextOwner *inOwner, int32_t inWidth, int32_t inHeight,
                                     const CColor &background)
    : CDrawContext(inOwner, nullptr, nullptr), height(inHeight), width(inWidth), ownsSurface(true),
      backgroundColor(background) {
    clipRect.setNormalized(0, 0, width, height);
    // The memory starts in the background color: the fill and outline below
    // leave a 1 x 1 surface untouched (a line to its own start draws nothing).
    makeSurface(raster::rgb(backgroundColor.red, backgroundColor.green, backgroundColor.blue));
    memoryContext = std::make_unique<raster::Canvas>(surfaceInUse);
    attachSystemContext(memoryContext.get());
    setFillColor(backgroundColor);
    setFrameColor(backgroundColor);
    fillRect(CRect(0, 0, width, height));
    drawRect(CRect(0, 0, width, height), Outline);
}

COffscreenContext::COffscreenContext(CDrawContext *context, CBitmap *background, bool drawInBitmap)
    : CDrawContext(context ? context->getOwner() : nullptr, nullptr, nullptr), backgroundBitmap(background) {
    if (backgroundBitmap) {
        width = backgroundBitmap->getWidth();
        height = backgroundBitmap->getHeight();
    }
    clipRect.setNormalized(0, 0, width, height);
    if (drawInBitmap && backgroundBitmap) {
        // The bitmap's own image has its logical size.
        setScale(DeviceScale());
        bitmapSurface = backgroundBitmap->getSharedHandle();
        surfaceInUse = bitmapSurface.get();
    } else {
        ownsSurface = true;
        makeSurface(0);
    }
    memoryContext = std::make_unique<raster::Canvas>(surfaceInUse);
    attachSystemContext(memoryContext.get());
    if (!ownsSurface)
        return;
    if (backgroundBitmap)
        backgroundBitmap->draw(this, CRect(0, 0, width, height), CPoint(0, 0));
    else
        fillRect(CRect(0, 0, width, height));
}

COffscreenContext::~COffscreenContext() {
    if (bitmap)
        bitmap->forget();
    // The canvas and surface go before the base; it must not touch them.
    detachSystemContext();
}

void COffscreenContext::copyFromContext(CDrawContext *source, const CRect &rect, const CPoint &destination) {
    raster::Canvas *from = source ? source->getSystemContext() : nullptr;
    if (!from || !from->target() || !memoryContext)
        return;
    const raster::Rect block = source->toDevice(rect);
    memoryContext->blit(scale.device(destination.x), scale.device(destination.y), block.width(), block.height(),
                        *from->target(), block.left, block.top);
}

void COffscreenContext::copyToContext(CDrawContext *target, const CRect &rect, const CPoint &source) {
    raster::Canvas *to = target ? target->getSystemContext() : nullptr;
    if (!to || !surfaceInUse)
        return;
    const raster::Rect block = target->toDevice(rect);
    to->blit(block.left, block.top, block.width(), block.height(), *surfaceInUse, scale.device(source.x),
             scale.device(source.y));
}

} // namespace sorrel
