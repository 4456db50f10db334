// The equaliser effect: its 37 parameters, the program bank with its chunks,
// and the two audio calls that run one band engine per channel over the
// host's buffers - the classic band engine, or in the true response the
// true-response engine, whose designs a worker thread of the effect makes.
// A switch between the two crossfades over 20 ms, starting once the worker
// has a design for the current rate; while the true response plays and the
// meters are on, the classic engine still runs beside it for the meters. It knows no plug-in interface and no window: each plug-in
// format wraps it (the VST 2.4 record in vst2/, the LV2 plug-in in lv2/).
//
// Threads. Nothing here locks or waits. The host may write parameters, select
// programs and load chunks on its user-interface or automation thread while
// its audio thread runs a block: bank values and engine settings are atomics,
// and the engines publish redesigned coefficients atomically, so a block sees
// every value whole. Writers on several threads at once leave the engines
// holding the selected program's last values: each write is stored in the
// bank first, then one writer at a time pushes the bank into the engines and
// goes on pushing while others write; the others never wait for it. The work
// buffers are the exception: setBlockSize replaces them without
// synchronisation, relying on what hosts guarantee - they change the block
// size only while the effect is suspended, never during an audio call. The
// audio calls treat missing buffers as "not set up" and return.
//
// Whoever shows the values (an editor) reads them back with getParameter:
// nothing here calls out, so every change - a parameter write from any
// thread, a program change, a chunk load - is seen the same way.
#pragma once

#include "dsp/band_equalizer.h"
#include "dsp/dsp_unit.h"
#include "effect/level_source.h"
#include "effect/parameters.h"
#include "effect/program_bank.h"
#include "effect/true_design_worker.h"
#include "dsp/true_equalizer.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace sorrel {

class EqualizerEffect : public DspUnit, public LevelSource {
  public:
    static constexpr int32_t kNumPrograms = 10;
    // The work buffers never grow beyond this many frames; longer blocks are
    // run in pieces, so a host announcing a huge block size costs no memory.
    static constexpr int32_t kMaxWorkFrames = 1 << 16;

    // Identity, for every format.
    static constexpr const char *kEffectName = "Sorrel";
    static constexpr const char *kVendor = "Quillmark";
    static constexpr const char *kProduct = "Sorrel / Quillmark";
    static constexpr int32_t kVendorVersion = 1100;

    // Ten programs named "-- empty --" with the table's defaults, program 0
    // selected. Throws std::bad_alloc when memory runs out.
    EqualizerEffect();
    ~EqualizerEffect();

    EqualizerEffect(const EqualizerEffect &) = delete;
    EqualizerEffect &operator=(const EqualizerEffect &) = delete;

    // Set-up by the host.
    void setSampleRate(float rate) override;
    // 0, a negative or an unallocatable size leaves no work buffers: the
    // audio calls then do nothing until a later size succeeds.
    void setBlockSize(int32_t frames);

    // The audio calls: replacing and accumulating. Null input or output
    // channels are allowed; more frames than the block size run in pieces.
    void processReplacing(float **inputs, float **outputs, int32_t sampleFrames);
    void process(float **inputs, float **outputs, int32_t sampleFrames);

    // Parameters of the selected program. A NaN write is ignored, other
    // values are clamped to 0..1; writing the stored value does nothing.
    // True when the value changed.
    bool setParameter(int32_t index, float value);
    // 0 outside 0..35.
    float getParameter(int32_t index) const;
    // What a person reads for the value: dB of the gains as the engines hold
    // them, the Q setting, 0 or 1 for the switches; 0 outside 0..35.
    float displayValue(int32_t index) const;

    // Programs and chunks. A chunk must be exactly one program record or the
    // whole bank; anything else is refused with 0 and changes nothing.
    void setProgram(int32_t program);
    int32_t getProgram() const { return bank.selected(); }
    void setProgramName(const char *name);
    void getProgramName(char *name) const;
    bool getProgramNameIndexed(int32_t index, char *text) const;
    int32_t getChunk(void **data, bool isPreset);
    int32_t setChunk(const void *data, int32_t byteSize, bool isPreset);

    // Pushes the selected program into both engines: input gain, output gain
    // and Q always, band gains only for their own index or for -1 (all).
    void update(int index) override;

    // Only an open editor shows the levels, so the engines measure only
    // while an editor asks for it (off at construction; output is
    // identical either way; the cost is measured in bench/README.md).
    void setMetering(bool on) override;
    // The levels of the last block, for the editor's meters.
    float preGainLevel(int channel, int band) const override;
    float postGainLevel(int channel, int band) const override;

    // The engines, whose state the levels above and the tests read.
    const BandEqualizer &engine(int channel) const { return channel == 0 ? leftEngine : rightEngine; }
    const TrueEqualizer &trueEngine(int channel) const { return channel == 0 ? leftTrue : rightTrue; }
    // Length of the work buffers; 0 while there are none.
    int32_t workFrames() const { return workLength; }

    // Waits until the worker has designed the true response for every
    // change so far (offline tools and tests; never on the audio thread).
    // False after the timeout.
    bool settleDesigns(int timeoutMilliseconds = 20000) { return worker.settle(timeoutMilliseconds); }
    // Whether a change still waits for its design. Any thread.
    bool designsPending() const { return worker.pending(); }
    // Whether the blocks now play the true response (after a crossfade).
    bool playingTrueResponse() const { return trueActive.load(std::memory_order_relaxed); }

  private:
    template <bool accumulate> void run(float **inputs, float **outputs, int32_t sampleFrames);
    // Brings both engines in line with the selected program (update(-1)),
    // coalescing concurrent writers into one pusher.
    void pushToEngines();
    void releaseWorkBuffers();
    // One piece of at most workLength frames in the work buffers, in the
    // response the switch asks for.
    void runEngines(float *left, float *right, int32_t frames);

    ProgramBank bank;
    BandEqualizer leftEngine;
    BandEqualizer rightEngine;
    TrueEqualizer leftTrue;
    TrueEqualizer rightTrue;
    TrueDesignWorker worker{leftTrue, rightTrue}; // after the engines it publishes to
    std::unique_ptr<float[]> workLeft;
    std::unique_ptr<float[]> workRight;
    std::unique_ptr<float[]> spareLeft; // the second engine's during a crossfade
    std::unique_ptr<float[]> spareRight;
    int32_t workLength = 0;
    // The pusher's: what the worker was last asked to design for.
    float requestedDb[kNumBands];
    float requestedRate = 0.0f;
    bool requestedOnce = false;
    // The audio thread's: the response playing, and a crossfade under way.
    std::atomic<bool> trueActive{false};
    bool classicCurrent = true; // the classic engine ran on the last block
    int32_t fadeDone = 0;
    int32_t fadeLength = 0; // 0: no crossfade
    std::atomic<unsigned> pushRequests{0};
    std::atomic<bool> pushing{false};
};

} // namespace sorrel
