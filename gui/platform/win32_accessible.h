// Between the Windows backend's window code and its screen-reader object:
// what each needs of the other. Only the two Windows files include it.
#pragma once

#include "gui/platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

namespace sorrel::platform {

class WindowAccessible;

// Runs call with the window's description for a screen reader, keeping the
// window alive through it; false (call not run) when there is none, or the
// window is gone.
bool withAccessibleContent(Window *window, const std::function<void(AccessibleContent &)> &call);

// The answer to WM_GETOBJECT for the window's client area: the window's
// reader object (made on the first query and kept in object), or 0 where
// the query is for something else.
LRESULT answerAccessibleQuery(Window *window, HWND hwnd, WPARAM wParam, LPARAM lParam, WindowAccessible *&object);
// The window goes: readers holding the object get "disconnected" from now on.
void releaseAccessible(WindowAccessible *&object);

} // namespace sorrel::platform
