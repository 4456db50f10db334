// The DSP binary's one exported symbol, lv2_descriptor, and the C callbacks
// that forward to Lv2Equalizer. Nothing here throws into the host.
#include "lv2/lv2_plugin.h"

#include <lv2/core/lv2.h>

#include <cstring>
#include <new>

namespace {

using sorrel::lv2::Lv2Equalizer;

Lv2Equalizer *self(LV2_Handle handle) { return static_cast<Lv2Equalizer *>(handle); }

LV2_Handle instantiate(const LV2_Descriptor *, double rate, const char *, const LV2_Feature *const *features) {
    if (!(rate > 0))
        return nullptr;
    try {
        return new Lv2Equalizer(rate, features);
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle h, uint32_t port, void *data) { self(h)->connectPort(port, data); }
void activate(LV2_Handle h) { self(h)->activate(); }
void run(LV2_Handle h, uint32_t frames) { self(h)->run(frames); }
void deactivate(LV2_Handle) {}
void cleanup(LV2_Handle h) { delete self(h); }

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature *const *) {
    return self(h)->save(store, handle);
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                         const LV2_Feature *const *) {
    return self(h)->restore(retrieve, handle);
}

const LV2_State_Interface kState = {save, restore};

const void *extensionData(const char *uri) {
    if (uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0)
        return &kState;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {sorrel::lv2::kPluginUri, instantiate, connectPort, activate, run,
                                    deactivate,              cleanup,     extensionData};

} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor *lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
