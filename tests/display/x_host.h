// The display tests' host: a connection of its own to the X server (as a
// real host has), its parent windows, an X error handler that counts what
// reaches it, pixel read-back, and the outside programs (xdotool) that play
// the user.
#pragma once

#include "gui/platform/platform.h"
#include "support/image_io.h"

#include <gtest/gtest.h> // before Xlib, whose None macro breaks GoogleTest's headers

#include <functional>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace display {

using sorrel::platform::WindowClient;
namespace platform = sorrel::platform;

class Host {
  public:
    Host();
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    Display *display() const { return display_; }
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

    // X errors that reached the host's handler, and whether that handler is
    // still the one in place.
    int errors() const;
    bool handlerIntact();

  private:
    Display *display_ = nullptr;
    std::vector<::Window> made_;
};

// A client that records every call and paints the pattern when asked.
class Recorder : public WindowClient {
  public:
    platform::Window *window = nullptr;
    std::vector<raster::Rect> paints;
    std::vector<raster::Point> presses;
    std::vector<std::pair<raster::Point, float>> wheels;
    int destroyedCalls = 0;
    int callsAfterDestroyed = 0;
    uint32_t pressTime = 0;

    void paint(const raster::Rect &area) override;
    void buttonPressed(const raster::Point &where) override;
    void wheel(const raster::Point &where, float distance) override;
    void destroyed() override;
    void dragEnter(platform::DropData &) override { note(); }
    void dragMove(platform::DropData &) override { note(); }
    void dragLeave() override { note(); }
    void drop(platform::DropData &) override { note(); }

  private:
    void note() { callsAfterDestroyed += destroyedCalls; }
};

// Shapes, colours and anti-aliased text over the whole surface.
void drawPattern(raster::Surface &surface);

// Pumps the backend until done() or the time-out.
bool pumpUntil(const std::function<bool()> &done, int milliseconds = 3000);
// Pumps for a while, for calls that must not come.
void pumpFor(int milliseconds);
// Runs a program with arguments and waits; false when it is missing or fails.
bool run(const std::vector<std::string> &command);
bool installed(const char *program);
// The process's open file descriptors (a display connection is one).
int openFiles();
std::string hex(unsigned long id);

} // namespace display
