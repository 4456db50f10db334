// The equaliser as a CLAP plug-in: audio ports, parameters, state and the
// audio call on top of the format-free EqualizerEffect, and the editor
// where the build and the host can show one. The one place that puts effect
// and editor together for this format; clap_entry.cpp only forwards the
// interface's C calls here.
//
// Parameters travel as what a person reads (dB, the Q setting, 0/1): the
// host's values go through the table's conversions both ways, so the bank
// holds the same normalised values as under the other formats. Parameter
// events are applied at their sample offsets by running the block in pieces.
//
// Threads, as the interface assigns them: process (and flush while active)
// on the audio thread, everything else on the main thread, which is also the
// editor's. The editor writes the effect directly and queues what the host
// must hear (gesture begin, value, gesture end); the audio thread hands the
// queue to the host in process, or flush does when the host is not
// processing.
#pragma once

#include "clap/clap_api.h"
#include "clap/event_queue.h"
#include "effect/equalizer_effect.h"

#include <cstdint>
#include <memory>

namespace sorrel::clap {

class ClapEditor;

// Identity of the plug-in for hosts; the id never changes.
extern const clap_plugin_descriptor_t kDescriptor;

// The parameter's id: a hash of its symbol, so ids stay when the table
// grows. -1 for an id that names no parameter.
clap_id parameterId(int32_t index);
int32_t parameterIndex(clap_id id);

// Text of a readable value and back, in the words of the editor's readout
// and text field (effect/parameters.h). False for an unknown parameter, a
// buffer too small, a value that is no number or text that names no value.
bool valueToText(int32_t index, double value, char *text, uint32_t capacity);
bool textToValue(int32_t index, const char *text, double *value);

// The state's bytes: a header (magic, version, selected program, bank
// length; little-endian) and the bank as the effect's chunk holds it.
constexpr uint32_t kStateMagic = 0x6c726f53; // "Sorl" in file order
constexpr uint32_t kStateVersion = 1;
constexpr uint32_t kStateHeaderBytes = 16;
// Anything longer is no state of ours; reading stops there.
constexpr uint32_t kMaxStateBytes = kStateHeaderBytes + 65536;

class ClapEqualizer {
  public:
    // calls: the interface's functions, copied into the plug-in's record.
    // host may not be used before init. Throws std::bad_alloc.
    ClapEqualizer(const clap_host_t *host, const clap_plugin_t &calls);
    ~ClapEqualizer();

    ClapEqualizer(const ClapEqualizer &) = delete;
    ClapEqualizer &operator=(const ClapEqualizer &) = delete;

    const clap_plugin_t *plugin() const { return &record; }
    static ClapEqualizer *from(const clap_plugin_t *plugin);

    bool init();
    bool activate(double sampleRate, uint32_t maxFrames);
    void deactivate();
    void reset() {}
    clap_process_status process(const clap_process_t *process);
    void onMainThread();

    // params
    bool parameterInfoOf(uint32_t index, clap_param_info_t *info) const;
    bool parameterValue(clap_id id, double *value) const;
    void flush(const clap_input_events_t *in, const clap_output_events_t *out);

    // state
    bool save(const clap_ostream_t *stream);
    bool load(const clap_istream_t *stream);

    // gui: null where no editor can be shown.
    ClapEditor *editor();
    bool createEditor();
    void destroyEditor();

    // The editor's edits, on the main thread.
    void editorEvent(EditorEvent::Kind kind, int32_t index, float normalised);

    const clap_host_t *host() const { return hostRecord; }
    const void *hostExtension(const char *id) const;
    EqualizerEffect &effect() { return core; }

  private:
    static uint32_t eventCount(const clap_input_events_t *in);
    // Applies events from next on up to those at offset upTo.
    void applyEvents(const clap_input_events_t *in, uint32_t count, uint32_t upTo, uint32_t &next);
    void applyEvent(const clap_event_header_t *event);
    void sendEditorEvents(const clap_output_events_t *out);
    void run(const clap_process_t *process, uint32_t from, uint32_t to);

    clap_plugin_t record;
    const clap_host_t *hostRecord;
    const clap_host_params_t *hostParams = nullptr;
    EqualizerEffect core;
    EditorEventQueue toHost;
    std::unique_ptr<ClapEditor> gui;
    bool active = false;

    // Stands in for a channel the host did not give: silence in, a
    // discarded signal out. Such blocks run in pieces of this length.
    static constexpr uint32_t kSpareFrames = 256;
    float silence[kSpareFrames] = {};
    float discard[2][kSpareFrames] = {};
};

} // namespace sorrel::clap
