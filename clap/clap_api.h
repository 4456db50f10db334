// The CLAP interface as Sorrel uses it, declared from the interface's public
// definition (ABI 1.x): the entry, the plug-in factory, the plug-in and host
// records, events and event lists, the process record, and the extensions
// the plug-in offers (audio ports, params, state, latency, gui, timer
// support) or calls on the host (params, state, gui, timer support, log).
//
// Hosts read these records straight from memory, so every field's type and
// order is part of the contract; the static_asserts at the end pin the sizes
// and offsets that differ between a right and a wrong declaration.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct clap_version_t {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};

// The interface version this plug-in is written against. Hosts accept any
// 1.x plug-in.
constexpr clap_version_t kClapVersion = {1, 2, 0};

typedef uint32_t clap_id;
constexpr clap_id kClapInvalidId = UINT32_MAX;

// Fixed text sizes of the info records, terminator included.
constexpr size_t kClapNameSize = 256;
constexpr size_t kClapPathSize = 1024;

struct clap_host_t;
struct clap_plugin_t;

// --- entry and factory ----------------------------------------------------------

struct clap_plugin_entry_t {
    clap_version_t clap_version;
    bool (*init)(const char *plugin_path);
    void (*deinit)(void);
    const void *(*get_factory)(const char *factory_id);
};

constexpr const char *kClapPluginFactoryId = "clap.plugin-factory";

struct clap_plugin_descriptor_t {
    clap_version_t clap_version;
    const char *id;
    const char *name;
    const char *vendor;
    const char *url;
    const char *manual_url;
    const char *support_url;
    const char *version;
    const char *description;
    // Null-terminated list of feature words.
    const char *const *features;
};

struct clap_plugin_factory_t {
    uint32_t (*get_plugin_count)(const clap_plugin_factory_t *factory);
    const clap_plugin_descriptor_t *(*get_plugin_descriptor)(const clap_plugin_factory_t *factory, uint32_t index);
    const clap_plugin_t *(*create_plugin)(const clap_plugin_factory_t *factory, const clap_host_t *host,
                                          const char *plugin_id);
};

// --- host and plug-in records ---------------------------------------------------

struct clap_host_t {
    clap_version_t clap_version;
    void *host_data;
    const char *name;
    const char *vendor;
    const char *url;
    const char *version;
    const void *(*get_extension)(const clap_host_t *host, const char *extension_id);
    void (*request_restart)(const clap_host_t *host);
    void (*request_process)(const clap_host_t *host);
    void (*request_callback)(const clap_host_t *host);
};

struct clap_process_t;

typedef int32_t clap_process_status;
enum : int32_t {
    kClapProcessError = 0,
    kClapProcessContinue = 1,
    kClapProcessContinueIfNotQuiet = 2,
    kClapProcessTail = 3,
    kClapProcessSleep = 4,
};

struct clap_plugin_t {
    const clap_plugin_descriptor_t *desc;
    void *plugin_data;
    bool (*init)(const clap_plugin_t *plugin);
    void (*destroy)(const clap_plugin_t *plugin);
    bool (*activate)(const clap_plugin_t *plugin, double sample_rate, uint32_t min_frames_count,
                     uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin_t *plugin);
    bool (*start_processing)(const clap_plugin_t *plugin);
    void (*stop_processing)(const clap_plugin_t *plugin);
    void (*reset)(const clap_plugin_t *plugin);
    clap_process_status (*process)(const clap_plugin_t *plugin, const clap_process_t *process);
    const void *(*get_extension)(const clap_plugin_t *plugin, const char *id);
    void (*on_main_thread)(const clap_plugin_t *plugin);
};

// --- events ---------------------------------------------------------------------

struct clap_event_header_t {
    uint32_t size; // of the whole event, header included
    uint32_t time; // sample offset in the block
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};

constexpr uint16_t kClapCoreEventSpace = 0;

enum : uint16_t {
    kClapEventNoteOn = 0,
    kClapEventNoteOff = 1,
    kClapEventNoteChoke = 2,
    kClapEventNoteEnd = 3,
    kClapEventNoteExpression = 4,
    kClapEventParamValue = 5,
    kClapEventParamMod = 6,
    kClapEventParamGestureBegin = 7,
    kClapEventParamGestureEnd = 8,
    kClapEventTransport = 9,
    kClapEventMidi = 10,
    kClapEventMidiSysex = 11,
    kClapEventMidi2 = 12,
};

enum : uint32_t {
    kClapEventIsLive = 1u << 0,
    kClapEventDontRecord = 1u << 1,
};

struct clap_event_param_value_t {
    clap_event_header_t header;
    clap_id param_id;
    void *cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

struct clap_event_param_gesture_t {
    clap_event_header_t header;
    clap_id param_id;
};

// The transport is read by nobody here; process records only point to it.
struct clap_event_transport_t;

struct clap_input_events_t {
    void *ctx;
    uint32_t (*size)(const clap_input_events_t *list);
    const clap_event_header_t *(*get)(const clap_input_events_t *list, uint32_t index);
};

struct clap_output_events_t {
    void *ctx;
    bool (*try_push)(const clap_output_events_t *list, const clap_event_header_t *event);
};

// --- audio and process ----------------------------------------------------------

struct clap_audio_buffer_t {
    float **data32;
    double **data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

struct clap_process_t {
    int64_t steady_time;
    uint32_t frames_count;
    const clap_event_transport_t *transport;
    const clap_audio_buffer_t *audio_inputs;
    clap_audio_buffer_t *audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t *in_events;
    const clap_output_events_t *out_events;
};

// --- audio ports ----------------------------------------------------------------

constexpr const char *kClapExtAudioPorts = "clap.audio-ports";
constexpr const char *kClapPortStereo = "stereo";

enum : uint32_t {
    kClapAudioPortIsMain = 1u << 0,
    kClapAudioPortSupports64Bits = 1u << 1,
    kClapAudioPortPrefers64Bits = 1u << 2,
    kClapAudioPortRequiresCommonSampleSize = 1u << 3,
};

struct clap_audio_port_info_t {
    clap_id id;
    char name[kClapNameSize];
    uint32_t flags;
    uint32_t channel_count;
    const char *port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports_t {
    uint32_t (*count)(const clap_plugin_t *plugin, bool is_input);
    bool (*get)(const clap_plugin_t *plugin, uint32_t index, bool is_input, clap_audio_port_info_t *info);
};

// --- params ---------------------------------------------------------------------

constexpr const char *kClapExtParams = "clap.params";

enum : uint32_t {
    kClapParamIsStepped = 1u << 0,
    kClapParamIsPeriodic = 1u << 1,
    kClapParamIsHidden = 1u << 2,
    kClapParamIsReadonly = 1u << 3,
    kClapParamIsBypass = 1u << 4,
    kClapParamIsAutomatable = 1u << 5,
    kClapParamRequiresProcess = 1u << 15,
    kClapParamIsEnum = 1u << 16,
};

struct clap_param_info_t {
    clap_id id;
    uint32_t flags;
    void *cookie;
    char name[kClapNameSize];
    char module[kClapPathSize];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params_t {
    uint32_t (*count)(const clap_plugin_t *plugin);
    bool (*get_info)(const clap_plugin_t *plugin, uint32_t param_index, clap_param_info_t *param_info);
    bool (*get_value)(const clap_plugin_t *plugin, clap_id param_id, double *out_value);
    bool (*value_to_text)(const clap_plugin_t *plugin, clap_id param_id, double value, char *out_buffer,
                          uint32_t out_buffer_capacity);
    bool (*text_to_value)(const clap_plugin_t *plugin, clap_id param_id, const char *param_value_text,
                          double *out_value);
    void (*flush)(const clap_plugin_t *plugin, const clap_input_events_t *in, const clap_output_events_t *out);
};

enum : uint32_t {
    kClapParamRescanValues = 1u << 0,
    kClapParamRescanText = 1u << 1,
    kClapParamRescanInfo = 1u << 2,
    kClapParamRescanAll = 1u << 3,
};

struct clap_host_params_t {
    void (*rescan)(const clap_host_t *host, uint32_t flags);
    void (*clear)(const clap_host_t *host, clap_id param_id, uint32_t flags);
    void (*request_flush)(const clap_host_t *host);
};

// --- state ----------------------------------------------------------------------

constexpr const char *kClapExtState = "clap.state";

// Both answer the bytes moved, 0 at the end (read) and -1 on an error; they
// may move fewer bytes than asked.
struct clap_istream_t {
    void *ctx;
    int64_t (*read)(const clap_istream_t *stream, void *buffer, uint64_t size);
};

struct clap_ostream_t {
    void *ctx;
    int64_t (*write)(const clap_ostream_t *stream, const void *buffer, uint64_t size);
};

struct clap_plugin_state_t {
    bool (*save)(const clap_plugin_t *plugin, const clap_ostream_t *stream);
    bool (*load)(const clap_plugin_t *plugin, const clap_istream_t *stream);
};

struct clap_host_state_t {
    void (*mark_dirty)(const clap_host_t *host);
};

// --- latency --------------------------------------------------------------------

constexpr const char *kClapExtLatency = "clap.latency";

struct clap_plugin_latency_t {
    uint32_t (*get)(const clap_plugin_t *plugin);
};

// --- gui ------------------------------------------------------------------------

constexpr const char *kClapExtGui = "clap.gui";
constexpr const char *kClapWindowApiWin32 = "win32";
constexpr const char *kClapWindowApiX11 = "x11";

struct clap_window_t {
    const char *api;
    union {
        void *cocoa;
        unsigned long x11;
        void *win32;
        void *ptr;
    };
};

struct clap_gui_resize_hints_t {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};

struct clap_plugin_gui_t {
    bool (*is_api_supported)(const clap_plugin_t *plugin, const char *api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin_t *plugin, const char **api, bool *is_floating);
    bool (*create)(const clap_plugin_t *plugin, const char *api, bool is_floating);
    void (*destroy)(const clap_plugin_t *plugin);
    bool (*set_scale)(const clap_plugin_t *plugin, double scale);
    bool (*get_size)(const clap_plugin_t *plugin, uint32_t *width, uint32_t *height);
    bool (*can_resize)(const clap_plugin_t *plugin);
    bool (*get_resize_hints)(const clap_plugin_t *plugin, clap_gui_resize_hints_t *hints);
    bool (*adjust_size)(const clap_plugin_t *plugin, uint32_t *width, uint32_t *height);
    bool (*set_size)(const clap_plugin_t *plugin, uint32_t width, uint32_t height);
    bool (*set_parent)(const clap_plugin_t *plugin, const clap_window_t *window);
    bool (*set_transient)(const clap_plugin_t *plugin, const clap_window_t *window);
    void (*suggest_title)(const clap_plugin_t *plugin, const char *title);
    bool (*show)(const clap_plugin_t *plugin);
    bool (*hide)(const clap_plugin_t *plugin);
};

struct clap_host_gui_t {
    void (*resize_hints_changed)(const clap_host_t *host);
    bool (*request_resize)(const clap_host_t *host, uint32_t width, uint32_t height);
    bool (*request_show)(const clap_host_t *host);
    bool (*request_hide)(const clap_host_t *host);
    void (*closed)(const clap_host_t *host, bool was_destroyed);
};

// --- timer support --------------------------------------------------------------

constexpr const char *kClapExtTimerSupport = "clap.timer-support";

struct clap_plugin_timer_support_t {
    void (*on_timer)(const clap_plugin_t *plugin, clap_id timer_id);
};

struct clap_host_timer_support_t {
    bool (*register_timer)(const clap_host_t *host, uint32_t period_ms, clap_id *timer_id);
    bool (*unregister_timer)(const clap_host_t *host, clap_id timer_id);
};

} // extern "C"

// Layouts a host depends on. A field declared with the wrong type or in the
// wrong place moves one of these.
namespace sorrel::clap::layout {
constexpr size_t kPointer = sizeof(void *);
constexpr size_t afterVersion = (12 + alignof(void *) - 1) / alignof(void *) * alignof(void *);
static_assert(sizeof(clap_version_t) == 12);
static_assert(sizeof(clap_event_header_t) == 16);
static_assert(offsetof(clap_event_param_value_t, param_id) == 16);
static_assert(offsetof(clap_event_param_value_t, note_id) == 16 + 2 * kPointer);
static_assert(kPointer != 8 || sizeof(clap_event_param_value_t) == 56);
static_assert(sizeof(clap_event_param_gesture_t) == 20);
static_assert(offsetof(clap_param_info_t, name) == 8 + kPointer);
static_assert(offsetof(clap_param_info_t, min_value) >= 8 + kPointer + kClapNameSize + kClapPathSize);
static_assert(offsetof(clap_audio_port_info_t, flags) == 4 + kClapNameSize);
static_assert(offsetof(clap_plugin_descriptor_t, id) == afterVersion);
static_assert(offsetof(clap_plugin_descriptor_t, features) == afterVersion + 8 * kPointer);
static_assert(offsetof(clap_plugin_t, on_main_thread) == 11 * kPointer);
static_assert(offsetof(clap_host_t, get_extension) == afterVersion + 5 * kPointer);
static_assert(offsetof(clap_host_t, request_callback) == afterVersion + 8 * kPointer);
static_assert(offsetof(clap_process_t, frames_count) == 8);
static_assert(offsetof(clap_process_t, transport) == afterVersion);
static_assert(offsetof(clap_process_t, audio_inputs_count) == afterVersion + 3 * kPointer);
static_assert(offsetof(clap_audio_buffer_t, channel_count) == 2 * kPointer);
static_assert(sizeof(clap_plugin_gui_t) == 15 * kPointer);
static_assert(sizeof(clap_plugin_params_t) == 6 * kPointer);
} // namespace clap::layout
