// Where the editor's views go. The controls table numbers them:
//
//   0          input gain fader (parameter 0)
//   1          Q fader (parameter 1)
//   2 + b      fader of band b = 0..30 (parameter 2 + b)
//   33         output gain fader (parameter 33)
//   34, 35     the "In" and "Out" meter switches (parameters 34, 35)
//   36 + b     band b, channel 0, level before the band gain
//   67 + b     band b, channel 1, before
//   98 + b     band b, channel 0, after the band gain
//   129 + b    band b, channel 1, after
//
// Entries 0..35 carry their entry number as tag and parameter index.
#pragma once

#include "gui/drawing/geometry.h"

#include <cstdint>

namespace sorrel::layout {

constexpr int32_t kNumBands = 31;
constexpr int32_t kNumFaders = 34;
constexpr int32_t kInGainFader = 0;
constexpr int32_t kQFader = 1;
// Band b's fader is entry kFirstBandFader + b.
constexpr int32_t kFirstBandFader = 2;
constexpr int32_t kLastBandFader = kFirstBandFader + kNumBands - 1;
constexpr int32_t kOutGainFader = 33;
constexpr int32_t kInSwitch = 34;
constexpr int32_t kOutSwitch = 35;
constexpr int32_t kNumControls = 36;
constexpr int32_t kPreGainMeters0 = 36;
constexpr int32_t kPreGainMeters1 = 67;
constexpr int32_t kPostGainMeters0 = 98;
constexpr int32_t kPostGainMeters1 = 129;
constexpr int32_t kNumMeters = 4 * kNumBands;
constexpr int32_t kTableSize = kNumControls + kNumMeters;
// The table plus the caption strip and the web link.
constexpr int32_t kNumViews = kTableSize + 2;
// LEDs in each meter's picture strips.
constexpr int32_t kLedCount = 15;

constexpr CRect kCaptionStrip{0, 110, 710, 120};
// The logo in the background picture's lower left corner.
constexpr CRect kWebLinkArea{0, 124, 63, 166};

struct EditorLayout {
    // Entries 0..159 of the controls table.
    CRect entries[kTableSize];
};

// The faders are 16 x 106 with 20 pixels from band to band; under each band
// fader stand its four meters, each the size of an LED strip (ledWidth x
// ledHeight; 0 x 0 when the strips failed to load), the two pre-gain meters
// one pixel apart, a gap of two, then the two post-gain meters.
EditorLayout editorLayout(int32_t ledWidth, int32_t ledHeight);

// The caption under entry 0..35 ("In", "Q", "20" ... "19k", "Out", "In",
// "Out"); null for any other entry.
const char *caption(int32_t entry);

} // namespace sorrel::layout
