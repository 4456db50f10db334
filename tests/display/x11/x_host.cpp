#include "x_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <malloc.h>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xutil.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer runtime's own count (GCC ships no header that declares it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

extern char **environ;

namespace sorrel::scenario {
namespace {

int hostErrorCount = 0;

int countingHandler(Display *, XErrorEvent *) {
    ++hostErrorCount;
    return 0;
}

// Channel layout of a visual, to turn its pixels into 0x00RRGGBB and back.
struct Channels {
    int shift[3] = {};
    int bits[3] = {};

    explicit Channels(const Visual *v) {
        const unsigned long masks[3] = {v->red_mask, v->green_mask, v->blue_mask};
        for (int c = 0; c < 3; ++c) {
            unsigned long m = masks[c];
            while (m && !(m & 1)) {
                m >>= 1;
                ++shift[c];
            }
            while (m & 1) {
                m >>= 1;
                ++bits[c];
            }
        }
    }
    // The channel values as the visual keeps them, back at 8 bits (the low
    // bits that the visual drops are 0).
    uint32_t toRgb(unsigned long raw) const {
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) {
            const unsigned long v = (raw >> shift[c]) & ((1ul << bits[c]) - 1);
            rgb = (rgb << 8) | static_cast<uint32_t>(bits[c] >= 8 ? v >> (bits[c] - 8) : v << (8 - bits[c]));
        }
        return rgb;
    }
    uint32_t quantise(uint32_t rgb) const {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = (rgb >> (16 - 8 * c)) & 0xff;
            const uint32_t keep = bits[c] >= 8 ? 0xff : (0xffu << (8 - bits[c])) & 0xff;
            out = (out << 8) | (v & keep);
        }
        return out;
    }
};

Visual *visualOf(Display *d, ::Window w) {
    XWindowAttributes a{};
    XGetWindowAttributes(d, w, &a);
    return a.visual;
}

} // namespace

Host::Host() {
    connection = XOpenDisplay(nullptr);
    if (!connection)
        return;
    hostErrorCount = 0;
    XSetErrorHandler(countingHandler);
}

Host::~Host() {
    if (!connection)
        return;
    // destroy() takes each window out of the list.
    while (!made.empty())
        destroy(made.back());
    XSync(connection, False);
    XCloseDisplay(connection);
}

::Window Host::topLevel(int x, int y, int width, int height) {
    return child(DefaultRootWindow(connection), x, y, width, height);
}

::Window Host::child(::Window parent, int x, int y, int width, int height, bool inputOnly) {
    XSetWindowAttributes a{};
    a.background_pixel = 0x00404040;
    a.override_redirect = True; // placed exactly where asked, window manager or not
    const bool top = parent == DefaultRootWindow(connection);
    const ::Window w = inputOnly
                           ? XCreateWindow(connection, parent, x, y, static_cast<unsigned>(width),
                                           static_cast<unsigned>(height), 0, 0, InputOnly, CopyFromParent,
                                           top ? CWOverrideRedirect : 0, &a)
                           : XCreateWindow(connection, parent, x, y, static_cast<unsigned>(width),
                                           static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                           CopyFromParent, CWBackPixel | (top ? CWOverrideRedirect : 0), &a);
    XSelectInput(connection, w, StructureNotifyMask);
    XMapWindow(connection, w);
    XEvent e;
    do
        XWindowEvent(connection, w, StructureNotifyMask, &e);
    while (e.type != MapNotify);
    made.push_back(w);
    return w;
}

void Host::destroy(::Window window) {
    for (auto it = made.begin(); it != made.end(); ++it)
        if (*it == window) {
            made.erase(it);
            XDestroyWindow(connection, window);
            XSync(connection, False);
            return;
        }
}

std::vector<::Window> Host::children(::Window parent) {
    ::Window root = 0, up = 0, *list = nullptr;
    unsigned int count = 0;
    std::vector<::Window> out;
    if (XQueryTree(connection, parent, &root, &up, &list, &count)) {
        out.assign(list, list + count);
        XFree(list);
    }
    return out;
}

void Host::expose(::Window window, int x, int y, int width, int height) {
    XClearArea(connection, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), True);
    XSync(connection, False);
}

raster::Rect Host::geometry(::Window window) {
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned int w = 0, h = 0, border = 0, depth = 0;
    XGetGeometry(connection, window, &root, &x, &y, &w, &h, &border, &depth);
    return {x, y, x + static_cast<int32_t>(w), y + static_cast<int32_t>(h)};
}

testimg::Image Host::grab(::Window window) {
    testimg::Image image;
    XWindowAttributes a{};
    if (!XGetWindowAttributes(connection, window, &a))
        return image;
    XImage *x = XGetImage(connection, window, 0, 0, static_cast<unsigned>(a.width),
                          static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!x)
        return image;
    const Channels channels(a.visual);
    image.width = a.width;
    image.height = a.height;
    image.pixels.resize(static_cast<size_t>(a.width) * static_cast<size_t>(a.height));
    for (int y = 0; y < a.height; ++y)
        for (int px = 0; px < a.width; ++px)
            image.pixels[static_cast<size_t>(y) * static_cast<size_t>(a.width) + static_cast<size_t>(px)] =
                channels.toRgb(XGetPixel(x, px, y));
    XDestroyImage(x);
    return image;
}

testimg::Image Host::grabWhenShowing(::Window window, const testimg::Image &want) {
    testimg::Image shown = grab(window);
    for (int tries = 0; tries < 400 && (shown.width != want.width || shown.height != want.height ||
                                        shown.pixels != want.pixels);
         ++tries) {
        usleep(5000);
        shown = grab(window);
    }
    return shown;
}

testimg::Image Host::asShown(::Window window, const raster::Surface &reference) {
    testimg::Image image = testimg::fromSurface(reference);
    const Channels channels(visualOf(connection, window));
    for (uint32_t &p : image.pixels)
        p = channels.quantise(p & 0xffffff);
    return image;
}

int Host::errors() const {
    return hostErrorCount;
}

bool Host::handlerIntact() {
    const XErrorHandler current = XSetErrorHandler(countingHandler);
    return current == countingHandler;
}

void drawPattern(raster::Surface &surface) {
    raster::Canvas c(&surface);
    const int32_t w = surface.width(), h = surface.height();
    c.setBrush(raster::rgb(240, 236, 220));
    c.fillRect({0, 0, w, h});
    const raster::Pixel colors[] = {raster::rgb(200, 30, 40), raster::rgb(30, 160, 60),
                                     raster::rgb(20, 60, 200), raster::rgb(255, 255, 255),
                                     raster::rgb(1, 2, 3)};
    for (int32_t i = 0; i < 5; ++i) {
        c.setBrush(colors[i]);
        c.fillRect({8 + i * 24, 8, 28 + i * 24, h / 2});
    }
    c.setBrush(raster::rgb(250, 180, 0));
    c.fillEllipse({w / 2, 10, w - 10, h - 10});
    c.setTextColor(raster::rgb(10, 10, 90));
    c.drawText("Sorrel 440 Hz", {4, h / 2, w, h - 4}, raster::Align::Left);
}

bool pumpUntil(const std::function<bool()> &done, int milliseconds) {
    const uint32_t start = platform::tickCount();
    while (!done()) {
        if (static_cast<int32_t>(platform::tickCount() - start) > milliseconds)
            return false;
        platform::pumpEvents();
        platform::sleep(2);
    }
    return true;
}

void pumpFor(int milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

bool run(const std::vector<std::string> &command) {
    std::vector<char *> argv;
    for (const std::string &s : command)
        argv.push_back(const_cast<char *>(s.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool installed(const char *program) {
    return run({"sh", "-c", std::string("command -v ") + program + " >/dev/null"});
}

int openFiles() {
    int count = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++count;
        closedir(d);
    }
    return count;
}

int sharedSegments() {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find("/SYSV") != std::string::npos)
            ++count;
    return count;
}

bool serverSharesMemory(Display *display) {
    int opcode = 0, event = 0, error = 0;
    const char *reachable = std::getenv("SORREL_TEST_SHM_REACHABLE");
    return XQueryExtension(display, "MIT-SHM", &opcode, &event, &error) &&
           !(reachable && std::string(reachable) == "0");
}

std::string hex(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

::Window idOf(Handle handle) {
    return static_cast<::Window>(reinterpret_cast<uintptr_t>(handle));
}

Handle handle(::Window id) {
    return reinterpret_cast<Handle>(static_cast<uintptr_t>(id));
}

namespace {

// The X-Resource extension's view of one client: how many resources of each
// type the server holds for it. Loaded at run time, so that the tests build
// without the library; available() is false without it or the extension.
class ServerResources {
  public:
    ServerResources() {
        // Never unloaded: the extension leaves a hook in every connection it
        // saw, which runs when the connection closes.
        library = dlopen("libXRes.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (library)
            query = reinterpret_cast<Query>(dlsym(library, "XResQueryClientResources"));
    }
    bool available() const { return query != nullptr; }

    // The resources of the client that owns id (any id in its range).
    std::map<std::string, unsigned> of(Display *display, XID id) const {
        std::map<std::string, unsigned> counts;
        int types = 0;
        Type *list = nullptr;
        if (!query || !query(display, id, &types, &list))
            return counts;
        for (int i = 0; i < types; ++i) {
            char *name = XGetAtomName(display, list[i].atom);
            counts[name ? name : "?"] = list[i].count;
            if (name)
                XFree(name);
        }
        XFree(list);
        return counts;
    }

  private:
    struct Type {
        Atom atom;
        unsigned int count;
    };
    using Query = Status (*)(Display *, XID, int *, Type **);
    void *library = nullptr;
    Query query = nullptr;
};

// Heap bytes in use, as the allocator in charge counts them. glibc counts
// the small blocks its per-thread cache keeps for reuse as in use, and that
// cache fills up over the first few hundred cycles; so the count is taken
// with the cache emptied into blocks of known size (up to seven of each
// cached size), which are then left out.
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return __sanitizer_get_current_allocated_bytes();
#else
    constexpr size_t kSizes = 64, kPerSize = 8;
    void *held[kSizes * kPerSize];
    size_t heldBytes = 0;
    for (size_t i = 0; i < kSizes * kPerSize; ++i) {
        held[i] = std::malloc(24 + 16 * (i / kPerSize));
        heldBytes += held[i] ? malloc_usable_size(held[i]) + sizeof(size_t) : 0;
    }
    const size_t inUse = mallinfo2().uordblks - heldBytes;
    for (void *block : held)
        std::free(block);
    return inUse;
#endif
}

std::string describe(const std::map<std::string, unsigned> &counts) {
    std::string text;
    for (const auto &[type, count] : counts)
        text += type + "=" + std::to_string(count) + " ";
    return text;
}

} // namespace

size_t heapBytes() {
    return heapInUse();
}

std::string serverResources(Display *display, XID id) {
    static const ServerResources resources;
    return resources.available() ? describe(resources.of(display, id)) : "";
}

} // namespace sorrel::scenario

// Without an X server there is nothing to test: the program says so and
// passes, so that the suite runs on machines without a display.
int main(int argc, char **argv) {
    const char *name = std::getenv("DISPLAY");
    if (!name || !*name) {
        std::puts("SKIP: display tests: DISPLAY is not set");
        return 0;
    }
    if (Display *d = XOpenDisplay(nullptr))
        XCloseDisplay(d);
    else {
        std::printf("SKIP: display tests: cannot open display %s\n", name);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
