// A plug-in module opened the way hosts open one: the shared library (a DLL
// on Windows) at a path, its exported entry, and closing it again. The tool
// and the tests that load plug-ins all go through this one loader.
#pragma once

#include "vst2/aeffect.h"

#include <string>

namespace sorrel::tool {

class Module {
  public:
    // Opens the module at path; a bare file name means the file in the
    // current directory.
    explicit Module(const std::string &path);
    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    bool loaded() const { return handle != nullptr; }
    // Why the module did not load, in the system's words (one line).
    const std::string &error() const { return loadError; }

    // The plug-in entry: VSTPluginMain, or the older name main; null when
    // the module exports neither.
    VSTPluginMainProc entry() const;
    // The export of that name taken as an entry, or null.
    VSTPluginMainProc entry(const char *name) const;
    // The export of that name, or null.
    void *symbol(const char *name) const;
    // The system's handle of the module (dlopen's, an HMODULE), or null.
    void *nativeHandle() const { return handle; }

  private:
    void *handle = nullptr;
    std::string loadError;
};

// What each platform's file (module_posix.cpp, module_win32.cpp) provides.
namespace moduleio {
void *openModule(const std::string &path, std::string &error);
void *findSymbol(void *module, const char *name);
void closeModule(void *module);
} // namespace moduleio

// A file of the build machine as a program of this build names it: under
// Wine an absolute Unix path lies on the Unix root drive Z:. Unchanged on
// Linux.
std::string nativePath(const std::string &path);

} // namespace sorrel::tool
