// Effects and an editor for the host-interface tests: every operation the
// dispatchers reach is recorded as a line of text ("setProgram(5)") and
// answers a configurable value, so one table can check routing and results.
#pragma once

#include "vst2/audioeffectx.h"

#include <string>
#include <vector>

namespace sorrel {

// Two recognisable pointers for argument routing: recorded as "A" and "B".
extern char sentinelA[256];
extern char sentinelB[256];
std::string describePointer(const void *p);

// The bare extended base with nothing overridden but the audio call.
class BareEffect : public AudioEffectX {
  public:
    explicit BareEffect(audioMasterCallback host, VstInt32 programs = 10, VstInt32 params = 36)
        : AudioEffectX(host, programs, params) {}
    void processReplacing(float **, float **, VstInt32) override {}

    AEffect &record() { return cEffect; }
};

class TestEffect : public AudioEffectX {
  public:
    explicit TestEffect(audioMasterCallback host, VstInt32 programs = 10, VstInt32 params = 36);
    ~TestEffect() override;

    static int liveCount;

    std::vector<std::string> calls;
    VstIntPtr answer = 0; // every recorded operation answers this
    std::string throwOn;  // an operation of this name throws after recording
    bool *deleted = nullptr;

    AEffect &record() { return cEffect; }
    VstInt32 currentProgram() const { return curProgram; }

    void open() override;
    void close() override;
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void processReplacing(float **inputs, float **outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double **inputs, double **outputs, VstInt32 sampleFrames) override;
    void process(float **inputs, float **outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char *name) override;
    void getProgramName(char *name) override;
    void getParameterLabel(VstInt32 index, char *label) override;
    void getParameterDisplay(VstInt32 index, char *text) override;
    void getParameterName(VstInt32 index, char *text) override;
    VstInt32 getChunk(void **data, bool isPreset) override;
    VstInt32 setChunk(void *data, VstInt32 byteSize, bool isPreset) override;

    VstInt32 processEvents(VstEvents *events) override;
    bool canParameterBeAutomated(VstInt32 index) override;
    bool string2parameter(VstInt32 index, char *text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char *text) override;
    bool getInputProperties(VstInt32 index, VstPinProperties *properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties *properties) override;
    VstInt32 getPlugCategory() override;
    bool offlineNotify(VstAudioFile *ptr, VstInt32 numAudioFiles, bool start) override;
    bool offlinePrepare(VstOfflineTask *offline, VstInt32 count) override;
    bool offlineRun(VstOfflineTask *offline, VstInt32 count) override;
    bool processVariableIo(VstVariableIo *varIo) override;
    bool setSpeakerArrangement(VstSpeakerArrangement *pluginInput,
                               VstSpeakerArrangement *pluginOutput) override;
    bool setBypass(bool onOff) override;
    bool getEffectName(char *name) override;
    bool getVendorString(char *text) override;
    bool getProductString(char *text) override;
    VstInt32 getVendorVersion() override;
    VstIntPtr vendorSpecific(VstInt32 arg1, VstIntPtr arg2, void *ptrArg, float floatArg) override;
    VstInt32 canDo(char *text) override;
    VstInt32 getGetTailSize() override;
    bool getParameterProperties(VstInt32 index, VstParameterProperties *p) override;
    VstInt32 getVstVersion() override;
    VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName *name) override;
    VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName *name) override;
    VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory *category) override;
    bool hasMidiProgramsChanged(VstInt32 channel) override;
    bool getMidiKeyName(VstInt32 channel, MidiKeyName *keyName) override;
    bool beginSetProgram() override;
    bool endSetProgram() override;
    bool getSpeakerArrangement(VstSpeakerArrangement **pluginInput,
                               VstSpeakerArrangement **pluginOutput) override;
    VstInt32 getNextShellPlugin(char *name) override;
    VstInt32 startProcess() override;
    VstInt32 stopProcess() override;
    VstInt32 setTotalSampleToProcess(VstInt32 value) override;
    bool setPanLaw(VstInt32 type, float val) override;
    VstInt32 beginLoadBank(VstPatchChunkInfo *ptr) override;
    VstInt32 beginLoadProgram(VstPatchChunkInfo *ptr) override;
    bool setProcessPrecision(VstInt32 precision) override;
    VstInt32 getNumMidiInputChannels() override;
    VstInt32 getNumMidiOutputChannels() override;

  private:
    // Records the call; throws when the test asked this operation to throw.
    VstIntPtr note(const std::string &name, const std::string &args = "");
    bool noteBool(const std::string &name, const std::string &args = "") { return note(name, args) != 0; }
    VstInt32 noteInt(const std::string &name, const std::string &args = "") {
        return static_cast<VstInt32>(note(name, args));
    }
};

class RecordingEditor : public AEffEditor {
  public:
    explicit RecordingEditor(AudioEffect *owner) : AEffEditor(owner) {}
    ~RecordingEditor() override;

    std::vector<std::string> calls;
    bool answer = false;
    bool *deleted = nullptr;
    ERect rect{1, 2, 3, 4};

    bool getRect(ERect **out) override;
    bool open(void *ptr) override;
    void close() override;
    void idle() override;
    bool onKeyDown(VstKeyCode &keyCode) override;
    bool onKeyUp(VstKeyCode &keyCode) override;
    bool setKnobMode(VstInt32 val) override;
};

} // namespace sorrel
