#include "gui/drawing/drawcontext.h"

#include "gui/platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace sorrel {

namespace {

raster::Pixel pixelOf(const CColor &c) {
    return raster::rgb(c.red, c.green, c.blue);
}

// The renderer is asked for fonts of a sane size whatever a caller passes.
constexpr int32_t kMaxFontPixels = 512;

raster::Rop2 ropOf(int32_t mode) {
    if (mode == ModeOr)
        return raster::Rop2::MergePen;
    if (mode == ModeXor)
        return raster::Rop2::NotXorPen;
    return raster::Rop2::CopyPen;
}

// A polygon up to this size is converted on the stack.
constexpr int32_t kStackPoints = 30;


} // namespace

CDrawContext::CDrawContext(CDrawContextOwner *inOwner, raster::Canvas *inSystemContext,
                           platform::Window *inWindow)
    : systemContext(inSystemContext), window(inWindow), owner(inOwner) {
    clipRect = owner ? owner->getDefaultClip() : CRect(0, 0, 1000, 1000);
    if (owner)
        scale = owner->contentScale();
    if (!systemContext && window) {
        if (raster::Surface *image = platform::windowSurface(window)) {
            try {
                windowCanvas = std::make_unique<raster::Canvas>(image);
                systemContext = windowCanvas.get();
                ownedSystemContext = systemContext;
            } catch (...) {
                // Without memory the context draws nowhere, like one without a window.
            }
        }
    }
    if (systemContext) {
        savedPen = systemContext->pen();
        savedBrush = systemContext->brush();
        savedFont = systemContext->font();
        savedBlock = systemContext->blockScaleInUse();
        hasSaved = true;
        systemContext->setBackOpaque(false);
        systemContext->setBlockScale(scale);
    }
    penStyle = raster::LineStyle::Solid;
    if (window)
        windowOriginKnown = false;
    setFrameColor(WhiteColor);
    setLineStyle(LineSolid);
    setLineWidth(1);
    setFillColor(BlackColor);
    setFontColor(WhiteColor);
    setFont(SystemFont, 0, 0);
    setDrawMode(ModeCopy);
}

CPoint CDrawContext::windowScreenOrigin() const {
    if (!windowOriginKnown) {
        const raster::Rect onScreen = platform::windowScreenRect(window);
        windowOrigin = CPoint(onScreen.left, onScreen.top);
        windowOriginKnown = true;
    }
    return windowOrigin;
}

// On the screen, in device pixels; the part inside the window is logical.
CPoint CDrawContext::getScreenOrigin() const {
    const CPoint base = windowScreenOrigin();
    return CPoint(base.x + scale.device(screenOriginInWindow.x), base.y + scale.device(screenOriginInWindow.y));
}

void CDrawContext::setScreenOrigin(const CPoint &origin) {
    const CPoint base = windowScreenOrigin();
    screenOriginInWindow = CPoint(scale.logical(origin.x - base.x), scale.logical(origin.y - base.y));
}

CDrawContext::~CDrawContext() {
    detachSystemContext();
}

void CDrawContext::attachSystemContext(raster::Canvas *canvas) {
    detachSystemContext();
    systemContext = canvas;
    if (!systemContext)
        return;
    savedPen = systemContext->pen();
    savedBrush = systemContext->brush();
    savedFont = systemContext->font();
    savedBlock = systemContext->blockScaleInUse();
    hasSaved = true;
    systemContext->setBackOpaque(false);
    systemContext->setBlockScale(scale);
    systemContext->setTextColor(pixelOf(fontColor));
    systemContext->setBackColor(pixelOf(fillColor));
    systemContext->setRop2(ropOf(drawMode));
    selectOwnObjects();
}

void CDrawContext::selectOwnObjects() {
    if (!systemContext)
        return;
    if (hasOwnPen)
        systemContext->setPen(ownPen);
    if (hasOwnBrush)
        systemContext->setBrush(ownBrush);
    if (hasOwnFont)
        systemContext->setFont(ownFont);
}

void CDrawContext::detachSystemContext() {
    if (!systemContext)
        return;
    if (hasSaved) {
        systemContext->setPen(savedPen);
        systemContext->setBrush(savedBrush);
        systemContext->setFont(savedFont);
        systemContext->setBlockScale(savedBlock);
        hasSaved = false;
    }
    if (ownedSystemContext) {
        windowCanvas.reset();
        ownedSystemContext = nullptr;
    }
    systemContext = nullptr;
}

// --- state --------------------------------------------------------------------

// --- scale --------------------------------------------------------------------

void CDrawContext::setScale(DeviceScale newScale) {
    if (newScale == scale)
        return;
    scale = newScale;
    if (systemContext)
        systemContext->setBlockScale(scale);
    rebuildPen();
    rebuildFont();
    applyClip();
}

raster::Rect CDrawContext::toDevice(const CRect &r) const {
    return {scale.device(int64_t(r.left) + offset.x), scale.device(int64_t(r.top) + offset.y),
            scale.device(int64_t(r.right) + offset.x), scale.device(int64_t(r.bottom) + offset.y)};
}

raster::Point CDrawContext::toDevice(const CPoint &p) const {
    return {scale.device(int64_t(p.x) + offset.x), scale.device(int64_t(p.y) + offset.y)};
}

// A wide pen's line runs through the middle of its end points' blocks; a
// one-pixel pen draws whole blocks and takes the blocks' corners.
raster::Point CDrawContext::linePoint(const CPoint &p) const {
    raster::Point d = toDevice(p);
    if (scale != DeviceScale() && frameWidth > 1) {
        d.x += scale.lineWidth() / 2;
        d.y += scale.lineWidth() / 2;
    }
    return d;
}

// The box of an outline drawn with a pen as wide as a scaled line: inset by
// half that width, so that the thickened curve stays inside the blocks of
// the pixels it covers at scale 1.
raster::Rect CDrawContext::arcBox(const CRect &r) const {
    const raster::Rect d = toDevice(r);
    const int32_t h = scale.lineWidth() / 2;
    return {d.left + h, d.top + h, d.right - h, d.bottom - h};
}

raster::Point CDrawContext::arcPoint(const CPoint &p) const {
    const raster::Point d = toDevice(p);
    return {d.x + scale.lineWidth() / 2, d.y + scale.lineWidth() / 2};
}

template <typename Draw> void CDrawContext::withScaledPen(Draw draw) {
    if (scale == DeviceScale() || frameWidth > 1) {
        draw();
        return;
    }
    raster::Pen wide = ownPen;
    wide.width = scale.lineWidth();
    systemContext->setPen(wide);
    draw();
    systemContext->setPen(ownPen);
}

void CDrawContext::applyClip() {
    if (systemContext)
        systemContext->setClip({scale.device(clipRect.left), scale.device(clipRect.top), scale.device(clipRect.right),
                                scale.device(clipRect.bottom)});
}

void CDrawContext::rebuildPen() {
    ownPen = raster::Pen{pixelOf(frameColor), frameWidth > 1 ? scale.length(frameWidth) : frameWidth, penStyle};
    hasOwnPen = true;
    ++builds.pens;
    if (systemContext)
        systemContext->setPen(ownPen);
}

void CDrawContext::setLineStyle(int32_t style) {
    if (style == lineStyle)
        return;
    lineStyle = style;
    penStyle = lineStyle == LineDotted ? raster::LineStyle::Dotted : raster::LineStyle::Solid;
    rebuildPen();
}

void CDrawContext::setLineWidth(int32_t width) {
    if (width == frameWidth)
        return;
    frameWidth = width;
    rebuildPen();
}

void CDrawContext::setFrameColor(const CColor &color) {
    if (color == frameColor)
        return;
    frameColor = color;
    rebuildPen();
}

void CDrawContext::setFillColor(const CColor &color) {
    if (color == fillColor)
        return;
    fillColor = color;
    ownBrush = pixelOf(color);
    hasOwnBrush = true;
    ++builds.brushes;
    if (systemContext) {
        systemContext->setBackColor(ownBrush);
        systemContext->setBrush(ownBrush);
    }
}

void CDrawContext::setFontColor(const CColor &color) {
    fontColor = color;
    if (systemContext)
        systemContext->setTextColor(pixelOf(color));
}

void CDrawContext::setFont(int32_t id, int32_t size, int32_t style) {
    if (id < 0 || id >= FontCount)
        id = SystemFont;
    const CFontInfo &info = fontInfo(id);
    const int32_t effectiveSize = size == 0 ? info.defaultHeight : size;
    if (id == fontId && effectiveSize == fontSize && style == fontStyle)
        return;
    fontStyle = style;
    fontId = id;
    fontSize = effectiveSize;

    CFontDescription d;
    d.height = -fontSize;
    d.weight = (style & StyleBold) || info.alwaysBold ? 700 : 400;
    d.italic = (style & StyleItalic) != 0;
    d.underline = (style & StyleUnderline) != 0;
    d.faceName = info.face;
    d.pitchAndFamily = info.pitchAndFamily;
    d.clipPrecision = 2;
    d.outPrecision = 1;
    d.quality = 0;
    d.charSet = 0;
    fontDescription = d;

    ++builds.fonts;
    rebuildFont();
}

void CDrawContext::rebuildFont() {
    if (fontId < 0 || fontId >= FontCount)
        return;
    const CFontDescription &d = fontDescription;
    raster::FontSpec spec;
    spec.face = raster::faceFromName(d.faceName);
    // A negative size asks for the cell height in the platform's terms; the
    // renderer only knows character heights, so both signs map to one.
    spec.height = std::clamp(fontSize < 0 ? -fontSize : fontSize, 1, kMaxFontPixels);
    spec.bold = d.weight >= 700;
    spec.italic = d.italic;
    spec.underline = d.underline;
    logicalFont = raster::Font(spec);
    if (scale != DeviceScale()) {
        spec.height = std::clamp(scale.length(spec.height), 1, kMaxFontPixels);
        ownFont = raster::Font(spec);
    } else {
        ownFont = logicalFont;
    }
    hasOwnFont = true;
    if (systemContext)
        systemContext->setFont(ownFont);
}

void CDrawContext::setDrawMode(int32_t mode) {
    if (mode == drawMode)
        return;
    drawMode = mode;
    if (systemContext)
        systemContext->setRop2(ropOf(mode));
}

void CDrawContext::setClipRect(const CRect &clip) {
    CRect shifted = clip;
    shifted.offset(offset.x, offset.y);
    if (shifted == clipRect)
        return;
    clipRect = shifted;
    applyClip();
}

CRect &CDrawContext::getClipRect(CRect &clip) const {
    clip = clipRect;
    clip.offset(-offset.x, -offset.y);
    return clip;
}

CRect CDrawContext::getClipRect() const {
    CRect clip;
    return getClipRect(clip);
}

void CDrawContext::resetClipRect() {
    CRect all = owner ? owner->getDefaultClip() : CRect(0, 0, 1000, 1000);
    setClipRect(all);
    clipRect = all;
}

// --- drawing ------------------------------------------------------------------

void CDrawContext::moveTo(const CPoint &point) {
    if (systemContext)
        systemContext->moveTo(linePoint(point));
}

void CDrawContext::lineTo(const CPoint &point) {
    if (systemContext)
        systemContext->lineTo(linePoint(point));
}

void CDrawContext::drawLines(const CPoint *points, int32_t numberOfLines) {
    if (!points)
        return;
    for (int32_t i = 0; i < numberOfLines; i++) {
        moveTo(points[2 * i]);
        lineTo(points[2 * i + 1]);
    }
}

void CDrawContext::drawPolygon(const CPoint *points, int32_t numberOfPoints, int32_t drawStyle) {
    if (!systemContext || !points || numberOfPoints <= 0)
        return;
    raster::Point onStack[kStackPoints];
    std::vector<raster::Point> onHeap;
    raster::Point *converted = onStack;
    if (numberOfPoints > kStackPoints) {
        try {
            onHeap.resize(static_cast<size_t>(numberOfPoints));
        } catch (const std::bad_alloc &) {
            return;
        }
        converted = onHeap.data();
    }
    for (int32_t i = 0; i < numberOfPoints; i++)
        converted[i] = toDevice(points[i]);
    const size_t count = static_cast<size_t>(numberOfPoints);
    if (drawStyle == Filled || drawStyle == FilledAndOutline)
        systemContext->fillPolygon(converted, count);
    if (drawStyle == Outline || drawStyle == FilledAndOutline) {
        for (int32_t i = 0; i < numberOfPoints; i++)
            converted[i] = linePoint(points[i]);
        systemContext->polyline(converted, count);
    }
}

void CDrawContext::drawRect(const CRect &rect, int32_t drawStyle) {
    if (!systemContext)
        return;
    const CRect &r = rect;
    if (drawStyle == Filled || drawStyle == FilledAndOutline)
        systemContext->fillRect(toDevice(r));
    if (drawStyle == Outline || drawStyle == FilledAndOutline) {
        systemContext->moveTo(linePoint({r.left, r.top}));
        systemContext->lineTo(linePoint({r.right - 1, r.top}));
        systemContext->lineTo(linePoint({r.right - 1, r.bottom - 1}));
        systemContext->lineTo(linePoint({r.left, r.bottom - 1}));
        systemContext->lineTo(linePoint({r.left, r.top}));
    }
}

void CDrawContext::fillRect(const CRect &rect) {
    if (!systemContext)
        return;
    systemContext->fillRect(toDevice(CRect(rect.left + 1, rect.top + 1, rect.right, rect.bottom)));
}

void CDrawContext::drawEllipse(const CRect &rect) {
    if (!systemContext)
        return;
    const raster::Point start = arcPoint(CPoint(rect.left + rect.width() / 2, rect.top));
    const raster::Rect box = arcBox(CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
    withScaledPen([&] { systemContext->arc(box, start, start); });
}

void CDrawContext::fillEllipse(const CRect &rect) {
    if (!systemContext)
        return;
    systemContext->fillEllipse(toDevice(CRect(rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1)));
}

void CDrawContext::drawPoint(const CPoint &point, const CColor &color) {
    if (!systemContext)
        return;
    // The logical pixel's whole device area.
    const raster::Rect d = toDevice(CRect(point.x, point.y, point.x + 1, point.y + 1));
    for (int32_t y = d.top; y < d.bottom; ++y)
        for (int32_t x = d.left; x < d.right; ++x)
            systemContext->setPixel({x, y}, pixelOf(color));
}

CColor CDrawContext::getPoint(const CPoint &point) {
    raster::Pixel p = 0;
    if (systemContext)
        p = systemContext->getPixel(toDevice(point));
    return CColor(static_cast<uint8_t>(raster::red(p)), static_cast<uint8_t>(raster::green(p)),
                  static_cast<uint8_t>(raster::blue(p)), 255);
}

void CDrawContext::floodFill(const CPoint &start) {
    if (systemContext)
        systemContext->floodFill(toDevice(start));
}

void CDrawContext::drawArc(const CRect &rect, const CPoint &point1, const CPoint &point2) {
    if (!systemContext)
        return;
    const raster::Rect box = arcBox(CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1));
    const raster::Point p1 = arcPoint(point1), p2 = arcPoint(point2);
    withScaledPen([&] { systemContext->arc(box, p1, p2); });
}

void CDrawContext::fillArc(const CRect &rect, const CPoint &point1, const CPoint &point2) {
    if (!systemContext)
        return;
    systemContext->fillPie(toDevice(CRect(rect.left + 1, rect.top + 1, rect.right, rect.bottom)),
                           arcPoint(point1), arcPoint(point2));
}

void CDrawContext::drawArc(const CRect &rect, float startDegrees, float endDegrees, int32_t drawStyle) {
    if (!systemContext)
        return;
    const CRect &r = rect;
    const int32_t w2 = r.width() / 2;
    const int32_t h2 = r.height() / 2;
    const int32_t cx = r.left + w2;
    const int32_t cy = r.top + h2;
    auto rayPoint = [&](float degrees) {
        const double a = static_cast<double>(degrees) * 6.283185307179586 / 360.0;
        const double dx = std::trunc(std::cos(a) * w2);
        const double dy = std::trunc(std::sin(a) * h2);
        // A ray point only gives a direction; keep it inside the renderer's range.
        auto clampToInt = [](double v) {
            return std::isfinite(v) ? static_cast<int32_t>(std::clamp(v, -1e9, 1e9)) : 0;
        };
        return arcPoint(CPoint(cx + clampToInt(dx), cy - clampToInt(dy)));
    };
    const raster::Point p1 = rayPoint(startDegrees);
    const raster::Point p2 = rayPoint(endDegrees);
    const CRect box(r.left, r.top, r.right + 1, r.bottom + 1);
    if (drawStyle == Filled || drawStyle == FilledAndOutline)
        systemContext->fillPie(toDevice(box), p1, p2);
    if (drawStyle == Outline || drawStyle == FilledAndOutline) {
        const raster::Rect outline = arcBox(box);
        withScaledPen([&] { systemContext->arc(outline, p1, p2); });
    }
}

void CDrawContext::drawString(const char *text, const CRect &rect, bool opaque, int32_t align) {
    if (!text || !systemContext)
        return;
    CRect r = rect;
    systemContext->setBackOpaque(opaque);
    raster::Align how = raster::Align::Left;
    if (align == AlignCenter)
        how = raster::Align::Center;
    else if (align == AlignRight)
        how = raster::Align::Right;
    else
        r.left += 1;
    systemContext->drawText(text, toDevice(r), how);
    systemContext->setBackOpaque(false);
}

int32_t CDrawContext::getStringWidth(const char *text) {
    if (!text)
        return 0;
    return logicalFont.textWidth(text);
}

// --- mouse and keys -------------------------------------------------------------

int32_t CDrawContext::getMouseButtons() {
    if (owner && !owner->acceptsInput())
        return 0;
    const int32_t physical = platform::heldButtons();
    int32_t buttons = physical & (MiddleButton | ShiftKey | ControlKey | AltKey);
    if (!(physical & (LeftButton | RightButton)))
        return buttons;
    // The window system reports physical buttons; a left-handed user's
    // swapping is asked for now, so a change of the setting counts at once.
    const bool swapped = platform::buttonsSwapped();
    const int32_t left = swapped ? RightButton : LeftButton;
    const int32_t right = swapped ? LeftButton : RightButton;
    if (physical & LeftButton)
        buttons |= left;
    if (physical & RightButton)
        buttons |= right;
    return buttons;
}

CPoint &CDrawContext::getMouseLocation(CPoint &point) {
    // The window's pixels are device pixels; the screen origin's part
    // inside the window is logical.
    const raster::Point cursor = platform::pointerPosition();
    const CPoint base = windowScreenOrigin();
    point = CPoint(scale.logical(cursor.x - base.x) - screenOriginInWindow.x,
                   scale.logical(cursor.y - base.y) - screenOriginInWindow.y);
    return point;
}

CPoint CDrawContext::getMouseLocation() {
    CPoint point;
    return getMouseLocation(point);
}

namespace {
// The millisecond clock wraps after 49.7 days; compare by difference.
bool before(uint32_t now, uint32_t deadline) {
    return static_cast<int32_t>(deadline - now) > 0;
}
} // namespace

bool CDrawContext::waitDoubleClick() {
    const CPoint start = getMouseLocation();
    const CRect box(start.x - 2, start.y - 2, start.x + 2, start.y + 2);
    const uint32_t deadline = platform::eventTime() + platform::doubleClickTime();
    uint32_t now = platform::tickCount();
    while (before(now, deadline)) {
        if (!box.contains(getMouseLocation()))
            return false;
        if (platform::takeButtonPress())
            return true;
        now = platform::tickCount();
    }
    return false;
}

bool CDrawContext::waitDrag() {
    if (!owner)
        return false;
    const CPoint start = getMouseLocation();
    const CRect box(start.x - 2, start.y - 2, start.x + 2, start.y + 2);
    while (getMouseButtons() & LeftButton) {
        owner->doIdleWork();
        if (!box.contains(getMouseLocation()))
            return true;
    }
    return false;
}

} // namespace sorrel
