// The one place that knows the concrete effect class: the exported entry asks
// it for a new effect.
#include "dsp/processor.h"
#include "effect/equalizer_effect.h"
#include "gui/platform/platform.h"

namespace sorrel {

AudioEffect *createEqualizerEffect(audioMasterCallback host, bool (*processorCheck)()) {
    try {
        if (processorCheck != nullptr && !processorCheck()) {
            platform::showMessageBox("Sorrel", "Incorrect CPU type, must be at least Pentium with FPU");
            return nullptr;
        }
        return new EqualizerEffect(host);
    } catch (...) {
        return nullptr;
    }
}

} // namespace sorrel

AudioEffect *createEffectInstance(audioMasterCallback audioMaster) {
    return sorrel::createEqualizerEffect(audioMaster, &detectProcessor);
}
