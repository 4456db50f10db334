// The software renderer behind the drawing context: a 32-bit pixel surface
// and a GDI-like canvas that draws on it with the pixel results of the
// Windows calls the toolkit was designed around (FillRect, LineTo, Polygon,
// Ellipse, Arc, Pie, ExtFloodFill, SetPixel, DrawText, BitBlt,
// TransparentBlt, AlphaBlend). Everything is integer arithmetic, so every
// target produces the same pixels.
//
// Coordinates: pixel (x, y) is the lattice point (x, y). Rectangles are
// half-open: right and bottom lie one past the last pixel. Input coordinates
// are clamped to +-2^27, as GDI does with its 27-bit device space.
//
// Pixel layout: one uint32 per pixel, 0x00RRGGBB (blue in the lowest byte).
// This is the byte order of a 32-bit Windows DIB section and of a 24-bit X11
// TrueColor image on a little-endian machine. Every operation writes the top
// byte as 0 and ignores it when comparing colors.
#pragma once

#include "gui/raster/device_scale.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorrel::raster {

using Pixel = uint32_t;

constexpr Pixel rgb(unsigned r, unsigned g, unsigned b) {
    return ((r & 0xffu) << 16) | ((g & 0xffu) << 8) | (b & 0xffu);
}
constexpr unsigned red(Pixel p) {
    return (p >> 16) & 0xffu;
}
constexpr unsigned green(Pixel p) {
    return (p >> 8) & 0xffu;
}
constexpr unsigned blue(Pixel p) {
    return p & 0xffu;
}
// The color without the unused byte.
constexpr Pixel colorOf(Pixel p) {
    return p & 0x00ffffffu;
}

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
};

// The common part of two rectangles; empty (all zero) when they do not meet.
Rect intersect(const Rect &a, const Rect &b);

// ---------------------------------------------------------------------------
// Surface: width x height pixels, rows `stride` pixels apart. An owning
// surface allocates its pixels; a view draws into memory owned by someone
// else (an X11 image, a DIB section) and must not outlive it.
class Surface {
  public:
    Surface() = default;
    // Owning, every pixel set to fill. Non-positive sizes, more than
    // kMaxPixels pixels or a failed allocation give an empty surface; nothing
    // throws.
    static constexpr int64_t kMaxPixels = int64_t(1) << 28;
    Surface(int32_t width, int32_t height, Pixel fill = 0);
    // Non-owning view; stride is in pixels (>= width). A null pointer or a
    // non-positive size gives an empty surface.
    static Surface view(Pixel *pixels, int32_t width, int32_t height, int32_t stride);

    // Copies of an owning surface are deep (empty if memory runs out); copies
    // of a view are views.
    Surface(const Surface &other);
    Surface &operator=(const Surface &other);
    Surface(Surface &&other) noexcept;
    Surface &operator=(Surface &&other) noexcept;

    int32_t width() const { return pixelWidth; }
    int32_t height() const { return pixelHeight; }
    int32_t stride() const { return pixelStride; }
    bool empty() const { return pixelWidth <= 0 || pixelHeight <= 0; }
    bool owning() const { return !storage.empty(); }
    Rect bounds() const { return {0, 0, pixelWidth, pixelHeight}; }

    Pixel *data() { return pixels; }
    const Pixel *data() const { return pixels; }
    Pixel *row(int32_t y) { return pixels + static_cast<ptrdiff_t>(y) * pixelStride; }
    const Pixel *row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(y) * pixelStride; }

    // Checked access: reading outside gives 0, writing outside does nothing.
    Pixel get(int32_t x, int32_t y) const;
    void set(int32_t x, int32_t y, Pixel p);
    // Every pixel to p.
    void fill(Pixel p);

  private:
    std::vector<Pixel> storage;
    Pixel *pixels = nullptr;
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
    int32_t pixelStride = 0;
};

// ---------------------------------------------------------------------------
// Fonts: Liberation Sans (regular and bold, built into the library) for every
// face name but "Symbol", which takes DejaVu Sans with the Symbol character
// set mapped to Unicode (so 'a' is alpha; bold symbol text uses the same
// face). Text bytes are Windows-1252.
// Italic is the upright face slanted by 7/32. Glyphs are rendered unhinted,
// anti-aliased (16 sample rows per pixel, exact horizontal coverage) and
// blended over what is beneath them; advances are rounded to whole pixels per
// glyph and no kerning is applied.
enum class Face { Sans, Symbol };

// "Symbol" (any case) gives Face::Symbol, every other name Face::Sans.
Face faceFromName(const char *name);

struct FontSpec {
    Face face = Face::Sans;
    int32_t height = 12; // character height in pixels (the em), as a negative LOGFONT height asks
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

class Font {
  public:
    Font() : Font(FontSpec{}) {}
    explicit Font(const FontSpec &spec);

    const FontSpec &spec() const { return fontSpec; }
    // Cell metrics in pixels: ascent above the baseline, descent below it,
    // height = ascent + descent (the text cell that vertical centring uses).
    int32_t ascent() const { return cellAscent; }
    int32_t descent() const { return cellDescent; }
    int32_t height() const { return cellAscent + cellDescent; }

    // Width in pixels of the first length bytes of text (the sum of the
    // glyph advances). A null text has width 0.
    int32_t textWidth(const char *text, size_t length) const;
    // Same for a zero-terminated string.
    int32_t textWidth(const char *text) const;

    bool operator==(const Font &o) const;
    bool operator!=(const Font &o) const { return !(*this == o); }

  private:
    friend class Canvas;
    FontSpec fontSpec;
    int32_t cellAscent = 0;
    int32_t cellDescent = 0;
};

// ---------------------------------------------------------------------------
// Canvas: the drawing state of a device context over one surface. Like a
// device context, its clip, pen position, pen, brush, raster operation, font
// and colors persist between calls until changed. No operation throws: one
// that runs out of memory for its work buffers draws nothing.
enum class Rop2 {
    CopyPen,   // pixel = pen (R2_COPYPEN)
    MergePen,  // pixel = pixel | pen (R2_MERGEPEN)
    NotXorPen, // pixel = ~(pixel ^ pen) (R2_NOTXORPEN)
};

enum class LineStyle {
    Solid,
    Dotted, // runs of 3 pixels on, 3 off, as GDI's PS_DOT; one-pixel pens only
};

struct Pen {
    Pixel color = 0;
    int32_t width = 1; // 0 and 1 are the one-pixel pen; wider pens are solid with round caps
    LineStyle style = LineStyle::Solid;
};

enum class Align { Left, Center, Right };

// Raster operations of the block copies (BitBlt's SRCCOPY, SRCPAINT, SRCAND,
// SRCINVERT).
enum class BlitOp { Copy, Or, And, Xor };

class Canvas {
  public:
    // A canvas over target (may be null: then every operation does nothing).
    // Initial state: clip = the whole surface, pen position (0, 0), solid
    // one-pixel black pen, white brush, CopyPen, the default font, black text,
    // white background, transparent background mode.
    explicit Canvas(Surface *target = nullptr);

    void setTarget(Surface *target); // keeps all state; clip still applies
    Surface *target() const { return targetSurface; }

    // Clip: every operation draws only inside clip & surface bounds. Any
    // rectangle is accepted, also inverted ones (nothing is drawn) and ones
    // far outside the surface.
    void setClip(const Rect &r) { clipRect = r; }
    // Clip = the whole surface (SelectClipRgn with no region).
    void resetClip();
    const Rect &clip() const { return clipRect; }
    // The clip intersected with the surface: the pixels an operation may touch.
    Rect effectiveClip() const;

    void setPen(const Pen &pen);
    const Pen &pen() const { return selectedPen; }
    // Drawing at a scale: one-pixel pens then draw blocks. lineTo walks
    // the line on the lattice of logical pixels (its points mapped back
    // through the scale) and fills every block it visits, so a line drawn
    // at a scale covers exactly the blocks of the pixels it covers at 1x;
    // the dot pattern counts blocks. A block spans its logical pixel's
    // device area along the line and the scale's line width across it,
    // centered on that area (at a whole scale s, s x s pixels). 1x (the
    // default) is plain pixels.
    void setBlockScale(DeviceScale scale) { blockScale = scale; }
    DeviceScale blockScaleInUse() const { return blockScale; }
    void setBrush(Pixel color) { brushColor = colorOf(color); }
    Pixel brush() const { return brushColor; }
    void setRop2(Rop2 rop) { rasterOp = rop; }
    Rop2 rop2() const { return rasterOp; }

    void setFont(const Font &font) { selectedFont = font; }
    const Font &font() const { return selectedFont; }
    void setTextColor(Pixel c) { currentTextColor = colorOf(c); }
    Pixel textColor() const { return currentTextColor; }
    void setBackColor(Pixel c) { currentBackColor = colorOf(c); }
    Pixel backColor() const { return currentBackColor; }
    void setBackOpaque(bool opaque) { backgroundOpaque = opaque; }
    bool backOpaque() const { return backgroundOpaque; }

    // --- pixels -----------------------------------------------------------
    // SetPixel: the color lands as is (no raster operation); outside the clip
    // nothing happens.
    void setPixel(Point p, Pixel color);
    // GetPixel: the pixel's color, or 0 outside the surface. Not clipped.
    Pixel getPixel(Point p) const;

    // --- lines (pen, raster operation) ------------------------------------
    // MoveToEx: sets the pen position and restarts the dot pattern.
    void moveTo(Point p);
    Point position() const { return penPosition; }
    // LineTo: from the pen position to p, leaving out p itself (one-pixel
    // pens); the pen position becomes p. Bresenham stepping along the major
    // axis; where the exact line passes midway between two pixels of the minor
    // axis the smaller coordinate wins. The dot pattern runs on across
    // consecutive lineTo calls.
    void lineTo(Point p);
    // Polyline: moveTo(points[0]) then lineTo each further point. The pen
    // position is left where it was before (as Polyline does). A wide pen
    // draws the whole line as one figure (round joins), so every pixel takes
    // the raster operation once; separate lineTo calls overlap at their ends.
    void polyline(const Point *points, size_t count);

    // --- filled shapes (brush, raster operation; no outline) ---------------
    // FillRect: columns left..right-1, rows top..bottom-1 with the brush,
    // always as a plain copy (FillRect ignores the raster operation).
    void fillRect(const Rect &r);
    // Polygon with a null pen, alternate (even-odd) fill: the lattice points
    // inside the polygon, left and top edges included, right and bottom
    // edges left out. Fewer than 3 points draw nothing.
    void fillPolygon(const Point *points, size_t count);
    // Ellipse with a null pen: GDI then leaves out one more column and row,
    // so the filled region is that of the ellipse whose outline arc(box)
    // would draw with box shrunk by 1 at the right and bottom.
    void fillEllipse(const Rect &box);
    // Pie with a null pen: the part of fillEllipse(box) between the ray from
    // the center through p1 and the ray through p2, counter-clockwise as seen
    // on screen, both rays included. p1 and p2 on the same ray give the whole
    // ellipse.
    void fillPie(const Rect &box, Point p1, Point p2);

    // --- arcs (pen, raster operation) -------------------------------------
    // Arc: the outline of the ellipse inscribed in box (it touches columns
    // left..right-1 and rows top..bottom-1, a closed 8-connected curve,
    // symmetric about both axes), counter-clockwise from the ray through p1
    // to the ray through p2 (both included; the same ray gives the whole
    // ellipse). Wider pens thicken the curve around its pixels; the dot
    // style does not apply to arcs. An inverted box is normalised first, as
    // GDI does.
    void arc(const Rect &box, Point p1, Point p2);

    // --- flood fill ---------------------------------------------------------
    // ExtFloodFill with FLOODFILLSURFACE: the 4-connected area, inside the
    // clip, of pixels with exactly the color at p, painted with the brush.
    // Returns false (nothing drawn) when p lies outside the clip.
    bool floodFill(Point p);

    // --- text ----------------------------------------------------------------
    // DrawText with DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX and the given
    // alignment, clipped to r (and the canvas clip): the first length bytes of
    // text in the current font and text color. Vertical position: top +
    // (height - font height) / 2; horizontal: left, left + (r's width - text
    // width) / 2 or right - text width (C integer division, toward zero). With the background opaque the
    // text cell (its width by the font height) is first painted in the
    // background color. Text ignores the raster operation.
    void drawText(const char *text, size_t length, const Rect &r, Align align);
    void drawText(const char *text, const Rect &r, Align align); // zero-terminated; null draws nothing
    // The text cell of the last drawText before clipping (for tests and
    // callers that need to know where text went).
    const Rect &lastTextCell() const { return lastDrawnCell; }

    // --- blits ---------------------------------------------------------------
    // BitBlt: the block of source at (sx, sy) of w x h to (x, y) with op.
    // Pixels whose source lies outside the source surface are left alone.
    // The source may be the target itself (overlapping blocks copy as if
    // through a temporary).
    void blit(int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx, int32_t sy,
              BlitOp op = BlitOp::Copy);
    // TransparentBlt without stretching: like a copy, but source pixels of
    // color key (red, green and blue compared) leave the destination alone.
    void blitKeyed(int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx, int32_t sy,
                   Pixel key);
    // AlphaBlend with a constant source opacity and no per-pixel alpha:
    // each channel d = (s * alpha + d * (255 - alpha) + 127) / 255.
    void blitBlend(int32_t x, int32_t y, int32_t w, int32_t h, const Surface &source, int32_t sx, int32_t sy,
                   uint8_t alpha);

  private:
    void plot(int32_t x, int32_t y, Pixel color); // with the raster operation, unclipped
    // Marks the pixels of a wide-pen segment in mask (maskRect's pixels, row
    // by row), or draws them at once without a mask.
    void wideSegment(Point a, Point b, std::vector<uint8_t> *mask = nullptr, const Rect &maskRect = Rect{});
    void blockLine(Point a, Point b);
    void spanRop(int32_t y, int32_t x0, int32_t x1, Pixel color, const Rect &clip); // x0..x1-1

    Surface *targetSurface = nullptr;
    Rect clipRect;
    Point penPosition;
    int32_t dotPhase = 0;
    Pen selectedPen;
    Pixel brushColor = 0x00ffffff;
    Rop2 rasterOp = Rop2::CopyPen;
    Font selectedFont;
    Pixel currentTextColor = 0;
    Pixel currentBackColor = 0x00ffffff;
    bool backgroundOpaque = false;
    Rect lastDrawnCell;
    DeviceScale blockScale;
};

// The monochrome mask of a block as a color surface: white (0x00ffffff)
// where the source pixel has the key color, black elsewhere, w x h pixels
// from (sx, sy) of source (pixels outside the source become black). ANDed
// onto a destination between two XORs of the source block it leaves the
// destination where the key was and the source elsewhere.
Surface makeMask(const Surface &source, int32_t sx, int32_t sy, int32_t w, int32_t h, Pixel key);

} // namespace sorrel::raster
