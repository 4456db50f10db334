// The scenario host on X11: windows of the test's own connection, xdotool
// for the pointer, the server's pixels read back through the window's visual.
#include "x_host.h"

#include <cstdio>

namespace sorrel::scenario {

struct TestHost::State {
    Host x;
    std::vector<::Window> holders;
    std::vector<Pixmap> pixmaps;
};

TestHost::TestHost() : state(new State) {
    EXPECT_NE(state->x.display(), nullptr);
}

TestHost::~TestHost() {
    for (Pixmap p : state->pixmaps)
        XFreePixmap(state->x.display(), p);
}

Handle TestHost::topLevel(int x, int y, int width, int height) {
    return handle(state->x.topLevel(x, y, width, height));
}

Handle TestHost::child(Handle parent, int x, int y, int width, int height) {
    return handle(state->x.child(idOf(parent), x, y, width, height));
}

void TestHost::destroy(Handle window) {
    state->x.destroy(idOf(window));
}

void TestHost::resize(Handle window, int width, int height) {
    XResizeWindow(state->x.display(), idOf(window), static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XSync(state->x.display(), False);
}

std::vector<Handle> TestHost::children(Handle parent) {
    std::vector<Handle> out;
    for (::Window w : state->x.children(idOf(parent)))
        out.push_back(handle(w));
    return out;
}

raster::Rect TestHost::geometry(Handle window) {
    return state->x.geometry(idOf(window));
}

std::vector<std::pair<std::string, Handle>> TestHost::notWindows() {
    Display *d = state->x.display();
    const ::Window holder = state->x.topLevel(0, 0, 20, 20);
    const Pixmap pixmap = XCreatePixmap(d, DefaultRootWindow(d), 4, 4, static_cast<unsigned>(DefaultDepth(d, 0)));
    state->pixmaps.push_back(pixmap);
    const ::Window inputOnly = state->x.child(holder, 0, 0, 10, 10, true);
    const ::Window destroyed = state->x.child(holder, 0, 0, 10, 10);
    state->x.destroy(destroyed);
    XSync(d, False);
    return {{"a pixmap", handle(pixmap)},
            {"an input-only window", handle(inputOnly)},
            {"a destroyed window", handle(destroyed)},
            {"an id nobody uses", handle((holder | 0xfffff) - 1)},
            {"the id of nothing in another client's range", handle(0x3fffff00)}};
}

std::string TestHost::differences(Handle window, const raster::Surface &expected) {
    const ::Window id = idOf(window);
    const testimg::Image want = state->x.asShown(id, expected);
    const testimg::Image shown = state->x.grabWhenShowing(id, want);
    if (shown.width != want.width || shown.height != want.height)
        return "the window is " + std::to_string(shown.width) + "x" + std::to_string(shown.height) + ", not " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    for (size_t i = 0; i < shown.pixels.size(); ++i)
        if (shown.pixels[i] != want.pixels[i]) {
            char text[96];
            std::snprintf(text, sizeof text, "first difference at %d,%d: screen %06x, expected %06x",
                          static_cast<int>(i % static_cast<size_t>(shown.width)),
                          static_cast<int>(i / static_cast<size_t>(shown.width)), shown.pixels[i], want.pixels[i]);
            return text;
        }
    return "";
}

void TestHost::invalidate(Handle window, const raster::Rect &area) {
    state->x.expose(idOf(window), area.left, area.top, area.width(), area.height());
}

bool TestHost::leftDown(Handle window, raster::Point at) {
    return run({"xdotool", "mousemove", "--window", std::to_string(idOf(window)), std::to_string(at.x),
                std::to_string(at.y), "mousedown", "1"});
}

bool TestHost::pointerTo(Handle window, raster::Point at) {
    return run({"xdotool", "mousemove", "--window", std::to_string(idOf(window)), std::to_string(at.x),
                std::to_string(at.y)});
}

bool TestHost::leftUp() {
    return run({"xdotool", "mouseup", "1"});
}

bool TestHost::typeKeys(Handle window, const std::vector<std::string> &keys) {
    std::vector<std::string> command{"xdotool", "windowfocus", "--sync", std::to_string(idOf(window))};
    if (!keys.empty())
        command.push_back("key");
    command.insert(command.end(), keys.begin(), keys.end());
    return run(command);
}

std::string TestHost::holdings() {
    // A display connection is a file; the module's goes with its last
    // window, and each window's shared image with the window.
    return "open files " + std::to_string(openFiles()) + ", shared segments " + std::to_string(sharedSegments());
}

std::string TestHost::resourcesOf(Handle window) {
    return serverResources(state->x.display(), idOf(window));
}

long TestHost::heapInUse() {
    return static_cast<long>(heapBytes());
}

std::string TestHost::complaints() {
    std::string text;
    if (state->x.errors())
        text += std::to_string(state->x.errors()) + " X errors reached the host; ";
    if (!state->x.handlerIntact())
        text += "the host's error handler was replaced";
    return text;
}

} // namespace sorrel::scenario
