// The plug-in loader of the plug-in tests, with one difference: the entry it
// hands out creates effects whose audio calls run watched. Every call that
// allocates, frees or takes a lock fails the running test.
#include "alloc_trap.h"
#include "plugin_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>

namespace sorrel::test {
namespace {

VSTPluginMainProc realEntry = nullptr;
AEffectProcessProc realProcess = nullptr;
AEffectProcessProc realReplacing = nullptr;
AEffectProcessDoubleProc realDoubleReplacing = nullptr;

void report(const char *call, const alloctrap::Counts &counts, VstInt32 frames) {
    if (counts.any())
        ADD_FAILURE() << call << " of " << frames << " frames made " << counts.allocations << " allocations, "
                      << counts.frees << " frees and " << counts.locks << " lock calls";
}

void VSTCALLBACK watchedProcess(AEffect *e, float **inputs, float **outputs, VstInt32 frames) {
    alloctrap::watch();
    realProcess(e, inputs, outputs, frames);
    report("process", alloctrap::unwatch(), frames);
}

void VSTCALLBACK watchedReplacing(AEffect *e, float **inputs, float **outputs, VstInt32 frames) {
    alloctrap::watch();
    realReplacing(e, inputs, outputs, frames);
    report("processReplacing", alloctrap::unwatch(), frames);
}

void VSTCALLBACK watchedDoubleReplacing(AEffect *e, double **inputs, double **outputs, VstInt32 frames) {
    alloctrap::watch();
    realDoubleReplacing(e, inputs, outputs, frames);
    report("processDoubleReplacing", alloctrap::unwatch(), frames);
}

AEffect *VSTCALLBACK watchedEntry(audioMasterCallback host) {
    AEffect *effect = realEntry(host);
    if (effect == nullptr)
        return nullptr;
    // One module, one set of audio functions.
    realProcess = effect->process;
    realReplacing = effect->processReplacing;
    realDoubleReplacing = effect->processDoubleReplacing;
    if (effect->process != nullptr)
        effect->process = watchedProcess;
    if (effect->processReplacing != nullptr)
        effect->processReplacing = watchedReplacing;
    if (effect->processDoubleReplacing != nullptr)
        effect->processDoubleReplacing = watchedDoubleReplacing;
    return effect;
}

} // namespace

std::string hostPath(const std::string &path) {
    return path;
}

PluginLibrary::PluginLibrary(const std::string &path) {
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr) {
        const char *message = dlerror();
        error_ = message != nullptr ? message : "dlopen failed";
    }
}

PluginLibrary::~PluginLibrary() {
    if (module_ != nullptr)
        dlclose(module_);
}

void *PluginLibrary::symbol(const char *name) const {
    void *found = module_ != nullptr ? dlsym(module_, name) : nullptr;
    if (found == nullptr || std::strcmp(name, "VSTPluginMain") != 0)
        return found;
    realEntry = reinterpret_cast<VSTPluginMainProc>(found);
    return reinterpret_cast<void *>(&watchedEntry);
}

const char *builtPluginPath() {
    return SORREL_PLUGIN_PATH;
}

} // namespace sorrel::test
