#include "support/test_effect.h"

#include <stdexcept>
#include <type_traits>

namespace sorrel {

char sentinelA[256];
char sentinelB[256];

std::string describePointer(const void *p) {
    if (!p)
        return "null";
    if (p == sentinelA)
        return "A";
    if (p == sentinelB)
        return "B";
    return "?";
}

namespace {

// Integers in decimal, floats with one decimal place, bools as words.
template <typename T> std::string str(T v) {
    if constexpr (std::is_same_v<T, bool>) {
        return v ? "true" : "false";
    } else if constexpr (std::is_floating_point_v<T>) {
        const std::string s = std::to_string(v);
        return s.substr(0, s.find('.') + 2);
    } else {
        return std::to_string(static_cast<long long>(v));
    }
}
std::string ptr(const void *p) {
    return describePointer(p);
}

template <typename... T> std::string join(const T &...parts) {
    std::string out;
    ((out += (out.empty() ? "" : ",") + parts), ...);
    return out;
}

} // namespace

int TestEffect::liveCount = 0;

TestEffect::TestEffect(audioMasterCallback host, VstInt32 programs, VstInt32 params)
    : AudioEffectX(host, programs, params) {
    ++liveCount;
}

TestEffect::~TestEffect() {
    --liveCount;
    if (deleted)
        *deleted = true;
}

VstIntPtr TestEffect::note(const std::string &name, const std::string &args) {
    calls.push_back(name + "(" + args + ")");
    if (name == throwOn)
        throw std::runtime_error(name);
    return answer;
}

void TestEffect::open() {
    note("open");
}
void TestEffect::close() {
    note("close");
}
void TestEffect::suspend() {
    note("suspend");
}
void TestEffect::resume() {
    note("resume");
}
void TestEffect::setSampleRate(float rate) {
    note("setSampleRate", str(rate));
}
void TestEffect::setBlockSize(VstInt32 size) {
    note("setBlockSize", str(size));
}
void TestEffect::processReplacing(float **inputs, float **outputs, VstInt32 n) {
    note("processReplacing", join(ptr(inputs), ptr(outputs), str(n)));
}
void TestEffect::processDoubleReplacing(double **inputs, double **outputs, VstInt32 n) {
    note("processDoubleReplacing", join(ptr(inputs), ptr(outputs), str(n)));
}
void TestEffect::process(float **inputs, float **outputs, VstInt32 n) {
    note("process", join(ptr(inputs), ptr(outputs), str(n)));
}
void TestEffect::setParameter(VstInt32 index, float value) {
    note("setParameter", join(str(index), str(value)));
}
float TestEffect::getParameter(VstInt32 index) {
    return static_cast<float>(note("getParameter", str(index)));
}
VstInt32 TestEffect::getProgram() {
    return noteInt("getProgram");
}
void TestEffect::setProgram(VstInt32 program) {
    note("setProgram", str(program));
    AudioEffectX::setProgram(program);
}
void TestEffect::setProgramName(char *name) {
    note("setProgramName", ptr(name));
}
void TestEffect::getProgramName(char *name) {
    note("getProgramName", ptr(name));
}
void TestEffect::getParameterLabel(VstInt32 index, char *label) {
    note("getParameterLabel", join(str(index), ptr(label)));
}
void TestEffect::getParameterDisplay(VstInt32 index, char *text) {
    note("getParameterDisplay", join(str(index), ptr(text)));
}
void TestEffect::getParameterName(VstInt32 index, char *text) {
    note("getParameterName", join(str(index), ptr(text)));
}
VstInt32 TestEffect::getChunk(void **data, bool isPreset) {
    return noteInt("getChunk", join(ptr(data), str(isPreset)));
}
VstInt32 TestEffect::setChunk(void *data, VstInt32 byteSize, bool isPreset) {
    return noteInt("setChunk", join(ptr(data), str(byteSize), str(isPreset)));
}

VstInt32 TestEffect::processEvents(VstEvents *events) {
    return noteInt("processEvents", ptr(events));
}
bool TestEffect::canParameterBeAutomated(VstInt32 index) {
    return noteBool("canParameterBeAutomated", str(index));
}
bool TestEffect::string2parameter(VstInt32 index, char *text) {
    return noteBool("string2parameter", join(str(index), ptr(text)));
}
bool TestEffect::getProgramNameIndexed(VstInt32 category, VstInt32 index, char *text) {
    return noteBool("getProgramNameIndexed", join(str(category), str(index), ptr(text)));
}
bool TestEffect::getInputProperties(VstInt32 index, VstPinProperties *p) {
    return noteBool("getInputProperties", join(str(index), ptr(p)));
}
bool TestEffect::getOutputProperties(VstInt32 index, VstPinProperties *p) {
    return noteBool("getOutputProperties", join(str(index), ptr(p)));
}
VstInt32 TestEffect::getPlugCategory() {
    return noteInt("getPlugCategory");
}
bool TestEffect::offlineNotify(VstAudioFile *p, VstInt32 numAudioFiles, bool start) {
    return noteBool("offlineNotify", join(ptr(p), str(numAudioFiles), str(start)));
}
bool TestEffect::offlinePrepare(VstOfflineTask *p, VstInt32 count) {
    return noteBool("offlinePrepare", join(ptr(p), str(count)));
}
bool TestEffect::offlineRun(VstOfflineTask *p, VstInt32 count) {
    return noteBool("offlineRun", join(ptr(p), str(count)));
}
bool TestEffect::processVariableIo(VstVariableIo *p) {
    return noteBool("processVariableIo", ptr(p));
}
bool TestEffect::setSpeakerArrangement(VstSpeakerArrangement *in, VstSpeakerArrangement *out) {
    return noteBool("setSpeakerArrangement", join(ptr(in), ptr(out)));
}
bool TestEffect::setBypass(bool onOff) {
    return noteBool("setBypass", str(onOff));
}
bool TestEffect::getEffectName(char *name) {
    return noteBool("getEffectName", ptr(name));
}
bool TestEffect::getVendorString(char *text) {
    return noteBool("getVendorString", ptr(text));
}
bool TestEffect::getProductString(char *text) {
    return noteBool("getProductString", ptr(text));
}
VstInt32 TestEffect::getVendorVersion() {
    return noteInt("getVendorVersion");
}
VstIntPtr TestEffect::vendorSpecific(VstInt32 arg1, VstIntPtr arg2, void *p, float f) {
    return note("vendorSpecific", join(str(arg1), str(arg2), ptr(p), str(f)));
}
VstInt32 TestEffect::canDo(char *text) {
    return noteInt("canDo", text ? std::string(text) : ptr(text));
}
VstInt32 TestEffect::getGetTailSize() {
    return noteInt("getGetTailSize");
}
bool TestEffect::getParameterProperties(VstInt32 index, VstParameterProperties *p) {
    return noteBool("getParameterProperties", join(str(index), ptr(p)));
}
VstInt32 TestEffect::getVstVersion() {
    return noteInt("getVstVersion");
}
VstInt32 TestEffect::getMidiProgramName(VstInt32 channel, MidiProgramName *p) {
    return noteInt("getMidiProgramName", join(str(channel), ptr(p)));
}
VstInt32 TestEffect::getCurrentMidiProgram(VstInt32 channel, MidiProgramName *p) {
    return noteInt("getCurrentMidiProgram", join(str(channel), ptr(p)));
}
VstInt32 TestEffect::getMidiProgramCategory(VstInt32 channel, MidiProgramCategory *p) {
    return noteInt("getMidiProgramCategory", join(str(channel), ptr(p)));
}
bool TestEffect::hasMidiProgramsChanged(VstInt32 channel) {
    return noteBool("hasMidiProgramsChanged", str(channel));
}
bool TestEffect::getMidiKeyName(VstInt32 channel, MidiKeyName *p) {
    return noteBool("getMidiKeyName", join(str(channel), ptr(p)));
}
bool TestEffect::beginSetProgram() {
    return noteBool("beginSetProgram");
}
bool TestEffect::endSetProgram() {
    return noteBool("endSetProgram");
}
bool TestEffect::getSpeakerArrangement(VstSpeakerArrangement **in, VstSpeakerArrangement **out) {
    return noteBool("getSpeakerArrangement", join(ptr(in), ptr(out)));
}
VstInt32 TestEffect::getNextShellPlugin(char *name) {
    return noteInt("getNextShellPlugin", ptr(name));
}
VstInt32 TestEffect::startProcess() {
    return noteInt("startProcess");
}
VstInt32 TestEffect::stopProcess() {
    return noteInt("stopProcess");
}
VstInt32 TestEffect::setTotalSampleToProcess(VstInt32 value) {
    return noteInt("setTotalSampleToProcess", str(value));
}
bool TestEffect::setPanLaw(VstInt32 type, float val) {
    return noteBool("setPanLaw", join(str(type), str(val)));
}
VstInt32 TestEffect::beginLoadBank(VstPatchChunkInfo *p) {
    return noteInt("beginLoadBank", ptr(p));
}
VstInt32 TestEffect::beginLoadProgram(VstPatchChunkInfo *p) {
    return noteInt("beginLoadProgram", ptr(p));
}
bool TestEffect::setProcessPrecision(VstInt32 precision) {
    return noteBool("setProcessPrecision", str(precision));
}
VstInt32 TestEffect::getNumMidiInputChannels() {
    return noteInt("getNumMidiInputChannels");
}
VstInt32 TestEffect::getNumMidiOutputChannels() {
    return noteInt("getNumMidiOutputChannels");
}

RecordingEditor::~RecordingEditor() {
    if (deleted)
        *deleted = true;
}

bool RecordingEditor::getRect(ERect **out) {
    calls.push_back("getRect(" + ptr(out) + ")");
    if (out)
        *out = &rect;
    return answer;
}

bool RecordingEditor::open(void *p) {
    calls.push_back("open(" + ptr(p) + ")");
    AEffEditor::open(p);
    return answer;
}

void RecordingEditor::close() {
    calls.push_back("close()");
    AEffEditor::close();
}

void RecordingEditor::idle() {
    calls.push_back("idle()");
}

bool RecordingEditor::onKeyDown(VstKeyCode &key) {
    calls.push_back("onKeyDown(" + join(str(key.character), str(key.virt), str(key.modifier)) + ")");
    return answer;
}

bool RecordingEditor::onKeyUp(VstKeyCode &key) {
    calls.push_back("onKeyUp(" + join(str(key.character), str(key.virt), str(key.modifier)) + ")");
    return answer;
}

bool RecordingEditor::setKnobMode(VstInt32 val) {
    calls.push_back("setKnobMode(" + str(val) + ")");
    return answer;
}

} // namespace sorrel
