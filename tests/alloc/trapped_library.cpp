// The plug-in tests' entry, routed through a watch: effects created through
// it run their audio calls watched, and every call that allocates, frees or
// takes a lock fails the running test.
#include "alloc_trap.h"
#include "plugin_fixture.h"

namespace sorrel::test {
namespace {

VSTPluginMainProc realEntry = nullptr;
AEffectProcessProc realProcess = nullptr;
AEffectProcessProc realReplacing = nullptr;
AEffectProcessDoubleProc realDoubleReplacing = nullptr;

void report(const char *call, const alloctrap::Counts &counts, VstInt32 frames) {
    if (counts.any())
        ADD_FAILURE() << call << " of " << frames << " frames made " << counts.allocations << " allocations, "
                      << counts.frees << " frees and " << counts.locks << " lock calls";
}

void VSTCALLBACK watchedProcess(AEffect *e, float **inputs, float **outputs, VstInt32 frames) {
    alloctrap::watch();
    realProcess(e, inputs, outputs, frames);
    report("process", alloctrap::unwatch(), frames);
}

void VSTCALLBACK watchedReplacing(AEffect *e, float **inputs, float **outputs, VstInt32 frames) {
    alloctrap::watch();
    realReplacing(e, inputs, outputs, frames);
    report("processReplacing", alloctrap::unwatch(), frames);
}

void VSTCALLBACK watchedDoubleReplacing(AEffect *e, double **inputs, double **outputs, VstInt32 frames) {
    alloctrap::watch();
    realDoubleReplacing(e, inputs, outputs, frames);
    report("processDoubleReplacing", alloctrap::unwatch(), frames);
}

AEffect *VSTCALLBACK watchedEntry(audioMasterCallback host) {
    AEffect *effect = realEntry(host);
    if (effect == nullptr)
        return nullptr;
    // One module, one set of audio functions.
    realProcess = effect->process;
    realReplacing = effect->processReplacing;
    realDoubleReplacing = effect->processDoubleReplacing;
    if (effect->process != nullptr)
        effect->process = watchedProcess;
    if (effect->processReplacing != nullptr)
        effect->processReplacing = watchedReplacing;
    if (effect->processDoubleReplacing != nullptr)
        effect->processDoubleReplacing = watchedDoubleReplacing;
    return effect;
}

VSTPluginMainProc watch(VSTPluginMainProc entry) {
    realEntry = entry;
    return entry != nullptr ? &watchedEntry : nullptr;
}

const bool installed = (PluginTest::wrapEntry = &watch, true);

} // namespace
} // namespace sorrel::test
