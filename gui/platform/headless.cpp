// Window-less backend: windows are memory images, input comes from a
// script. The tests run every layer above the window system on it. Builds
// for a target without a window system (32-bit Linux) compile it with
// SORREL_NO_WINDOW_SYSTEM: no windows at all, so no editor is offered.
#include "gui/platform/headless.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

namespace sorrel::platform {

class Window {
  public:
    headless::WindowState state;
};

namespace headless {
namespace {

Script theScript;
std::vector<std::unique_ptr<Window>> live;
struct PendingPaint {
    Window *window;
    raster::Rect area;
};
std::vector<PendingPaint> pending;

// Shown messages and opened addresses may come from any thread.
std::mutex recordMutex;
ShownMessage shown;
std::vector<std::string> urls;

template <typename T> T next(const std::vector<T> &list, size_t &polls, T fallback) {
    ++polls;
    if (list.empty())
        return fallback;
    return list[std::min(polls - 1, list.size() - 1)];
}

class ScriptedDrop : public DropData {
  public:
    explicit ScriptedDrop(const Drag &d) : drag(d) {}
    bool hasText() override { return drag.files.empty(); }
    std::string text() override { return drag.text; }
    int32_t fileCount() override { return static_cast<int32_t>(drag.files.size()); }
    std::string file(int32_t index) override {
        return index >= 0 && index < fileCount() ? drag.files[static_cast<size_t>(index)] : std::string();
    }

  private:
    const Drag &drag;
};

WindowClient *clientOf(Window *window) {
    WindowState *s = state(window);
    return s && !s->gone ? s->client : nullptr;
}

} // namespace

Script &script() {
    return theScript;
}

void reset() {
    theScript = Script();
    pending.clear();
    std::lock_guard<std::mutex> lock(recordMutex);
    urls.clear();
}

std::vector<Window *> windows() {
    std::vector<Window *> all;
    for (auto &w : live)
        all.push_back(w.get());
    return all;
}

WindowState *state(Window *window) {
    for (auto &w : live)
        if (w.get() == window)
            return &w->state;
    return nullptr;
}

AccessibleContent *accessibleContent(Window *window) {
    WindowState *s = state(window);
    return s && s->client && !s->gone ? s->client->accessibleContent() : nullptr;
}

void queuePaint(Window *window, const raster::Rect &area) {
    if (state(window))
        pending.push_back({window, area});
}

void pumpPending() {
    // A paint handler may queue more paints or destroy windows: take the
    // list first and check every window again before delivering.
    std::vector<PendingPaint> now;
    now.swap(pending);
    for (const PendingPaint &p : now)
        if (WindowClient *c = clientOf(p.window))
            c->paint(p.area);
}

void press(Window *window, const raster::Point &where) {
    if (WindowClient *c = clientOf(window))
        c->buttonPressed(where);
}

void wheel(Window *window, const raster::Point &where, float distance) {
    if (WindowClient *c = clientOf(window))
        c->wheel(where, distance);
}

void destroyParent(Window *window) {
    WindowState *s = state(window);
    if (!s || s->gone)
        return;
    s->gone = true;
    if (s->client)
        s->client->destroyed();
}

void dragEnter(Window *window, const Drag &drag) {
    WindowState *s = state(window);
    if (WindowClient *c = clientOf(window); c && s->dropTarget) {
        ScriptedDrop data(drag);
        c->dragEnter(data);
    }
}

void dragMove(Window *window, const Drag &drag) {
    WindowState *s = state(window);
    if (WindowClient *c = clientOf(window); c && s->dropTarget) {
        ScriptedDrop data(drag);
        c->dragMove(data);
    }
}

void dragLeave(Window *window) {
    WindowState *s = state(window);
    if (WindowClient *c = clientOf(window); c && s->dropTarget)
        c->dragLeave();
}

void drop(Window *window, const Drag &drag) {
    WindowState *s = state(window);
    if (WindowClient *c = clientOf(window); c && s->dropTarget) {
        ScriptedDrop data(drag);
        c->drop(data);
    }
}

std::vector<std::string> openedUrls() {
    std::lock_guard<std::mutex> lock(recordMutex);
    return urls;
}

ShownMessage lastMessage() {
    std::lock_guard<std::mutex> lock(recordMutex);
    return shown;
}

} // namespace headless

using headless::theScript;

int32_t heldButtons() {
    return headless::next(theScript.buttons, theScript.buttonPolls, int32_t(0));
}

raster::Point pointerPosition() {
    return headless::next(theScript.pointer, theScript.pointerPolls, raster::Point{});
}

bool buttonsSwapped() {
    return theScript.swapped;
}

uint32_t tickCount() {
    const uint32_t now = theScript.clock;
    theScript.clock += theScript.clockStep;
    return now;
}

uint32_t eventTime() {
    return theScript.eventStamp;
}

uint32_t doubleClickTime() {
    return theScript.doubleClick;
}

void sleep(uint32_t milliseconds) {
    theScript.slept += milliseconds;
    ++theScript.sleeps;
    theScript.clock += milliseconds;
}

bool takeButtonPress() {
    ++theScript.pressPolls;
    return theScript.pressAfterPolls >= 0 && theScript.pressPolls > theScript.pressAfterPolls;
}

bool windowsAvailable() {
#ifdef SORREL_NO_WINDOW_SYSTEM
    return false;
#else
    return true;
#endif
}

Window *createWindow(void *parent, int32_t width, int32_t height, WindowClient *client) {
    if (!parent || !windowsAvailable() || theScript.refuseWindows || width <= 0 || height <= 0)
        return nullptr;
    try {
        auto window = std::make_unique<Window>();
        window->state.parent = parent;
        window->state.client = client;
        window->state.surface = raster::Surface(width, height);
        if (window->state.surface.empty())
            return nullptr;
        headless::live.push_back(std::move(window));
        return headless::live.back().get();
    } catch (...) {
        return nullptr;
    }
}

void destroyWindow(Window *window) {
    auto &all = headless::live;
    auto it = std::find_if(all.begin(), all.end(), [&](auto &w) { return w.get() == window; });
    if (it == all.end())
        return;
    auto &queue = headless::pending;
    queue.erase(std::remove_if(queue.begin(), queue.end(), [&](auto &p) { return p.window == window; }),
                queue.end());
    all.erase(it);
}

void *nativeHandle(Window *window) {
    return window;
}

raster::Surface *windowSurface(Window *window) {
    headless::WindowState *s = headless::state(window);
    return s ? &s->surface : nullptr;
}

void presentWindow(Window *window, const raster::Rect &area) {
    if (headless::WindowState *s = headless::state(window)) {
        ++s->presents;
        s->lastPresented = area;
    }
}

void presentWindowAreas(Window *window, const raster::Rect *areas, size_t count) {
    for (size_t i = 0; areas && i < count; ++i)
        presentWindow(window, areas[i]);
}

raster::Rect windowScreenRect(Window *window) {
    headless::WindowState *s = headless::state(window);
    if (!s)
        return {};
    const raster::Point o = s->screenOrigin;
    return {o.x, o.y, o.x + s->surface.width(), o.y + s->surface.height()};
}

void resizeWindow(Window *window, int32_t width, int32_t height, bool) {
    headless::WindowState *s = headless::state(window);
    if (!s || width <= 0 || height <= 0)
        return;
    raster::Surface bigger(width, height);
    if (!bigger.empty())
        s->surface = std::move(bigger);
}

bool outerWindowPosition(Window *window, raster::Point &position) {
    headless::WindowState *s = headless::state(window);
    if (!s)
        return false;
    position = s->screenOrigin;
    return true;
}

void pumpEvents() {
    ++theScript.pumps;
    headless::pumpPending();
}

void setCursor(Window *window, Cursor cursor) {
    if (headless::WindowState *s = headless::state(window))
        s->cursor = cursor;
}

void notifyAccessible(Window *window, AccessibleEvent event, int32_t index) {
    if (headless::WindowState *s = headless::state(window))
        s->accessibleEvents.push_back({event, index});
}

bool setDropTarget(Window *window, bool active) {
    headless::WindowState *s = headless::state(window);
    if (!s)
        return false;
    s->dropTarget = active;
    return true;
}

double desktopScaleFactor(void *) {
    return headless::script().desktopScale;
}

raster::Point screenSize(void *) {
    return headless::script().screen;
}

bool moduleBitmapResource(int32_t, const uint8_t *&, size_t &) {
    return false;
}

void openUrl(const char *address) {
    try {
        std::lock_guard<std::mutex> lock(headless::recordMutex);
        headless::urls.emplace_back(address ? address : "");
    } catch (...) {
    }
}

void showMessageBox(const char *caption, const char *text) {
    const char *c = caption ? caption : "";
    const char *t = text ? text : "";
    std::fprintf(stderr, "%s: %s\n", c, t);
    try {
        std::lock_guard<std::mutex> lock(headless::recordMutex);
        headless::shown.caption = c;
        headless::shown.text = t;
        ++headless::shown.count;
    } catch (...) {
        // Recording is a test aid; losing it must not disturb the caller.
    }
}

} // namespace sorrel::platform
