// The window-system scenarios are written once and run on every backend
// that shows windows: the scenario files (window_, frame_, editor_scenarios)
// speak only to this host, and each backend folder (x11/, win32/) implements
// it with the system's own calls, as a real host would: it makes the parent
// windows, destroys them under the plug-in, moves the pointer and reads the
// screen back. What only one system has (button mapping, class registration,
// shell drops, server resources) stays in small files of that folder.
#pragma once

#include "gui/platform/platform.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::scenario {

namespace platform = sorrel::platform;

// A host's window: an HWND or an X11 window id, as the plug-in gets it.
using Handle = void *;

class TestHost {
  public:
    TestHost();
    ~TestHost();
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    // A shown top-level window at (x, y) on the screen, or a shown child of
    // parent at (x, y) in it. The host destroys what is left at the end.
    Handle topLevel(int x, int y, int width, int height);
    Handle child(Handle parent, int x, int y, int width, int height);
    void destroy(Handle window);
    void resize(Handle window, int width, int height);
    // The windows directly inside parent.
    std::vector<Handle> children(Handle parent);
    // Position in the parent and size, as the system has them.
    raster::Rect geometry(Handle window);
    // Handles that name no window this system can parent to: a destroyed
    // window, ids nobody uses, the system's other kinds of object.
    std::vector<std::pair<std::string, Handle>> notWindows();

    // Empty when the window shows exactly the expected pixels (as far as the
    // screen's depth can show them); otherwise where it differs first.
    std::string differences(Handle window, const raster::Surface &expected);
    // Marks an area for painting, as uncovering it does.
    void invalidate(Handle window, const raster::Rect &area);

    // Real input, at a point of the window: the left button goes down (and
    // stays) or up. False when the system refuses (or the tool is missing).
    bool leftDown(Handle window, raster::Point at);
    bool leftUp();
    // Moves the pointer to a point of the window, buttons as they are.
    bool pointerTo(Handle window, raster::Point at);
    // The host gives window the keyboard focus, then keys go down in it,
    // each named as X names it ("Tab", "Up", "Return", "minus", "6"); no
    // keys: the focus only. False when the system refuses (or the tool is
    // missing).
    bool typeKeys(Handle window, const std::vector<std::string> &keys);

    // What the process holds of the window system while no window of ours
    // is open (connections, classes, system objects): equal before and after
    // a scenario that closed everything.
    std::string holdings();
    // What the system holds for the client that owns window (per resource
    // type), for counting over many cycles; empty where it cannot be read.
    std::string resourcesOf(Handle window);
    // Heap bytes in use, or -1 where the allocator does not tell.
    long heapInUse();
    // Anything our windows did that reached the host (X errors, a replaced
    // error handler); empty when nothing did.
    std::string complaints();

  private:
    struct State;
    std::unique_ptr<State> state;
};

// Runs the host's event loop until done() holds or the time is over.
bool pumpUntil(const std::function<bool()> &done, int milliseconds = 3000);
void pumpFor(int milliseconds);

// What a backend window told its owner.
struct Recorder : platform::WindowClient {
    platform::Window *window = nullptr;
    // On paint, present this much of the surface (the paint area when
    // empty), as a frame presents what it drew.
    raster::Rect presentOnPaint;
    std::function<void()> onDestroyed;

    std::vector<raster::Rect> paints;
    std::vector<raster::Point> presses;
    std::vector<std::pair<raster::Point, float>> wheels;
    uint32_t pressTime = 0;
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

// A pattern with distinct red, green and blue in every pixel nearby, so a
// shifted or mirrored copy cannot pass.
raster::Pixel pattern(int32_t x, int32_t y, unsigned seed);
void fillPattern(raster::Surface &surface, unsigned seed);

inline Handle handleOf(platform::Window *window) {
    return window ? platform::nativeHandle(window) : nullptr;
}

} // namespace sorrel::scenario
