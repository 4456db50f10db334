#include "tools/hostlib/module.h"

#include <cstring>

namespace sorrel::tool {

Module::Module(const std::string &path) {
    handle = moduleio::openModule(path, loadError);
}

Module::~Module() {
    if (handle)
        moduleio::closeModule(handle);
}

void *Module::symbol(const char *name) const {
    return handle ? moduleio::findSymbol(handle, name) : nullptr;
}

VSTPluginMainProc Module::entry(const char *name) const {
    void *found = symbol(name);
    VSTPluginMainProc proc = nullptr;
    static_assert(sizeof proc == sizeof found, "function and data pointers have one size");
    std::memcpy(&proc, &found, sizeof proc);
    return proc;
}

VSTPluginMainProc Module::entry() const {
    VSTPluginMainProc found = entry("VSTPluginMain");
    return found ? found : entry("main");
}

} // namespace sorrel::tool
