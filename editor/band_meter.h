// The LED meters under the band faders: the toolkit's level meter, redrawn
// by the idle pass straight into the window instead of through the frame.
// Up to 124 of them change at every idle; going through the frame would
// redraw the background under each and walk all of the frame's views for
// each. That is not needed here: a meter covers its rectangle completely
// (it composes both LED strips in its own surface and copies that in one
// block) and no other view overlaps it.
#pragma once

#include "gui/vumeter.h"

namespace sorrel {

class BandMeter : public CVuMeter {
  public:
    BandMeter(const CRect &size, CBitmap *onBitmap, CBitmap *offBitmap, int32_t ledCount);

    void update(CDrawContext *context) override;
};

} // namespace sorrel
