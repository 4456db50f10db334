// X11 backend: the frame's window is a child of the host's window, drawn
// from a memory image and fed by the plug-in's own display connection.
//
// Why a connection of our own: the plug-in interface hands over only the
// parent's window id, and an Xlib connection must not be shared between
// threads unless XInitThreads ran before anything else, which a plug-in
// cannot arrange. So the module opens one connection, uses it only on the
// host's GUI thread, shares it between all open windows and closes it with
// the last one.
//
// Why every request runs inside an ErrorTrap: X errors arrive
// asynchronously and go to one process-wide handler, which belongs to the
// host. A parent id that is not a window, or a window the host destroyed
// under us, would otherwise end up in the host's handler (whose default
// prints and exits). The trap puts our handler in place, waits for the
// server's answer to our own requests and puts the host's handler back
// before anything else of the host runs. No trap is held across a call into
// the window's client, because the client may call into the host. Errors are
// matched to requests by serial number: a trap fails only for errors of the
// requests sent while it was in place, never for the late answer to an
// earlier one (a present after which the host destroyed the window).
//
// Presenting (with shared memory where the server can reach ours) is in
// x11_present.cpp, the choice of visual and the pixel conversion in
// x11_pixels.cpp; x11.h holds what the three files share.
//
//
// Short clicks. The toolkit's controls poll the pointer in loops of their
// own, but a press and its release may both arrive before the press is
// handled (a quick click, a touchpad tap, a scripted click, a host that idles
// slowly). So the press event itself says what was pressed with which
// modifiers, and its release event says when the gesture ends; see Press.
#include "gui/platform/x11.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <dlfcn.h>
#include <iterator>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

extern char **environ;

// Present only in libX11 1.7 and later; weak, so that the plug-in still loads
// on older systems (which then keep Xlib's exit on a lost server).
#pragma weak XSetIOErrorExitHandler

namespace sorrel::platform {

namespace x11 {
Connection theConnection;
} // namespace x11

using namespace x11;

namespace {

// A short-lived connection for input queries while no window is open.
Display *temporaryDisplay = nullptr;
// The time stamp of the last press handled, in tickCount's scale.
uint32_t lastEventTime = 0;

// The press or wheel notch being handled. There is one pointer, so the
// module handles one gesture at a time, whichever window it began in.
struct Press {
    bool active = false;
    ::Window root = 0;       // of the window it went down in
    unsigned int button = 0; // the event's (logical) button number
    int32_t bits = 0;        // physical buttons and modifiers of the event, the pressed button included
    int32_t buttonBit = 0;   // the pressed button's physical bit; 0 for the wheel
    bool firstRead = true;   // heldButtons has yet to answer the event itself
    bool released = false;   // its release has arrived (a wheel notch has none to wait for)
};
Press thePress;

bool ours(Display *display) {
    return display && (display == theConnection.display || display == temporaryDisplay);
}

// --- error trap -------------------------------------------------------------------

// Xlib's handlers are process-wide plain functions, so the trap's state is
// module-wide too.
int trapDepth = 0;
// The serial number of the newest error seen on the shared connection (0)
// and on the temporary one (1); errors arrive in the order of the requests.
unsigned long lastErrorSerial[2] = {};
bool errorSeen[2] = {};
XErrorHandler outerErrorHandler = nullptr;
XIOErrorHandler outerIoHandler = nullptr;

int errorSlot(Display *display) {
    return display == theConnection.display ? 0 : 1;
}

int onXError(Display *display, XErrorEvent *event) {
    if (ours(display)) {
        const int slot = errorSlot(display);
        lastErrorSerial[slot] = event->serial;
        errorSeen[slot] = true;
        return 0;
    }
    // Another thread of the host hit an error while our handler was in place.
    return outerErrorHandler ? outerErrorHandler(display, event) : 0;
}

int onIoError(Display *display) {
    if (ours(display)) {
        if (display == theConnection.display)
            theConnection.broken = true;
        return 0; // Xlib then calls the connection's exit handler, which returns
    }
    return outerIoHandler ? outerIoHandler(display) : 0;
}

void onIoExit(Display *, void *) {
    // The server is gone: keep the host alive; the windows report it.
}

} // namespace

ErrorTrap::ErrorTrap(Display *inDisplay, bool inSyncAtEnd)
    : display(inDisplay), syncAtEnd(inSyncAtEnd), firstSerial(inDisplay ? NextRequest(inDisplay) : 0) {
    if (trapDepth++ == 0) {
        outerErrorHandler = XSetErrorHandler(onXError);
        outerIoHandler = XSetIOErrorHandler(onIoError);
    }
}

ErrorTrap::~ErrorTrap() {
    if (syncAtEnd)
        XSync(display, False);
    if (--trapDepth == 0) {
        XSetErrorHandler(outerErrorHandler);
        XSetIOErrorHandler(outerIoHandler);
    }
}

bool ErrorTrap::succeeded() {
    XSync(display, False);
    const int slot = errorSlot(display);
    const bool failed = errorSeen[slot] && static_cast<long>(lastErrorSerial[slot] - firstSerial) >= 0;
    return !failed && !(display == theConnection.display && theConnection.broken);
}

namespace {

Display *openDisplay() {
    Display *display = XOpenDisplay(nullptr);
    if (display && XSetIOErrorExitHandler)
        XSetIOErrorExitHandler(display, onIoExit, nullptr);
    return display;
}

// The shared connection for one more window; null when there is no server.
Display *acquireConnection() {
    Connection &c = theConnection;
    if (!c.display) {
        c.display = openDisplay();
        if (!c.display)
            return nullptr;
        errorSeen[0] = false;
        c.broken = false;
        c.haveTimeOffset = false;
        c.havePointerMap = false;
        c.sharesMemory = -1;
    }
    ++c.users;
    return c.display;
}

void releaseConnection() {
    Connection &c = theConnection;
    if (--c.users > 0 || !c.display)
        return;
    c.queue.clear();
    c.windows.clear();
    Display *display = c.display;
    {
        // Closing frees the cursors with the connection; a broken one may
        // still report the loss once more.
        ErrorTrap trap(display, false);
        XCloseDisplay(display);
        c.display = nullptr;
    }
    std::fill(std::begin(c.cursors), std::end(c.cursors), ::Cursor(0));
}

// Runs query on the shared connection, or on a temporary one while no window
// is open (the toolkit asks for the mouse buttons before its first window).
template <typename T, typename Query> T withDisplay(T fallback, Query query) {
    Connection &c = theConnection;
    if (c.display) {
        if (c.broken)
            return fallback;
        ErrorTrap trap(c.display, false);
        return query(c.display);
    }
    temporaryDisplay = openDisplay();
    if (!temporaryDisplay)
        return fallback;
    errorSeen[1] = false;
    T result = fallback;
    {
        ErrorTrap trap(temporaryDisplay, false);
        result = query(temporaryDisplay);
        XCloseDisplay(temporaryDisplay);
    }
    temporaryDisplay = nullptr;
    return result;
}

void fetchEvents();

// The pointer mapping of a connection. The shared connection's is kept
// until a MappingNotify has come in (reading what has arrived makes no
// round trip); a temporary connection asks the server.
PointerMap pointerMapping(Display *display) {
    Connection &c = theConnection;
    if (display == c.display) {
        fetchEvents();
        if (!c.havePointerMap) {
            c.pointerMap.size = XGetPointerMapping(display, c.pointerMap.map, sizeof c.pointerMap.map);
            c.havePointerMap = true;
        }
        return c.pointerMap;
    }
    PointerMap result;
    result.size = XGetPointerMapping(display, result.map, sizeof result.map);
    return result;
}

// Whether the physical button 1 to 3 of the mapping carries the given
// logical button bit mask. The pointer mapping turns physical buttons into
// logical ones; the toolkit wants the physical state.
int32_t physicalButtons(Display *display, unsigned int logicalMask) {
    const PointerMap pointer = pointerMapping(display);
    const unsigned char *map = pointer.map;
    const int mapped = pointer.size;
    static const int32_t bits[3] = {ButtonLeft, ButtonMiddle, ButtonRight};
    int32_t held = 0;
    for (int physical = 1; physical <= 3; ++physical) {
        const int logical = physical <= mapped ? map[physical - 1] : physical;
        if (logical >= 1 && logical <= 5 && (logicalMask & (Button1Mask << (logical - 1))))
            held |= bits[physical - 1];
    }
    return held;
}

uint32_t monotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

Window *findWindow(::Window id) {
    for (auto &w : theConnection.windows)
        if (w->id == id)
            return w.get();
    return nullptr;
}

// Whether requests for the window still make sense.
bool usable(const Window *w) {
    return !w->gone && !theConnection.broken;
}

// Whether window is one of ours (and not destroyed by destroyWindow).
bool known(Window *window) {
    for (auto &w : theConnection.windows)
        if (w.get() == window)
            return true;
    return false;
}

// Server time stamps count from the server's own start. An event reaches us
// after it happened, so now - stamp is at least the true offset between the
// two clocks; the smallest value seen is the best estimate.
uint32_t localTime(Time serverTime) {
    Connection &c = theConnection;
    const uint32_t stamp = static_cast<uint32_t>(serverTime);
    const uint32_t offset = monotonicMilliseconds() - stamp;
    if (!c.haveTimeOffset || static_cast<int32_t>(offset - c.timeOffset) < 0)
        c.timeOffset = offset;
    c.haveTimeOffset = true;
    return stamp + c.timeOffset;
}

// Reads everything the server has sent into our queue.
void fetchEvents() {
    Connection &c = theConnection;
    if (!c.display || c.broken)
        return;
    // Reading sends nothing that could fail, so no round trip at the end;
    // errors already on their way are dispatched to the trap while reading.
    ErrorTrap trap(c.display, false);
    while (!c.broken && XPending(c.display) > 0) {
        XEvent event;
        XNextEvent(c.display, &event);
        if (event.type == MappingNotify) {
            // Sent to every client, asked for or not; a new pointer mapping
            // is read when next needed. No window is its target.
            if (event.xmapping.request == MappingPointer)
                c.havePointerMap = false;
            continue;
        }
        try {
            c.queue.push_back(event);
        } catch (...) {
            // Out of memory: the event is lost, the host lives on.
        }
    }
}

int32_t modifierBits(unsigned int state) {
    int32_t bits = 0;
    if (state & ShiftMask)
        bits |= KeyShift;
    if (state & ControlMask)
        bits |= KeyControl;
    if (state & Mod1Mask)
        bits |= KeyAlt;
    return bits;
}

// What the editor's window hears of; KeyPressMask joins it while the window
// has the keyboard focus.
constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask | FocusChangeMask;

// Settles the press being handled from what has come in: presses and wheel
// notches that came while its button was held are dropped (a second gesture
// must not start inside the first one's edit bracket), its release ends it.
// What comes after the release stays queued.
void noteRelease() {
    Press &p = thePress;
    if (!p.active || p.released)
        return;
    fetchEvents();
    auto &queue = theConnection.queue;
    for (auto it = queue.begin(); it != queue.end();) {
        if (it->type == ButtonRelease && it->xbutton.button == p.button) {
            queue.erase(it);
            p.released = true;
            return;
        }
        if (it->type == ButtonPress && findWindow(it->xany.window))
            it = queue.erase(it);
        else
            ++it;
    }
}

raster::Rect unite(const raster::Rect &a, const raster::Rect &b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// Keys reach the toolkit in the numbering of the plug-in interfaces' key
// calls; 0 for a key that is only a character (or nothing).
uint8_t virtualKeyOf(KeySym symbol) {
    switch (symbol) {
    case XK_BackSpace:
        return keys::Back;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return keys::Tab;
    case XK_Return:
        return keys::Return;
    case XK_KP_Enter:
        return keys::Enter;
    case XK_Escape:
        return keys::Escape;
    case XK_space:
        return keys::Space;
    case XK_End:
    case XK_KP_End:
        return keys::End;
    case XK_Home:
    case XK_KP_Home:
        return keys::Home;
    case XK_Left:
    case XK_KP_Left:
        return keys::Left;
    case XK_Up:
    case XK_KP_Up:
        return keys::Up;
    case XK_Right:
    case XK_KP_Right:
        return keys::Right;
    case XK_Down:
    case XK_KP_Down:
        return keys::Down;
    case XK_Prior:
    case XK_KP_Prior:
        return keys::PageUp;
    case XK_Next:
    case XK_KP_Next:
        return keys::PageDown;
    case XK_Delete:
    case XK_KP_Delete:
        return keys::Delete;
    default:
        return 0;
    }
}

// The window takes keys only while the host has given it the keyboard
// focus: selected while the window holds the focus, since X reports keys
// to the window under the pointer inside the focus window too, and the
// host's own shortcuts must keep working while the pointer is over the
// editor.
void followFocus(Window *w, const XFocusChangeEvent &e) {
    if (e.detail == NotifyPointer || e.detail == NotifyVirtual || e.detail == NotifyNonlinearVirtual)
        return;
    const bool focused = e.type == FocusIn;
    if (focused == w->focused)
        return;
    w->focused = focused;
    ErrorTrap trap(theConnection.display, false);
    XSelectInput(theConnection.display, w->id, focused ? kEventMask | KeyPressMask : kEventMask);
}

// Hands one event to the window it belongs to. The client may re-enter
// pumpEvents or destroy windows (even this one): nothing of the record is
// touched after the call.
void dispatch(const XEvent &event) {
    Window *w = findWindow(event.xany.window);
    if (!w || !usable(w))
        return;
    switch (event.type) {
    case Expose: {
        // Paints are gathered and delivered once per pump.
        const XExposeEvent &e = event.xexpose;
        const raster::Rect area{e.x, e.y, e.x + e.width, e.y + e.height};
        w->damage = w->damaged ? unite(w->damage, area) : area;
        w->damaged = true;
        break;
    }
    case ButtonPress: {
        const XButtonEvent &e = event.xbutton;
        lastEventTime = localTime(e.time);
        const raster::Point where{e.x, e.y};
        WindowClient *client = w->client;
        if (!client || e.button < Button1 || e.button > Button5)
            break;
        // What the event says was pressed, with which modifiers; the state
        // it carries is the one from just before the press.
        Press press;
        press.active = true;
        press.root = w->root;
        press.button = e.button;
        const unsigned int mask = Button1Mask << (e.button - Button1);
        {
            ErrorTrap trap(theConnection.display, false);
            press.bits = physicalButtons(theConnection.display, e.state | mask) | modifierBits(e.state);
            press.buttonBit = e.button <= Button3 ? physicalButtons(theConnection.display, mask) : 0;
        }
        press.released = e.button > Button3;
        thePress = press;
        if (e.button <= Button3)
            client->buttonPressed(where);
        else
            client->wheel(where, e.button == Button4 ? 1.0f : -1.0f);
        thePress = Press();
        break;
    }
    case FocusIn:
    case FocusOut:
        followFocus(w, event.xfocus);
        break;
    case KeyPress: {
        if (!w->focused || !w->client)
            break;
        XKeyEvent e = event.xkey;
        lastEventTime = localTime(e.time);
        char text[8] = {};
        KeySym symbol = NoSymbol;
        const int length = XLookupString(&e, text, sizeof text - 1, &symbol, nullptr);
        KeyStroke key;
        key.virt = virtualKeyOf(symbol);
        key.modifier = (e.state & ShiftMask) ? keys::Shift : 0;
        if (key.virt == 0) {
            if (length != 1 || static_cast<unsigned char>(text[0]) < 0x20 || static_cast<unsigned char>(text[0]) >= 0x7F)
                break;
            key.character = text[0];
        }
        w->client->keyPressed(key);
        break;
    }
    case DestroyNotify:
        // Only our own window's notice matters (the host destroyed the parent);
        // after destroyWindow the record is gone and the notice is dropped above.
        if (event.xdestroywindow.window == w->id) {
            w->gone = true;
            w->damaged = false;
            if (w->client)
                w->client->destroyed();
        }
        break;
    default:
        break;
    }
}

// A lost server takes every window with it.
void reportBrokenConnection() {
    Connection &c = theConnection;
    c.queue.clear();
    for (size_t i = 0; i < c.windows.size(); ++i) {
        Window *w = c.windows[i].get();
        if (w->gone)
            continue;
        w->gone = true;
        if (w->client)
            w->client->destroyed();
    }
}

void deliverPaints() {
    // By index: a paint may destroy or create windows. A window skipped that
    // way keeps its damage for the next pump.
    Connection &c = theConnection;
    for (size_t i = 0; i < c.windows.size(); ++i) {
        Window *w = c.windows[i].get();
        if (!w->damaged || !usable(w))
            continue;
        const raster::Rect area = raster::intersect(w->damage, w->surface.bounds());
        w->damaged = false;
        if (w->client && !area.empty())
            w->client->paint(area);
    }
}


// Whether window is a top-level window: a child of the root, or a window a
// window manager manages (it carries WM_STATE, while its frame is the root's
// child).
bool isTopLevel(Display *display, ::Window window, ::Window root, ::Window parentOfWindow) {
    if (parentOfWindow == root)
        return true;
    const Atom wmState = XInternAtom(display, "WM_STATE", True);
    if (wmState == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType, &type,
                                          &format, &count, &after, &data);
    if (data)
        XFree(data);
    return status == Success && type != None;
}

// The parent of window, or 0.
::Window parentOf(Display *display, ::Window window) {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return parent;
}

// Releases what a window holds on the server, when it still exists there.
void freeServerSide(Display *display, Window *w) {
    ErrorTrap trap(display);
    releaseSegment(display, w);
    if (w->gc)
        XFreeGC(display, w->gc);
    if (w->id && !w->gone)
        XDestroyWindow(display, w->id); // may fail when the host destroyed the parent unseen
    if (w->colormap)
        XFreeColormap(display, w->colormap);
    w->gc = nullptr;
    w->id = 0;
    w->colormap = 0;
}

// Builds the window on the server; false (with whatever was made still in
// the record for freeServerSide) when anything failed.
bool buildWindow(Display *display, Window *w, int32_t width, int32_t height) {
    ErrorTrap trap(display);
    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(display, w->parent, &parentAttributes) || !trap.succeeded())
        return false; // not a window at all
    Screen *screen = parentAttributes.screen;
    const int screenNumber = XScreenNumberOfScreen(screen);
    w->screen = screenNumber;
    w->root = RootWindowOfScreen(screen);

    chooseVisual(display, screenNumber, w->visual, w->depth);
    w->direct = plainTrueColor(w->visual, w->depth);
    Colormap colormap = DefaultColormapOfScreen(screen);
    if (w->visual != DefaultVisualOfScreen(screen)) {
        w->colormap = XCreateColormap(display, w->root, w->visual, AllocNone);
        colormap = w->colormap;
    }

    XSetWindowAttributes attributes{};
    // No background: the server does not clear what we are about to paint.
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = colormap;
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = kEventMask;
    w->id =
        XCreateWindow(display, w->parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                      0, w->depth, InputOutput, w->visual,
                      CWBackPixmap | CWBorderPixel | CWColormap | CWBitGravity | CWEventMask, &attributes);
    if (!trap.succeeded())
        return false;
    XGCValues values{};
    values.graphics_exposures = False;
    w->gc = XCreateGC(display, w->id, GCGraphicsExposures, &values);
    XMapWindow(display, w->id);
    return trap.succeeded();
}

} // namespace

// --- input state --------------------------------------------------------------------

namespace {

// The root window of the screen the editor is on, which need not be the
// display's default screen: that of the window being pressed in, else of the
// first window open. Root ids are the server's, good on any connection.
::Window pointerRoot(Display *display) {
    if (thePress.active && thePress.root)
        return thePress.root;
    for (auto &w : theConnection.windows)
        if (usable(w.get()) && w->root)
            return w->root;
    return DefaultRootWindow(display);
}

} // namespace

int32_t heldButtons() {
    Press &p = thePress;
    if (p.active && p.firstRead) {
        p.firstRead = false;
        return p.bits;
    }
    int32_t held = withDisplay<int32_t>(0, [](Display *display) {
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        // The state comes back also when the pointer is on another screen
        // (the answer is then False).
        XQueryPointer(display, pointerRoot(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
        return physicalButtons(display, mask) | modifierBits(mask);
    });
    if (p.active) {
        // Reading the state was a round trip: a release that came before the
        // answer is in the queue by now.
        noteRelease();
        if (p.released)
            held &= ~p.buttonBit;
    }
    return held;
}

raster::Point pointerPosition() {
    return withDisplay<raster::Point>({}, [](Display *display) {
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        XQueryPointer(display, pointerRoot(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
        return raster::Point{rootX, rootY};
    });
}

bool buttonsSwapped() {
    return withDisplay<bool>(false, [](Display *display) {
        const PointerMap pointer = pointerMapping(display);
        return pointer.size >= 3 && pointer.map[0] == 3 && pointer.map[2] == 1;
    });
}

// --- time -----------------------------------------------------------------------------

uint32_t tickCount() {
    return monotonicMilliseconds();
}

uint32_t eventTime() {
    return lastEventTime;
}

uint32_t doubleClickTime() {
    return 400;
}

void sleep(uint32_t milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

bool takeButtonPress() {
    fetchEvents();
    auto &queue = theConnection.queue;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->type != ButtonPress || it->xbutton.button != Button1)
            continue;
        Window *w = findWindow(it->xbutton.window);
        if (!w || !usable(w))
            continue;
        queue.erase(it);
        return true;
    }
    return false;
}

// --- windows ----------------------------------------------------------------------------

bool windowsAvailable() {
    return true;
}

Window *createWindow(void *parent, int32_t width, int32_t height, WindowClient *client) {
    // Window sizes are 16-bit on the wire; positions signed 16-bit.
    if (!parent || width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return nullptr;
    Display *display = acquireConnection();
    if (!display)
        return nullptr;
    std::unique_ptr<Window> w;
    bool built = false;
    try {
        w = std::make_unique<Window>();
        w->parent = static_cast<::Window>(reinterpret_cast<uintptr_t>(parent));
        w->client = client;
        w->surface = raster::Surface(width, height);
        if (!w->surface.empty() && !theConnection.broken) {
            built = buildWindow(display, w.get(), width, height);
            if (built)
                theConnection.windows.push_back(std::move(w));
        }
    } catch (...) {
        built = false;
    }
    if (built)
        return theConnection.windows.back().get();
    if (w)
        freeServerSide(display, w.get());
    releaseConnection();
    return nullptr;
}

void destroyWindow(Window *window) {
    Connection &c = theConnection;
    if (!window || !known(window))
        return;
    // Its queued events go with it (a press still waiting must not reach a
    // new window that happens to get the same id).
    const ::Window id = window->id;
    c.queue.erase(
        std::remove_if(c.queue.begin(), c.queue.end(), [&](const XEvent &e) { return e.xany.window == id; }),
        c.queue.end());
    if (!c.broken)
        freeServerSide(c.display, window);
    auto it = std::find_if(c.windows.begin(), c.windows.end(), [&](auto &w) { return w.get() == window; });
    c.windows.erase(it);
    releaseConnection();
}

void *nativeHandle(Window *window) {
    return window && known(window) ? reinterpret_cast<void *>(static_cast<uintptr_t>(window->id)) : nullptr;
}

raster::Surface *windowSurface(Window *window) {
    return window && known(window) ? &window->surface : nullptr;
}

void presentWindow(Window *window, const raster::Rect &area) {
    if (!window || !known(window) || !usable(window))
        return;
    const raster::Rect clipped = raster::intersect(area, window->surface.bounds());
    if (clipped.empty())
        return;
    // No round trip: an idle pass presents a few areas 25 times a second,
    // and waiting for the server each time costs more than the drawing. An
    // error (the host destroyed the window meanwhile) is caught by the trap
    // of the next read from the connection; every read is trapped.
    Display *display = theConnection.display;
    ErrorTrap trap(display, false);
    putArea(display, window, clipped);
    XFlush(display);
}

void presentWindowAreas(Window *window, const raster::Rect *areas, size_t count) {
    if (!window || !known(window) || !usable(window) || !areas)
        return;
    // The requests queue in Xlib's buffer and leave in one write.
    Display *display = theConnection.display;
    ErrorTrap trap(display, false);
    for (size_t i = 0; i < count; ++i) {
        const raster::Rect clipped = raster::intersect(areas[i], window->surface.bounds());
        if (!clipped.empty())
            putArea(display, window, clipped);
    }
    XFlush(display);
}

raster::Rect windowScreenRect(Window *window) {
    if (!window || !known(window))
        return {};
    const int32_t width = window->surface.width(), height = window->surface.height();
    int x = 0, y = 0;
    if (usable(window)) {
        Display *display = theConnection.display;
        ErrorTrap trap(display, false);
        ::Window child = 0;
        if (!XTranslateCoordinates(display, window->id, window->root, 0, 0, &x, &y, &child))
            x = y = 0;
    }
    return {x, y, x + width, y + height};
}

void resizeWindow(Window *window, int32_t width, int32_t height, bool resizeParents) {
    if (!window || !known(window) || width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return;
    const int32_t growX = width - window->surface.width(), growY = height - window->surface.height();
    raster::Surface resized(width, height);
    if (resized.empty())
        return;
    window->surface = std::move(resized);
    if (!usable(window))
        return;
    Display *display = theConnection.display;
    ErrorTrap trap(display);
    XResizeWindow(display, window->id, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!resizeParents || (growX == 0 && growY == 0))
        return;
    // The host's own top-level window is the host's business; a plain
    // container between it and us grows with us.
    const ::Window above = parentOf(display, window->parent);
    if (!above || isTopLevel(display, window->parent, window->root, above))
        return;
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned int w = 0, h = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, window->parent, &root, &x, &y, &w, &h, &border, &depth))
        return;
    const int32_t newWidth = static_cast<int32_t>(w) + growX, newHeight = static_cast<int32_t>(h) + growY;
    if (newWidth > 0 && newHeight > 0 && newWidth <= 32767 && newHeight <= 32767)
        XResizeWindow(display, window->parent, static_cast<unsigned>(newWidth),
                      static_cast<unsigned>(newHeight));
}

bool outerWindowPosition(Window *window, raster::Point &position) {
    if (!window || !known(window) || !usable(window))
        return false;
    Display *display = theConnection.display;
    ErrorTrap trap(display, false);
    const int32_t width = window->surface.width(), height = window->surface.height();
    // Upwards until a top-level window, or until a window whose parent is
    // clearly larger than our window (that parent holds more than the
    // editor, so the window below it is the editor's outer window).
    ::Window current = window->id;
    for (int depth = 0; depth < 32; ++depth) {
        const ::Window parent = parentOf(display, current);
        if (!parent)
            return false;
        if (isTopLevel(display, current, window->root, parent)) {
            ::Window child = 0;
            int x = 0, y = 0;
            if (!XTranslateCoordinates(display, current, window->root, 0, 0, &x, &y, &child))
                return false;
            position = {x, y};
            return true;
        }
        XWindowAttributes a{};
        if (!XGetWindowAttributes(display, parent, &a))
            return false;
        if (a.width - width > 60 || a.height - height > 60) {
            ::Window root = 0;
            int x = 0, y = 0;
            unsigned int w = 0, h = 0, border = 0, bits = 0;
            if (!XGetGeometry(display, current, &root, &x, &y, &w, &h, &border, &bits))
                return false;
            position = {x, y};
            return true;
        }
        current = parent;
    }
    return false;
}

void pumpEvents() {
    Connection &c = theConnection;
    if (!c.display)
        return;
    fetchEvents();
    noteRelease();
    // Presses and notches that came after the release of the one being
    // handled: put back in order for the pump that is handling it. A vector,
    // which takes no memory while empty: a deque would allocate at every
    // pump, 25 times a second.
    std::vector<XEvent> later;
    // Each event is taken off the shared queue before it is handled, so a
    // nested pump continues where this one stands.
    while (c.display && !c.broken && !c.queue.empty()) {
        const XEvent event = c.queue.front();
        c.queue.pop_front();
        if (thePress.active && event.type == ButtonPress) {
            // Before the release noteRelease has dropped them all.
            try {
                later.push_back(event);
            } catch (...) {
                // Out of memory: the event is lost, the host lives on.
            }
            continue;
        }
        dispatch(event);
    }
    if (c.display && !later.empty()) {
        try {
            c.queue.insert(c.queue.begin(), later.begin(), later.end());
        } catch (...) {
        }
    }
    if (c.display && c.broken)
        reportBrokenConnection();
    deliverPaints();
}

void setCursor(Window *window, Cursor cursor) {
    if (!window || !known(window) || !usable(window))
        return;
    static const unsigned int shapes[] = {
        0,                      // CursorArrow: the parent's cursor
        XC_watch,               // CursorBusy
        XC_sb_h_double_arrow,   // CursorWestEast
        XC_sb_v_double_arrow,   // CursorNorthSouth
        XC_fleur,               // CursorFourWay
        XC_bottom_left_corner,  // CursorNorthEastSouthWest
        XC_bottom_right_corner, // CursorNorthWestSouthEast
        XC_X_cursor,            // CursorNoEntry
        XC_hand2,               // CursorPointingHand
    };
    Connection &c = theConnection;
    ErrorTrap trap(c.display);
    if (cursor <= CursorArrow || cursor > CursorPointingHand) {
        XUndefineCursor(c.display, window->id);
        return;
    }
    // Made once per connection; they go with it.
    ::Cursor &shape = c.cursors[cursor];
    if (!shape)
        shape = XCreateFontCursor(c.display, shapes[cursor]);
    XDefineCursor(c.display, window->id, shape);
}

bool setDropTarget(Window *, bool) {
    // No shell drag and drop on X11 yet.
    return false;
}

void notifyAccessible(Window *, AccessibleEvent, int32_t) {
    // A plug-in's child window has no way of its own onto the desktop's
    // accessibility bus (AT-SPI): only a host's toolkit could carry it.
}

// --- the rest of the world ------------------------------------------------------------------

void openUrl(const char *address) {
    if (!address || !*address)
        return;
    try {
        // The worker outlives the call and may outlive the editor; if the host
        // unloaded the module while it waits for the browser opener, its code
        // would vanish under it. Pinning the module costs nothing but keeping
        // it mapped.
        Dl_info self{};
        if (dladdr(reinterpret_cast<void *>(&openUrl), &self) && self.dli_fname)
            dlopen(self.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
        std::thread([url = std::string(address)]() mutable {
            // No shell: the address is one argument, whatever it contains.
            char program[] = "xdg-open";
            char *argv[] = {program, url.data(), nullptr};
            // The opener starts with default signal handling and nothing
            // blocked, whatever the host set up for its own threads.
            posix_spawnattr_t attributes;
            if (posix_spawnattr_init(&attributes) != 0)
                return;
            sigset_t none, all;
            sigemptyset(&none);
            sigfillset(&all);
            posix_spawnattr_setsigmask(&attributes, &none);
            posix_spawnattr_setsigdefault(&attributes, &all);
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
            pid_t child = 0;
            if (posix_spawnp(&child, program, nullptr, &attributes, argv, environ) == 0) {
                // Reaped here, so no zombie stays with the host.
                while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
                }
            }
            posix_spawnattr_destroy(&attributes);
        }).detach();
    } catch (...) {
        // No thread: no web page, and nothing else happens.
    }
}

namespace {

// Xft.dpi from the resource database text as xrdb leaves it on the root
// window ("Xft.dpi:\t192" lines); 0 when absent or not a number.
double xftDpi(const char *resources) {
    const char *key = "Xft.dpi:";
    for (const char *line = resources; line && *line;) {
        const char *end = std::strchr(line, '\n');
        if (std::strncmp(line, key, std::strlen(key)) == 0) {
            char *after = nullptr;
            const double dpi = std::strtod(line + std::strlen(key), &after);
            if (after != line + std::strlen(key))
                return dpi;
        }
        line = end ? end + 1 : nullptr;
    }
    return 0;
}

} // namespace

// Read from the root window at each call rather than from the connection's
// copy made when it opened: a desktop may change it (xrdb -merge) while the
// host runs.
double desktopScaleFactor(void *) {
    const double dpi = withDisplay<double>(0.0, [](Display *display) {
        const Atom property = XInternAtom(display, "RESOURCE_MANAGER", True);
        if (property == None)
            return 0.0;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        double found = 0;
        if (XGetWindowProperty(display, RootWindow(display, DefaultScreen(display)), property, 0, 1 << 20, False,
                               XA_STRING, &type, &format, &count, &after, &data) == Success &&
            data && format == 8) {
            std::string text(reinterpret_cast<const char *>(data), count);
            found = xftDpi(text.c_str());
        }
        if (data)
            XFree(data);
        return found;
    });
    if (dpi != 0)
        return dpi / 96.0;
    // GTK's settings: GDK_SCALE for the window, GDK_DPI_SCALE for the text
    // on top of it; the desktop's factor is the product, either alone
    // standing for itself.
    double factor = 1;
    bool found = false;
    for (const char *name : {"GDK_SCALE", "GDK_DPI_SCALE"}) {
        const char *text = std::getenv(name);
        if (!text || !*text)
            continue;
        char *end = nullptr;
        const double value = std::strtod(text, &end);
        if (end == text || *end != '\0')
            return 0;
        factor *= value;
        found = true;
    }
    return found ? factor : 0;
}

raster::Point screenSize(void *) {
    return withDisplay<raster::Point>(raster::Point{}, [](Display *display) {
        const int screen = DefaultScreen(display);
        return raster::Point{DisplayWidth(display, screen), DisplayHeight(display, screen)};
    });
}

bool moduleBitmapResource(int32_t, const uint8_t *&, size_t &) {
    return false; // a shared object carries no resources; the embedded copies serve
}

// A plug-in has no business opening a dialog of its own on X11: the notice
// goes to standard error, where the host's log picks it up.
void showMessageBox(const char *caption, const char *text) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

} // namespace sorrel::platform
