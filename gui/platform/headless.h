// The headless backend's own controls: a window system in memory, with a
// scripted pointer, buttons and clock. Tests (and tools that draw without a
// display) script it here; the toolkit only ever sees platform.h.
//
// Input script: each poll of the buttons or of the pointer takes the next
// entry of its list (the last entry stays), and every tickCount read
// advances the clock by clockStep.
#pragma once

#include "gui/platform/platform.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::platform::headless {

struct Script {
    std::vector<int32_t> buttons{0};
    std::vector<raster::Point> pointer{raster::Point{0, 0}};
    uint32_t clock = 0;
    uint32_t clockStep = 1;
    uint32_t eventStamp = 0;
    uint32_t doubleClick = 500;
    // A second press arrives after this many queue polls; -1 never.
    int pressAfterPolls = -1;
    bool swapped = false;
    // createWindow fails, as for a parent that is not a window.
    bool refuseWindows = false;
    // What the desktop says of screen density (0: nothing) and the screen's
    // size (0 x 0: unknown).
    double desktopScale = 0;
    raster::Point screen{0, 0};

    // What happened so far.
    size_t buttonPolls = 0;
    size_t pointerPolls = 0;
    int pressPolls = 0;
    uint32_t slept = 0;
    int sleeps = 0;
    int pumps = 0;
};

// The script of this process; reset() puts back the defaults and forgets
// the recorded web addresses (live windows and shown messages stay).
Script &script();
void reset();

// What the backend knows of one window.
struct WindowState {
    void *parent = nullptr;
    WindowClient *client = nullptr;
    raster::Surface surface;
    // Where the window is on the (imaginary) screen; (0, 0) unless moved.
    raster::Point screenOrigin;
    int presents = 0;
    raster::Rect lastPresented;
    Cursor cursor = CursorArrow;
    bool dropTarget = false;
    bool gone = false; // the parent was destroyed under it
    // What a screen reader would have been told, in order.
    std::vector<std::pair<AccessibleEvent, int32_t>> accessibleEvents;
};

// What a screen reader would find in the window (its client's answer).
AccessibleContent *accessibleContent(Window *window);

// The live windows, oldest first, and their states (null for a window that
// does not exist).
std::vector<Window *> windows();
WindowState *state(Window *window);

// Events as the window system would deliver them. Paints wait for the next
// pumpEvents (or pumpPending); presses, wheel and drops arrive at once.
void queuePaint(Window *window, const raster::Rect &area);
void pumpPending();
void press(Window *window, const raster::Point &where);
void wheel(Window *window, const raster::Point &where, float distance);
// The host destroys the parent: the window is gone and its client is told.
void destroyParent(Window *window);

// A scripted shell drag: text when files is empty.
struct Drag {
    std::string text;
    std::vector<std::string> files;
};
void dragEnter(Window *window, const Drag &drag);
void dragMove(Window *window, const Drag &drag);
void dragLeave(Window *window);
void drop(Window *window, const Drag &drag);

// Addresses handed to openUrl, and the message boxes shown.
std::vector<std::string> openedUrls();
struct ShownMessage {
    std::string caption;
    std::string text;
    int count = 0;
};
ShownMessage lastMessage();

} // namespace platform::headless
