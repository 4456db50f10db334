// The LED level meter: a picture of all LEDs lit and one of all LEDs unlit,
// cut at the level rounded to whole LEDs and drawn side by side. The shown
// level rises at once and falls by a fixed step per drawing.
#pragma once

#include "gui/control.h"

class COffscreenContext;

class CVuMeter : public CControl {
  public:
    // style: Horizontal (lit from the left) or Vertical (lit from the
    // bottom). offBitmap may be null.
    CVuMeter(const CRect &size, CBitmap *onBitmap, CBitmap *offBitmap, int32_t ledCount,
             int32_t style = Vertical);
    ~CVuMeter() override;

    void draw(CDrawContext *context) override;
    // Only the view's flag: oldValue holds the shown level, which falls
    // towards the value one step per drawing.
    void setDirty(bool flag = true) override;
    bool onAttached(CView *parent) override;
    bool onRemoved(CView *parent) override;
    bool isTypeOf(const char *name) const override;

    virtual void setDecreaseStep(float step) { decreaseStep = step; }
    float getDecreaseStep() const { return decreaseStep; }
    void setUseOffscreen(bool flag) { useOffscreen = flag; }
    bool getUseOffscreen() const { return useOffscreen; }
    int32_t getLedCount() const { return ledCount; }
    int32_t getStyle() const { return style; }

  protected:
    void makeOffscreen();
    void releaseOffscreen();

    CBitmap *onBitmap;
    CBitmap *offBitmap;
    COffscreenContext *offscreen = nullptr;
    int32_t ledCount;
    int32_t style;
    float decreaseStep = 0.1f;
    bool useOffscreen = true;
    CRect onRect;
    CRect offRect;
};
