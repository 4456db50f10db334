// The effect base: owns the plug-in record, turns dispatcher opcodes 0..24
// into virtual operations, wraps the first calls back into the host and
// offers the value-to-text conversions.
#pragma once

#include "vst2/aeffect.h"

class AEffEditor;
class AudioEffect;

// The one place that knows the concrete effect class; defined by the effect.
AudioEffect *createEffectInstance(audioMasterCallback audioMaster);

// Copies at most maxLen characters and terminates at dst[maxLen]: dst must
// hold maxLen + 1 bytes. Nothing is written for a null dst or a negative maxLen.
char *vst_strncpy(char *dst, const char *src, VstInt32 maxLen);
// Appends src so that the whole text keeps at most maxLen characters, then
// terminates at dst[maxLen]. Same buffer rule as vst_strncpy.
char *vst_strncat(char *dst, const char *src, VstInt32 maxLen);

class AudioEffect {
  public:
    AudioEffect(audioMasterCallback host, VstInt32 programs, VstInt32 params);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect &) = delete;
    AudioEffect &operator=(const AudioEffect &) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
    virtual void setBlockSize(VstInt32 newBlockSize) { blockSize = newBlockSize; }

    virtual void processReplacing(float **inputs, float **outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double **inputs, double **outputs, VstInt32 sampleFrames) {}

    virtual void setParameter(VstInt32 index, float value) {}
    virtual float getParameter(VstInt32 index) { return 0.0f; }
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char *name) {}
    virtual void getProgramName(char *name);
    virtual void getParameterLabel(VstInt32 index, char *label);
    virtual void getParameterDisplay(VstInt32 index, char *text);
    virtual void getParameterName(VstInt32 index, char *text);

    virtual VstInt32 getChunk(void **data, bool isPreset = false) { return 0; }
    virtual VstInt32 setChunk(void *data, VstInt32 byteSize, bool isPreset = false) { return 0; }

    virtual void setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

    virtual AEffEditor *getEditor() { return editor; }
    virtual AEffect *getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();

    virtual void dB2string(float value, char *text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char *text, VstInt32 maxLen);
    virtual void ms2string(float samples, char *text, VstInt32 maxLen);
    virtual void float2string(float value, char *text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char *text, VstInt32 maxLen);

    virtual void process(float **inputs, float **outputs, VstInt32 sampleFrames) {}
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // Attaches the editor (the effect owns it from now on) and keeps the
    // has-editor flag in step with it.
    void setEditor(AEffEditor *newEditor);

    // The functions whose addresses stand in the record. None of them lets
    // an exception reach the host.
    static VstIntPtr VSTCALLBACK dispatchEffectClass(AEffect *e, VstInt32 opcode, VstInt32 index,
                                                     VstIntPtr value, void *ptr, float opt);
    static void VSTCALLBACK processClass(AEffect *e, float **inputs, float **outputs, VstInt32 sampleFrames);
    static void VSTCALLBACK processClassReplacing(AEffect *e, float **inputs, float **outputs,
                                                  VstInt32 sampleFrames);
    static void VSTCALLBACK processClassDoubleReplacing(AEffect *e, double **inputs, double **outputs,
                                                        VstInt32 sampleFrames);
    static void VSTCALLBACK setParameterClass(AEffect *e, VstInt32 index, float value);
    static float VSTCALLBACK getParameterClass(AEffect *e, VstInt32 index);

  protected:
    // Calls the host with this effect's record, or answers 0 without a host.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr,
                       float opt = 0.0f);
    void setFlag(VstInt32 bit, bool state);

    audioMasterCallback audioMaster;
    AEffEditor *editor;
    float sampleRate;
    VstInt32 blockSize;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    AEffect cEffect;
};
