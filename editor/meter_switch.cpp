#include "editor/meter_switch.h"

#include "editor/level_color.h"
#include "gui/drawing/drawcontext.h"

namespace sorrel {

MeterSwitch::MeterSwitch(const CRect &viewSize, ControlListener *inListener, int32_t inTag)
    : COnOffButton(viewSize, inListener, inTag, nullptr, NotifyAfterIdle) {
    setWantsFocus(true);
}

void MeterSwitch::draw(CDrawContext *context) {
    if (!context)
        return;
    CRect lamp = size;
    context->setFillColor(focusMarked() ? WhiteColor : PlainBlack);
    context->fillRect(lamp);
    lamp.inset(1, 1);
    context->setFillColor(levelColor(value));
    context->fillRect(lamp);
    setDirty(false);
}

} // namespace sorrel

namespace sorrel {

int32_t MeterSwitch::onKeyDown(CKeyCode &key) {
    if (key.virt != VirtualKeySpace || !getMouseEnabled())
        return -1;
    applyValue(value != 0.f ? 0.f : 1.f);
    return 1;
}

void MeterSwitch::applyValue(float newValue) {
    value = newValue != 0.f ? 1.f : 0.f;
    reportEdit(nullptr);
}

} // namespace sorrel
