// Loads the built plug-in library the way a host does: open the module, look
// up the exported entry, ask it for an effect with a host callback, and drive
// the effect only through its record.
#pragma once

#include "host/aeffect.h"

#include <string>

namespace sorrel::test {

class PluginLibrary {
  public:
    // Opens the module at path (a host path; on Windows a Unix-style absolute
    // path is taken as one on the Unix root drive, as under Wine).
    explicit PluginLibrary(const std::string &path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary &) = delete;
    PluginLibrary &operator=(const PluginLibrary &) = delete;

    bool loaded() const { return module_ != nullptr; }
    const std::string &error() const { return error_; }

    // An exported symbol, or null.
    void *symbol(const char *name) const;
    // VSTPluginMain, or null.
    VSTPluginMainProc entry() const { return reinterpret_cast<VSTPluginMainProc>(symbol("VSTPluginMain")); }

  private:
    void *module_ = nullptr;
    std::string error_;
};

// A path of the build machine as the test program must name it: on Windows
// (under Wine) an absolute Unix path lies on the Unix root drive Z:.
std::string hostPath(const std::string &path);

// The built plug-in of this build tree.
const char *builtPluginPath();

} // namespace sorrel::test
