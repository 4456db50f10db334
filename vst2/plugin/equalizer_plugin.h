// The equaliser as a VST 2.4 effect: the record and the dispatcher's
// operations on top of the format-free EqualizerEffect, and the editor where
// the build has windows. The one place that puts effect and editor together
// for this format.
#pragma once

#include <atomic>

#include "effect/equalizer_effect.h"
#include "vst2/audioeffectx.h"

namespace sorrel {

class EqualizerVstEditor;

class EqualizerPlugin : public AudioEffectX {
  public:
    // Throws std::bad_alloc when memory runs out (the factory catches it).
    // Comes with its editor where the build can show windows; a build
    // without a window system offers none.
    explicit EqualizerPlugin(audioMasterCallback host);
    ~EqualizerPlugin() override;

    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 frames) override;
    void processReplacing(float **inputs, float **outputs, VstInt32 sampleFrames) override;
    void process(float **inputs, float **outputs, VstInt32 sampleFrames) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char *text) override;
    void getParameterLabel(VstInt32 index, char *label) override;
    void getParameterDisplay(VstInt32 index, char *text) override;
    // What a person typed into the host's parameter list: true when it
    // named a value, which the parameter then takes.
    bool string2parameter(VstInt32 index, char *text) override;

    void setProgram(VstInt32 program) override;
    VstInt32 getProgram() override { return core.getProgram(); }
    void setProgramName(char *name) override;
    void getProgramName(char *name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char *text) override;
    VstInt32 getChunk(void **data, bool isPreset) override;
    VstInt32 setChunk(void *data, VstInt32 byteSize, bool isPreset) override;

    bool setSpeakerArrangement(VstSpeakerArrangement *input, VstSpeakerArrangement *output) override;
    bool getEffectName(char *name) override;
    bool getVendorString(char *text) override;
    bool getProductString(char *text) override;
    VstInt32 getVendorVersion() override { return EqualizerEffect::kVendorVersion; }
    VstInt32 getPlugCategory() override { return kPlugCategEffect; }
    // The content-scale call some hosts make before or after opening the
    // editor (index 'PreS', value 'AeCs', the factor as the float): 1 when
    // the editor took the factor.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void *ptr, float factor) override;
    static constexpr VstInt32 kContentScaleIndex = 0x50726553;  // 'PreS'
    static constexpr VstIntPtr kContentScaleValue = 0x41654373; // 'AeCs'

    // The format-free effect behind the record.
    EqualizerEffect &effect() { return core; }
    const EqualizerEffect &effect() const { return core; }

    void resume() override;
    VstInt32 startProcess() override;

  private:
    void settleWhenOffline();
    EqualizerEffect core;
    std::atomic<bool> offline{false}; // the host said it renders offline
};

// Runs the processor check and creates the plug-in. When the check fails it
// shows the user why and answers null; it answers null, too, when memory
// runs out. Never throws.
AudioEffect *createEqualizerPlugin(audioMasterCallback host, bool (*processorCheck)());

} // namespace sorrel
