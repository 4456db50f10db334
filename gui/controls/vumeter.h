// The LED level meter: a picture of all LEDs lit and one of all LEDs unlit,
// cut at the level rounded to whole LEDs and drawn side by side. The shown
// level rises at once and falls by a fixed step per drawing.
#pragma once

#include "gui/controls/control.h"

namespace sorrel {

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

    // The shown level after one more drawing: the value (held to the
    // range) when it is higher, else one step lower than now.
    float nextShown() const;
    // Where a shown level cuts the pictures, in pixels from the top
    // (vertical: unlit above) or from the left (horizontal: lit before),
    // held to the view's extent along its axis.
    int32_t cutFor(float shown) const;
    // The rows (vertical) or columns (horizontal) between two cuts, in the
    // coordinates of the view's size.
    CRect stripBetween(int32_t cutA, int32_t cutB) const;
    // Draws only the LEDs that change when the cut moves from drawnCut to
    // cut, into context; the rest of the meter is left as drawn.
    void drawChange(CDrawContext *context, int32_t cut);

    CBitmap *onBitmap;
    CBitmap *offBitmap;
    COffscreenContext *offscreen = nullptr;
    int32_t ledCount;
    int32_t style;
    float decreaseStep = 0.1f;
    bool useOffscreen = true;
    CRect onRect;
    CRect offRect;
    // The cut of the picture last drawn in full or in part; -1 before the
    // first drawing and after the surface was made anew.
    int32_t drawnCut = -1;
};

} // namespace sorrel
