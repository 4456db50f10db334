// What the X11 backend's files share: the window record, the display
// connection and the error trap. x11.cpp holds the connection, the windows and
// their input; x11_present.cpp puts a surface's pixels on the screen;
// x11_pixels.cpp picks the visual and converts pixels for visuals that do not
// take ours as they are. Nothing outside these files includes this header.
#pragma once

#include "gui/platform/platform.h"

#include <deque>
#include <memory>
#include <sys/shm.h>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

namespace sorrel::platform {

// --- one window ---------------------------------------------------------------------

class Window {
  public:
    ::Window id = 0;
    ::Window parent = 0;
    ::Window root = 0;
    WindowClient *client = nullptr;
    GC gc = nullptr;
    Visual *visual = nullptr;
    int screen = 0;
    int depth = 0;
    Colormap colormap = 0; // made for this window when not the screen's own
    // The surface can go to the server as it is: 24-bit TrueColor with 8 bits
    // per channel at 16, 8 and 0, 32 bits per pixel.
    bool direct = false;
    raster::Surface surface;
    raster::Rect damage; // exposed area not yet painted
    bool damaged = false;
    bool gone = false; // destroyed under us: no more requests, no more calls
    bool focused = false; // the host gave the window the keyboard focus
    // The shared segment large presents go through (see x11_present.cpp);
    // shm.shmaddr is null while there is none. Attached on the first
    // present of each surface size; given up for good after a failure.
    XShmSegmentInfo shm{};
    size_t shmBytes = 0;
    bool shmAttached = false; // the server has it (XShmDetach owed)
    bool shmRefused = false;

    Window() = default;
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;
    // The server's side goes in freeServerSide; our mapping at the latest
    // here, whatever path the record took.
    ~Window() {
        if (shm.shmaddr)
            shmdt(shm.shmaddr);
    }
};

namespace x11 {

// --- the connection -------------------------------------------------------------

// A pointer mapping: physical button n gives logical button map[n - 1].
struct PointerMap {
    unsigned char map[8] = {};
    int size = 0;
};

struct Connection {
    Display *display = nullptr;
    int users = 0;       // live windows (also those destroyed under us)
    bool broken = false; // the server went away; no more requests
    // Events read from the server and not yet handled. Our own queue rather
    // than Xlib's: pumpEvents re-enters itself (a press starts a control's
    // drag loop, which pumps), and every level must take events in order.
    std::deque<XEvent> queue;
    std::vector<std::unique_ptr<Window>> windows;
    ::Cursor cursors[CursorPointingHand + 1] = {};
    // Server time + offset = tickCount time; see localTime.
    uint32_t timeOffset = 0;
    bool haveTimeOffset = false;
    // The pointer mapping, read once and again after a MappingNotify.
    PointerMap pointerMap;
    bool havePointerMap = false;
    int sharesMemory = -1; // whether the server offers MIT-SHM; -1: not asked yet
};

extern Connection theConnection;

// --- error trap -------------------------------------------------------------------

// Catches the errors of the requests sent on display while it is in place
// (see the top of x11.cpp).
class ErrorTrap {
  public:
    explicit ErrorTrap(Display *inDisplay, bool inSyncAtEnd = true);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    // Waits until the server has handled everything sent so far; true when
    // none of what was sent since the trap was set failed.
    bool succeeded();

  private:
    Display *display;
    bool syncAtEnd;
    unsigned long firstSerial; // serial number of the first request under the trap
};

// --- x11_present.cpp ----------------------------------------------------------------

// Sends the area of the window's surface to the server (no round trip).
void putArea(Display *display, Window *w, const raster::Rect &area);
// Gives up the window's shared segment, if it has one.
void releaseSegment(Display *display, Window *w);

// --- x11_pixels.cpp -----------------------------------------------------------------

// Whether the screen of the window's visual takes our pixels as they are.
bool plainTrueColor(const Visual *visual, int depth);
void chooseVisual(Display *display, int screenNumber, Visual *&visual, int &depth);
// putArea for a window that is not direct: converts the area into an image
// of the server's format.
void putConvertedArea(Display *display, Window *w, const raster::Rect &area);

} // namespace x11
} // namespace sorrel::platform
