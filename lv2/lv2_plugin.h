// The equaliser as an LV2 plug-in: ports, run and state on top of the
// format-free EqualizerEffect. The one place that puts the effect together
// for this format (the editor lives in the separate UI binary).
//
// Ports and state. The host owns the input control ports and the LV2 state
// holds the whole bank. The ports always win for the selected program: run
// applies every port value that changed since the last run, and after a
// restore it applies all of them once, so the selected program's values are
// what the ports say (hosts restore ports with the state: lilv does it after
// the state, Ardour from its session). The other nine programs travel in the
// state only.
#pragma once

#include "effect/equalizer_effect.h"
#include "lv2/lv2_ports.h"

#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <memory>

namespace sorrel::lv2 {

class Lv2Equalizer {
  public:
    // features may be null; urid:map (for state) and bufsz/options are used
    // when present, nothing is required. Throws std::bad_alloc.
    Lv2Equalizer(double sampleRate, const LV2_Feature *const *features);

    void connectPort(uint32_t port, void *data);
    void activate();
    void run(uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    EqualizerEffect &effect() { return core; }

  private:
    void applyPorts();
    void writeMeters();

    EqualizerEffect core;
    LV2_URID_Map *map = nullptr;
    LV2_URID bankKey = 0;
    LV2_URID chunkType = 0;

    const float *audioIn[2] = {};
    float *audioOut[2] = {};
    const float *controls[kNumParameters] = {};
    float *meters[kNumMeterPorts] = {};
    // The port value last applied; NaN until the first run and after a
    // restore, so that those runs apply every port.
    float applied[kNumParameters];
    std::atomic<bool> reapply{true};
    bool metering = false;

    // Stands in for an audio port the host left unconnected: silence in,
    // a discarded signal out. Runs then go in pieces of this length.
    static constexpr uint32_t kSpareFrames = 256;
    float silence[kSpareFrames] = {};
    float discard[2][kSpareFrames] = {};
};

} // namespace sorrel::lv2
