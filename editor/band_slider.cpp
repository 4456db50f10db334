#include "editor/band_slider.h"

#include "editor/level_color.h"
#include "effect/parameters.h"
#include "gui/drawing/drawcontext.h"

#include <algorithm>

namespace sorrel {

namespace {

// The slider's travel: 100 pixels, starting 3 below the top. With the
// 6-pixel handle a press at top + 2 means 1.0 and one at top + 102 means 0.0.
constexpr int32_t kTravelStart = 3;
constexpr int32_t kTravelEnd = 103;
constexpr int32_t kTicks = 9;

// Keyboard steps in the parameter's readable unit.
struct KeySteps {
    float step, fine, page;
};

KeySteps keyStepsOf(int32_t index) {
    const ParameterInfo *info = parameterInfo(index);
    const KeySteps steps = info && info->kind == ParameterKind::Gain ? KeySteps{0.5f, 0.1f, 3.f}
                                                                     : KeySteps{0.05f, 0.01f, 0.25f};
    const float span = info && info->maximum > info->minimum ? info->maximum - info->minimum : 1.f;
    return {steps.step / span, steps.fine / span, steps.page / span};
}

} // namespace

BandSlider::BandSlider(const CRect &viewSize, ControlListener *inListener, int32_t inTag, bool smooth,
                       ValueEntryOpener *inEntry)
    : CSlider(viewSize, inListener, inTag, viewSize.top + kTravelStart, viewSize.top + kTravelEnd, nullptr,
              nullptr, CPoint(0, 0), Vertical | MinAtBottom),
      smoothEdges(smooth), entry(inEntry) {
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
    if (focusMarked()) {
        // On the panel's own edge, the part of it the clip lets through.
        context->setFrameColor(WhiteColor);
        context->drawRect(CRect(size.left + 1, size.top + 1, size.right, size.bottom));
    }
    setDirty(false);
}

void BandSlider::applyValue(float newValue) {
    value = newValue;
    clampValue();
    reportEdit(nullptr);
}

int32_t BandSlider::handleRow() const {
    return size.top + kTravelStart + truncToInt((kTravelEnd - kTravelStart) * (1.0 - double(value)));
}

void BandSlider::mouse(CDrawContext *context, CPoint &where, int32_t buttons) {
    buttons = resolveButtons(context, buttons);
    if (entry && getMouseEnabled()) {
        if (buttons != LeftButton)
            forgetClick();
        else if (isDoubleClick()) {
            entry->openValueEntry(tag);
            return;
        }
    }
    CSlider::mouse(context, where, buttons);
}

int32_t BandSlider::onKeyDown(CKeyCode &key) {
    if (!getMouseEnabled())
        return -1;
    const KeySteps steps = keyStepsOf(tag);
    const bool fine = (key.modifier & ModifierShift) != 0;
    float wanted = value;
    switch (key.virt) {
    case VirtualKeyUp:
    case VirtualKeyRight:
        wanted += fine ? steps.fine : steps.step;
        break;
    case VirtualKeyDown:
    case VirtualKeyLeft:
        wanted -= fine ? steps.fine : steps.step;
        break;
    case VirtualKeyPageUp:
        wanted += steps.page;
        break;
    case VirtualKeyPageDown:
        wanted -= steps.page;
        break;
    case VirtualKeyHome:
        wanted = vmin;
        break;
    case VirtualKeyEnd:
        wanted = vmax;
        break;
    case VirtualKeyDelete:
    case VirtualKeyBack:
        wanted = getDefaultValue();
        break;
    case VirtualKeyReturn:
    case VirtualKeyEnter:
        if (!entry)
            return -1;
        entry->openValueEntry(tag);
        return 1;
    default:
        return -1;
    }
    wanted = std::clamp(wanted, vmin, vmax);
    if (wanted != value) {
        value = wanted;
        reportEdit(nullptr);
    }
    return 1;
}

void softenEdges(CDrawContext *context, const CRect &rect) {
    raster::Canvas *canvas = context ? context->getSystemContext() : nullptr;
    raster::Surface *surface = canvas ? canvas->target() : nullptr;
    if (!surface || surface->empty())
        return;
    // The pass works on the layer's pixels, so it goes through the context's
    // offset, scale and clip itself: at scale s it softens the device
    // pixels of the blocks of rect.
    const raster::Rect clip = context->toDevice(context->getClipRect());
    const raster::Rect area = context->toDevice(CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
    const int32_t left = area.left, right = area.right - 1;
    const int32_t top = area.top, bottom = area.bottom - 1;
    const int32_t firstX = std::max({left, clip.left, 0});
    const int32_t lastX = std::min({right, clip.right - 1, surface->width() - 1});
    const int32_t firstY = std::max({top, clip.top, 0});
    const int32_t lastY = std::min({bottom, clip.bottom - 1, surface->height() - 1});
    for (int32_t y = firstY; y <= lastY; ++y) {
        for (int32_t x = firstX; x <= lastX; ++x) {
            const raster::Pixel center = raster::colorOf(surface->get(x, y));
            const raster::Pixel around[4] = {
                x < right - 1 ? raster::colorOf(surface->get(x + 1, y)) : center,
                y < bottom - 1 ? raster::colorOf(surface->get(x, y + 1)) : center,
                x > left ? raster::colorOf(surface->get(x - 1, y)) : center,
                y > top ? raster::colorOf(surface->get(x, y - 1)) : center,
            };
            if (around[0] == center && around[1] == center && around[2] == center && around[3] == center)
                continue;
            unsigned r = raster::red(center), g = raster::green(center), b = raster::blue(center);
            for (raster::Pixel p : around) {
                r += raster::red(p);
                g += raster::green(p);
                b += raster::blue(p);
            }
            surface->set(x, y, raster::rgb(r / 5, g / 5, b / 5));
        }
    }
}

} // namespace sorrel
