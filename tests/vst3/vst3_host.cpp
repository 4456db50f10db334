#include "vst3_host.h"

#include <cstring>

namespace sorrel::vst3::testing {

namespace {

// The module's export of that name as a function of type F, or null.
template <typename F> F exported(const tool::Module &library, const char *name) {
    void *found = library.symbol(name);
    F function = nullptr;
    static_assert(sizeof function == sizeof found, "function and data pointers have one size");
    std::memcpy(&function, &found, sizeof function);
    return function;
}

} // namespace

Module::Module(const std::string &path) : library(path) {
    // The module's own entry and exit around everything else, as hosts call them.
#if defined(_WIN32)
    auto *enter = exported<bool (*)()>(library, "InitDll");
    if (enter == nullptr || !enter())
        return;
    exitCall = exported<bool (*)()>(library, "ExitDll");
#else
    auto *enter = exported<bool (*)(void *)>(library, "ModuleEntry");
    if (enter == nullptr || !enter(library.nativeHandle()))
        return;
    exitCall = exported<bool (*)()>(library, "ModuleExit");
#endif
    auto *get = exported<IPluginFactory *(SORREL_VST3_CALL *)()>(library, "GetPluginFactory");
    factory = get != nullptr ? get() : nullptr;
}

Module::~Module() {
    if (factory != nullptr)
        factory->release();
    if (exitCall != nullptr)
        exitCall();
}

namespace {

VstIntPtr VSTCALLBACK answerVersion(AEffect *, VstInt32 opcode, VstInt32, VstIntPtr, void *, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

} // namespace

Vst2Module::Vst2Module(const std::string &path) : library(path) {
    const VSTPluginMainProc main = library.entry("VSTPluginMain");
    effect = main != nullptr ? main(&answerVersion) : nullptr;
    if (effect != nullptr)
        dispatch(effOpen);
}

Vst2Module::~Vst2Module() {
    if (effect != nullptr)
        dispatch(effClose);
}

} // namespace vst3::testing
