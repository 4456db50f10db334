// Helpers of the window-system tests: a host's top-level window, a recording
// window client, message pumping and reading pixels back from the screen.
#pragma once

#include "gui/platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>


#include <functional>
#include <string>
#include <vector>

namespace wine {

namespace platform = sorrel::platform;

// The test's own window class, standing in for the host's windows.
const char *hostClass();
// A window of that class; top-level (and shown) unless a parent is given.
HWND makeHostWindow(int x, int y, int width, int height, DWORD style, HWND parent = nullptr);

// Dispatches the thread's messages until done() holds or about two seconds
// have passed; answers done().
bool pumpUntil(const std::function<bool()> &done);
// Dispatches what is queued now, and what arrives within milliseconds.
void pumpFor(DWORD milliseconds);

// What a window of the backend told its owner.
struct Recorder : platform::WindowClient {
    platform::Window *window = nullptr;
    // On paint: present this much of the surface (the paint area when
    // empty), as a frame presents what it drew.
    raster::Rect presentOnPaint;
    std::function<void()> onDestroyed;

    std::vector<raster::Rect> paints;
    std::vector<raster::Point> presses;
    std::vector<std::pair<raster::Point, float>> wheels;
    int destroyedCalls = 0;
    int callsAfterDestroyed = 0;
    std::vector<std::string> drags; // "enter ...", "move ...", "leave", "drop ..."

    void paint(const raster::Rect &area) override;
    void buttonPressed(const raster::Point &where) override;
    void wheel(const raster::Point &where, float distance) override;
    void destroyed() override;
    void dragEnter(platform::DropData &data) override;
    void dragMove(platform::DropData &data) override;
    void dragLeave() override;
    void drop(platform::DropData &data) override;

  private:
    void after();
    static std::string describe(platform::DropData &data);
};

// A test pattern with distinct red, green and blue in every pixel nearby.
raster::Pixel pattern(int32_t x, int32_t y, unsigned seed);
void fillPattern(raster::Surface &surface, unsigned seed);

// The window's client area as the screen shows it.
raster::Surface readBack(HWND hwnd, int32_t width, int32_t height);
// Pixels that differ; the first of them in first.
int countDifferences(const raster::Surface &a, const raster::Surface &b, raster::Point &first);

// The window class name of windows made by this program's backend.
std::string expectedClassName();
bool classRegistered(const std::string &name);

} // namespace wine
