// The Windows side of the scenario host: the host's windows, reading pixels
// back from the screen and the backend's window class. The Windows-only
// tests use it directly.
#pragma once

#include "scenario_host.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>


#include <functional>
#include <string>
#include <vector>

namespace sorrel::scenario {

// The test's own window class, standing in for the host's windows.
const char *hostClass();
// A window of that class; top-level (and shown) unless a parent is given.
HWND makeHostWindow(int x, int y, int width, int height, DWORD style, HWND parent = nullptr);

// The window's client area as the screen shows it.
raster::Surface readBack(HWND hwnd, int32_t width, int32_t height);
// Pixels that differ; the first of them in first.
int countDifferences(const raster::Surface &a, const raster::Surface &b, raster::Point &first);

// The window class name of windows made by this program's backend.
std::string expectedClassName();
bool classRegistered(const std::string &name);

} // namespace sorrel::scenario
