// What a drawing context needs from outside the drawing layer: the window
// system (the canvas behind a window, where the window is on the screen),
// the input state it polls during mouse gestures, and the frame it draws
// for. The frame layer installs one implementation per platform; tests
// install a scripted one. Without one, a quiet default answers: no canvas,
// no buttons, the pointer at (0, 0), a clock that stands still.
#pragma once

#include "gui/geometry.h"

#include <cstdint>

class CFrame;
namespace raster {
class Canvas;
}

namespace sorrel::gui {

class DrawEnvironment {
  public:
    virtual ~DrawEnvironment() = default;

    // The drawing canvas of a window and its release (GetDC / ReleaseDC).
    virtual raster::Canvas *acquireWindowCanvas(void *window) { return nullptr; }
    virtual void releaseWindowCanvas(void *window, raster::Canvas *canvas) {}
    // The window's rectangle in screen coordinates (GetWindowRect).
    virtual CRect windowScreenRect(void *window) { return {}; }

    // Physical buttons and modifiers held now: LeftButton for the physical
    // left button, RightButton for the physical right one, whatever the
    // system's button swapping; plus ShiftKey, ControlKey, AltKey.
    virtual int32_t physicalButtons() { return 0; }
    // The pointer in screen coordinates.
    virtual CPoint cursorPosition() { return {}; }
    // Milliseconds: the time stamp of the input message being handled, the
    // system's double-click time and the running tick count.
    virtual uint32_t messageTime() { return 0; }
    virtual uint32_t doubleClickTime() { return 0; }
    virtual uint32_t tickCount() { return 0; }
    // Removes a waiting left-button-down message; true when there was one.
    virtual bool takeLeftButtonDown() { return false; }

    // The frame's view rectangle, the default clip of its contexts.
    virtual CRect frameViewSize(CFrame *frame) { return CRect(0, 0, 1000, 1000); }
    // The frame's idle work, run while a drag holds the mouse loop.
    virtual void frameIdleWork(CFrame *frame) {}
};

// The installed environment, or the quiet default.
DrawEnvironment &drawEnvironment();
// Installs env; null restores the quiet default. The caller keeps ownership.
void setDrawEnvironment(DrawEnvironment *env);

} // namespace sorrel::gui
