// The root of the view tree and the one toolkit object that owns a platform
// window: it makes a child window inside the host's window, turns what the
// window reports into view operations, and holds the editor-wide state views
// reach through it (modal view, keyboard focus, cursor, drag and drop, the
// idle redraw pass, resizing). Its children are in window coordinates.
//
// Lifetime. Hosts close the editor, or delete the whole plug-in, from inside
// calls the frame makes (a control's drag loop runs the owner's idle work,
// which runs the host's idle). The frame therefore holds a count of itself
// for the duration of every call that reaches it from the window or the
// owner, so a close only gives back the owner's count and the frame goes
// when the outermost call returns. Once the owner has let go
// (editorClosed) the frame neither draws nor takes input: polling loops see
// the buttons released and end. A frame outliving its owner never calls
// it: it asks the owner's liveness token first.
//
// Scale. The view tree lives in logical pixels at every scale. The frame
// holds the scale (1 to 4 in quarter steps): its window is the frame's size
// at that scale, the contexts it makes draw at it, and it maps the window's
// pointer positions back to logical pixels before anything is hit-tested.
#pragma once

#include "gui/views/frame_owner.h"
#include "gui/platform/platform.h"
#include "gui/views/viewcontainer.h"

#include <memory>
#include <string>
#include <vector>

namespace sorrel {

class CDrawContext;
class COffscreenContext;

enum CCursorType : int32_t {
    CursorDefault = 0,
    CursorWait = 1,
    CursorResizeHorizontal = 2,
    CursorResizeVertical = 3,
    CursorMove = 4,
    CursorResizeNESW = 5,
    CursorResizeNWSE = 6,
    CursorCopy = 7,
    CursorNotAllowed = 8,
    CursorHand = 9,
};

enum CDragType : int32_t { DragUnknown = -1, DragFile = 0, DragText = 1 };

// The data of one shell drag: text (one item) or a list of files. It keeps
// its own copy of what the window system offered, refreshed on every
// notification, since the platform's data lives only for one notification.
class CDragContainer : public CReferenceCounter {
  public:
    explicit CDragContainer(platform::DropData &data);
    ~CDragContainer() override;

    void refresh(platform::DropData &data);

    int32_t getCount() const { return count; }
    // DragText when the drag offers text, else DragFile.
    int32_t getItemType(int32_t index = 0) const;
    // Restarts the iteration, then getNextItem.
    const void *getFirstItem(int32_t &size, int32_t &type);
    // The next item's bytes (zero-terminated), or null at the end (size 0,
    // type DragUnknown). Text is handed out once only. The block stays
    // valid until the next call or the container's end.
    const void *getNextItem(int32_t &size, int32_t &type);

  private:
    bool isText = false;
    std::string text;
    std::vector<std::string> files;
    int32_t count = 0;
    int32_t index = 0;
    std::string item;
};

class CFrame : public CViewContainer,
               public CDrawContextOwner,
               public platform::WindowClient,
               private platform::AccessibleContent {
  public:
    // Groups areas drawn in one idle pass into the few rectangles to show.
    static std::vector<CRect> mergeNearby(const std::vector<CRect> &areas);

    // Makes the frame's child window in parentWindow (the host's window).
    // When that fails the frame has no window (hasWindow false) and is not
    // open; nothing is left behind.
    CFrame(const CRect &size, void *parentWindow, CFrameOwner *owner, DeviceScale scale = DeviceScale());
    ~CFrame() override;

    void draw(CDrawContext *context = nullptr) override;
    void drawRect(CDrawContext *context, const CRect &updateRect) override;
    void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1) override;
    int32_t onKeyDown(CKeyCode &key) override;
    int32_t onKeyUp(CKeyCode &key) override;
    bool onWheel(CDrawContext *context, const CPoint &where, CMouseWheelAxis axis, float distance) override;
    bool onWheel(CDrawContext *context, const CPoint &where, float distance) override;
    // A wheel turn that a plug-in host hands on without a position: it goes
    // where the pointer is.
    bool onWheelAtPointer(float distance);
    // Resizes the frame (setSize).
    void setViewSize(const CRect &rect) override;
    // Whoever owns the frame; null once it has let go or is gone.
    CFrameOwner *getOwner() const;
    // False once the owner the frame was made for is gone; a frame made
    // without one has no owner to outlive.
    bool ownerAlive() const { return !ownerToken || *ownerToken; }
    bool isTypeOf(const char *name) const override;
    void update(CDrawContext *context) override;
    CView *getCurrentView() const override;
    bool advanceFocus(CView *oldFocus, bool backwards) override;

    // A frame with a window of its own is not made by this toolkit: these
    // answer false.
    virtual bool open();
    virtual bool close();
    virtual bool isOpen() const { return openFlag; }
    // Redraws what is dirty, once the host has painted the window once.
    // Walks the views only when one of them told of a change since the last
    // pass, or still changes (a meter whose shown level falls).
    virtual void idle();
    // A view's picture changed (CView::changed).
    void viewChanged() { changesPending = true; }
    // The owner's rate-limited idle work (and the host's behind it); also
    // what a drawing context runs while a gesture holds the mouse.
    void doIdleWork() override;
    virtual uint32_t getTicks() const;
    virtual int32_t getKnobMode() const;
    virtual bool setPosition(int32_t x, int32_t y);
    // The host's outer window's top-left in its parent's coordinates.
    virtual bool getPosition(int32_t &x, int32_t &y) const;
    // False when not open or unchanged; asks the host first, else resizes
    // the window and the windows above it that are not the host's frame.
    virtual bool setSize(int32_t width, int32_t height);
    // The window's top-left on the screen and the frame's size in logical
    // pixels; false when not open.
    virtual bool getSize(CRect *rect) const;
    virtual bool getSize(CRect &rect) const;
    // Changes the scale while open: asks the owner for the
    // window's new size first, and a refusal keeps the old scale (false).
    // Everything is drawn anew at the next idle. Without an owner the frame
    // resizes its window itself.
    bool setScale(DeviceScale newScale);
    DeviceScale getScale() const { return scale; }
    // Refuses a second modal view; null clears.
    virtual bool setModalView(CView *view);
    virtual CView *getModalView() const { return modalView; }
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);
    // The pointer in window coordinates.
    virtual bool getCurrentLocation(CPoint &where);
    virtual void setCursor(CCursorType type);
    virtual void setFocusView(CView *view);
    virtual CView *getFocusView() const { return focusView; }
    // Whether the focused view shows the keyboard's focus mark: once a key
    // was taken, until the next click (a fresh frame shows none).
    bool isFocusVisible() const { return focusVisible; }
    // True while a press is handled: a control holds the mouse in its loop.
    bool isMouseHeld() const { return mouseHeld; }
    virtual bool setDropActive(bool active);
    virtual bool isDropActive() const { return dropActive; }
    virtual void setOpenFlag(bool state) { openFlag = state; }
    virtual bool getOpenFlag() const { return openFlag; }
    // Every child overlapping rect (edges inclusive) becomes dirty.
    virtual void invalidate(const CRect &rect);
    // Answers the previous value.
    virtual bool setUpdatesDisabled(bool state);
    virtual bool getUpdatesDisabled() const { return updatesDisabled; }
    // Draws view at once (the whole frame when it is not a direct child).
    virtual void drawView(CView *view);

    // A new context on the frame's window; give it back with forget.
    CDrawContext *createDrawContext();
    // The frame's own window: its native handle, and the platform object.
    void *getSystemWindow() const;
    platform::Window *getWindow() const { return window; }
    bool hasWindow() const { return window != nullptr; }
    // The host's window the frame was made in; null once the window is gone.
    void *getParentWindow() const { return parentWindow; }
    COffscreenContext *getBackBuffer() const { return backBuffer; }

    // The owner lets go of the frame (its close or its end): from now on
    // nothing is drawn and no input is taken.
    void editorClosed();

    // Who describes the frame's controls to a screen reader (the editor);
    // asked only while the frame is open. Null: nobody.
    void setAccessibleContent(platform::AccessibleContent *content) { accessible = content; }
    // Tells a listening screen reader of a control's focus or new value.
    void notifyAccessible(platform::AccessibleEvent event, int32_t index);

    // Drawing context owner.
    CRect getDefaultClip() override;
    bool acceptsInput() override { return openFlag; }
    DeviceScale contentScale() const override { return scale; }

  protected:
    // What the window reports.
    void paint(const raster::Rect &area) override;
    void buttonPressed(const raster::Point &where) override;
    bool keyPressed(const platform::KeyStroke &key) override;
    void wheel(const raster::Point &where, float distance) override;
    void destroyed() override;
    void dragEnter(platform::DropData &data) override;
    void dragMove(platform::DropData &data) override;
    void dragLeave() override;
    void drop(platform::DropData &data) override;
    // The window asks the frame, which holds a count of itself for each
    // call and hands it on to the owner's content (frame_access.cpp).
    platform::AccessibleContent *accessibleContent() override;

  private:
    int32_t accessibleCount() override;
    bool accessibleItem(int32_t index, platform::AccessibleItem &item) override;
    bool setAccessibleValue(int32_t index, const char *text) override;
    bool doAccessibleAction(int32_t index) override;
    bool focusAccessible(int32_t index) override;

    // Shows what was drawn into the window's image, when context draws there.
    void present(CDrawContext *context, const CRect &area);
    void present(CDrawContext *context, const CRect *areas, size_t count);
    bool windowUsable() const { return window && !windowGone; }
    enum class DragEvent { Enter, Move, Leave, Drop };
    void deliverDrag(DragEvent event);
    void endDrag();
    void setFocusVisible(bool state);

    // A window position in logical pixels.
    CPoint logical(const raster::Point &at) const;

    CFrameOwner *owner = nullptr;
    std::shared_ptr<const bool> ownerToken;
    DeviceScale scale;
    void *parentWindow = nullptr;
    CView *modalView = nullptr;
    CView *focusView = nullptr;
    bool focusVisible = false;
    bool firstDrawPending = true;
    // A view told of a change since the last idle pass looked.
    bool changesPending = true;
    bool openFlag = true;
    bool dropActive = false;
    bool updatesDisabled = false;
    platform::Window *window = nullptr;
    bool windowGone = false;
    COffscreenContext *backBuffer = nullptr;
    // Set while a press is handled: a control may hold the mouse in a loop
    // that runs idle work, and nothing else (a wheel notch, another press, a
    // key) starts a second gesture inside its edit bracket.
    bool mouseHeld = false;
    // Set while update collects what it drew, to show each area once.
    bool presentsHeld = false;
    // The shell drag in progress over this frame's window.
    CDragContainer *drag = nullptr;
    platform::AccessibleContent *accessible = nullptr;
};

} // namespace sorrel
