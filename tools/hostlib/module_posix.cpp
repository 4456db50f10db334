// Opening plug-in modules on Linux.
#include "tools/hostlib/module.h"

#include <dlfcn.h>

namespace sorrel::tool {

namespace moduleio {

void *openModule(const std::string &path, std::string &error) {
    // A bare file name would send dlopen searching the library path.
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    void *h = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char *e = dlerror();
        error = e ? e : "unknown error";
    }
    return h;
}

void *findSymbol(void *module, const char *name) {
    return dlsym(module, name);
}

void closeModule(void *module) {
    dlclose(module);
}

} // namespace moduleio

std::string nativePath(const std::string &path) {
    return path;
}

} // namespace sorrel::tool
