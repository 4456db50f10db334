// The equaliser effect: its identity towards the host, its 36 parameters, the
// program bank with its chunks, and the two audio calls that run one band
// engine per channel over the host's buffers.
//
// Threads. Nothing here locks or waits. The host may write parameters, select
// programs and load chunks on its user-interface or automation thread while
// its audio thread runs a block: bank values and engine settings are atomics,
// and the engines publish redesigned coefficients atomically, so a block sees
// every value whole. Writers on several threads at once leave the engines
// holding the selected program's last values: each write is stored in the
// bank first, then one writer at a time pushes the bank into the engines and
// goes on pushing while others write; the others never wait for it. The work buffers are the exception:
// setBlockSize replaces them without synchronisation, relying on what hosts guarantee - they change the block
// size only while the effect is suspended, never during an audio call. The audio calls treat missing buffers
// as "not set up" and return.
#pragma once

#include "dsp/band_equalizer.h"
#include "dsp/dsp_unit.h"
#include "editor/level_source.h"
#include "effect/program_bank.h"
#include "host/audioeffectx.h"

#include <atomic>
#include <memory>

namespace sorrel {

class EqualizerEditor;

class EqualizerEffect : public AudioEffectX, public DspUnit, public LevelSource {
  public:
    static constexpr VstInt32 kNumPrograms = 10;
    static constexpr VstInt32 kNumParams = 36;
    // Parameter indices; band b is kFirstBand + b.
    static constexpr VstInt32 kInGain = 0;
    static constexpr VstInt32 kQ = 1;
    static constexpr VstInt32 kFirstBand = 2;
    static constexpr VstInt32 kLastBand = kFirstBand + kNumBands - 1;
    static constexpr VstInt32 kOutGain = 33;
    static constexpr VstInt32 kInMeters = 34; // editor switches, never seen by the engines
    static constexpr VstInt32 kOutMeters = 35;
    // The work buffers never grow beyond this many frames; longer blocks are
    // run in pieces, so a host announcing a huge block size costs no memory.
    static constexpr VstInt32 kMaxWorkFrames = 1 << 16;

    // Throws std::bad_alloc when memory runs out (the factory catches it).
    // Comes with its editor where the build can show windows; a build
    // without a window system offers none.
    explicit EqualizerEffect(audioMasterCallback host);
    ~EqualizerEffect() override;

    // Set-up by the host.
    void setSampleRate(float rate) override;
    float getSampleRate() override { return AudioEffectX::getSampleRate(); }
    float getSampleRate() const override { return DspUnit::getSampleRate(); }
    // 0, a negative or an unallocatable size leaves no work buffers: the
    // audio calls then do nothing until a later size succeeds.
    void setBlockSize(VstInt32 frames) override;

    // The audio calls: replacing and accumulating. Null input or output
    // channels are allowed; more frames than the block size run in pieces.
    void processReplacing(float **inputs, float **outputs, VstInt32 sampleFrames) override;
    void process(float **inputs, float **outputs, VstInt32 sampleFrames) override;

    // Parameters of the selected program. A NaN write is ignored, other
    // values are clamped to 0..1; writing the stored value does nothing.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char *text) override;
    void getParameterLabel(VstInt32 index, char *label) override;
    void getParameterDisplay(VstInt32 index, char *text) override;

    // Programs and chunks. A chunk must be exactly one program record or the
    // whole bank; anything else is refused with 0 and changes nothing.
    void setProgram(VstInt32 program) override;
    VstInt32 getProgram() override { return bank.selected(); }
    void setProgramName(char *name) override;
    void getProgramName(char *name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char *text) override;
    VstInt32 getChunk(void **data, bool isPreset) override;
    VstInt32 setChunk(void *data, VstInt32 byteSize, bool isPreset) override;

    // Identity.
    bool setSpeakerArrangement(VstSpeakerArrangement *input, VstSpeakerArrangement *output) override;
    bool getEffectName(char *name) override;
    bool getVendorString(char *text) override;
    bool getProductString(char *text) override;
    VstInt32 getVendorVersion() override { return 1100; }
    VstInt32 getPlugCategory() override { return kPlugCategEffect; }

    // Pushes the selected program into both engines: input gain, output gain
    // and Q always, band gains only for their own index or for -1 (all).
    void update(int index) override;

    // Only an open editor shows the levels, so the engines measure only
    // while the editor asks for it (off at construction; output is
    // identical either way; the cost is measured in bench/README.md).
    void setMetering(bool on) override;
    // The levels of the last block, for the editor's meters.
    float preGainLevel(int channel, int band) const override;
    float postGainLevel(int channel, int band) const override;

    // The engines, for the meters of the editor (levels) and for tests.
    const BandEqualizer &engine(int channel) const { return channel == 0 ? leftEngine : rightEngine; }
    const ProgramBank &programs() const { return bank; }
    // Length of the work buffers; 0 while there are none.
    VstInt32 workFrames() const { return workLength; }

  private:
    template <bool accumulate> void run(float **inputs, float **outputs, VstInt32 sampleFrames);
    // Brings both engines in line with the selected program (update(-1)),
    // coalescing concurrent writers into one pusher.
    void pushToEngines();
    void releaseWorkBuffers();
    // Tells the attached editor of a parameter value the effect has taken.
    void notifyEditor(VstInt32 index, float value);

    ProgramBank bank;
    BandEqualizer leftEngine;
    BandEqualizer rightEngine;
    std::unique_ptr<float[]> workLeft;
    std::unique_ptr<float[]> workRight;
    VstInt32 workLength = 0;
    // The editor made in the constructor, as its own type; the base holds
    // the same object as its plain editor.
    EqualizerEditor *ownEditor = nullptr;
    std::atomic<unsigned> pushRequests{0};
    std::atomic<bool> pushing{false};
};

// Runs the processor check and creates the effect. When the check fails it
// shows the user why and answers null; it answers null, too, when memory
// runs out. Never throws.
AudioEffect *createEqualizerEffect(audioMasterCallback host, bool (*processorCheck)());

} // namespace sorrel
