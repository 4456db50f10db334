// The editor's fader: a slider with the toolkit's whole input behaviour
// (free-click drag, Shift for fine steps, Ctrl+click for the default, wheel
// and arrow keys) that draws itself without pictures: a grey panel with a
// black groove, a red bar growing up or down from the middle (0.5, the 0 dB
// of a gain), nine scale ticks at the left edge and a flat grey handle at the
// bar's free end.
#pragma once

#include "gui/controls/slider.h"

namespace sorrel {

class BandSlider : public CSlider {
  public:
    // smoothEdges runs an edge-softening pass at the end of every drawing
    // (the editor leaves it off).
    BandSlider(const CRect &size, ControlListener *listener, int32_t tag, bool smoothEdges);

    void draw(CDrawContext *context) override;

    // How far the handle reaches above the bar's end; it reaches twice as
    // far below it.
    static constexpr int32_t kHandleHalfHeight = 3;

  private:
    bool smoothEdges;
    // Set at every drawing, in the context's coordinates.
    CColor barColor;
    CRect grooveRect, barRect, scaleRect, handleRect, handleCoreRect;
    int32_t handleHalfHeight = kHandleHalfHeight;
};

// Softens the edges of what was drawn in rect (in the context's coordinates,
// both ends included): every pixel that differs from one of its four
// neighbours becomes the average of itself and them, row by row, so that
// pixels written earlier count as neighbours of later ones. Neighbours
// beyond rect's last column and row, or before its first, are the pixel
// itself. Only pixels inside the context's clip change. At a scale above 1
// the pass runs over the device pixels of rect's blocks.
void softenEdges(CDrawContext *context, const CRect &rect);

} // namespace sorrel
