// A drawing context whose drawing lands in a memory image instead of the
// window: views compose into one and copy the result out in one step. Sizes
// and rectangles are logical; the image has the logical size at the owner's
// scale (one drawing into a bitmap's own image draws at 1x).
#pragma once

#include "gui/drawing/drawcontext.h"

#include <memory>

namespace sorrel {

class CBitmap;

class COffscreenContext : public CDrawContext {
  public:
    // The surface is width x height and shows the background color all over.
    COffscreenContext(CDrawContextOwner *owner, int32_t width, int32_t height,
                      const CColor &backgroundColor = BlackColor);
    // A surface the size of the background bitmap (20 x 20 without one) for
    // the context's owner. drawInBitmap draws straight into the bitmap's own
    // image; otherwise the surface starts as a copy of the bitmap, or black.
    COffscreenContext(CDrawContext *context, CBitmap *backgroundBitmap, bool drawInBitmap = false);
    ~COffscreenContext() override;

    // The block rect of source (shifted by the source's offset) to the point
    // destination of this surface.
    void copyFromContext(CDrawContext *source, const CRect &rect, const CPoint &destination = CPoint(0, 0));
    // The block of this surface at source, of rect's size, to rect of the
    // target (shifted by the target's offset).
    void copyToContext(CDrawContext *target, const CRect &rect, const CPoint &source = CPoint(0, 0));

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    CColor getBackgroundColor() const { return backgroundColor; }
    CBitmap *getBackgroundBitmap() const { return backgroundBitmap; }
    // The memory image drawing lands in; null when none could be made.
    raster::Surface *getSurface() const { return surfaceInUse; }

  private:
    void makeSurface(raster::Pixel fill);

    CBitmap *bitmap = nullptr;
    CBitmap *backgroundBitmap = nullptr;
    int32_t height = 20;
    int32_t width = 20;
    bool ownsSurface = false;
    CColor backgroundColor;
    std::unique_ptr<raster::Surface> ownSurface;
    std::shared_ptr<raster::Surface> bitmapSurface;
    raster::Surface *surfaceInUse = nullptr;
    std::unique_ptr<raster::Canvas> memoryContext;
};

} // namespace sorrel
