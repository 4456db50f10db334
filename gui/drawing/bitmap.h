// Pictures of the editor: images loaded by resource id from the plug-in's own
// module and drawn into a context opaquely, with one color keyed out, or
// blended with a constant opacity.
//
// A bitmap's size and the rectangles and offsets it is drawn with are
// logical. A context drawing at another scale gets the picture made for
// that scale: the module's resource of the scaled id (2x and 3x, drawn
// large by the picture script), else the module's painter (every other
// step), else the 1x image with each pixel stretched over its device area.
#pragma once

#include "gui/drawing/color.h"
#include "gui/drawing/geometry.h"
#include "gui/raster/raster.h"
#include "gui/drawing/refcount.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sorrel {

class CDrawContext;
class CDrawContextOwner;

class CBitmap : public CReferenceCounter {
  public:
    // Loads resource id; a missing resource leaves a 0 x 0 bitmap.
    explicit CBitmap(int32_t resourceId);
    // A black image of that size; nothing when a side is not positive or the
    // memory cannot be had.
    CBitmap(CDrawContextOwner *owner, int32_t width, int32_t height);
    CBitmap();
    ~CBitmap() override;

    virtual void draw(CDrawContext *context, const CRect &rect, const CPoint &offset = CPoint(0, 0));
    // Leaves the destination alone where the bitmap has the transparent
    // color (red, green and blue compared).
    virtual void drawTransparent(CDrawContext *context, const CRect &rect,
                                 const CPoint &offset = CPoint(0, 0));
    // Constant opacity: 0 transparent, 255 opaque.
    virtual void drawAlphaBlend(CDrawContext *context, const CRect &rect, const CPoint &offset = CPoint(0, 0),
                                uint8_t alpha = 128);
    virtual void dispose();
    virtual bool loadFromResource(int32_t resourceId);
    // Not supported: always disposes and fails.
    virtual bool loadFromPath(const char *path);

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    int32_t getResourceId() const { return resourceId; }
    bool isLoaded() const { return image != nullptr; }
    raster::Surface *getHandle() const { return image.get(); }
    // The image a context of that scale draws; null when not loaded.
    // Scaled images are made on first use and kept until the bitmap is
    // disposed; bitmaps not loaded from a resource may be drawn into, so
    // theirs are made anew at each call.
    std::shared_ptr<const raster::Surface> imageForScale(DeviceScale scale) const;
    // The image shared with whoever draws into it: it outlives a dispose
    // while an off-screen context still has it selected.
    std::shared_ptr<raster::Surface> getSharedHandle() const { return image; }

    void setTransparentColor(const CColor &color) { transparentColor = color; }
    CColor getTransparentColor() const { return transparentColor; }
    // Builds the mask of the transparent color from the context's pixels at
    // (0, 0, width, height) shifted by offset; drawTransparent then uses it.
    void setTransparencyMask(CDrawContext *context, const CPoint &offset = CPoint(0, 0));
    bool hasTransparencyMask() const { return mask != nullptr; }

  private:
    int32_t resourceId = 0;
    int32_t width = 0;
    int32_t height = 0;
    CColor transparentColor = TransparentColor;
    std::shared_ptr<raster::Surface> image;
    std::unique_ptr<raster::Surface> mask;
    // The scaled images of a resource bitmap, by quarter step.
    mutable std::mutex scaledLock;
    mutable std::shared_ptr<const raster::Surface> scaled[DeviceScale::kSteps];
};

} // namespace sorrel

namespace sorrel::gui {

// Whether the one-call keyed copy is used; when it is not, drawTransparent
// builds its mask per call. On; tests switch it off to check that both
// ways give the same pixels.
void setKeyedCopyAvailable(bool available);
bool keyedCopyAvailable();

// Decodes a packed device-independent bitmap (info header, color table,
// pixels) of 1, 4, 8, 24 or 32 bits per pixel, uncompressed. False, with
// out untouched, for anything malformed or larger than the limit.
bool decodePackedBitmap(const uint8_t *data, size_t size, raster::Surface &out);

// Images beyond this many pixels are refused rather than allocated.
constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

// The resource id of picture id drawn for scale 2 or 3: id + 1000 x scale
// (the background 101 at 2x is 2101).
constexpr int32_t scaledResourceId(int32_t id, int32_t scale) {
    return id + 1000 * scale;
}

// Every pixel of source stretched over its device area at scale (at a whole
// scale s, an s x s block); empty when memory runs out.
raster::Surface enlarge(const raster::Surface &source, DeviceScale scale);

} // namespace sorrel::gui
