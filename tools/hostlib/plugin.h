// Loading a VST 2.4 plug-in from its module and driving one instance of it
// the way real hosts do: entry, open, sample rate, block size, resume
// (mains on, start process), audio calls, suspend, close, unload.
#pragma once

#include "vst2/aeffect.h"
#include "tools/hostlib/module.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorrel::tool {

// What sorrel-host tells plug-ins about itself.
constexpr const char *kHostVendor = "Quillmark";
constexpr const char *kHostProduct = "sorrel-host";
constexpr VstInt32 kHostVendorVersion = 1100;
constexpr VstInt32 kHostVstVersion = 2400;

class Plugin;

// What a host with a window does with the plug-in's calls about its editor
// and its parameters. The plug-in may call from any of its threads (automate
// often comes from the audio thread).
class HostListener {
  public:
    virtual ~HostListener() = default;
    virtual void automate(VstInt32 index, float value) = 0;
    virtual void beginEdit(VstInt32 index) = 0;
    virtual void endEdit(VstInt32 index) = 0;
    virtual void updateDisplay() = 0;
    virtual void idle() = 0;
    // True when the editor's window now has (or will get) that size.
    virtual bool sizeWindow(VstInt32 width, VstInt32 height) = 0;
};

struct LoadResult {
    std::unique_ptr<Plugin> plugin;
    std::string error; // one line for the user when plugin is null
};

class Plugin {
  public:
    // Loads the module, creates one instance and opens it (effOpen). The
    // host callback reports sampleRate and blockSize from the start, since
    // some plug-ins ask during construction.
    static LoadResult load(const std::string &path, float sampleRate = 44100.0f, VstInt32 blockSize = 512);

    // Suspends if resumed, closes the instance (effClose) and unloads.
    ~Plugin();
    Plugin(const Plugin &) = delete;
    Plugin &operator=(const Plugin &) = delete;

    AEffect *effect() const { return record; }
    const std::string &path() const { return modulePath; }

    // Set-up; call while suspended. Both are passed on to the plug-in.
    void setSampleRate(float rate);
    void setBlockSize(VstInt32 frames);
    float sampleRate() const { return rateHz; }
    VstInt32 blockSize() const { return blockFrames; }

    void resume();  // effMainsChanged(1), effStartProcess
    void suspend(); // effStopProcess, effMainsChanged(0)
    bool resumed() const { return active; }

    // The record's figures.
    VstInt32 numParams() const { return record->numParams; }
    VstInt32 numPrograms() const { return record->numPrograms; }
    VstInt32 numInputs() const { return record->numInputs; }
    VstInt32 numOutputs() const { return record->numOutputs; }
    VstInt32 flags() const { return record->flags; }
    VstInt32 uniqueId() const { return record->uniqueID; }
    VstInt32 version() const { return record->version; }
    VstInt32 initialDelay() const { return record->initialDelay; }
    bool programsAreChunks() const { return (record->flags & effFlagsProgramChunks) != 0; }
    // The replacing call where the plug-in declares it, or where it is the
    // only audio call there is.
    bool canReplacing() const {
        return record->processReplacing != nullptr &&
               ((record->flags & effFlagsCanReplacing) != 0 || record->process == nullptr);
    }
    bool canAccumulate() const { return record->process != nullptr; }

    // Dispatcher queries.
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstInt32 vendorVersion();
    VstInt32 vstVersion();
    VstInt32 category();
    std::string paramName(VstInt32 index);
    std::string paramLabel(VstInt32 index);
    std::string paramDisplay(VstInt32 index);
    float getParameter(VstInt32 index);
    void setParameter(VstInt32 index, float value);

    VstInt32 program();
    void setProgram(VstInt32 program);
    std::string programName();
    void setProgramName(const std::string &name);
    // Name of program `index` without switching to it where the plug-in
    // answers effGetProgramNameIndexed; otherwise switches and back.
    std::string programNameAt(VstInt32 index);

    // A copy of the plug-in's chunk (program or bank); empty when it has none.
    std::vector<uint8_t> getChunk(bool program);
    void setChunk(const std::vector<uint8_t> &chunk, bool program);

    // Audio calls; frames must not exceed the block size.
    void processReplacing(float **inputs, float **outputs, VstInt32 frames);
    void processAccumulating(float **inputs, float **outputs, VstInt32 frames);

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void *ptr = nullptr,
                       float opt = 0.0f);

    // Parameter finder for --set NAME|INDEX=VALUE: an index, or a name
    // matched without regard to case; -1 when nothing matches.
    VstInt32 findParameter(const std::string &nameOrIndex);

    // Used by the host callback.
    VstIntPtr hostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void *ptr, float opt);
    bool accumulating = false; // what audioMasterWillReplaceOrAccumulate answers
    // Gets the editor and automation calls; without one, sizeWindow is
    // refused and the rest is ignored. Set it while no other thread is in
    // the plug-in.
    HostListener *listener = nullptr;

  private:
    Plugin() = default;
    std::string text(VstInt32 opcode, VstInt32 index);

    std::string modulePath;
    std::unique_ptr<Module> module; // unloaded after the instance is closed
    AEffect *record = nullptr;
    float rateHz = 44100.0f;
    VstInt32 blockFrames = 512;
    bool active = false;
};

// The host callback every instance gets.
VstIntPtr VSTCALLBACK hostCallback(AEffect *effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                   void *ptr, float opt);

const char *categoryName(VstInt32 category);
std::string flagNames(VstInt32 flags);

} // namespace sorrel::tool
