// The editor's colors, and the red ramp that the band faders and the meter
// switches share. Alpha is carried along but does not change any drawing.
#pragma once

#include "gui/drawing/color.h"

namespace sorrel {

// The panel: the same grey as the background picture.
inline constexpr CColor PanelGrey{51, 51, 51, 0};
// Fader grooves, handle outlines and the switches' frames.
inline constexpr CColor PlainBlack{0, 0, 0, 0};
inline constexpr CColor HandleRingGrey{70, 70, 70, 0};
inline constexpr CColor HandleCoreGrey{110, 110, 110, 0};
inline constexpr CColor CaptionGrey{130, 130, 130, 0};

// Red from 45 at 0.0 to 195 at 1.0 (150 x + 45, rounded); green, blue and
// alpha 0. Outside 0..1 the red is kept to 8 bits, so it wraps.
CColor levelColor(float x);

} // namespace sorrel
