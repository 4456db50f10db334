// The module's exported entry: the factory a host asks for after loading the
// library, and the load and unload calls the format names per platform.
// Nothing here throws into the host.
#include "vst3/vst3_plugin.h"
#include "vst3/vst3_text.h"

#include "dsp/processor.h"
#include "effect/symbol_export.h"

#include <cstring>
#include <new>

namespace sorrel::vst3 {

namespace {

// Copies text into a fixed field, cut and terminated.
template <size_t size> void copyField(char (&field)[size], const char *text) {
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}

// The category of an audio processor's class.
constexpr const char *kAudioEffectClass = "Audio Module Class";

// What both class descriptions start with; kInvalidArgument for a class
// the module does not have.
template <typename Info> tresult describeClass(int32_t index, Info *info) {
    if (info == nullptr || index != 0)
        return kInvalidArgument;
    kSorrelClassId.copyTo(info->cid);
    info->cardinality = PClassInfo::kManyInstances;
    copyField(info->category, kAudioEffectClass);
    copyField(info->name, EqualizerEffect::kEffectName);
    return kResultOk;
}

// One factory for the module, never freed: its counts change nothing.
class Factory final : public IPluginFactory2 {
  public:
    tresult SORREL_VST3_CALL queryInterface(const TUID interfaceId, void **obj) override {
        if (obj == nullptr)
            return kInvalidArgument;
        if (FUnknown::iid.matches(interfaceId) || IPluginFactory::iid.matches(interfaceId) ||
            IPluginFactory2::iid.matches(interfaceId)) {
            *obj = static_cast<IPluginFactory2 *>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32_t SORREL_VST3_CALL addRef() override { return 1; }
    uint32_t SORREL_VST3_CALL release() override { return 1; }

    tresult SORREL_VST3_CALL getFactoryInfo(PFactoryInfo *info) override {
        if (info == nullptr)
            return kInvalidArgument;
        copyField(info->vendor, EqualizerEffect::kVendor);
        copyField(info->url, kHomePage);
        copyField(info->email, "");
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }

    int32_t SORREL_VST3_CALL countClasses() override { return 1; }

    tresult SORREL_VST3_CALL getClassInfo(int32_t index, PClassInfo *info) override {
        return describeClass(index, info);
    }

    tresult SORREL_VST3_CALL getClassInfo2(int32_t index, PClassInfo2 *info) override {
        if (const tresult result = describeClass(index, info); result != kResultOk)
            return result;
        // Not distributable: controller and processor are one object.
        info->classFlags = 0;
        copyField(info->subCategories, "Fx|EQ");
        copyField(info->vendor, EqualizerEffect::kVendor);
        copyField(info->version, SORREL_VERSION);
        copyField(info->sdkVersion, "VST 3.7.0");
        return kResultOk;
    }

    tresult SORREL_VST3_CALL createInstance(FIDString cid, FIDString interfaceId, void **obj) override {
        if (obj == nullptr)
            return kInvalidArgument;
        *obj = nullptr;
        if (!kSorrelClassId.matches(cid) || interfaceId == nullptr)
            return kNoInterface;
        // A processor the build's kernels cannot run on is no plug-in.
        if (!detectProcessor())
            return kInternalError;
        Vst3Equalizer *plugin = nullptr;
        try {
            plugin = new Vst3Equalizer();
        } catch (...) {
            return kOutOfMemory;
        }
        const tresult result = plugin->queryInterface(interfaceId, obj);
        plugin->release();
        return result;
    }

  private:
    static constexpr const char *kHomePage = "https://sorrel.quillmark.example";
};

Factory factory;

} // namespace

} // namespace sorrel::vst3

extern "C" {

SORREL_EXPORT sorrel::vst3::IPluginFactory *SORREL_VST3_CALL GetPluginFactory() {
    return &sorrel::vst3::factory;
}

#if defined(_WIN32)
SORREL_EXPORT bool InitDll() {
    return true;
}
SORREL_EXPORT bool ExitDll() {
    return true;
}
#else
SORREL_EXPORT bool ModuleEntry(void *) {
    return true;
}
SORREL_EXPORT bool ModuleExit() {
    return true;
}
#endif
}
