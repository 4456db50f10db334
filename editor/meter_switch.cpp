#include "editor/meter_switch.h"

#include "editor/level_color.h"
#include "gui/drawing/drawcontext.h"

namespace sorrel {

MeterSwitch::MeterSwitch(const CRect &viewSize, ControlListener *inListener, int32_t inTag)
    : COnOffButton(viewSize, inListener, inTag, nullptr, NotifyAfterIdle) {}

void MeterSwitch::draw(CDrawContext *context) {
    if (!context)
        return;
    CRect lamp = size;
    context->setFillColor(PlainBlack);
    context->fillRect(lamp);
    lamp.inset(1, 1);
    context->setFillColor(levelColor(value));
    context->fillRect(lamp);
    setDirty(false);
}

} // namespace sorrel
