// Services of the window system that the rest of the plug-in needs, behind
// plain declarations: no windows.h, no Xlib here. One backend per platform
// (win32.cpp, x11.cpp) and a headless one for tests and window-less builds.
#pragma once

#include <string>

namespace sorrel::platform {

// A modal notice with a single OK button and no owner window. Backends
// without a window system write it to standard error instead. Never throws.
void showMessageBox(const char *caption, const char *text);

// Headless backend only: the last message shown and how many were shown.
struct ShownMessage {
    std::string caption;
    std::string text;
    int count = 0;
};
ShownMessage lastMessageForTest();

} // namespace sorrel::platform
