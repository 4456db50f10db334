// Timing plug-ins against each other: the same stereo noise through each,
// runs interleaved so that machine load hits all alike, thread CPU time,
// median of the repeats.
#pragma once

#include "tools/hostlib/plugin.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sorrel::tool {

struct BenchOptions {
    float rate = 44100.0f;
    VstInt32 block = 512;
    double seconds = 2.0; // of stereo noise per run
    int repeats = 7;
    bool setAll = false; // band-like parameters to random values
    bool editor = false; // each instance's editor open (hidden) while timed
    uint32_t seed = 1;
};

struct BenchEntry {
    std::string path;
    std::string name;
    bool mono = false;     // one input: two instances, one per channel
    int randomised = 0;    // parameters that --set-all changed
    double nsPerFrame = 0; // median, per stereo frame
    // Wall-clock milliseconds from loading to the end of the first audio
    // call of one instance: the first time (the module comes from disk or
    // the page cache) and the median of later ones (module already loaded).
    double firstStartMs = 0;
    double startMs = 0;
};

// Returns an empty string or the first plug-in's load error.
std::string runBench(const std::vector<std::string> &paths, const BenchOptions &options,
                     std::vector<BenchEntry> &results);

// A parameter that looks like the gain of one band: its label is dB, or its
// name is a frequency ("440Hz", "1.4 kHz", "Band 5").
bool isBandLike(const std::string &name, const std::string &label);

double median(std::vector<double> values);

} // namespace sorrel::tool
