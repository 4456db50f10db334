// The UI binary's one exported symbol, lv2ui_descriptor, and the C
// callbacks that forward to Lv2EqualizerUi. Nothing here throws into the
// host.
#include "lv2/lv2_ui.h"

#include <cstring>

namespace {

using sorrel::lv2::Lv2EqualizerUi;

LV2UI_Handle instantiate(const LV2UI_Descriptor *, const char *pluginUri, const char *, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget *widget, const LV2_Feature *const *features) {
    if (widget == nullptr || pluginUri == nullptr || std::strcmp(pluginUri, sorrel::lv2::kPluginUri) != 0)
        return nullptr;
    try {
        auto *ui = new Lv2EqualizerUi(write, controller, features);
        if (!ui->open()) {
            delete ui;
            return nullptr;
        }
        *widget = ui->widget();
        return ui;
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) { delete static_cast<Lv2EqualizerUi *>(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void *buffer) {
    static_cast<Lv2EqualizerUi *>(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) { return static_cast<Lv2EqualizerUi *>(handle)->idle(); }

const LV2UI_Idle_Interface kIdle = {idle};

uint32_t getOptions(LV2_Handle, LV2_Options_Option *) { return LV2_OPTIONS_ERR_UNKNOWN; }

uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option *options) {
    return static_cast<Lv2EqualizerUi *>(handle)->setOptions(options);
}

// The host tells a new ui:scaleFactor while the editor is open.
const LV2_Options_Interface kOptions = {getOptions, setOptions};

const void *extensionData(const char *uri) {
    if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &kIdle;
    if (uri != nullptr && std::strcmp(uri, LV2_OPTIONS__interface) == 0)
        return &kOptions;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {sorrel::lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor *lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
