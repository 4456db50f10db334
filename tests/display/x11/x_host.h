// The X11 side of the scenario host: a connection of its own to the X server
// (as a real host has), its parent windows, an X error handler that counts
// what reaches it, pixel read-back, and the outside programs (xdotool) that
// play the user. The X11-only tests use it directly.
#pragma once

#include "scenario_host.h"
#include "support/image_io.h"

#include <gtest/gtest.h> // before Xlib, whose None macro breaks GoogleTest's headers

#include <functional>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace sorrel::scenario {

class Host {
  public:
    Host();
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    Display *display() const { return connection; }
    // A mapped top-level window at (x, y), or a mapped child of parent.
    ::Window topLevel(int x, int y, int width, int height);
    ::Window child(::Window parent, int x, int y, int width, int height, bool inputOnly = false);
    void destroy(::Window window);
    std::vector<::Window> children(::Window parent);
    // Requests an Expose of the area (as an uncovered window gets).
    void expose(::Window window, int x, int y, int width, int height);
    // Position in the parent and size, as the server has them.
    raster::Rect geometry(::Window window);

    // The window's pixels as 0x00RRGGBB, and the reference pixels the way
    // the window's visual can show them (identical on a 24-bit screen).
    testimg::Image grab(::Window window);
    testimg::Image asShown(::Window window, const raster::Surface &reference);
    // The window's pixels once they equal want, or after two seconds as
    // they are then. The plug-in draws on its own connection and only
    // flushes, so the server may serve this connection's read first.
    testimg::Image grabWhenShowing(::Window window, const testimg::Image &want);

    // X errors that reached the host's handler, and whether that handler is
    // still the one in place.
    int errors() const;
    bool handlerIntact();

  private:
    Display *connection = nullptr;
    std::vector<::Window> made;
};

// Shapes, colors and anti-aliased text over the whole surface.
void drawPattern(raster::Surface &surface);

// Runs a program with arguments and waits; false when it is missing or fails.
bool run(const std::vector<std::string> &command);
bool installed(const char *program);
// The process's open file descriptors (a display connection is one).
int openFiles();
// The System V shared-memory segments the process has mapped.
int sharedSegments();
// Whether the server offers shared-memory images and can reach this
// process's segments (the test command says when it cannot: a server in
// another IPC namespace).
bool serverSharesMemory(Display *display);
std::string hex(unsigned long id);

::Window idOf(Handle handle);
Handle handle(::Window id);
// Heap bytes in use, as the allocator in charge counts them.
size_t heapBytes();
// The X-Resource extension's count of what the server holds for the client
// that owns id, per resource type; empty without libXRes or the extension.
std::string serverResources(Display *display, XID id);

} // namespace sorrel::scenario
