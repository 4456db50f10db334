#include "plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sorrel::test {

std::string hostPath(const std::string &path) {
#if defined(_WIN32)
    std::string out = path;
    if (!out.empty() && out[0] == '/')
        out = "Z:" + out;
    for (char &c : out)
        if (c == '/')
            c = '\\';
    return out;
#else
    return path;
#endif
}

#if defined(_WIN32)

PluginLibrary::PluginLibrary(const std::string &path) {
    HMODULE module = LoadLibraryA(hostPath(path).c_str());
    if (module == nullptr)
        error_ = "LoadLibrary failed with error " + std::to_string(GetLastError()) + " for " + hostPath(path);
    module_ = reinterpret_cast<void *>(module);
}

PluginLibrary::~PluginLibrary() {
    if (module_ != nullptr)
        FreeLibrary(reinterpret_cast<HMODULE>(module_));
}

void *PluginLibrary::symbol(const char *name) const {
    if (module_ == nullptr)
        return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(reinterpret_cast<HMODULE>(module_), name));
}

#else

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
    return module_ != nullptr ? dlsym(module_, name) : nullptr;
}

#endif

const char *builtPluginPath() {
    return SORREL_PLUGIN_PATH;
}

} // namespace sorrel::test
