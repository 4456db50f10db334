// The editor's policy for its integer scale (1, 2 or 3) and where it comes
// from. Screens and hosts speak of fractional factors (1.25, 1.5, 2); the
// editor draws crisply only at whole multiples, so a factor is rounded to
// one. The toolkit only draws at the scale it is given; choosing it, and
// reading the user's SORREL_SCALE, is the editor's business.
//
// Sources, first that applies: the host's word (a content-scale call, an
// LV2 option), the user's SORREL_SCALE, the desktop (the parent window's
// DPI on Windows, Xft.dpi or GDK_SCALE on X11), else 1. The user's setting
// comes before the desktop's so that it can override what most desktops
// always state (96 DPI).
#pragma once

#include "gui/raster/raster.h"

#include <cstdint>

namespace sorrel::scaling {

constexpr int32_t kMaxScale = 3;
// Factors beyond this, and zero, negative or not-a-number ones, are
// nonsense; nonsense falls back to 1.
constexpr double kMaxScaleFactor = 4.0;

// Whether a factor means anything.
bool sensibleScaleFactor(double factor);

// The integer scale for factor: the nearest (halves up), kept to 1..3, 1 for
// nonsense. A factor rounded up (2.5 -> 3) is taken only when the window of
// logical size fits on a screen of screen size at that scale; otherwise the
// largest scale that fits, at least 1. An unknown screen (0 x 0) fits
// everything.
int32_t scaleForFactor(double factor, sorrel::raster::Point logicalSize, sorrel::raster::Point screen);

// SORREL_SCALE's text: 0 when unset or empty (it does not apply), the scale
// of its number otherwise (nonsense gives 1).
int32_t userScale(const char *text);

struct ScaleSources {
    double host = 0;              // 0: the host said nothing
    const char *user = nullptr;   // SORREL_SCALE, null when unset
    double desktop = 0;           // 0: unknown
    sorrel::raster::Point screen;         // the screen's size in device pixels, 0 x 0 unknown
};

// The scale for a window of logical size, from the first source that applies.
int32_t chooseScale(const ScaleSources &sources, sorrel::raster::Point logicalSize);

// The same with the user's and the desktop's settings looked up now, for a
// window to be made in parent (may be null: the desktop's setting without
// a window, where the platform can tell).
int32_t currentScale(double hostFactor, void *parent, sorrel::raster::Point logicalSize);

} // namespace sorrel::scaling
