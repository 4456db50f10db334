// The editor's policy for its scale and where it comes from. Screens and
// hosts speak of factors such as 1.25, 1.5 or 2; the editor draws crisply
// at every quarter step from 1 to 4, so a factor is rounded to the nearest
// quarter. The toolkit only draws at the scale it is given; choosing it,
// and reading the user's SORREL_SCALE, is the editor's business.
//
// Sources, first that applies: the host's word (a content-scale call, an
// LV2 option, a format's scale call), the user's SORREL_SCALE, the desktop
// (the parent window's DPI on Windows, Xft.dpi or GDK_SCALE x GDK_DPI_SCALE
// on X11), else 1. The user's setting comes before the desktop's so that
// it can override what most desktops always state (96 DPI).
#pragma once

#include "gui/raster/raster.h"

#include <cstdint>

namespace sorrel::scaling {

// Factors beyond this, and zero, negative or not-a-number ones, are
// nonsense; nonsense falls back to 1.
constexpr double kMaxScaleFactor = 4.0;

// Whether a factor means anything.
bool sensibleScaleFactor(double factor);

// The scale for factor: the nearest quarter step (halves up), kept to 1..4,
// 1 for nonsense. A factor rounded up (1.9 -> 2) is taken only when the
// window of logical size fits on a screen of screen size at that scale;
// otherwise the largest quarter step that fits, at least 1. An unknown
// screen (0 x 0) fits everything.
DeviceScale scaleForFactor(double factor, raster::Point logicalSize, raster::Point screen);

// SORREL_SCALE's text: false when unset or empty (it does not apply), else
// true with the scale of its number (nonsense gives 1), decimals welcome.
bool userScale(const char *text, DeviceScale &scale);

struct ScaleSources {
    double host = 0;            // 0: the host said nothing
    const char *user = nullptr; // SORREL_SCALE, null when unset
    double desktop = 0;         // 0: unknown
    raster::Point screen;       // the screen's size in device pixels, 0 x 0 unknown
};

// The scale for a window of logical size, from the first source that applies.
DeviceScale chooseScale(const ScaleSources &sources, raster::Point logicalSize);

// The same with the user's and the desktop's settings looked up now, for a
// window to be made in parent (may be null: the desktop's setting without
// a window, where the platform can tell).
DeviceScale currentScale(double hostFactor, void *parent, raster::Point logicalSize);

} // namespace sorrel::scaling
