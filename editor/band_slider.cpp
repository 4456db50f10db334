#include "editor/band_slider.h"

#include "editor/level_color.h"
#include "gui/drawing/drawcontext.h"

#include <algorithm>

namespace sorrel {

namespace {

// The slider's travel: 100 pixels, starting 3 below the top. With the
// 6-pixel handle a press at top + 2 means 1.0 and one at top + 102 means 0.0.
constexpr int32_t kTravelStart = 3;
constexpr int32_t kTravelEnd = 103;
constexpr int32_t kTicks = 9;

} // namespace

BandSlider::BandSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag, bool smooth)
    : CSlider(viewSize, inListener, inTag, viewSize.top + kTravelStart, viewSize.top + kTravelEnd, nullptr,
              nullptr, CPoint(0, 0), Vertical | MinAtBottom),
      smoothEdges(smooth) {
    // The drag's reference point follows the handle's size; the clamps that
    // the base computed for a missing picture are not used here.
    handleWidth = viewSize.width();
    handleHeight = 2 * handleHalfHeight;
}

void BandSlider::draw(CDrawContext *context) {
    if (!context || size.width() < 1 || size.height() < 1)
        return;
    context->setLineWidth(1);

    CRect panel = size;
    panel.bottom += 1; // the fill leaves out the top row: one more at the bottom
    context->setFillColor(PanelGrey);
    context->fillRect(panel);

    const int32_t cx = (size.left + size.right) / 2;
    grooveRect = CRect(cx - 3, size.top + handleHalfHeight - 1, cx + 3, size.bottom - handleHalfHeight - 1);
    context->setFillColor(PlainBlack);
    context->fillRect(grooveRect);
    grooveRect.inset(1, 1);

    // The bar grows from the groove's middle row, upwards above 0.5.
    barRect = grooveRect;
    const double reach = barRect.height() * (double(value) - 0.5);
    barColor = levelColor(1.f);
    const int32_t middle = (barRect.top + barRect.bottom) / 2;
    barRect.top = barRect.bottom = middle;
    if (reach < 0)
        barRect.bottom = middle - truncToInt(reach);
    else
        barRect.top = middle - truncToInt(reach);
    context->setFillColor(barColor);
    context->fillRect(barRect);

    // Nine ticks from the groove's top to its bottom: long ones at both ends
    // and in the middle. Counting the ticks rather than only comparing rows
    // keeps a groove of no height from looping for ever.
    scaleRect = grooveRect;
    context->setFrameColor(WhiteColor);
    const double step = scaleRect.height() / 8.0;
    double y = scaleRect.top;
    for (int32_t k = 0; k < kTicks && y <= scaleRect.bottom; ++k, y += step) {
        const int32_t row = truncToInt(y + 0.5);
        const int32_t length = k % 4 == 0 ? 3 : k % 2 == 0 ? 2 : 1;
        context->moveTo(CPoint(size.left, row));
        context->lineTo(CPoint(size.left + length, row));
    }

    // The handle spans the control's width around the bar's free end.
    const int32_t end = value >= 0.5f ? barRect.top : barRect.bottom;
    handleRect = CRect(size.left, end - handleHalfHeight, size.right, end + 2 * handleHalfHeight);
    context->setFillColor(PlainBlack);
    context->fillRect(handleRect);
    handleRect.inset(1, 1);
    context->setFillColor(HandleRingGrey);
    context->fillRect(handleRect);
    handleCoreRect = handleRect;
    handleCoreRect.inset(2, 2);
    context->setFillColor(HandleCoreGrey);
    context->fillRect(handleCoreRect);

    if (smoothEdges)
        softenEdges(context, size);
    setDirty(false);
}

void softenEdges(CDrawContext *context, const CRect &rect) {
    sorrel::raster::Canvas *canvas = context ? context->getSystemContext() : nullptr;
    sorrel::raster::Surface *surface = canvas ? canvas->target() : nullptr;
    if (!surface || surface->empty())
        return;
    // The pass works on the layer's pixels, so it goes through the context's
    // offset, scale and clip itself: at scale s it softens the device
    // pixels of the blocks of rect.
    const sorrel::raster::Rect clip = context->toDevice(context->getClipRect());
    const sorrel::raster::Rect area = context->toDevice(CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
    const int32_t left = area.left, right = area.right - 1;
    const int32_t top = area.top, bottom = area.bottom - 1;
    const int32_t firstX = std::max({left, clip.left, 0});
    const int32_t lastX = std::min({right, clip.right - 1, surface->width() - 1});
    const int32_t firstY = std::max({top, clip.top, 0});
    const int32_t lastY = std::min({bottom, clip.bottom - 1, surface->height() - 1});
    for (int32_t y = firstY; y <= lastY; ++y) {
        for (int32_t x = firstX; x <= lastX; ++x) {
            const sorrel::raster::Pixel center = sorrel::raster::colorOf(surface->get(x, y));
            const sorrel::raster::Pixel around[4] = {
                x < right - 1 ? sorrel::raster::colorOf(surface->get(x + 1, y)) : center,
                y < bottom - 1 ? sorrel::raster::colorOf(surface->get(x, y + 1)) : center,
                x > left ? sorrel::raster::colorOf(surface->get(x - 1, y)) : center,
                y > top ? sorrel::raster::colorOf(surface->get(x, y - 1)) : center,
            };
            if (around[0] == center && around[1] == center && around[2] == center && around[3] == center)
                continue;
            unsigned r = sorrel::raster::red(center), g = sorrel::raster::green(center), b = sorrel::raster::blue(center);
            for (sorrel::raster::Pixel p : around) {
                r += sorrel::raster::red(p);
                g += sorrel::raster::green(p);
                b += sorrel::raster::blue(p);
            }
            surface->set(x, y, sorrel::raster::rgb(r / 5, g / 5, b / 5));
        }
    }
}

} // namespace sorrel
