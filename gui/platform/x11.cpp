// X11 backend.
#include "gui/platform/platform.h"

#include <cstdio>

namespace sorrel::platform {

// A plug-in has no business opening a dialog of its own on X11: the notice
// goes to standard error, where the host's log picks it up.
void showMessageBox(const char *caption, const char *text) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

} // namespace sorrel::platform
