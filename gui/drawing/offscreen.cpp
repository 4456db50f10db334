#include "gui/drawing/offscreen.h"

#include "gui/drawing/bitmap.h"

#include <new>

namespace sorrel {

// The surface has the context's device pixels: the logical size times the
// scale the owner draws at.
void COffscreenContext::makeSurface(sorrel::raster::Pixel fill) {
    const int64_t pixels = int64_t(width) * height * scale * scale;
    if (width <= 0 || height <= 0 || pixels > sorrel::gui::kMaxImagePixels)
        return;
    try {
        ownSurface = std::make_unique<sorrel::raster::Surface>(width * scale, height * scale, fill);
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
    makeSurface(sorrel::raster::rgb(backgroundColor.red, backgroundColor.green, backgroundColor.blue));
    memoryContext = std::make_unique<sorrel::raster::Canvas>(surfaceInUse);
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
        setScale(1);
        bitmapSurface = backgroundBitmap->getSharedHandle();
        surfaceInUse = bitmapSurface.get();
    } else {
        ownsSurface = true;
        makeSurface(0);
    }
    memoryContext = std::make_unique<sorrel::raster::Canvas>(surfaceInUse);
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
    sorrel::raster::Canvas *from = source ? source->getSystemContext() : nullptr;
    if (!from || !from->target() || !memoryContext)
        return;
    const sorrel::raster::Rect block = source->toDevice(rect);
    memoryContext->blit(destination.x * scale, destination.y * scale, block.width(), block.height(),
                        *from->target(), block.left, block.top);
}

void COffscreenContext::copyToContext(CDrawContext *target, const CRect &rect, const CPoint &source) {
    sorrel::raster::Canvas *to = target ? target->getSystemContext() : nullptr;
    if (!to || !surfaceInUse)
        return;
    const sorrel::raster::Rect block = target->toDevice(rect);
    to->blit(block.left, block.top, block.width(), block.height(), *surfaceInUse, source.x * scale,
             source.y * scale);
}

} // namespace sorrel
