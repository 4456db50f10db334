// X11 backend: the visual our window gets, and the conversion of our
// 0x00RRGGBB pixels for the visuals that do not take them as they are
// (other depths, other channel layouts, palettes).
#include "gui/platform/x11.h"

#include <cstdlib>

#include <X11/Xutil.h>

namespace sorrel::platform::x11 {

namespace {

// 0x00RRGGBB to a pixel of a visual that is not the plain 24-bit one.
struct PixelConverter {
    explicit PixelConverter(Visual *visual, Display *display, int screen) {
        trueColor = visual->c_class == TrueColor || visual->c_class == DirectColor;
        channel(visual->red_mask, redShift, redBits);
        channel(visual->green_mask, greenShift, greenBits);
        channel(visual->blue_mask, blueShift, blueBits);
        black = BlackPixel(display, screen);
        white = WhitePixel(display, screen);
    }
    unsigned long operator()(raster::Pixel p) const {
        if (!trueColor) {
            // Palette visuals: no color allocation, just light or dark.
            const unsigned luma = raster::red(p) * 77 + raster::green(p) * 150 + raster::blue(p) * 29;
            return luma >= 128 * 256 ? white : black;
        }
        return scale(raster::red(p), redShift, redBits) | scale(raster::green(p), greenShift, greenBits) |
               scale(raster::blue(p), blueShift, blueBits);
    }

    bool trueColor = false;
    int redShift = 0, redBits = 0, greenShift = 0, greenBits = 0, blueShift = 0, blueBits = 0;
    unsigned long black = 0, white = 1;

  private:
    static void channel(unsigned long mask, int &shift, int &bits) {
        shift = bits = 0;
        if (!mask)
            return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        while (mask & 1) {
            mask >>= 1;
            ++bits;
        }
    }
    static unsigned long scale(unsigned value, int shift, int bits) {
        if (bits <= 0)
            return 0;
        const unsigned long v =
            bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
        return v << shift;
    }
};

} // namespace

bool plainTrueColor(const Visual *visual, int depth) {
    return depth == 24 && visual->c_class == TrueColor && visual->red_mask == 0xff0000 &&
           visual->green_mask == 0xff00 && visual->blue_mask == 0xff;
}

// The visual for our window: a 24-bit TrueColor visual takes the surface as
// it is, whatever the parent's visual (a 32-bit parent with alpha would show
// our unused top byte as transparency). Without one, the deepest TrueColor
// visual of up to 24 bits still shows colors through conversion; only a
// screen without any falls back to its default visual.
void chooseVisual(Display *display, int screenNumber, Visual *&visual, int &depth) {
    XVisualInfo info{};
    if (XMatchVisualInfo(display, screenNumber, 24, TrueColor, &info) && plainTrueColor(info.visual, 24)) {
        visual = info.visual;
        depth = 24;
        return;
    }
    visual = DefaultVisual(display, screenNumber);
    depth = DefaultDepth(display, screenNumber);
    if (visual->c_class == TrueColor)
        return;
    XVisualInfo pattern{};
    pattern.screen = screenNumber;
    pattern.c_class = TrueColor;
    int count = 0;
    XVisualInfo *list = XGetVisualInfo(display, VisualScreenMask | VisualClassMask, &pattern, &count);
    int best = -1;
    for (int i = 0; i < count; ++i)
        if (list[i].depth <= 24 && (best < 0 || list[i].depth > list[best].depth))
            best = i;
    if (best >= 0) {
        visual = list[best].visual;
        depth = list[best].depth;
    }
    if (list)
        XFree(list);
}

void putConvertedArea(Display *display, Window *w, const raster::Rect &area) {
    const raster::Surface &s = w->surface;
    // Pixel by pixel into an image of the server's format.
    XImage *image =
        XCreateImage(display, w->visual, static_cast<unsigned>(w->depth), ZPixmap, 0, nullptr,
                     static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()), 32, 0);
    if (!image)
        return;
    image->data = static_cast<char *>(
        calloc(static_cast<size_t>(image->bytes_per_line), static_cast<size_t>(area.height())));
    if (image->data) {
        const PixelConverter convert(w->visual, display, w->screen);
        for (int32_t y = 0; y < area.height(); ++y) {
            const raster::Pixel *row = s.row(area.top + y) + area.left;
            for (int32_t x = 0; x < area.width(); ++x)
                XPutPixel(image, x, y, convert(row[x]));
        }
        XPutImage(display, w->id, w->gc, image, 0, 0, area.left, area.top,
                  static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
    }
    XDestroyImage(image); // frees the pixels too
}

} // namespace platform::x11
