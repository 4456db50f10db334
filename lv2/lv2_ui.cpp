#include "lv2/lv2_ui.h"

#include "gui/views/frame.h"
#include "gui/platform/platform.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>

namespace sorrel::lv2 {

Lv2EqualizerUi::Lv2EqualizerUi(LV2UI_Write_Function writeFunction, LV2UI_Controller hostController,
                               const LV2_Feature *const *features)
    : write(writeFunction), controller(hostController), editor(this, this) {
    for (int32_t i = 0; i < kNumParameters; ++i)
        values[i] = kParameters[i].defaultValue;
    parent = const_cast<void *>(findFeature(features, LV2_UI__parent));
    resize = static_cast<const LV2UI_Resize *>(findFeature(features, LV2_UI__resize));
    touch = static_cast<const LV2UI_Touch *>(findFeature(features, LV2_UI__touch));
    const auto *map = static_cast<const LV2_URID_Map *>(findFeature(features, LV2_URID__map));
    const auto *options = static_cast<const LV2_Options_Option *>(findFeature(features, LV2_OPTIONS__options));
    if (map != nullptr && map->map != nullptr) {
        scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
        floatType = map->map(map->handle, LV2_ATOM__Float);
    }
    for (const LV2_Options_Option *o = options; o != nullptr && (o->key != 0 || o->value != nullptr); ++o)
        if (const float s = scaleOption(*o); s > 0.f)
            scale = s;
    // The host's factor decides the editor's scale over the desktop's and
    // the user's; without one the editor chooses as everywhere else.
    if (scale != 1.f)
        editor.setHostScale(scale);
}

float Lv2EqualizerUi::scaleOption(const LV2_Options_Option &o) const {
    if (scaleKey == 0 || o.key != scaleKey || o.type != floatType || o.size != sizeof(float) || o.value == nullptr)
        return 0.f;
    float s;
    std::memcpy(&s, o.value, sizeof s);
    return std::isfinite(s) && s > 0.f ? s : 0.f;
}

uint32_t Lv2EqualizerUi::setOptions(const LV2_Options_Option *options) {
    uint32_t status = LV2_OPTIONS_SUCCESS;
    for (const LV2_Options_Option *o = options; o != nullptr && (o->key != 0 || o->value != nullptr); ++o) {
        if (scaleKey == 0 || o->key != scaleKey) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
            continue;
        }
        const float s = scaleOption(*o);
        if (s > 0.f && editor.setHostScale(s))
            scale = s;
        else
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
    }
    return status;
}

Lv2EqualizerUi::~Lv2EqualizerUi() {
    *alive = false;
    editor.close();
}

bool Lv2EqualizerUi::open() {
    if (parent == nullptr || !editor.open(parent, this))
        return false;
    const CRect size = editor.getRect();
    if (resize != nullptr && resize->ui_resize != nullptr)
        resize->ui_resize(resize->handle, static_cast<int>(size.width()), static_cast<int>(size.height()));
    return true;
}

LV2UI_Widget Lv2EqualizerUi::widget() const {
    CFrame *frame = editor.getFrame();
    return frame != nullptr ? frame->getSystemWindow() : nullptr;
}

void Lv2EqualizerUi::portEvent(uint32_t port, uint32_t size, uint32_t format, const void *buffer) {
    if (format != 0 || size != sizeof(float) || buffer == nullptr)
        return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (std::isnan(value))
        return;
    if (portParameter(port) >= 0) {
        const int32_t index = portParameter(port);
        values[index] = fromReadable(index, value);
    } else if (isMeterPort(port)) {
        levels[port - kFirstMeterPort] = value;
    }
}

int Lv2EqualizerUi::idle() {
    if (inIdleWork)
        return 0;
    pump();
    CFrame *frame = editor.getFrame();
    return frame != nullptr && frame->hasWindow() ? 0 : 1;
}

void Lv2EqualizerUi::beginEdit(int32_t index) {
    if (touch != nullptr && touch->touch != nullptr && index >= 0 && index < kNumParameters)
        touch->touch(touch->handle, parameterPort(index), true);
}

void Lv2EqualizerUi::endEdit(int32_t index) {
    if (touch != nullptr && touch->touch != nullptr && index >= 0 && index < kNumParameters)
        touch->touch(touch->handle, parameterPort(index), false);
}

bool Lv2EqualizerUi::requestSize(int32_t width, int32_t height) {
    return resize != nullptr && resize->ui_resize != nullptr && resize->ui_resize(resize->handle, width, height) == 0;
}

float Lv2EqualizerUi::parameterValue(int32_t index) {
    return index >= 0 && index < kNumParameters ? values[index] : 0.f;
}

void Lv2EqualizerUi::userValue(int32_t index, float value) {
    if (index < 0 || index >= kNumParameters || write == nullptr)
        return;
    // The port carries the readable value; the plug-in turns it back the
    // same way, so both sides hold the same normalised value.
    const float port = toReadable(index, value);
    values[index] = fromReadable(index, port);
    write(controller, parameterPort(index), sizeof port, 0, &port);
}

float Lv2EqualizerUi::preGainLevel(int channel, int band) const {
    if (channel < 0 || channel > 1 || band < 0 || band >= kNumBandParameters)
        return 0.f;
    return levels[meterPort(0, channel, band) - kFirstMeterPort];
}

float Lv2EqualizerUi::postGainLevel(int channel, int band) const {
    if (channel < 0 || channel > 1 || band < 0 || band >= kNumBandParameters)
        return 0.f;
    return levels[meterPort(1, channel, band) - kFirstMeterPort];
}

} // namespace sorrel::lv2
