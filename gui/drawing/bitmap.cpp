#include "gui/drawing/bitmap.h"

#include "gui/drawing/drawcontext.h"
#include "gui/drawing/resources.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace sorrel::gui {
namespace {
bool keyedCopy = true;

uint32_t readU32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t readU16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// An image of w x h pixels, or false when it is too big or memory runs out.
bool allocate(int64_t w, int64_t h, raster::Surface &out) {
    if (w <= 0 || h <= 0 || w * h > kMaxImagePixels)
        return false;
    try {
        out = raster::Surface(static_cast<int32_t>(w), static_cast<int32_t>(h), 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}
} // namespace

void setKeyedCopyAvailable(bool available) {
    keyedCopy = available;
}
bool keyedCopyAvailable() {
    return keyedCopy;
}

bool decodePackedBitmap(const uint8_t *data, size_t size, raster::Surface &out) {
    constexpr size_t kInfoHeader = 40;
    if (!data || size < kInfoHeader)
        return false;
    const uint32_t headerSize = readU32(data);
    const int64_t width = static_cast<int32_t>(readU32(data + 4));
    const int64_t rawHeight = static_cast<int32_t>(readU32(data + 8));
    const uint16_t planes = readU16(data + 12);
    const uint16_t bits = readU16(data + 14);
    const uint32_t compression = readU32(data + 16);
    uint32_t colorsUsed = readU32(data + 32);
    if (headerSize < kInfoHeader || headerSize > size || planes != 1 || compression != 0 /* BI_RGB */)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0 || width * height > kMaxImagePixels)
        return false;

    const uint8_t *palette = data + headerSize;
    size_t paletteBytes = 0;
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        if (colorsUsed == 0 || colorsUsed > maxColors)
            colorsUsed = maxColors;
        paletteBytes = size_t(colorsUsed) * 4;
    }
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    const size_t pixelOffset = headerSize + paletteBytes;
    if (pixelOffset > size || (size - pixelOffset) / stride < static_cast<size_t>(height))
        return false;

    raster::Surface image;
    if (!allocate(width, height, image))
        return false;
    const uint8_t *pixels = data + pixelOffset;
    for (int64_t row = 0; row < height; row++) {
        const uint8_t *src = pixels + static_cast<size_t>(topDown ? row : height - 1 - row) * stride;
        raster::Pixel *dst = image.row(static_cast<int32_t>(row));
        for (int64_t x = 0; x < width; x++) {
            if (bits >= 24) {
                const uint8_t *p = src + x * (bits / 8);
                dst[x] = raster::rgb(p[2], p[1], p[0]);
                continue;
            }
            const size_t bitPos = static_cast<size_t>(x) * bits;
            const unsigned shift = 8 - bits - static_cast<unsigned>(bitPos % 8);
            const uint32_t index = (src[bitPos / 8] >> shift) & ((1u << bits) - 1);
            if (index < colorsUsed) {
                const uint8_t *q = palette + index * 4;
                dst[x] = raster::rgb(q[2], q[1], q[0]);
            }
        }
    }
    out = std::move(image);
    return true;
}

raster::Surface enlarge(const raster::Surface &source, DeviceScale scale) {
    raster::Surface out;
    if (!allocate(scale.length(source.width()), scale.length(source.height()), out))
        return {};
    for (int32_t y = 0; y < out.height(); ++y) {
        const raster::Pixel *from = source.row(scale.logical(y));
        raster::Pixel *to = out.row(y);
        for (int32_t x = 0; x < out.width(); ++x)
            to[x] = from[scale.logical(x)];
    }
    return out;
}

} // namespace sorrel::gui

namespace sorrel {

using gui::kMaxImagePixels;

namespace {

// The context's scale, 1x without a context.
DeviceScale scaleOf(const CDrawContext *context) {
    return context ? context->getScale() : DeviceScale();
}

} // namespace

std::shared_ptr<const raster::Surface> CBitmap::imageForScale(DeviceScale scale) const {
    if (!image || scale == DeviceScale())
        return image;
    auto make = [this, scale]() -> std::shared_ptr<const raster::Surface> {
        auto out = std::shared_ptr<raster::Surface>(new (std::nothrow) raster::Surface());
        if (!out)
            return nullptr;
        // Only a picture of exactly the scaled size stands in for this one.
        auto fits = [&] { return out->width() == scale.length(width) && out->height() == scale.length(height); };
        if (resourceId != 0) {
            if (scale.isWhole()) {
                const gui::ResourceBytes bytes =
                    gui::findBitmapResource(gui::scaledResourceId(resourceId, scale.rounded()));
                if (bytes.data && gui::decodePackedBitmap(bytes.data, bytes.size, *out) && fits())
                    return out;
            }
            if (gui::paintModulePicture(resourceId, scale, *out) && fits())
                return out;
        }
        *out = gui::enlarge(*image, scale);
        return out->empty() ? nullptr : out;
    };
    if (resourceId == 0)
        return make();
    std::lock_guard<std::mutex> hold(scaledLock);
    std::shared_ptr<const raster::Surface> &slot = scaled[scale.quarters() - DeviceScale::kMinQuarters];
    if (!slot)
        slot = make();
    return slot;
}

CBitmap::CBitmap(int32_t id) : resourceId(id) {
    loadFromResource(id);
    transparentColor = TransparentColor;
}

CBitmap::CBitmap(CDrawContextOwner *, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0 || int64_t(w) * h > kMaxImagePixels)
        return;
    try {
        image = std::make_shared<raster::Surface>(w, h, 0);
    } catch (const std::bad_alloc &) {
        image.reset();
        return;
    }
    width = w;
    height = h;
}

CBitmap::CBitmap() = default;

CBitmap::~CBitmap() {
    dispose();
}

void CBitmap::dispose() {
    image.reset();
    mask.reset();
    {
        std::lock_guard<std::mutex> hold(scaledLock);
        for (auto &slot : scaled)
            slot.reset();
    }
    width = 0;
    height = 0;
}

bool CBitmap::loadFromResource(int32_t id) {
    dispose();
    const gui::ResourceBytes bytes = gui::findBitmapResource(id);
    auto decoded = std::unique_ptr<raster::Surface>(new (std::nothrow) raster::Surface());
    if (!bytes.data || !decoded || !gui::decodePackedBitmap(bytes.data, bytes.size, *decoded))
        return false;
    image = std::move(decoded);
    width = image->width();
    height = image->height();
    return true;
}

bool CBitmap::loadFromPath(const char *) {
    dispose();
    return false;
}

void CBitmap::draw(CDrawContext *context, const CRect &rect, const CPoint &offset) {
    raster::Canvas *canvas = context ? context->getSystemContext() : nullptr;
    if (!image || !canvas)
        return;
    const DeviceScale s = scaleOf(context);
    const std::shared_ptr<const raster::Surface> picture = imageForScale(s);
    if (!picture)
        return;
    const raster::Rect to = context->toDevice(rect);
    canvas->blit(to.left, to.top, to.width(), to.height(), *picture, s.device(offset.x), s.device(offset.y));
}

void CBitmap::drawTransparent(CDrawContext *context, const CRect &rect, const CPoint &offset) {
    raster::Canvas *canvas = context ? context->getSystemContext() : nullptr;
    if (!image || !canvas || !canvas->target())
        return;
    // Only pixels of the bitmap take part: the block is cut to the image, so
    // that every path leaves the destination alone beyond it. Everything
    // from here on is in device pixels.
    const DeviceScale s = scaleOf(context);
    const std::shared_ptr<const raster::Surface> picture = imageForScale(s);
    if (!picture)
        return;
    const raster::Rect to = context->toDevice(rect);
    int32_t x = to.left;
    int32_t y = to.top;
    int32_t sx = s.device(offset.x), sy = s.device(offset.y);
    int32_t w = to.width(), h = to.height();
    if (sx < 0) {
        w += sx;
        x -= sx;
        sx = 0;
    }
    if (sy < 0) {
        h += sy;
        y -= sy;
        sy = 0;
    }
    w = std::min(w, picture->width() - sx);
    h = std::min(h, picture->height() - sy);
    if (w <= 0 || h <= 0)
        return;
    const raster::Pixel key =
        raster::rgb(transparentColor.red, transparentColor.green, transparentColor.blue);

    // The mask is the 1x image's; at other scales the key does the work.
    if (mask && s == DeviceScale()) {
        // Destination into a work image, XOR bitmap, AND mask, XOR bitmap:
        // where the mask is white the destination survives.
        raster::Surface work;
        try {
            work = raster::Surface(w, h, 0);
        } catch (const std::bad_alloc &) {
            return;
        }
        raster::Canvas combine(&work);
        combine.blit(0, 0, w, h, *canvas->target(), x, y);
        combine.blit(0, 0, w, h, *image, sx, sy, raster::BlitOp::Xor);
        combine.blit(0, 0, w, h, *mask, sx, sy, raster::BlitOp::And);
        combine.blit(0, 0, w, h, *image, sx, sy, raster::BlitOp::Xor);
        canvas->blit(x, y, w, h, work, 0, 0);
    } else if (gui::keyedCopyAvailable()) {
        canvas->blitKeyed(x, y, w, h, *picture, sx, sy, key);
    } else {
        raster::Surface blockMask;
        try {
            blockMask = raster::makeMask(*picture, sx, sy, w, h, key);
        } catch (const std::bad_alloc &) {
            return;
        }
        canvas->blit(x, y, w, h, *picture, sx, sy, raster::BlitOp::Xor);
        canvas->blit(x, y, w, h, blockMask, 0, 0, raster::BlitOp::And);
        canvas->blit(x, y, w, h, *picture, sx, sy, raster::BlitOp::Xor);
    }
}

void CBitmap::drawAlphaBlend(CDrawContext *context, const CRect &rect, const CPoint &offset, uint8_t alpha) {
    raster::Canvas *canvas = context ? context->getSystemContext() : nullptr;
    if (!image || !canvas)
        return;
    const DeviceScale s = scaleOf(context);
    const std::shared_ptr<const raster::Surface> picture = imageForScale(s);
    if (!picture)
        return;
    const raster::Rect to = context->toDevice(rect);
    canvas->blitBlend(to.left, to.top, to.width(), to.height(), *picture, s.device(offset.x), s.device(offset.y),
                      alpha);
}

void CBitmap::setTransparencyMask(CDrawContext *context, const CPoint &offset) {
    mask.reset();
    raster::Canvas *canvas = context ? context->getSystemContext() : nullptr;
    if (!canvas || !canvas->target() || width <= 0 || height <= 0)
        return;
    const raster::Pixel key =
        raster::rgb(transparentColor.red, transparentColor.green, transparentColor.blue);
    try {
        mask = std::make_unique<raster::Surface>(
            raster::makeMask(*canvas->target(), offset.x, offset.y, width, height, key));
    } catch (const std::bad_alloc &) {
        mask.reset();
    }
}

} // namespace sorrel
