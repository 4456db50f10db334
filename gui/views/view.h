// The base of everything that occupies a rectangle in the editor: its size,
// where it takes the mouse, its place in the tree (frame and parent view), a
// dirty flag, an optional background picture, and the operations through
// which the frame delivers drawing, mouse, keys, wheel, drag and drop and
// focus.
#pragma once

#include "gui/drawing/drawcontext.h"
#include "gui/drawing/geometry.h"
#include "gui/drawing/refcount.h"

#include <cstdint>
#include <vector>

namespace sorrel {

class CBitmap;
class CDragContainer;
class CFrame;

// A key as the host hands it over (the layout of the plug-in interface's key
// record; the editor base converts). The toolkit keeps its own copy so that
// views need nothing from the host interface.
struct CKeyCode {
    int32_t character = 0;
    uint8_t virt = 0;     // virtual key, CVirtualKey
    uint8_t modifier = 0; // CKeyModifier bits
};

// The virtual keys the toolkit reacts to, as the host numbers them.
enum CVirtualKey : uint8_t {
    VirtualKeyBack = 1,
    VirtualKeyTab = 2,
    VirtualKeyReturn = 4,
    VirtualKeyEscape = 6,
    VirtualKeySpace = 7,
    VirtualKeyEnd = 9,
    VirtualKeyHome = 10,
    VirtualKeyLeft = 11,
    VirtualKeyUp = 12,
    VirtualKeyRight = 13,
    VirtualKeyDown = 14,
    VirtualKeyPageUp = 15,
    VirtualKeyPageDown = 16,
    VirtualKeyEnter = 19, // the keypad's
    VirtualKeyDelete = 22,
    VirtualKeyNumpad0 = 24, // ... VirtualKeyNumpad0 + 9
    VirtualKeySubtract = 37,
    VirtualKeyDecimal = 38,
};
enum CKeyModifier : uint8_t { ModifierShift = 1 };

enum CMouseWheelAxis : int32_t { WheelAxisX = 0, WheelAxisY = 1 };

// Asks a view whether it is a container: only containers answer 1. Compared
// by address, never by text.
extern const char kMsgCheckIfViewContainer[];

class CView : public CReferenceCounter {
  public:
    // Size and mouseable area both start as size.
    explicit CView(const CRect &size);
    ~CView() override;

    virtual void draw(CDrawContext *context);
    virtual void drawRect(CDrawContext *context, const CRect &updateRect);
    // Edges inclusive, as overlaps.
    virtual bool intersectsUpdate(const CRect &rect) const;
    // buttons -1: read them from the context.
    virtual void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1);

    virtual void setBackground(CBitmap *background);
    virtual CBitmap *getBackground() const { return background; }

    // -1: not handled.
    virtual int32_t onKeyDown(CKeyCode &key);
    virtual int32_t onKeyUp(CKeyCode &key);
    // One notch away from the user is +1. The axis form forwards to the
    // form without it.
    virtual bool onWheel(CDrawContext *context, const CPoint &where, CMouseWheelAxis axis, float distance);
    virtual bool onWheel(CDrawContext *context, const CPoint &where, float distance);

    virtual bool onDrop(CDrawContext *context, CDragContainer *drag, const CPoint &where);
    virtual void onDragEnter(CDrawContext *context, CDragContainer *drag, const CPoint &where);
    virtual void onDragLeave(CDrawContext *context, CDragContainer *drag, const CPoint &where);
    virtual void onDragMove(CDrawContext *context, CDragContainer *drag, const CPoint &where);

    virtual void loseFocus(CDrawContext *context = nullptr);
    virtual void takeFocus(CDrawContext *context = nullptr);

    virtual bool isDirty() const { return dirty; }
    // true also tells the frame (see changed).
    virtual void setDirty(bool state = true);
    // What the next update draws, in the parent's coordinates: the whole
    // view while it is dirty, else nothing. A view that redraws only what
    // changed answers less, and the frame shows only that.
    virtual CRect getUpdateArea() const { return isDirty() ? size : CRect(); }

    virtual void setMouseEnabled(bool state = true) { mouseEnabled = state; }
    virtual bool getMouseEnabled() const { return mouseEnabled; }
    virtual void setMouseableArea(const CRect &rect) { mouseableArea = rect; }
    virtual CRect &getMouseableArea(CRect &rect) const;
    CRect getMouseableArea() const { return mouseableArea; }
    // All four edges inclusive; the buttons do not matter.
    virtual bool hitTest(const CPoint &where, int32_t buttons = -1);

    virtual void setTransparency(bool state) { transparencyEnabled = state; }
    virtual bool getTransparency() const { return transparencyEnabled; }

    // Marks the view dirty; the mouseable area stays as it was.
    virtual void setViewSize(const CRect &rect);
    virtual CRect &getViewSize(CRect &rect) const;
    const CRect &getViewSize() const { return size; }

    virtual bool onRemoved(CView *parent);
    virtual bool onAttached(CView *parent);

    // The pointer in the coordinates the view's size is given in.
    virtual CPoint &getMouseLocation(CDrawContext *context, CPoint &point);
    virtual CPoint &frameToLocal(CPoint &point) const;
    virtual CPoint &localToFrame(CPoint &point) const;

    virtual int32_t notify(CView *sender, const char *message);
    // Rectangle in the coordinates of the view's parent.
    virtual void redrawRect(CDrawContext *context, const CRect &rect);

    virtual bool getWantsFocus() const { return wantsFocus; }
    virtual void setWantsFocus(bool state) { wantsFocus = state; }

    virtual bool isTypeOf(const char *name) const;
    // Redraws the view when it is dirty: into context, or at once through
    // the frame without one.
    virtual void update(CDrawContext *context);

    CView *getParentView() const { return parentView; }
    CFrame *getFrame() const { return parentFrame; }
    // Containers set these when they take a view in.
    void setParentView(CView *parent) { parentView = parent; }
    void setParentFrame(CFrame *frame) { parentFrame = frame; }

    // Draws the view now through the frame; nothing without a frame.
    void redraw();
    // Tells the frame that the view's picture changed, so that its next
    // idle pass looks for dirty views; a pass with nothing told looks at
    // none. Whatever makes a view dirty calls this: setDirty(true), a
    // control's new value.
    void changed();

    // Tagged data. An existing entry is overwritten only by data that is
    // not larger than it (its size stays); a new id gets an entry of exactly
    // size bytes.
    bool setAttribute(int32_t id, int32_t size, const void *data);
    bool getAttributeSize(int32_t id, int32_t &outSize) const;
    // Fails for an unknown id or a buffer smaller than the stored size.
    bool getAttribute(int32_t id, int32_t bufferSize, void *buffer, int32_t &outSize) const;

  protected:
    CRect size;
    CRect mouseableArea;
    CFrame *parentFrame = nullptr;
    CView *parentView = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool transparencyEnabled = false;
    bool wantsFocus = false;
    CBitmap *background = nullptr;

  private:
    struct Attribute {
        int32_t id;
        std::vector<uint8_t> data;
    };
    std::vector<Attribute> attributes;
};

// Moves a context's origin (offset and screen origin together) by a point
// for as long as it lives: what a container does while it hands the context
// to its children.
class CContextShift {
  public:
    CContextShift(CDrawContext *context, const CPoint &by);
    ~CContextShift();
    CContextShift(const CContextShift &) = delete;
    CContextShift &operator=(const CContextShift &) = delete;

  private:
    CDrawContext *context;
    CPoint by;
};

} // namespace sorrel
