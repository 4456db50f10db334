// The bundle's one exported symbol, clap_entry, its plug-in factory, and the
// C functions of the plug-in and its extensions, which forward to
// ClapEqualizer and ClapEditor. Nothing here throws into the host, and a
// null plug-in or argument is answered with a refusal.
#include "clap/clap_editor.h"
#include "clap/clap_plugin.h"
#include "dsp/processor.h"

#include <cstring>

namespace {

using sorrel::clap::ClapEditor;
using sorrel::clap::ClapEqualizer;

ClapEqualizer *self(const clap_plugin_t *plugin) { return ClapEqualizer::from(plugin); }

ClapEditor *gui(const clap_plugin_t *plugin) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr ? p->editor() : nullptr;
}

// --- audio ports ----------------------------------------------------------------

uint32_t portCount(const clap_plugin_t *, bool) { return 1; }

bool portGet(const clap_plugin_t *, uint32_t index, bool isInput, clap_audio_port_info_t *info) {
    if (index != 0 || info == nullptr)
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    std::strcpy(info->name, isInput ? "Input" : "Output");
    info->flags = kClapAudioPortIsMain;
    info->channel_count = 2;
    info->port_type = kClapPortStereo;
    // The input's buffers may serve as the output's.
    info->in_place_pair = 0;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts = {portCount, portGet};

// --- params ---------------------------------------------------------------------

uint32_t paramCount(const clap_plugin_t *) { return sorrel::kNumParameters; }

bool paramInfo(const clap_plugin_t *plugin, uint32_t index, clap_param_info_t *info) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr && p->parameterInfoOf(index, info);
}

bool paramValue(const clap_plugin_t *plugin, clap_id id, double *value) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr && p->parameterValue(id, value);
}

bool valueToText(const clap_plugin_t *, clap_id id, double value, char *text, uint32_t capacity) {
    return sorrel::clap::valueToText(sorrel::clap::parameterIndex(id), value, text, capacity);
}

bool textToValue(const clap_plugin_t *, clap_id id, const char *text, double *value) {
    return sorrel::clap::textToValue(sorrel::clap::parameterIndex(id), text, value);
}

void paramFlush(const clap_plugin_t *plugin, const clap_input_events_t *in, const clap_output_events_t *out) {
    if (ClapEqualizer *p = self(plugin))
        p->flush(in, out);
}

const clap_plugin_params_t kParams = {paramCount, paramInfo, paramValue, valueToText, textToValue, paramFlush};

// --- state, latency -------------------------------------------------------------

bool stateSave(const clap_plugin_t *plugin, const clap_ostream_t *stream) {
    ClapEqualizer *p = self(plugin);
    try {
        return p != nullptr && p->save(stream);
    } catch (...) {
        return false;
    }
}

bool stateLoad(const clap_plugin_t *plugin, const clap_istream_t *stream) {
    ClapEqualizer *p = self(plugin);
    try {
        return p != nullptr && p->load(stream);
    } catch (...) {
        return false;
    }
}

const clap_plugin_state_t kState = {stateSave, stateLoad};

uint32_t latency(const clap_plugin_t *) { return 0; }

const clap_plugin_latency_t kLatency = {latency};

// --- gui ------------------------------------------------------------------------

bool guiApiSupported(const clap_plugin_t *, const char *api, bool floating) {
    return ClapEditor::apiSupported(api, floating);
}

bool guiPreferredApi(const clap_plugin_t *, const char **api, bool *floating) {
    if (api == nullptr || floating == nullptr)
        return false;
    *api = ClapEditor::windowApi();
    *floating = false;
    return true;
}

bool guiCreate(const clap_plugin_t *plugin, const char *api, bool floating) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr && ClapEditor::apiSupported(api, floating) && p->createEditor();
}

void guiDestroy(const clap_plugin_t *plugin) {
    if (ClapEqualizer *p = self(plugin))
        p->destroyEditor();
}

bool guiSetScale(const clap_plugin_t *plugin, double scale) {
    ClapEditor *g = gui(plugin);
    return g != nullptr && g->setScale(scale);
}

bool guiGetSize(const clap_plugin_t *plugin, uint32_t *width, uint32_t *height) {
    ClapEditor *g = gui(plugin);
    return g != nullptr && g->size(width, height);
}

bool guiCanResize(const clap_plugin_t *) { return false; }

// Hosts ask even of an editor that cannot resize; answering spares them a
// complaint in their log.
bool guiResizeHints(const clap_plugin_t *plugin, clap_gui_resize_hints_t *hints) {
    if (gui(plugin) == nullptr || hints == nullptr)
        return false;
    *hints = {false, false, false, 0, 0};
    return true;
}

// The size is fixed: whatever the host proposes, the editor's own is the
// nearest it can have.
bool guiAdjustSize(const clap_plugin_t *plugin, uint32_t *width, uint32_t *height) {
    ClapEditor *g = gui(plugin);
    return g != nullptr && g->size(width, height);
}

bool guiSetSize(const clap_plugin_t *plugin, uint32_t width, uint32_t height) {
    ClapEditor *g = gui(plugin);
    uint32_t w = 0, h = 0;
    return g != nullptr && g->size(&w, &h) && w == width && h == height;
}

bool guiSetParent(const clap_plugin_t *plugin, const clap_window_t *window) {
    ClapEditor *g = gui(plugin);
    return g != nullptr && g->setParent(window);
}

bool guiSetTransient(const clap_plugin_t *, const clap_window_t *) { return false; }

void guiSuggestTitle(const clap_plugin_t *, const char *) {}

// Embedded: the host shows and hides its own window around the editor's.
bool guiShow(const clap_plugin_t *plugin) { return gui(plugin) != nullptr; }
bool guiHide(const clap_plugin_t *plugin) { return gui(plugin) != nullptr; }

const clap_plugin_gui_t kGui = {guiApiSupported, guiPreferredApi, guiCreate,       guiDestroy,     guiSetScale,
                                guiGetSize,      guiCanResize,    guiResizeHints,  guiAdjustSize,  guiSetSize,
                                guiSetParent,    guiSetTransient, guiSuggestTitle, guiShow,        guiHide};

void onTimer(const clap_plugin_t *plugin, clap_id id) {
    if (ClapEditor *g = gui(plugin))
        g->onTimer(id);
}

const clap_plugin_timer_support_t kTimerSupport = {onTimer};

// --- the plug-in ----------------------------------------------------------------

bool init(const clap_plugin_t *plugin) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr && p->init();
}

void destroy(const clap_plugin_t *plugin) { delete self(plugin); }

bool activate(const clap_plugin_t *plugin, double rate, uint32_t, uint32_t maxFrames) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr && p->activate(rate, maxFrames);
}

void deactivate(const clap_plugin_t *plugin) {
    if (ClapEqualizer *p = self(plugin))
        p->deactivate();
}

bool startProcessing(const clap_plugin_t *plugin) { return self(plugin) != nullptr; }
void stopProcessing(const clap_plugin_t *) {}

void reset(const clap_plugin_t *plugin) {
    if (ClapEqualizer *p = self(plugin))
        p->reset();
}

clap_process_status process(const clap_plugin_t *plugin, const clap_process_t *data) {
    ClapEqualizer *p = self(plugin);
    return p != nullptr ? p->process(data) : kClapProcessError;
}

const void *extension(const clap_plugin_t *, const char *id) {
    if (id == nullptr)
        return nullptr;
    if (std::strcmp(id, kClapExtAudioPorts) == 0)
        return &kAudioPorts;
    if (std::strcmp(id, kClapExtParams) == 0)
        return &kParams;
    if (std::strcmp(id, kClapExtState) == 0)
        return &kState;
    if (std::strcmp(id, kClapExtLatency) == 0)
        return &kLatency;
    if (ClapEditor::available() && std::strcmp(id, kClapExtGui) == 0)
        return &kGui;
    if (ClapEditor::available() && std::strcmp(id, kClapExtTimerSupport) == 0)
        return &kTimerSupport;
    return nullptr;
}

void onMainThread(const clap_plugin_t *plugin) {
    if (ClapEqualizer *p = self(plugin))
        p->onMainThread();
}

const clap_plugin_t kCalls = {nullptr,         nullptr, init,    destroy,   activate,     deactivate,
                              startProcessing, stopProcessing, reset, process, extension, onMainThread};

// --- factory and entry ----------------------------------------------------------

uint32_t pluginCount(const clap_plugin_factory_t *) { return 1; }

const clap_plugin_descriptor_t *pluginDescriptor(const clap_plugin_factory_t *, uint32_t index) {
    return index == 0 ? &sorrel::clap::kDescriptor : nullptr;
}

const clap_plugin_t *createPlugin(const clap_plugin_factory_t *, const clap_host_t *host, const char *id) {
    if (host == nullptr || id == nullptr || std::strcmp(id, sorrel::clap::kDescriptor.id) != 0)
        return nullptr;
    if (!sorrel::detectProcessor())
        return nullptr;
    try {
        return (new ClapEqualizer(host, kCalls))->plugin();
    } catch (...) {
        return nullptr;
    }
}

const clap_plugin_factory_t kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char *) { return true; }
void entryDeinit() {}

const void *entryFactory(const char *id) {
    return id != nullptr && std::strcmp(id, kClapPluginFactoryId) == 0 ? &kFactory : nullptr;
}

} // namespace

#ifdef _WIN32
#define SORREL_CLAP_EXPORT __declspec(dllexport)
#else
#define SORREL_CLAP_EXPORT __attribute__((visibility("default")))
#endif

extern "C" SORREL_CLAP_EXPORT const clap_plugin_entry_t clap_entry = {kClapVersion, entryInit, entryDeinit,
                                                                      entryFactory};
