// The magnitude response of a plug-in, measured from its output: a unit
// impulse on every input after a stretch of silence, the outputs captured
// long enough for the narrowest low band to ring out, and an FFT of each.
#pragma once

#include "tools/hostlib/plugin.h"

#include <string>
#include <vector>

namespace sorrel::tool {

struct Response {
    float sampleRate = 44100.0f;
    size_t fftSize = 0;
    std::vector<std::vector<double>> bins; // per output channel: |H| at k * sampleRate / fftSize

    int numChannels() const { return static_cast<int>(bins.size()); }
    // |H| at any frequency up to half the sample rate, interpolated between
    // the neighbouring bins.
    double at(int channel, double frequency) const;
};

struct ResponseOptions {
    VstInt32 blockSize = 512;
    double seconds = 1.5;  // capture length before rounding up to a power of two
    double preroll = 0.25; // silence before the impulse, for plug-ins that smooth their settings
};

// The plug-in must be set up (sample rate, block size) and resumed. Returns
// an empty string or the reason it cannot be measured.
std::string measureResponse(Plugin &plugin, const ResponseOptions &options, Response &out);

// Frequencies spaced evenly on a log scale, `perDecade` per decade, from lo
// to hi inclusive where the grid meets it (decades fall on exact values).
std::vector<double> logFrequencies(double lo, double hi, int perDecade);

} // namespace sorrel::tool
