// The linear fader: a handle that travels along one axis of the control over
// an optional background picture; value 0..1 maps linearly onto the travel.
// The user drags it (with Shift for fine steps), Ctrl-clicks it back to its
// default, turns the wheel or presses the arrow keys.
#pragma once

#include "gui/controls/control.h"

namespace sorrel {

class COffscreenContext;

class CSlider : public CControl {
  public:
    // minPosition and maxPosition: where the travel starts and ends along
    // the axis, in the coordinates of size.
    CSlider(const CRect &size, ControlListener *listener, int32_t tag, int32_t minPosition,
            int32_t maxPosition, CBitmap *handle, CBitmap *background, const CPoint &offset, int32_t style);
    // handleOffset: where the travel starts inside the control; range: the
    // length of the travel including the handle.
    CSlider(const CRect &size, ControlListener *listener, int32_t tag, const CPoint &handleOffset,
            int32_t range, CBitmap *handle, CBitmap *background, const CPoint &offset, int32_t style);
    ~CSlider() override;

    void draw(CDrawContext *context) override;
    void mouse(CDrawContext *context, CPoint &where, int32_t buttons = -1) override;
    int32_t onKeyDown(CKeyCode &key) override;
    using CControl::onWheel;
    bool onWheel(CDrawContext *context, const CPoint &where, float distance) override;
    bool onAttached(CView *parent) override;
    bool onRemoved(CView *parent) override;
    bool isTypeOf(const char *name) const override;

    virtual void setDrawTransparentHandle(bool flag) { drawTransparentHandle = flag; }
    virtual void setFreeClick(bool flag) { freeClick = flag; }
    virtual bool getFreeClick() const { return freeClick; }
    // Also fixes the two clamps of the handle's drawn position; nothing else
    // recomputes them.
    virtual void setHandleOffset(const CPoint &offset);
    virtual void setHandle(CBitmap *bitmap);
    virtual CBitmap *getHandle() const { return handle; }
    virtual void setZoomFactor(float factor) { zoomFactor = factor; }
    virtual float getZoomFactor() const { return zoomFactor; }

    int32_t getStyle() const { return style; }
    CPoint getHandleOffset() const { return handleOffset; }
    int32_t getRangeHandle() const { return rangeHandle; }
    int32_t getMinPos() const { return minPos; }

  protected:
    bool horizontal() const { return (style & Horizontal) != 0; }
    // Where the handle's picture goes at the current value, in the control's
    // own coordinates: clamped as drawn, or unclamped as the mouse grips it.
    CRect handleRect(bool clamped) const;

    CPoint offset;
    CPoint handleOffset;
    CBitmap *handle = nullptr;
    COffscreenContext *offscreen = nullptr;
    int32_t style;
    int32_t handleWidth = 1;
    int32_t handleHeight = 1;
    int32_t rangeHandle = 0;
    int32_t minHandlePos = 0;
    int32_t maxHandlePos = 0;
    int32_t minPos = 0;
    int32_t controlWidth;
    int32_t controlHeight;
    float zoomFactor = 10.f;
    bool drawTransparentHandle = true;
    bool freeClick = true;

  private:
    void init(CBitmap *handleBitmap);
    void releaseOffscreen();
};

// Sliders whose orientation is forced, whatever the style says.
class CVerticalSlider : public CSlider {
  public:
    CVerticalSlider(const CRect &size, ControlListener *listener, int32_t tag, int32_t minPosition,
                    int32_t maxPosition, CBitmap *handle, CBitmap *background, const CPoint &offset,
                    int32_t style = MinAtBottom);
    CVerticalSlider(const CRect &size, ControlListener *listener, int32_t tag, const CPoint &handleOffset,
                    int32_t range, CBitmap *handle, CBitmap *background, const CPoint &offset,
                    int32_t style = MinAtBottom);
};

class CHorizontalSlider : public CSlider {
  public:
    CHorizontalSlider(const CRect &size, ControlListener *listener, int32_t tag, int32_t minPosition,
                      int32_t maxPosition, CBitmap *handle, CBitmap *background, const CPoint &offset,
                      int32_t style = MinAtLeft);
    CHorizontalSlider(const CRect &size, ControlListener *listener, int32_t tag, const CPoint &handleOffset,
                      int32_t range, CBitmap *handle, CBitmap *background, const CPoint &offset,
                      int32_t style = MinAtLeft);
};

} // namespace sorrel
