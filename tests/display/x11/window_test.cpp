// What only the X11 backend has: exposures merged into one paint, the other
// buttons and the wheel, the server's pointer mapping, a press taken off the
// queue, two windows on the module's one connection, parents that grow with
// the window below the top level, and the URL opener. The contract's common
// scenarios are in ../window_scenarios.cpp.
#include "x_host.h"

#include <X11/Xatom.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace sorrel::scenario {
namespace {

constexpr int kLeft = 50, kTop = 60, kWidth = 200, kHeight = 120;

::Window idOf(platform::Window *w) {
    return scenario::idOf(platform::nativeHandle(w));
}

class X11Window : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(host.display(), nullptr);
        filesBefore = openFiles();
        parent = host.topLevel(kLeft, kTop, kWidth + 40, kHeight + 40);
    }
    void TearDown() override {
        for (auto &r : recorders)
            platform::destroyWindow(r->window);
        // Nothing the backend did may reach the host, and its connection
        // goes with its last window.
        EXPECT_EQ(host.errors(), 0);
        EXPECT_TRUE(host.handlerIntact());
        EXPECT_EQ(openFiles(), filesBefore);
    }

    // A window in parent with its first paint done.
    Recorder &open(::Window in, int width = kWidth, int height = kHeight) {
        recorders.push_back(std::make_unique<Recorder>());
        Recorder &r = *recorders.back();
        r.window = platform::createWindow(handle(in), width, height, &r);
        EXPECT_NE(r.window, nullptr);
        if (r.window)
            drawPattern(*platform::windowSurface(r.window));
        EXPECT_TRUE(pumpUntil([&] { return !r.paints.empty(); }));
        return r;
    }
    void close(Recorder &r) {
        platform::destroyWindow(r.window);
        r.window = nullptr;
    }

    bool xdotool(const std::vector<std::string> &args) {
        std::vector<std::string> command{"xdotool"};
        command.insert(command.end(), args.begin(), args.end());
        return run(command);
    }

    Host host;
    int filesBefore = 0;
    ::Window parent = 0;
    std::vector<std::unique_ptr<Recorder>> recorders;
};

TEST_F(X11Window, ExposedAreasArriveAsOnePaintOfTheirUnion) {
    Recorder &r = open(parent);
    r.paints.clear();
    host.expose(idOf(r.window), 10, 20, 30, 5);
    host.expose(idOf(r.window), 60, 4, 10, 50);
    ASSERT_TRUE(pumpUntil([&] { return !r.paints.empty(); }));
    pumpFor(50);
    ASSERT_EQ(r.paints.size(), 1u);
    const raster::Rect a = r.paints[0];
    EXPECT_EQ((std::vector<int>{a.left, a.top, a.right, a.bottom}), (std::vector<int>{10, 4, 70, 54}));
}

TEST_F(X11Window, ClicksAndWheelReachTheClientAtThePointer) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    Recorder &r = open(parent);
    const std::string id = std::to_string(idOf(r.window));
    struct Case {
        int button;
        int x, y;
        float wheel; // 0 for a press
    } cases[] = {{3, 150, 100, 0}, {2, 40, 41, 0}, {4, 20, 30, 1}, {5, 199, 119, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE("button " + std::to_string(c.button));
        r.presses.clear();
        r.wheels.clear();
        const uint32_t before = platform::tickCount();
        ASSERT_TRUE(xdotool({"mousemove", "--window", id, std::to_string(c.x), std::to_string(c.y), "click",
                             std::to_string(c.button)}));
        ASSERT_TRUE(pumpUntil([&] { return !r.presses.empty() || !r.wheels.empty(); }));
        pumpFor(20);
        if (c.wheel == 0) {
            ASSERT_EQ(r.presses.size(), 1u);
            EXPECT_EQ(r.presses[0].x, c.x);
            EXPECT_EQ(r.presses[0].y, c.y);
            EXPECT_TRUE(r.wheels.empty());
            // The press's time stamp, in the clock's scale, lies between the
            // command and now.
            EXPECT_LE(static_cast<int32_t>(before - r.pressTime), 5);
            EXPECT_GE(static_cast<int32_t>(platform::tickCount() - r.pressTime), 0);
        } else {
            ASSERT_EQ(r.wheels.size(), 1u);
            EXPECT_EQ(r.wheels[0].first.x, c.x);
            EXPECT_EQ(r.wheels[0].first.y, c.y);
            EXPECT_EQ(r.wheels[0].second, c.wheel);
            EXPECT_TRUE(r.presses.empty());
        }
    }
}

// Restores the server's pointer mapping however the test ends.
struct PointerMapping {
    explicit PointerMapping(Host &h, bool swapped) : host(h) {
        count = XGetPointerMapping(host.display(), saved, sizeof saved);
        unsigned char map[sizeof saved];
        std::copy(saved, saved + count, map);
        if (swapped)
            std::swap(map[0], map[2]);
        XSetPointerMapping(host.display(), map, count);
        XSync(host.display(), False);
    }
    ~PointerMapping() {
        XSetPointerMapping(host.display(), saved, count);
        XSync(host.display(), False);
    }
    Host &host;
    unsigned char saved[32] = {};
    int count = 0;
};

TEST_F(X11Window, HeldButtonsArePhysicalWhateverTheMapping) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    Recorder &r = open(parent);
    const std::string id = std::to_string(idOf(r.window));
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "swapped" : "plain");
        PointerMapping mapping(host, swapped);
        // The backend learns of the new mapping from the server's notice.
        pumpFor(30);
        EXPECT_EQ(platform::buttonsSwapped(), swapped);
        // xdotool presses the device's first button: the physical left one.
        ASSERT_TRUE(xdotool({"mousemove", "--window", id, "30", "40", "mousedown", "1"}));
        EXPECT_EQ(platform::heldButtons(), platform::ButtonLeft);
        const raster::Point p = platform::pointerPosition();
        EXPECT_EQ(p.x, kLeft + 30);
        EXPECT_EQ(p.y, kTop + 40);
        ASSERT_TRUE(xdotool({"mouseup", "1"}));
        EXPECT_EQ(platform::heldButtons(), 0);
        pumpFor(30);
    }
    const raster::Rect onScreen = platform::windowScreenRect(r.window);
    EXPECT_EQ((std::vector<int>{onScreen.left, onScreen.top, onScreen.right, onScreen.bottom}),
              (std::vector<int>{kLeft, kTop, kLeft + kWidth, kTop + kHeight}));
}

TEST_F(X11Window, TakeButtonPressTakesAWaitingLeftPressOffTheQueue) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    Recorder &r = open(parent);
    const std::string id = std::to_string(idOf(r.window));
    EXPECT_FALSE(platform::takeButtonPress());
    ASSERT_TRUE(xdotool({"mousemove", "--window", id, "10", "10", "click", "3"}));
    ASSERT_TRUE(xdotool({"click", "1"}));
    const uint32_t start = platform::tickCount();
    bool taken = false;
    while (!taken && platform::tickCount() - start < 3000)
        taken = platform::takeButtonPress();
    EXPECT_TRUE(taken);
    EXPECT_FALSE(platform::takeButtonPress());
    // The right press stays for the client; the left one is gone.
    pumpFor(50);
    EXPECT_EQ(r.presses.size(), 1u);
}

TEST_F(X11Window, TwoWindowsOnOneConnectionKeepTheirOwnEvents) {
    if (!installed("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    const ::Window second = host.topLevel(kLeft + 400, kTop, kWidth, kHeight);
    Recorder &a = open(parent);
    Recorder &b = open(second, kWidth / 2, kHeight / 2);
    for (Recorder *target : {&a, &b}) {
        ASSERT_TRUE(
            xdotool({"mousemove", "--window", std::to_string(idOf(target->window)), "7", "8", "click", "1"}));
        ASSERT_TRUE(pumpUntil([&] { return !target->presses.empty(); }));
    }
    EXPECT_EQ(a.presses.size(), 1u);
    EXPECT_EQ(b.presses.size(), 1u);

    close(a);
    b.paints.clear();
    host.expose(idOf(b.window), 0, 0, kWidth / 2, kHeight / 2);
    ASSERT_TRUE(pumpUntil([&] { return !b.paints.empty(); }));
    raster::Surface expected(kWidth / 2, kHeight / 2);
    drawPattern(expected);
    const testimg::Image want = host.asShown(idOf(b.window), expected);
    EXPECT_TRUE(host.grabWhenShowing(idOf(b.window), want).pixels == want.pixels);
}

TEST_F(X11Window, ResizingTakesTheParentAlongOnlyBelowTheTopLevel) {
    const ::Window holder = host.child(parent, 10, 10, kWidth + 6, kHeight + 6);
    for (::Window in : {parent, holder}) {
        SCOPED_TRACE(in == parent ? "top-level parent" : "container parent");
        Recorder &r = open(in);
        const raster::Rect before = host.geometry(in);
        platform::resizeWindow(r.window, kWidth + 20, kHeight - 10, true);
        EXPECT_EQ(platform::windowSurface(r.window)->width(), kWidth + 20);
        const raster::Rect own = host.geometry(idOf(r.window));
        EXPECT_EQ((std::vector<int>{own.width(), own.height()}),
                  (std::vector<int>{kWidth + 20, kHeight - 10}));
        const raster::Rect after = host.geometry(in);
        const int grow = in == holder ? 20 : 0, shrink = in == holder ? -10 : 0;
        EXPECT_EQ((std::vector<int>{after.width(), after.height()}),
                  (std::vector<int>{before.width() + grow, before.height() + shrink}));
        raster::Point outer;
        EXPECT_TRUE(platform::outerWindowPosition(r.window, outer));
        EXPECT_EQ((std::vector<int>{outer.x, outer.y}), (std::vector<int>{kLeft, kTop}));
        close(r);
    }
}

TEST_F(X11Window, PresentsShowExactPixelsAtEverySizeThroughOneSharedSegmentWhereOffered) {
    // Where the server can map our memory and the window's visual takes
    // the surface's pixels as they are, the window presents large areas
    // through one segment the size of its surface, made again when the size
    // changes; small areas, and everything elsewhere, through the socket.
    // The screen shows the same either way, also when the two mix.
    Recorder &r = open(parent);
    ASSERT_NE(r.window, nullptr);
    const ::Window id = idOf(r.window);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host.display(), id, &attributes));
    const bool plain = attributes.depth == 24 && attributes.visual->red_mask == 0xff0000 &&
                       attributes.visual->green_mask == 0xff00 && attributes.visual->blue_mask == 0xff;
    const int segments = plain && serverSharesMemory(host.display()) ? 1 : 0;
    struct Step {
        const char *what;
        int width, height;
        raster::Rect area; // presented after the surface is redrawn
    } steps[] = {
        {"as opened, one corner", kWidth, kHeight, {0, 0, 30, 20}},
        {"as opened, the rest", kWidth, kHeight, {0, 0, kWidth, kHeight}},
        {"wider and taller", kWidth + 30, kHeight + 25, {0, 0, kWidth + 30, kHeight + 25}},
        {"one row at the bottom after growing", kWidth + 30, kHeight + 25, {3, kHeight + 24, 50, kHeight + 25}},
        {"smaller", 90, 60, {-5, -5, 200, 200}},
        {"as many pixels, other shape", 60, 90, {0, 0, 60, 90}},
        {"a small area after a large one", 60, 90, {10, 10, 30, 40}},
    };
    unsigned seed = 5;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        platform::resizeWindow(r.window, step.width, step.height, false);
        raster::Surface &surface = *platform::windowSurface(r.window);
        if (step.area.width() < step.width || step.area.height() < step.height)
            platform::presentWindow(r.window, surface.bounds()); // a known picture first
        raster::Surface expected = surface;
        fillPattern(surface, seed++);
        const raster::Rect part = raster::intersect(step.area, surface.bounds());
        for (int32_t y = part.top; y < part.bottom; ++y)
            for (int32_t x = part.left; x < part.right; ++x)
                expected.set(x, y, surface.get(x, y));
        platform::presentWindow(r.window, step.area);
        const testimg::Image want = host.asShown(id, expected), shown = host.grabWhenShowing(id, want);
        EXPECT_EQ(shown.width, step.width);
        EXPECT_TRUE(shown.pixels == want.pixels);
        EXPECT_EQ(sharedSegments(), segments);
    }
    close(r);
    recorders.clear();
    EXPECT_EQ(sharedSegments(), 0) << "the segment goes with the window";
}

// The desktop's factor: Xft.dpi from the root window's resources as the
// desktop changes them, else GTK's GDK_SCALE x GDK_DPI_SCALE.
TEST_F(X11Window, TheDesktopFactorFollowsXftDpiThenGdk) {
    Display *d = host.display();
    const ::Window root = DefaultRootWindow(d);
    const Atom resources = XInternAtom(d, "RESOURCE_MANAGER", False);
    auto setResources = [&](const std::string &text) {
        if (text.empty())
            XDeleteProperty(d, root, resources);
        else
            XChangeProperty(d, root, resources, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(text.data()), int(text.size()));
        XSync(d, False);
    };
    // What the server held before, given back at the end.
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    std::string before;
    if (XGetWindowProperty(d, root, resources, 0, 1 << 20, False, XA_STRING, &type, &format, &count, &after,
                           &data) == Success &&
        data)
        before.assign(reinterpret_cast<const char *>(data), count);
    if (data)
        XFree(data);
    const struct Case {
        const char *resources, *gdkScale, *gdkDpiScale;
        double factor;
    } cases[] = {
        {"Xft.dpi:\t120\n", "", "", 1.25},         {"Xcursor.size: 24\nXft.dpi: 144\n", "2", "", 1.5},
        {"Xft.dpi:\t168\n", "", "", 1.75},         {"", "2", "0.75", 1.5},
        {"Xcursor.size: 24\n", "", "1.25", 1.25}, {"", "", "", 0},
    };
    for (const Case &c : cases) {
        setResources(c.resources);
        setenv("GDK_SCALE", c.gdkScale, 1);
        setenv("GDK_DPI_SCALE", c.gdkDpiScale, 1);
        EXPECT_EQ(platform::desktopScaleFactor(nullptr), c.factor) << c.resources << c.gdkScale << c.gdkDpiScale;
    }
    unsetenv("GDK_SCALE");
    unsetenv("GDK_DPI_SCALE");
    setResources(before);
}

TEST_F(X11Window, OpenUrlHandsTheAddressOverAsOneArgumentAndReapsTheOpener) {
    char dir[] = "/tmp/sorrel-url-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string bin = dir, out = bin + "/out";
    {
        std::ofstream script(bin + "/xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n%s\\n%s\\n' \"$$\" \"$#\" \"$1\" > " << out << ".tmp && mv " << out
               << ".tmp " << out << "\n";
    }
    chmod((bin + "/xdg-open").c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + path).c_str(), 1);
    const std::string address = "https://example.com/a b?x=1&y=$(touch " + bin + "/pwned);z'\"";
    platform::openUrl(address.c_str());
    platform::openUrl(nullptr);
    // The worker looks the opener up when it gets to it.
    std::string pid, argc, arg;
    const bool opened = pumpUntil([&] {
        std::ifstream in(out);
        return std::getline(in, pid) && std::getline(in, argc) && std::getline(in, arg);
    });
    setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(opened);
    EXPECT_EQ(argc, "1");
    EXPECT_EQ(arg, address);
    EXPECT_NE(access((bin + "/pwned").c_str(), F_OK), 0);
    // Reaped by the worker: no zombie keeps the process entry.
    EXPECT_TRUE(pumpUntil([&] { return access(("/proc/" + pid).c_str(), F_OK) != 0; }));
    run({"rm", "-rf", bin});

    // Without an opener nothing happens, and nothing waits.
    setenv("PATH", "/nonexistent", 1);
    platform::openUrl("https://example.com/");
    setenv("PATH", path.c_str(), 1);
}

} // namespace
} // namespace sorrel::scenario
