#include "vst3_host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sorrel::vst3::testing {

namespace {

void *symbol(void *handle, const char *name) {
#if defined(_WIN32)
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

} // namespace

Module::Module(const std::string &path) {
#if defined(_WIN32)
    handle = LoadLibraryA(path.c_str());
    const char *entry = "InitDll";
    const char *leave = "ExitDll";
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const char *entry = "ModuleEntry";
    const char *leave = "ModuleExit";
#endif
    if (handle == nullptr)
        return;
#if defined(_WIN32)
    auto *enter = reinterpret_cast<bool (*)()>(symbol(handle, entry));
    if (enter == nullptr || !enter())
        return;
#else
    auto *enter = reinterpret_cast<bool (*)(void *)>(symbol(handle, entry));
    if (enter == nullptr || !enter(handle))
        return;
#endif
    exitCall = reinterpret_cast<bool (*)()>(symbol(handle, leave));
    auto *get = reinterpret_cast<IPluginFactory *(SORREL_VST3_CALL *)()>(symbol(handle, "GetPluginFactory"));
    factory = get != nullptr ? get() : nullptr;
}

Module::~Module() {
    if (factory != nullptr)
        factory->release();
    if (exitCall != nullptr)
        exitCall();
#if defined(_WIN32)
    if (handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle));
#else
    if (handle != nullptr)
        dlclose(handle);
#endif
}

namespace {

VstIntPtr VSTCALLBACK answerVersion(AEffect *, VstInt32 opcode, VstInt32, VstIntPtr, void *, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

} // namespace

Vst2Module::Vst2Module(const std::string &path) {
#if defined(_WIN32)
    handle = LoadLibraryA(path.c_str());
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (handle == nullptr)
        return;
    auto *main = reinterpret_cast<VSTPluginMainProc>(symbol(handle, "VSTPluginMain"));
    effect = main != nullptr ? main(&answerVersion) : nullptr;
    if (effect != nullptr)
        dispatch(effOpen);
}

Vst2Module::~Vst2Module() {
    if (effect != nullptr)
        dispatch(effClose);
#if defined(_WIN32)
    if (handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle));
#else
    if (handle != nullptr)
        dlclose(handle);
#endif
}

} // namespace sorrel::vst3::testing
