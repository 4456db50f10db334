#include "tools/hostlib/plugin.h"

#include "vst2/aeffectx.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace sorrel::tool {

namespace {

// Instances by record, so that the callback can answer for the right one.
// A plug-in may call back before its record reaches us (from inside the
// entry), with a null or a not yet known record: that call belongs to the
// instance being created on this thread.
std::mutex registryLock;
std::vector<std::pair<AEffect *, Plugin *>> registry;
thread_local Plugin *creating = nullptr;

Plugin *instanceFor(AEffect *effect) {
    if (effect) {
        std::lock_guard<std::mutex> lock(registryLock);
        for (const auto &entry : registry)
            if (entry.first == effect)
                return entry.second;
    }
    return creating;
}

void registerInstance(AEffect *effect, Plugin *plugin) {
    std::lock_guard<std::mutex> lock(registryLock);
    registry.emplace_back(effect, plugin);
}

void unregisterInstance(Plugin *plugin) {
    std::lock_guard<std::mutex> lock(registryLock);
    registry.erase(
        std::remove_if(registry.begin(), registry.end(),
                       [plugin](const std::pair<AEffect *, Plugin *> &e) { return e.second == plugin; }),
        registry.end());
}

// Plug-ins are known to write past the lengths the interface allows for its
// texts: every text goes into a generous zeroed buffer that is terminated
// again afterwards.
constexpr size_t kTextBuffer = 512;

void copyText(void *dst, const char *src, size_t max) {
    if (!dst)
        return;
    auto *d = static_cast<char *>(dst);
    size_t n = std::strlen(src);
    if (n > max)
        n = max;
    std::memcpy(d, src, n);
    d[n] = 0;
}

bool sane(VstInt32 v, VstInt32 max) {
    return v >= 0 && v <= max;
}

} // namespace

VstIntPtr VSTCALLBACK hostCallback(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                   void *ptr, float opt) {
    if (opcode == audioMasterVersion)
        return kHostVstVersion;
    Plugin *p = instanceFor(effect);
    if (p)
        return p->hostCall(opcode, index, value, ptr, opt);
    return 0;
}

VstIntPtr Plugin::hostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVstVersion;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(rateHz);
    case audioMasterGetBlockSize:
        return blockFrames;
    case audioMasterGetVendorString:
        copyText(ptr, kHostVendor, 63);
        return ptr ? 1 : 0;
    case audioMasterGetProductString:
        copyText(ptr, kHostProduct, 63);
        return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
        return kHostVendorVersion;
    case audioMasterCanDo: {
        if (!ptr)
            return 0;
        const char *what = static_cast<const char *>(ptr);
        // 1: yes; -1: no; 0: do not know.
        if (std::strcmp(what, "sizeWindow") == 0 || std::strcmp(what, "startStopProcess") == 0)
            return 1;
        if (std::strcmp(what, "sendVstEvents") == 0 || std::strcmp(what, "sendVstMidiEvent") == 0 ||
            std::strcmp(what, "receiveVstEvents") == 0 || std::strcmp(what, "receiveVstMidiEvent") == 0 ||
            std::strcmp(what, "sendVstTimeInfo") == 0 || std::strcmp(what, "offline") == 0 ||
            std::strcmp(what, "openFileSelector") == 0 || std::strcmp(what, "editFile") == 0 ||
            std::strcmp(what, "shellCategory") == 0)
            return -1;
        return 0;
    }
    case audioMasterSizeWindow:
        return listener && listener->sizeWindow(index, static_cast<VstInt32>(value)) ? 1 : 0;
    case audioMasterAutomate:
        if (listener)
            listener->automate(index, opt);
        return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        if (!listener)
            return 0;
        if (opcode == audioMasterBeginEdit)
            listener->beginEdit(index);
        else
            listener->endEdit(index);
        return 1;
    case audioMasterUpdateDisplay:
        if (!listener)
            return 0;
        listener->updateDisplay();
        return 1;
    case audioMasterIdle:
        if (listener)
            listener->idle();
        return 0;
    case audioMasterWillReplaceOrAccumulate:
        return accumulating ? 2 : 1;
    case audioMasterGetAutomationState:
        return 1; // automation off
    case audioMasterGetLanguage:
        return 1; // English
    case audioMasterGetCurrentProcessLevel:
        return kVstProcessLevelOffline; // this host renders files, never a live stream
    default:
        // Time info, MIDI, files: this host has none of them to offer.
        return 0;
    }
}

LoadResult Plugin::load(const std::string &path, float sampleRate, VstInt32 blockSize) {
    LoadResult res;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        res.error = path + ": " + std::strerror(errno);
        return res;
    }
    if ((st.st_mode & S_IFMT) == S_IFDIR) {
        res.error = path + ": is a directory, not a plug-in";
        return res;
    }

    std::unique_ptr<Plugin> p(new Plugin());
    p->modulePath = path;
    p->rateHz = sampleRate;
    p->blockFrames = blockSize;

    p->module = std::make_unique<Module>(path);
    if (!p->module->loaded()) {
        res.error = path + ": not a loadable plug-in (" + p->module->error() + ")";
        return res;
    }
    const VSTPluginMainProc main = p->module->entry();
    if (!main) {
        res.error = path + ": not a VST 2.4 plug-in (no VSTPluginMain entry)";
        return res; // the destructor unloads the module
    }

    creating = p.get();
    AEffect *effect = main(hostCallback);
    creating = nullptr;
    if (!effect) {
        res.error = path + ": the plug-in refused to create an instance";
        return res;
    }
    if (effect->magic != kEffectMagic) {
        res.error = path + ": the entry returned no VST effect record (wrong magic)";
        return res; // an unknown record is never touched again, not even closed
    }
    if (!effect->dispatcher || !sane(effect->numInputs, 256) || !sane(effect->numOutputs, 256) ||
        !sane(effect->numParams, 1 << 20) || !sane(effect->numPrograms, 1 << 20)) {
        res.error = path + ": the plug-in's record is inconsistent (channel, parameter or program counts)";
        return res;
    }
    if (!effect->process && !effect->processReplacing) {
        res.error = path + ": the plug-in has no audio call";
        return res;
    }
    p->record = effect;
    registerInstance(effect, p.get());

    p->dispatch(effOpen);
    res.plugin = std::move(p);
    return res;
}

Plugin::~Plugin() {
    if (record) {
        if (active)
            suspend();
        dispatch(effClose); // deletes the instance
        unregisterInstance(this);
        record = nullptr;
    }
}

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt) {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void Plugin::setSampleRate(float rate) {
    rateHz = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void Plugin::setBlockSize(VstInt32 frames) {
    blockFrames = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void Plugin::resume() {
    if (active)
        return;
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    active = true;
}

void Plugin::suspend() {
    if (!active)
        return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    active = false;
}

std::string Plugin::text(VstInt32 opcode, VstInt32 index) {
    char buf[kTextBuffer] = {};
    dispatch(opcode, index, 0, buf);
    buf[kTextBuffer - 1] = 0;
    return buf;
}

std::string Plugin::effectName() {
    return text(effGetEffectName, 0);
}
std::string Plugin::vendorString() {
    return text(effGetVendorString, 0);
}
std::string Plugin::productString() {
    return text(effGetProductString, 0);
}
VstInt32 Plugin::vendorVersion() {
    return static_cast<VstInt32>(dispatch(effGetVendorVersion));
}
VstInt32 Plugin::vstVersion() {
    return static_cast<VstInt32>(dispatch(effGetVstVersion));
}
VstInt32 Plugin::category() {
    return static_cast<VstInt32>(dispatch(effGetPlugCategory));
}
std::string Plugin::paramName(VstInt32 index) {
    return text(effGetParamName, index);
}
std::string Plugin::paramLabel(VstInt32 index) {
    return text(effGetParamLabel, index);
}
std::string Plugin::paramDisplay(VstInt32 index) {
    return text(effGetParamDisplay, index);
}

float Plugin::getParameter(VstInt32 index) {
    return record->getParameter ? record->getParameter(record, index) : 0.0f;
}

void Plugin::setParameter(VstInt32 index, float value) {
    if (record->setParameter)
        record->setParameter(record, index, value);
}

VstInt32 Plugin::program() {
    return static_cast<VstInt32>(dispatch(effGetProgram));
}

void Plugin::setProgram(VstInt32 program) {
    // Hosts bracket a program change so that plug-ins can batch updates.
    dispatch(effBeginSetProgram);
    dispatch(effSetProgram, 0, program);
    dispatch(effEndSetProgram);
}

std::string Plugin::programName() {
    return text(effGetProgramName, 0);
}

void Plugin::setProgramName(const std::string &name) {
    char buf[kTextBuffer] = {};
    copyText(buf, name.c_str(), 24); // the interface's limit for program names
    dispatch(effSetProgramName, 0, 0, buf);
}

std::string Plugin::programNameAt(VstInt32 index) {
    char buf[kTextBuffer] = {};
    if (dispatch(effGetProgramNameIndexed, index, -1, buf) != 0) {
        buf[kTextBuffer - 1] = 0;
        return buf;
    }
    const VstInt32 was = program();
    if (was == index)
        return programName();
    setProgram(index);
    std::string name = programName();
    setProgram(was);
    return name;
}

std::vector<uint8_t> Plugin::getChunk(bool programOnly) {
    void *data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, programOnly ? 1 : 0, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto *bytes = static_cast<const uint8_t *>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

void Plugin::setChunk(const std::vector<uint8_t> &chunk, bool programOnly) {
    // The plug-in may keep the pointer until the call returns only; a copy
    // keeps the caller's buffer out of its reach.
    std::vector<uint8_t> copy(chunk);
    dispatch(effSetChunk, programOnly ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data());
}

void Plugin::processReplacing(float **inputs, float **outputs, VstInt32 frames) {
    record->processReplacing(record, inputs, outputs, frames);
}

void Plugin::processAccumulating(float **inputs, float **outputs, VstInt32 frames) {
    record->process(record, inputs, outputs, frames);
}

VstInt32 Plugin::findParameter(const std::string &key) {
    if (!key.empty() &&
        std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isdigit(c); })) {
        const long v = key.size() <= 9 ? std::strtol(key.c_str(), nullptr, 10) : -1;
        return v >= 0 && v < numParams() ? static_cast<VstInt32>(v) : -1;
    }
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    const std::string want = lower(key);
    for (VstInt32 i = 0; i < numParams(); ++i)
        if (lower(paramName(i)) == want)
            return i;
    return -1;
}

const char *categoryName(VstInt32 category) {
    static const char *const names[] = {"unknown",     "effect",      "synth",       "analysis",
                                        "mastering",   "spatialiser", "room effect", "surround effect",
                                        "restoration", "offline",     "shell",       "generator"};
    return category >= 0 && category < 12 ? names[category] : "unknown";
}

std::string flagNames(VstInt32 flags) {
    static const std::pair<VstInt32, const char *> names[] = {
        {effFlagsHasEditor, "editor"},
        {effFlagsHasClip, "clip"},
        {effFlagsHasVu, "vu"},
        {effFlagsCanMono, "mono"},
        {effFlagsCanReplacing, "replacing"},
        {effFlagsProgramChunks, "chunks"},
        {effFlagsIsSynth, "synth"},
        {effFlagsNoSoundInStop, "no-tail"},
        {effFlagsExtIsAsync, "async"},
        {effFlagsExtHasBuffer, "external-buffer"},
        {effFlagsCanDoubleReplacing, "double"},
    };
    std::string s;
    for (const auto &n : names) {
        if (flags & n.first) {
            if (!s.empty())
                s += ", ";
            s += n.second;
        }
    }
    return s.empty() ? "none" : s;
}

} // namespace sorrel::tool
