// The drawing context: every view draws through one, in its own coordinates.
// It keeps its own copy of the drawing state and talks to a raster canvas
// (the platform device context of this toolkit), adding its offset to every
// coordinate first.
//
// Scale. Views lay themselves out in logical pixels whatever the screen; a
// context drawing at a scale (1 to 4 in quarter steps) maps every
// coordinate, rectangle, line width and font size through the scale's one
// rounding rule on the way to the canvas, and pointer positions back
// through its inverse. At 1x the canvas sees exactly the numbers the views
// pass.
#pragma once

#include "gui/drawing/color.h"
#include "gui/drawing/fonts.h"
#include "gui/drawing/geometry.h"
#include "gui/raster/raster.h"
#include "gui/drawing/refcount.h"

#include <cstdint>
#include <memory>

namespace sorrel::platform {
class Window;
}

namespace sorrel {

// What a context needs from whoever makes it (the frame does): the clip a
// fresh context starts with, and the work to run while a gesture holds the
// mouse in a polling loop, so that the editor and the host keep running.
class CDrawContextOwner {
  public:
    virtual CRect getDefaultClip() = 0;
    virtual void doIdleWork() = 0;
    // False once the window or the editor behind it has gone: the context
    // then reports no buttons held, so that polling loops end.
    virtual bool acceptsInput() { return true; }
    // The scale contexts made for this owner draw at.
    virtual DeviceScale contentScale() const { return DeviceScale(); }

  protected:
    virtual ~CDrawContextOwner() = default;
};

// What the context asks the renderer for when it builds a font: the fields
// of a Windows font description.
struct CFontDescription {
    int32_t height = 0; // negative: the character height in pixels
    int32_t weight = 0; // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    uint8_t pitchAndFamily = 0;
    uint8_t clipPrecision = 0;
    uint8_t outPrecision = 0;
    uint8_t quality = 0;
    uint8_t charSet = 0;
    const char *faceName = "";
};

// How often the context built a platform object; an unchanged value
// rebuilds nothing.
struct CDrawContextBuilds {
    int32_t pens = 0;
    int32_t brushes = 0;
    int32_t fonts = 0;
};

class CDrawContext : public CReferenceCounter {
  public:
    // Any argument may be null. With a window but no canvas the context draws
    // on the window's memory image; showing it is up to the owner.
    CDrawContext(CDrawContextOwner *owner, raster::Canvas *systemContext, platform::Window *window);
    ~CDrawContext() override;

    // --- state ----------------------------------------------------------------
    void setLineStyle(int32_t style);
    int32_t getLineStyle() const { return lineStyle; }
    void setLineWidth(int32_t width);
    int32_t getLineWidth() const { return frameWidth; }
    void setFrameColor(const CColor &color);
    CColor getFrameColor() const { return frameColor; }
    void setFillColor(const CColor &color);
    CColor getFillColor() const { return fillColor; }
    void setFontColor(const CColor &color);
    CColor getFontColor() const { return fontColor; }
    void setFont(int32_t fontId, int32_t size = 0, int32_t style = 0);
    int32_t getFont() const { return fontId; }
    int32_t getFontSize() const { return fontSize; }
    int32_t getFontStyle() const { return fontStyle; }
    void setDrawMode(int32_t mode);
    int32_t getDrawMode() const { return drawMode; }

    void setClipRect(const CRect &clip);
    CRect &getClipRect(CRect &clip) const;
    CRect getClipRect() const;
    void resetClipRect();

    void setOffset(const CPoint &newOffset) { offset = newOffset; }
    CPoint getOffset() const { return offset; }
    // Containers move the screen origin together with the offset so that
    // getMouseLocation answers in the coordinates of the current container.
    // Screen coordinates are device pixels.
    void setScreenOrigin(const CPoint &origin);
    CPoint getScreenOrigin() const;
    // Moves the screen origin by a distance, without asking where the window is.
    void moveScreenOrigin(const CPoint &by) {
        screenOriginInWindow = CPoint(screenOriginInWindow.x + by.x, screenOriginInWindow.y + by.y);
    }

    // --- drawing --------------------------------------------------------------
    void moveTo(const CPoint &point);
    void lineTo(const CPoint &point);
    void drawLines(const CPoint *points, int32_t numberOfLines);
    void drawPolygon(const CPoint *points, int32_t numberOfPoints, int32_t drawStyle = Outline);
    void drawRect(const CRect &rect, int32_t drawStyle = Outline);
    void fillRect(const CRect &rect);
    void drawEllipse(const CRect &rect);
    void fillEllipse(const CRect &rect);
    void drawPoint(const CPoint &point, const CColor &color);
    CColor getPoint(const CPoint &point);
    void floodFill(const CPoint &start);
    void drawArc(const CRect &rect, const CPoint &point1, const CPoint &point2);
    void fillArc(const CRect &rect, const CPoint &point1, const CPoint &point2);
    void drawArc(const CRect &rect, float startDegrees, float endDegrees, int32_t drawStyle = Outline);
    void drawString(const char *text, const CRect &rect, bool opaque = false, int32_t align = AlignCenter);
    int32_t getStringWidth(const char *text);

    // --- mouse and keys -------------------------------------------------------
    // The buttons and modifier keys held; left and right as the user's
    // system assigns them (swapped for left-handed users).
    int32_t getMouseButtons();
    CPoint &getMouseLocation(CPoint &point);
    CPoint getMouseLocation();
    bool waitDoubleClick();
    bool waitDrag();

    // Device pixels per logical pixel, taken from the owner when the
    // context is made. Setting it keeps the logical state (clip, pen, font).
    DeviceScale getScale() const { return scale; }
    void setScale(DeviceScale newScale);
    // A logical rectangle or point of the caller's coordinates (the offset
    // added) in the canvas's device pixels; for code that works on the
    // canvas's pixels itself.
    raster::Rect toDevice(const CRect &rect) const;
    raster::Point toDevice(const CPoint &point) const;

    raster::Canvas *getSystemContext() const { return systemContext; }
    platform::Window *getWindow() const { return window; }
    CDrawContextOwner *getOwner() const { return owner; }

    // The font the context asked for last, and how many platform objects it
    // has built so far.
    const CFontDescription &getFontDescription() const { return fontDescription; }
    const CDrawContextBuilds &getBuilds() const { return builds; }
    // Whether this context made its canvas on the window's image itself.
    bool ownsSystemContext() const { return ownedSystemContext != nullptr; }

  protected:
    // For contexts that make their canvas after the base construction: takes
    // the canvas over and hands it the drawing state set up so far.
    void attachSystemContext(raster::Canvas *canvas);
    // Gives the canvas back its saved pen, brush and font and lets go of it.
    void detachSystemContext();

    // The screen origin relative to the window's top-left on the screen.
    // Where the window is, is asked of the window system only when a pointer
    // position needs it (on X11 that is a round trip to the server, which
    // an idle redraw should not pay).
    CPoint screenOriginInWindow;
    mutable CPoint windowOrigin;
    mutable bool windowOriginKnown = true;
    CPoint windowScreenOrigin() const;
    CPoint offset;
    raster::Canvas *systemContext = nullptr;
    platform::Window *window = nullptr;
    CDrawContextOwner *owner = nullptr;
    int32_t fontSize = -1;
    int32_t fontStyle = 0;
    int32_t fontId = FontCount;
    CColor fontColor;
    int32_t frameWidth = 0;
    CColor frameColor;
    CColor fillColor;
    int32_t lineStyle = LineDotted;
    int32_t drawMode = ModeAntialias;
    CRect clipRect;
    DeviceScale scale;

  private:
    void rebuildPen();
    void rebuildFont();
    void selectOwnObjects();
    // The clip in device pixels, to the canvas.
    void applyClip();
    raster::Point linePoint(const CPoint &point) const;
    raster::Rect arcBox(const CRect &rect) const;
    raster::Point arcPoint(const CPoint &point) const;
    // Draws with the pen widened to the scale (arcs have no block mode).
    template <typename Draw> void withScaledPen(Draw draw);

    // The context's own pen, brush and font, and what the canvas held before.
    raster::Pen ownPen;
    raster::Pixel ownBrush = 0;
    raster::Font ownFont;
    // The font at scale 1: string widths are logical, whatever the scale.
    raster::Font logicalFont;
    bool hasOwnPen = false, hasOwnBrush = false, hasOwnFont = false;
    raster::Pen savedPen;
    raster::Pixel savedBrush = 0;
    raster::Font savedFont;
    DeviceScale savedBlock;
    bool hasSaved = false;
    raster::LineStyle penStyle = raster::LineStyle::Solid;
    raster::Canvas *ownedSystemContext = nullptr;
    std::unique_ptr<raster::Canvas> windowCanvas;

    CFontDescription fontDescription;
    CDrawContextBuilds builds;
};

} // namespace sorrel
