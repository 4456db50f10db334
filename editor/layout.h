// Where the editor's views go. The controls table numbers them (with 31
// bands):
//
//   0          input gain fader (parameter 0)
//   1          Q fader (parameter 1)
//   2 + b      fader of band b = 0..30 (parameter 2 + b)
//   33         output gain fader (parameter 33)
//   34, 35     the "In" and "Out" meter switches (parameters 34, 35)
//   36         the response switch, lit for the true response (parameter 36)
//   37 + b     band b, channel 0, level before the band gain
//   68 + b     band b, channel 1, before
//   99 + b     band b, channel 0, after the band gain
//   130 + b    band b, channel 1, after
//
// A control's entry number is its tag and its parameter index, so the
// control entries are the parameter table's indices; the meters follow them.
#pragma once

#include "effect/parameters.h"
#include "gui/drawing/geometry.h"

#include <cstdint>

namespace sorrel::layout {

constexpr int32_t kNumBands = kNumBandParameters;
constexpr int32_t kInGainFader = kInGainParameter;
constexpr int32_t kQFader = kQParameter;
// Band b's fader is entry kFirstBandFader + b.
constexpr int32_t kFirstBandFader = kFirstBandParameter;
constexpr int32_t kLastBandFader = kLastBandParameter;
constexpr int32_t kOutGainFader = kOutGainParameter;
constexpr int32_t kNumFaders = kOutGainFader + 1;
constexpr int32_t kInSwitch = kInMetersParameter;
constexpr int32_t kOutSwitch = kOutMetersParameter;
constexpr int32_t kResponseSwitch = kResponseParameter;
// Parameters after the switches have no control of their own.
constexpr int32_t kNumControls = kResponseSwitch + 1;
constexpr int32_t kPreGainMeters0 = kNumControls;
constexpr int32_t kPreGainMeters1 = kPreGainMeters0 + kNumBands;
constexpr int32_t kPostGainMeters0 = kPreGainMeters1 + kNumBands;
constexpr int32_t kPostGainMeters1 = kPostGainMeters0 + kNumBands;
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
    // Entries 0..kTableSize-1 of the controls table.
    CRect entries[kTableSize];
};

// The faders are 16 x 106 with 20 pixels from band to band; under each band
// fader stand its four meters, each the size of an LED strip (ledWidth x
// ledHeight; 0 x 0 when the strips failed to load), the two pre-gain meters
// one pixel apart, a gap of two, then the two post-gain meters.
EditorLayout editorLayout(int32_t ledWidth, int32_t ledHeight);

// The caption under entry 0..36 ("In", "Q", "20" ... "19k", "Out", "In",
// "Out", "Response"; the switches' lie below the caption strip and stay
// undrawn); null for any other entry.
const char *caption(int32_t entry);

} // namespace sorrel::layout
