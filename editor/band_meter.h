// The LED meters under the band faders: the toolkit's level meter, redrawn
// by the idle pass straight into the window instead of through the frame.
// Up to 124 of them change at every idle; going through the frame would
// redraw the background under each and walk all of the frame's views for
// each. That is not needed here: a meter covers its rectangle completely
// (it composes both LED strips in its own surface and copies that in one
// block) and no other view overlaps it.
//
// At idle a meter draws only the LEDs that turned on or off since it was
// last drawn, and tells the frame that only they need showing; a meter
// whose LEDs stay as they are draws and shows nothing. Its shown level
// still falls one step per idle pass, as when it was drawn whole.
//
// Between whole scales (1.25, 1.5, ...) the meters of a row lie at other
// phases of the device grid than the picture drawn for the scale, so a
// meter draws its LEDs from strips made for its own rows, from the 1x
// pictures: each LED's colored row as high and on the device rows that a
// one-pixel line on it has, the black row under it filling the rest.
#pragma once

#include "gui/controls/vumeter.h"

namespace sorrel {

class BandMeter : public CVuMeter {
  public:
    BandMeter(const CRect &size, CBitmap *onBitmap, CBitmap *offBitmap, int32_t ledCount);

    void draw(CDrawContext *context) override;
    void update(CDrawContext *context) override;
    CRect getUpdateArea() const override;

  private:
    // Drawn whole at the next update: never drawn, marked dirty by the
    // frame, or composed with a keyed color (the strip alone would not
    // show what lies under it).
    bool needsWholeDrawing() const;
    // Logical rows first..last-1 of the view as lit (below cut) or unlit.
    void drawRows(CDrawContext *context, int32_t first, int32_t last, int32_t cut);
    void makeRows(DeviceScale scale);

    // The lit and unlit strips on this meter's device rows at rowsScale.
    DeviceScale rowsScale;
    raster::Surface litRows, unlitRows;
};

} // namespace sorrel
