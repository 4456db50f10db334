// The one contract between the toolkit and the window system. Everything the
// toolkit needs from outside itself is declared here; each backend (x11.cpp,
// win32.cpp, headless.cpp) defines all of it, and the build links exactly one.
// No windows.h, no Xlib here: handles are opaque.
//
// Threads: everything but showMessageBox, openUrl and tickCount runs on the
// host's GUI thread, the thread that opens the editor. Nothing here blocks
// for long; nothing throws.
#pragma once

#include "gui/raster/raster.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sorrel::platform {

// --- input state ----------------------------------------------------------------

// Physical buttons and modifiers, as the toolkit's mouse state bits; the
// physical left button is always ButtonLeft, whatever the system's swapping.
enum InputBits : int32_t {
    ButtonLeft = 1,
    ButtonMiddle = 2,
    ButtonRight = 4,
    KeyShift = 8,
    KeyControl = 0x10,
    KeyAlt = 0x20,
};
// Held now (asynchronous state, not the state of the message being handled),
// with one exception that keeps short clicks whole. While a press is being
// handled (inside WindowClient::buttonPressed) the first read answers the
// window system's own press event: its button and the modifiers held with
// it, even when the button is up again by then. Later reads answer the state
// now, with the pressed button up from the moment its release has arrived,
// so a polling loop that follows a click sees the release at once (also when
// the button went down again for the next click).
int32_t heldButtons();
// The pointer in screen coordinates.
raster::Point pointerPosition();
// Whether the system swaps the mouse buttons for left-handed users. Asked
// at every poll of held buttons, so it makes no round trip to a server: the
// X11 backend keeps its connection's pointer mapping until the server
// announces a new one.
bool buttonsSwapped();

// --- time -------------------------------------------------------------------------

// Milliseconds since some start; wraps after 49.7 days. Any thread.
uint32_t tickCount();
// Time stamp of the input event being handled, in tickCount's scale.
uint32_t eventTime();
// The system's double-click time in milliseconds.
uint32_t doubleClickTime();
void sleep(uint32_t milliseconds);
// Takes a waiting left-button press off the queue; true when there was one.
bool takeButtonPress();

// --- windows ----------------------------------------------------------------------

// Whether this build can show windows at all. A plug-in offers its editor
// only then: an editor that draws nowhere is worse than none.
bool windowsAvailable();

// One frame's child window inside a host window. Opaque; made and destroyed
// by the backend.
class Window;

// A shell drag offered to a window: text, or a list of files (shortcuts
// already resolved to their targets). Valid during the notification only.
class DropData {
  public:
    virtual bool hasText() = 0;
    virtual std::string text() = 0;
    virtual int32_t fileCount() = 0;
    // Empty past the end.
    virtual std::string file(int32_t index) = 0;

  protected:
    virtual ~DropData() = default;
};

// --- accessibility ------------------------------------------------------------------

// What a screen reader is told of a window's contents: a flat list of
// controls, each with a role, a name, its value as a person reads it and
// where it is. The window's owner describes them; the window system asks
// (on Windows through WM_GETOBJECT and IAccessible; the X11 backend has no
// path of its own to the desktop's accessibility bus, so it never asks).
enum class AccessibleRole : int32_t { Slider, CheckButton };

struct AccessibleItem {
    AccessibleRole role = AccessibleRole::Slider;
    char name[64] = {};
    char value[32] = {};
    // In window coordinates, device pixels.
    raster::Rect area;
    bool checked = false;
    bool focused = false;
};

class AccessibleContent {
  public:
    virtual int32_t accessibleCount() = 0;
    // False past the end (item untouched).
    virtual bool accessibleItem(int32_t index, AccessibleItem &item) = 0;
    // A value set by the reader, as a person would type it: true when it
    // named one, which the control then takes as the user's edit.
    virtual bool setAccessibleValue(int32_t index, const char *text) = 0;
    // The control's own action (a switch toggles): true when it has one.
    virtual bool doAccessibleAction(int32_t index) = 0;
    // Moves the keyboard focus to the control.
    virtual bool focusAccessible(int32_t index) = 0;

  protected:
    virtual ~AccessibleContent() = default;
};

enum class AccessibleEvent : int32_t { Focus, ValueChange };
// Tells a listening screen reader that item index of window got the focus
// or a new value. Nothing where no reader can listen.
void notifyAccessible(Window *window, AccessibleEvent event, int32_t index);

// --- keys -------------------------------------------------------------------------

// A key the window took while the host let it have the keyboard focus, in
// the numbering the plug-in interfaces hand keys over in (VST 2.4's): virt
// one of these keys, or 0 with character the ASCII character typed;
// modifier bit 1 for Shift.
struct KeyStroke {
    int32_t character = 0;
    uint8_t virt = 0;
    uint8_t modifier = 0;
};
namespace keys {
constexpr uint8_t Back = 1, Tab = 2, Return = 4, Escape = 6, Space = 7, End = 9, Home = 10, Left = 11, Up = 12,
                  Right = 13, Down = 14, PageUp = 15, PageDown = 16, Enter = 19, Delete = 22;
constexpr uint8_t Shift = 1;
} // namespace keys

// What a window reports to its owner (the frame). The calls arrive on the
// GUI thread from inside pumpEvents, pumpPaints or the host's own message
// loop; points are in window coordinates.
class WindowClient {
  public:
    // The owner draws area into windowSurface and presents it.
    virtual void paint(const raster::Rect &area) = 0;
    // Button 1, 2 or 3 went down.
    virtual void buttonPressed(const raster::Point &where) = 0;
    // One wheel notch away from the user is +1, towards the user -1.
    virtual void wheel(const raster::Point &where, float distance) = 0;
    // The window is gone (its parent was destroyed under it). No more calls
    // follow; the owner must not use the window except to destroy it.
    virtual void destroyed() = 0;
    // Shell drag and drop, once setDropTarget is on.
    virtual void dragEnter(DropData &data) = 0;
    virtual void dragMove(DropData &data) = 0;
    virtual void dragLeave() = 0;
    virtual void drop(DropData &data) = 0;
    // A key went down while the window had the keyboard focus: true when
    // the owner took it.
    virtual bool keyPressed(const KeyStroke & /*key*/) { return false; }
    // The window's contents for a screen reader; null when it has none (now).
    virtual AccessibleContent *accessibleContent() { return nullptr; }

  protected:
    virtual ~WindowClient() = default;
};

// A visible child window of parent (an HWND on Windows, an X11 window id on
// Linux, anything non-null headless), width x height at (0, 0). Null when
// the parent is not a window or anything else fails; nothing is left behind
// then, and no error reaches the host.
Window *createWindow(void *parent, int32_t width, int32_t height, WindowClient *client);
// Destroys it (also after destroyed() was reported). Null does nothing.
void destroyWindow(Window *window);
// The native handle of the window itself (HWND, X11 window id).
void *nativeHandle(Window *window);
// The window's memory image: the frame draws here, then presents. Its size
// follows resizeWindow. Never null for a live window.
raster::Surface *windowSurface(Window *window);
// Shows area of the memory image on the screen.
void presentWindow(Window *window, const raster::Rect &area);
// Shows several areas in one trip to the window system (an idle pass shows
// many small meter rows; one wake-up of the display server for all of them).
void presentWindowAreas(Window *window, const raster::Rect *areas, size_t count);
// The window's rectangle in screen coordinates.
raster::Rect windowScreenRect(Window *window);
// Resizes the window (and its surface) without moving it. With
// resizeParents, the windows above it that are not the host's own frame
// grow or shrink with it, the way an editor without host support for
// resizing asks for room.
void resizeWindow(Window *window, int32_t width, int32_t height, bool resizeParents);
// The top-left of the host's outer window around this one, in its parent's
// client coordinates; false when unknown.
bool outerWindowPosition(Window *window, raster::Point &position);

// Handles what the window system has for this module's windows: paints,
// presses, the wheel, destruction. The host's idle and the frame's idle work
// call it, so a window keeps painting while a control holds the mouse.
// One gesture at a time: called while a press or a wheel notch is being
// handled, it drops the presses and notches that came while the button was
// held and keeps those that came after its release for when the handling
// has returned.
void pumpEvents();

enum Cursor : int32_t {
    CursorArrow = 0,
    CursorBusy,
    CursorWestEast,
    CursorNorthSouth,
    CursorFourWay,
    CursorNorthEastSouthWest,
    CursorNorthWestSouthEast,
    CursorNoEntry,
    CursorPointingHand,
};
void setCursor(Window *window, Cursor cursor);

// Registers the window as a drop target (or revokes it); false when the
// platform cannot.
bool setDropTarget(Window *window, bool active);

// --- screen density ---------------------------------------------------------------

// The desktop's scale factor for windows in parent (1.0 at 96 DPI; null
// parent: the desktop's general setting where there is one): the parent's
// DPI on Windows, looked up at run time (never changing the process's DPI
// awareness), Xft.dpi / 96 or GDK_SCALE x GDK_DPI_SCALE on X11. 0 when
// unknown.
double desktopScaleFactor(void *parent);
// The size of the screen parent is on, in device pixels; 0 x 0 when unknown.
raster::Point screenSize(void *parent);

// --- the rest of the world ------------------------------------------------------------

// A bitmap resource compiled into the plug-in module itself (a packed
// device-independent bitmap), on platforms whose modules carry resources
// (Windows). False elsewhere: the toolkit then uses its embedded copies.
bool moduleBitmapResource(int32_t id, const uint8_t *&data, size_t &size);

// Asks the desktop to open address in the user's browser, from a detached
// worker: returns at once, never waits, never fails loudly.
void openUrl(const char *address);

// A modal notice with a single OK button and no owner window. Backends
// without a window system write it to standard error instead. Any thread.
void showMessageBox(const char *caption, const char *text);

} // namespace sorrel::platform
