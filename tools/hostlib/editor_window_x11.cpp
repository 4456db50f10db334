// Editor windows on X11 through Xlib. The tool keeps one display
// connection for its own windows; plug-ins open their own and draw into
// child windows of ours, so that with no compositor whatever they draw is in
// our window's area of the screen.
#include "tools/hostlib/editor_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sys/select.h>
#include <thread>

namespace sorrel::tool {

namespace {

class X11Window;

struct Connection {
    Display *display = nullptr;
    int users = 0;
    Atom wmProtocols = 0, wmDelete = 0, netWmName = 0, utf8String = 0;
    std::vector<X11Window *> windows; // for handing events to their window
};
Connection conn;

// The connection, opened on first use; counted references are windows.
// A connection that no window holds (only the screen's size was asked for)
// stays open: closing it as the server's last client makes the server
// reset, and a connection opened during the reset fails.
Display *openDisplay(std::string &error) {
    if (!conn.display) {
        const char *name = std::getenv("DISPLAY");
        if (!name || !*name) {
            error = "no X display to open windows on (DISPLAY is not set)";
            return nullptr;
        }
        // Plug-ins that call Xlib from threads of their own rely on the host
        // having asked for a thread-safe Xlib before anything else.
        XInitThreads();
        // A server that has just lost its last client resets and refuses
        // connections for a moment.
        for (int attempt = 0; attempt < 10 && !conn.display; ++attempt) {
            if (attempt)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            conn.display = XOpenDisplay(nullptr);
        }
        if (!conn.display) {
            error = std::string("cannot open the X display ") + name;
            return nullptr;
        }
        conn.wmProtocols = XInternAtom(conn.display, "WM_PROTOCOLS", False);
        conn.wmDelete = XInternAtom(conn.display, "WM_DELETE_WINDOW", False);
        conn.netWmName = XInternAtom(conn.display, "_NET_WM_NAME", False);
        conn.utf8String = XInternAtom(conn.display, "UTF8_STRING", False);
    }
    return conn.display;
}

Display *acquireDisplay(std::string &error) {
    Display *d = openDisplay(error);
    if (d)
        ++conn.users;
    return d;
}

void releaseDisplay() {
    if (conn.users > 0 && --conn.users == 0) {
        XCloseDisplay(conn.display);
        conn.display = nullptr;
    }
}

// Counts the errors of Xlib requests made while it lives instead of letting
// Xlib's default handler end the process: reading windows that a plug-in
// owns may race with the plug-in changing them.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display *d) : display(d) {
        XSync(display, False);
        errors = 0;
        previous = XSetErrorHandler(onError);
    }
    ~ErrorTrap() {
        XSync(display, False);
        XSetErrorHandler(previous);
    }
    static int errors;

  private:
    static int onError(Display *, XErrorEvent *) {
        ++errors;
        return 0;
    }
    Display *display;
    int (*previous)(Display *, XErrorEvent *);
};
int ErrorTrap::errors = 0;

struct Box {
    int left, top, right, bottom;
    bool empty() const { return right <= left || bottom <= top; }
    Box intersect(const Box &o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
};

// One color channel of a true-color visual, scaled to 8 bits.
struct ChannelMask {
    unsigned long mask;
    int shift = 0, bits = 0;
    explicit ChannelMask(unsigned long m) : mask(m) {
        if (!m)
            return;
        while (!((m >> shift) & 1))
            ++shift;
        while ((m >> (shift + bits)) & 1)
            ++bits;
    }
    uint8_t operator()(unsigned long pixel) const {
        if (!bits)
            return 0;
        const unsigned long v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<uint8_t>(v >> (bits - 8));
        return static_cast<uint8_t>(v * 255 / ((1ul << bits) - 1));
    }
};

class X11Window final : public EditorWindow {
  public:
    X11Window(Display *d, Window w, int width, int height)
        : EditorWindow(width, height), display(d), window(w) {
        conn.windows.push_back(this);
    }
    ~X11Window() override {
        conn.windows.erase(std::remove(conn.windows.begin(), conn.windows.end(), this), conn.windows.end());
        if (!destroyed)
            XDestroyWindow(display, window);
        XSync(display, False);
        releaseDisplay();
    }

    void *parentHandle() const override { return reinterpret_cast<void *>(window); }
    intptr_t displayHandle() const override { return reinterpret_cast<intptr_t>(display); }

    void move(int x, int y) override {
        if (!destroyed)
            XMoveWindow(display, window, x, y);
    }
    void show() override {
        XMapWindow(display, window);
        XSync(display, False);
    }
    void raise() override {
        if (!destroyed) {
            XRaiseWindow(display, window);
            XFlush(display);
        }
    }
    bool setClientSize(int width, int height) override {
        if (destroyed)
            return false;
        fixSize(width, height);
        XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XFlush(display);
        currentWidth = width;
        currentHeight = height;
        return true;
    }

    // The editor's size is the plug-in's to choose: window managers get the
    // same minimum and maximum.
    void fixSize(int width, int height) {
        XSizeHints *hints = XAllocSizeHints();
        if (!hints)
            return;
        hints->flags = PMinSize | PMaxSize | PPosition;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }

    void handle(const XEvent &ev) {
        switch (ev.type) {
        case ClientMessage:
            if (ev.xclient.message_type == conn.wmProtocols &&
                static_cast<Atom>(ev.xclient.data.l[0]) == conn.wmDelete)
                closeAsked = true;
            break;
        case ConfigureNotify:
            currentWidth = ev.xconfigure.width;
            currentHeight = ev.xconfigure.height;
            break;
        case DestroyNotify:
            if (ev.xdestroywindow.window == window) {
                destroyed = true;
                closeAsked = true;
            }
            break;
        default: // Expose: the server fills the background; the editor draws the rest
            break;
        }
    }
    Window id() const { return window; }

    bool capture(RgbImage &image, std::string &error) override {
        if (destroyed) {
            error = "the window is gone";
            return false;
        }
        ErrorTrap trap(display);
        XWindowAttributes wa{};
        if (!XGetWindowAttributes(display, window, &wa) || wa.map_state != IsViewable) {
            error = "the window is not on the screen";
            return false;
        }
        int rx = 0, ry = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, wa.root, 0, 0, &rx, &ry, &child);
        if (rx < 0 || ry < 0 || rx + wa.width > wa.screen->width || ry + wa.height > wa.screen->height) {
            error = "the window is not entirely on the screen";
            return false;
        }
        image.width = wa.width;
        image.height = wa.height;
        image.pixels.assign(static_cast<size_t>(wa.width) * static_cast<size_t>(wa.height) * 3, 0);
        const Box all{0, 0, wa.width, wa.height};
        // The top-level window's image holds its children of the same depth;
        // each child is read again on its own, in stacking order, so that
        // children of another depth (which the parent's image leaves
        // undefined) come out right as well.
        if (!paste(window, wa, 0, 0, all, image)) {
            error = "the window system did not hand out the window's contents";
            return false;
        }
        return true;
    }

  private:
    bool paste(Window w, const XWindowAttributes &a, int ox, int oy, const Box &clip, RgbImage &image) {
        if (a.map_state != IsViewable || a.c_class == InputOnly)
            return false;
        const Box box = Box{ox, oy, ox + a.width, oy + a.height}.intersect(clip);
        if (box.empty())
            return false;
        bool ok = false;
        if (a.visual && a.visual->c_class == TrueColor) {
            XImage *img = XGetImage(display, w, box.left - ox, box.top - oy,
                                    static_cast<unsigned>(box.right - box.left),
                                    static_cast<unsigned>(box.bottom - box.top), AllPlanes, ZPixmap);
            if (img) {
                const ChannelMask r(a.visual->red_mask), g(a.visual->green_mask), b(a.visual->blue_mask);
                for (int y = 0; y < img->height; ++y) {
                    uint8_t *out =
                        &image.pixels[(static_cast<size_t>(box.top + y) * image.width + box.left) * 3];
                    for (int x = 0; x < img->width; ++x, out += 3) {
                        const unsigned long p = XGetPixel(img, x, y);
                        out[0] = r(p);
                        out[1] = g(p);
                        out[2] = b(p);
                    }
                }
                XDestroyImage(img);
                ok = true;
            }
        }
        Window root = 0, parent = 0, *kids = nullptr;
        unsigned n = 0;
        if (XQueryTree(display, w, &root, &parent, &kids, &n) && kids) {
            for (unsigned i = 0; i < n; ++i) { // bottom to top
                XWindowAttributes ka{};
                if (XGetWindowAttributes(display, kids[i], &ka))
                    paste(kids[i], ka, ox + ka.x + ka.border_width, oy + ka.y + ka.border_width, box, image);
            }
            XFree(kids);
        }
        return ok;
    }

    Display *display;
    Window window;
    bool destroyed = false;
};

void dispatchEvent(const XEvent &ev) {
    for (X11Window *w : conn.windows)
        if (w->id() == ev.xany.window)
            w->handle(ev);
}

} // namespace

bool EditorWindow::available() {
    return true;
}

bool EditorWindow::screenSize(int &width, int &height, std::string &error) {
    Display *d = openDisplay(error);
    if (!d)
        return false;
    width = DisplayWidth(d, DefaultScreen(d));
    height = DisplayHeight(d, DefaultScreen(d));
    return true;
}

std::unique_ptr<EditorWindow> EditorWindow::create(const std::string &title, int width, int height,
                                                   std::string &error) {
    if (!usableWindowSize(width, height, error))
        return nullptr;
    Display *d = acquireDisplay(error);
    if (!d)
        return nullptr;
    const int screen = DefaultScreen(d);
    XSetWindowAttributes attrs{};
    attrs.background_pixel = BlackPixel(d, screen);
    attrs.event_mask = StructureNotifyMask | ExposureMask;
    const Window w = XCreateWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWEventMask, &attrs);
    if (!w) {
        releaseDisplay();
        error = "cannot create a window";
        return nullptr;
    }
    std::unique_ptr<X11Window> win(new X11Window(d, w, width, height));
    XStoreName(d, w, title.c_str());
    XChangeProperty(d, w, conn.netWmName, conn.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(title.data()), static_cast<int>(title.size()));
    XClassHint *cls = XAllocClassHint();
    if (cls) {
        char name[] = "sorrel-host";
        cls->res_name = name;
        cls->res_class = name;
        XSetClassHint(d, w, cls);
        XFree(cls);
    }
    Atom protocols[] = {conn.wmDelete};
    XSetWMProtocols(d, w, protocols, 1);
    win->fixSize(width, height);
    XSync(d, False);
    return win;
}

void runEventLoop(int periodMs, const std::function<bool()> &tick) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs);
    auto next = Clock::now() + period;
    for (;;) {
        Display *d = conn.display;
        while (d && XPending(d)) {
            XEvent ev;
            XNextEvent(d, &ev);
            dispatchEvent(ev);
        }
        const auto now = Clock::now();
        if (now >= next) {
            if (!tick())
                return;
            next += period;
            if (next < now) // fell behind (a slow editor): keep the rate, skip the backlog
                next = now + period;
            continue;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(next - now);
        if (d) {
            const int fd = ConnectionNumber(d);
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(fd, &fds);
            timeval tv{};
            tv.tv_sec = static_cast<time_t>(wait.count() / 1000000);
            tv.tv_usec = static_cast<suseconds_t>(wait.count() % 1000000);
            select(fd + 1, &fds, nullptr, nullptr, &tv);
        } else {
            std::this_thread::sleep_for(wait);
        }
    }
}

} // namespace sorrel::tool
