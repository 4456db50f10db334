// The exported entry: the one function a host looks up after loading the
// library, under all three names hosts look for.
#include "effect/symbol_export.h"
#include "vst2/audioeffect.h"

extern "C" {

SORREL_EXPORT AEffect *VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster)
        return nullptr;
    try {
        // A host that does not answer the version query gets no effect.
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        AudioEffect *effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

SORREL_EXPORT AEffect *VSTCALLBACK MAIN(audioMasterCallback audioMaster) {
    return VSTPluginMain(audioMaster);
}

#if !defined(_WIN32) && !defined(SORREL_ENTRY_WITHOUT_MAIN)
// Older hosts look for "main". On Windows the .def file names it; here an
// alias of the same function carries the name.
SORREL_EXPORT AEffect *sorrelMain(audioMasterCallback audioMaster) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif
}
