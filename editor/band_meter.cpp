#include "editor/band_meter.h"

namespace sorrel {

BandMeter::BandMeter(const CRect &viewSize, CBitmap *on, CBitmap *off, int32_t leds)
    : CVuMeter(viewSize, on, off, leds, Vertical) {}

void BandMeter::update(CDrawContext *context) {
    if (!context) {
        CVuMeter::update(context);
        return;
    }
    if (isDirty())
        draw(context);
}

} // namespace sorrel
