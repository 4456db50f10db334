// A view that owns an ordered list of child views: it paints a background
// (picture or color), draws its children on top of it in their order,
// composing in an off-screen context of its own unless told otherwise, and
// routes events to the child under the pointer, the last added first.
#pragma once

#include "gui/drawing/color.h"
#include "gui/views/view.h"

#include <vector>

namespace sorrel {

class COffscreenContext;

enum CViewContainerMode : int32_t { RedrawAll = 0, RedrawDirtyOnly = 1 };

class CViewContainer : public CView {
  public:
    CViewContainer(const CRect &size, CFrame *parent, CBitmap *background = nullptr);
    // Removes and releases every child.
    ~CViewContainer() override;

    void draw(CDrawContext *context) override;
    void drawRect(CDrawContext *context, const CRect &updateRect) override;
    void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1) override;
    int32_t onKeyDown(CKeyCode &key) override;
    int32_t onKeyUp(CKeyCode &key) override;
    bool onWheel(CDrawContext *context, const CPoint &where, CMouseWheelAxis axis, float distance) override;
    bool onWheel(CDrawContext *context, const CPoint &where, float distance) override;
    bool onDrop(CDrawContext *context, CDragContainer *drag, const CPoint &where) override;
    void onDragEnter(CDrawContext *context, CDragContainer *drag, const CPoint &where) override;
    void onDragLeave(CDrawContext *context, CDragContainer *drag, const CPoint &where) override;
    void onDragMove(CDrawContext *context, CDragContainer *drag, const CPoint &where) override;
    void loseFocus(CDrawContext *context = nullptr) override;
    void takeFocus(CDrawContext *context = nullptr) override;
    // Its own flag, or a dirty child with a visible part inside the
    // container.
    bool isDirty() const override;
    void setViewSize(const CRect &rect) override;
    bool onRemoved(CView *parent) override;
    bool onAttached(CView *parent) override;
    CPoint &frameToLocal(CPoint &point) const override;
    CPoint &localToFrame(CPoint &point) const override;
    int32_t notify(CView *sender, const char *message) override;
    // Rectangle in the container's own coordinates.
    void redrawRect(CDrawContext *context, const CRect &rect) override;
    bool isTypeOf(const char *name) const override;
    void update(CDrawContext *context) override;

    // Sets the view's mouse flag and mouseable area, then adds it.
    virtual void addView(CView *view, const CRect &mouseableArea, bool mouseEnabled = true);
    // Appends; the container holds one count of the view from now on.
    virtual void addView(CView *view);
    // withForget also gives back the creator's count, so that a view added
    // once and not remembered elsewhere is destroyed.
    virtual void removeView(CView *view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    virtual bool isChild(CView *view) const;
    virtual int32_t getViewCount() const;
    // Null past the end.
    virtual CView *getView(int32_t index) const;

    virtual void setBackgroundColor(const CColor &color);
    virtual CColor getBackgroundColor() const { return backgroundColor; }
    virtual void setBackgroundOffset(const CPoint &offset) { backgroundOffset = offset; }
    virtual const CPoint &getBackgroundOffset() const { return backgroundOffset; }
    // A color fill covers the rectangle's interior only: its top row and
    // left column keep what was there.
    virtual void drawBackgroundRect(CDrawContext *context, const CRect &rect);

    virtual void setMode(int32_t mode) { updateMode = mode; }
    virtual int32_t getMode() const { return updateMode; }
    virtual void setDrawInOffscreen(bool state);
    virtual bool getDrawInOffscreen() const { return drawInOffscreen; }

    // The child under the frame's pointer (edges inclusive, last first).
    virtual CView *getCurrentView() const;
    // The child under where (in the container's parent's coordinates);
    // deep descends into child containers.
    virtual CView *getViewAt(const CPoint &where, bool deep = false) const;
    // Gives the frame's focus to the next child that wants it after
    // oldFocus (from the start without one), descending into containers.
    virtual bool advanceFocus(CView *oldFocus, bool backwards);

    COffscreenContext *getOffscreen() const { return offscreen; }

  protected:
    int32_t offerKey(CKeyCode &key, int32_t (CView::*handler)(CKeyCode &));
    // Builds the off-screen context when it is missing and wanted.
    void ensureOffscreen();
    void releaseOffscreen();
    // The child that contains the point, in the container's own
    // coordinates, searching from the last.
    CView *childAt(const CPoint &local) const;

    // Children in insertion order; each holds one count.
    std::vector<CView *> children;
    int32_t updateMode = RedrawDirtyOnly;
    COffscreenContext *offscreen = nullptr;
    CColor backgroundColor = BlackColor;
    CPoint backgroundOffset;
    bool drawInOffscreen = true;
    CView *currentDragView = nullptr;
};

} // namespace sorrel
