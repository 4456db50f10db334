// Windows backend.
#include "gui/platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace sorrel::platform {

void showMessageBox(const char *caption, const char *text) {
    MessageBoxA(nullptr, text ? text : "", caption ? caption : "", MB_OK);
}


} // namespace sorrel::platform
