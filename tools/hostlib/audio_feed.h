// Audio in real time for a host that shows plug-ins' editors: each
// instance's source looped block by block through it, on a thread paced by
// the clock as a sound card would pace it, so that meters move. No sound
// device: the output is dropped.
#pragma once

#include "tools/hostlib/plugin.h"

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace sorrel::tool {

// Pink noise (equal energy per octave, so every band of an equaliser gets
// about the same level), about -14 dBFS RMS with peaks near -2 dBFS; one
// independent channel each.
std::vector<std::vector<float>> pinkNoise(int channels, size_t frames);

// One instance's audio. Every buffer is made by prepare, before the audio
// thread starts.
struct AudioFeed {
    Plugin *plugin = nullptr;               // null once the instance has been closed
    std::vector<std::vector<float>> source; // one per plug-in input, equally long
    std::vector<std::vector<float>> in, out;
    std::vector<float *> inPtr, outPtr;
    size_t position = 0;

    void prepare(VstInt32 block);
    // The next block of the source through the plug-in.
    void runBlock(VstInt32 block);
};

// The host's audio thread: every feed once per block.
class AudioThread {
  public:
    // The feeds must stay where they are until stop.
    void start(std::vector<AudioFeed> &feeds, double rate, VstInt32 block);
    void stop();
    ~AudioThread() { stop(); }

  private:
    std::thread worker;
    std::atomic<bool> stopRequested{false};
};

} // namespace sorrel::tool
