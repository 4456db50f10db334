#include "clap/clap_plugin.h"

#include "clap/clap_editor.h"
#include "effect/little_endian.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace sorrel::clap {

namespace {

const char *const kFeatures[] = {"audio-effect", "equalizer", "stereo", nullptr};

constexpr uint32_t fnv1a(const char *text) {
    uint32_t h = 2166136261u;
    for (; *text != 0; ++text)
        h = (h ^ static_cast<unsigned char>(*text)) * 16777619u;
    return h;
}

// Copies text with its terminator into a fixed field, cut to fit.
void copyField(char *field, size_t capacity, const char *text) {
    const size_t n = std::min(std::strlen(text), capacity - 1);
    std::memcpy(field, text, n);
    field[n] = 0;
}

} // namespace

const clap_plugin_descriptor_t kDescriptor = {
    kClapVersion,
    "example.quillmark.sorrel",
    EqualizerEffect::kEffectName,
    EqualizerEffect::kVendor,
    "https://sorrel.quillmark.example/",
    "",
    "",
    SORREL_VERSION,
    "Stereo 31-band graphic equaliser",
    kFeatures,
};

clap_id parameterId(int32_t index) {
    const ParameterInfo *info = parameterInfo(index);
    return info != nullptr ? fnv1a(info->symbol) : kClapInvalidId;
}

int32_t parameterIndex(clap_id id) {
    // Hashed once: the audio thread looks ids up for every event.
    static const struct Ids {
        clap_id id[kNumParameters];
        Ids() {
            for (int32_t i = 0; i < kNumParameters; ++i)
                id[i] = parameterId(i);
        }
    } ids;
    for (int32_t i = 0; i < kNumParameters; ++i)
        if (ids.id[i] == id)
            return i;
    return -1;
}

bool valueToText(int32_t index, double value, char *text, uint32_t capacity) {
    if (parameterInfo(index) == nullptr || text == nullptr || std::isnan(value))
        return false;
    // The readout's own words, so that the host shows what the editor shows.
    char scratch[kReadableTextSize] = {};
    formatReadable(index, fromReadable(index, static_cast<float>(value)), scratch, sizeof scratch);
    const size_t length = std::strlen(scratch);
    if (length == 0 || length + 1 > capacity)
        return false;
    std::memcpy(text, scratch, length + 1);
    return true;
}

bool textToValue(int32_t index, const char *text, double *value) {
    float normalised = 0;
    if (value == nullptr || !parseReadable(index, text, normalised))
        return false;
    *value = toReadable(index, normalised);
    return true;
}

ClapEqualizer::ClapEqualizer(const clap_host_t *host, const clap_plugin_t &calls) : record(calls), hostRecord(host) {
    record.desc = &kDescriptor;
    record.plugin_data = this;
}

ClapEqualizer::~ClapEqualizer() { destroyEditor(); }

ClapEqualizer *ClapEqualizer::from(const clap_plugin_t *plugin) {
    return plugin != nullptr ? static_cast<ClapEqualizer *>(plugin->plugin_data) : nullptr;
}

const void *ClapEqualizer::hostExtension(const char *id) const {
    if (hostRecord == nullptr || hostRecord->get_extension == nullptr)
        return nullptr;
    return hostRecord->get_extension(hostRecord, id);
}

bool ClapEqualizer::init() {
    hostParams = static_cast<const clap_host_params_t *>(hostExtension(kClapExtParams));
    return true;
}

bool ClapEqualizer::activate(double sampleRate, uint32_t maxFrames) {
    const float rate = static_cast<float>(sampleRate);
    if (!(rate > 0) || !std::isfinite(rate) || maxFrames == 0)
        return false;
    core.setSampleRate(rate);
    core.setBlockSize(static_cast<int32_t>(std::min<uint32_t>(maxFrames, EqualizerEffect::kMaxWorkFrames)));
    active = core.workFrames() > 0;
    return active;
}

void ClapEqualizer::deactivate() { active = false; }

void ClapEqualizer::applyEvent(const clap_event_header_t *event) {
    if (event == nullptr || event->space_id != kClapCoreEventSpace || event->type != kClapEventParamValue ||
        event->size < sizeof(clap_event_param_value_t))
        return;
    const auto *change = reinterpret_cast<const clap_event_param_value_t *>(event);
    const int32_t index = parameterIndex(change->param_id);
    // NaN would read as the default; a value that is no number is ignored.
    if (index < 0 || std::isnan(change->value))
        return;
    const double readable = std::clamp(change->value, static_cast<double>(kParameters[index].minimum),
                                       static_cast<double>(kParameters[index].maximum));
    core.setParameter(index, fromReadable(index, static_cast<float>(readable)));
}

uint32_t ClapEqualizer::eventCount(const clap_input_events_t *in) {
    return in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
}

void ClapEqualizer::applyEvents(const clap_input_events_t *in, uint32_t count, uint32_t upTo, uint32_t &next) {
    // Events come sorted by time; one that comes late is applied at once.
    for (; next < count; ++next) {
        const clap_event_header_t *event = in->get(in, next);
        if (event != nullptr && event->time > upTo)
            return;
        applyEvent(event);
    }
}

void ClapEqualizer::run(const clap_process_t *p, uint32_t from, uint32_t to) {
    if (to <= from)
        return;
    float *in[2] = {};
    float *out[2] = {};
    if (p->audio_inputs != nullptr && p->audio_inputs_count > 0 && p->audio_inputs[0].data32 != nullptr)
        for (uint32_t c = 0; c < 2 && c < p->audio_inputs[0].channel_count; ++c)
            in[c] = p->audio_inputs[0].data32[c];
    if (p->audio_outputs != nullptr && p->audio_outputs_count > 0 && p->audio_outputs[0].data32 != nullptr)
        for (uint32_t c = 0; c < 2 && c < p->audio_outputs[0].channel_count; ++c)
            out[c] = p->audio_outputs[0].data32[c];
    const bool whole = in[0] && in[1] && out[0] && out[1];
    const uint32_t piece = whole ? static_cast<uint32_t>(INT32_MAX) : kSpareFrames;
    for (uint32_t done = from; done < to;) {
        const uint32_t n = std::min(piece, to - done);
        float *pieceIn[2], *pieceOut[2];
        for (int c = 0; c < 2; ++c) {
            pieceIn[c] = in[c] ? in[c] + done : silence;
            pieceOut[c] = out[c] ? out[c] + done : discard[c];
        }
        core.processReplacing(pieceIn, pieceOut, static_cast<int32_t>(n));
        done += n;
    }
}

clap_process_status ClapEqualizer::process(const clap_process_t *p) {
    if (p == nullptr)
        return kClapProcessError;
    const uint32_t count = eventCount(p->in_events);
    const uint32_t frames = p->frames_count;
    uint32_t next = 0;
    if (!active) {
        // Not set up: the host gets silence rather than what its buffers held.
        if (p->audio_outputs != nullptr && p->audio_outputs_count > 0 && p->audio_outputs[0].data32 != nullptr)
            for (uint32_t c = 0; c < p->audio_outputs[0].channel_count; ++c)
                if (float *o = p->audio_outputs[0].data32[c])
                    std::fill_n(o, frames, 0.f);
        applyEvents(p->in_events, count, UINT32_MAX, next);
        sendEditorEvents(p->out_events);
        return kClapProcessError;
    }
    // The block runs in pieces from one event's offset to the next; events
    // at or beyond the block's end apply after its last piece.
    for (uint32_t done = 0;;) {
        applyEvents(p->in_events, count, done, next);
        uint32_t until = frames;
        if (next < count) {
            // Asked again: a host may answer differently the second time.
            const clap_event_header_t *pending = p->in_events->get(p->in_events, next);
            if (pending == nullptr || pending->time <= done) {
                applyEvent(pending);
                ++next;
                continue;
            }
            until = std::min(frames, pending->time);
        }
        run(p, done, until);
        done = until;
        if (done >= frames) {
            applyEvents(p->in_events, count, UINT32_MAX, next);
            break;
        }
    }
    sendEditorEvents(p->out_events);
    return kClapProcessContinue;
}

void ClapEqualizer::flush(const clap_input_events_t *in, const clap_output_events_t *out) {
    uint32_t next = 0;
    applyEvents(in, eventCount(in), UINT32_MAX, next);
    sendEditorEvents(out);
}

void ClapEqualizer::editorEvent(EditorEvent::Kind kind, int32_t index, float normalised) {
    if (parameterInfo(index) == nullptr)
        return;
    double readable = 0;
    if (kind == EditorEvent::Value) {
        core.setParameter(index, normalised);
        readable = toReadable(index, core.getParameter(index));
    }
    toHost.push({kind, index, readable});
    if (hostParams != nullptr && hostParams->request_flush != nullptr)
        hostParams->request_flush(hostRecord);
}

void ClapEqualizer::sendEditorEvents(const clap_output_events_t *out) {
    if (out == nullptr || out->try_push == nullptr)
        return;
    EditorEvent e;
    while (toHost.peek(e)) {
        bool sent;
        if (e.kind == EditorEvent::Value) {
            clap_event_param_value_t v{};
            v.header = {sizeof v, 0, kClapCoreEventSpace, kClapEventParamValue, 0};
            v.param_id = parameterId(e.index);
            v.note_id = v.port_index = v.channel = v.key = -1;
            v.value = e.value;
            sent = out->try_push(out, &v.header);
        } else {
            clap_event_param_gesture_t g{};
            const uint16_t type = e.kind == EditorEvent::Begin ? kClapEventParamGestureBegin : kClapEventParamGestureEnd;
            g.header = {sizeof g, 0, kClapCoreEventSpace, type, 0};
            g.param_id = parameterId(e.index);
            sent = out->try_push(out, &g.header);
        }
        // A host that takes nothing now gets the rest at the next block.
        if (!sent)
            return;
        toHost.pop();
    }
}

bool ClapEqualizer::parameterInfoOf(uint32_t index, clap_param_info_t *info) const {
    const ParameterInfo *p = parameterInfo(static_cast<int32_t>(std::min<uint32_t>(index, INT32_MAX)));
    if (p == nullptr || info == nullptr)
        return false;
    std::memset(info, 0, sizeof *info);
    info->id = parameterId(static_cast<int32_t>(index));
    info->flags = kClapParamIsAutomatable;
    if (p->kind == ParameterKind::Switch)
        info->flags |= kClapParamIsStepped;
    copyField(info->name, sizeof info->name, p->longName);
    copyField(info->module, sizeof info->module, isBandParameter(static_cast<int32_t>(index)) ? "Bands" : "");
    info->min_value = p->minimum;
    info->max_value = p->maximum;
    info->default_value = toReadable(static_cast<int32_t>(index), p->defaultValue);
    return true;
}

bool ClapEqualizer::parameterValue(clap_id id, double *value) const {
    const int32_t index = parameterIndex(id);
    if (index < 0 || value == nullptr)
        return false;
    *value = toReadable(index, core.getParameter(index));
    return true;
}

bool ClapEqualizer::save(const clap_ostream_t *stream) {
    if (stream == nullptr || stream->write == nullptr)
        return false;
    void *bank = nullptr;
    const int32_t size = core.getChunk(&bank, false);
    if (size <= 0 || bank == nullptr || static_cast<uint32_t>(size) > kMaxStateBytes - kStateHeaderBytes)
        return false;
    std::vector<unsigned char> bytes(kStateHeaderBytes + static_cast<size_t>(size));
    putLittle32(&bytes[0], kStateMagic);
    putLittle32(&bytes[4], kStateVersion);
    putLittle32(&bytes[8], static_cast<uint32_t>(core.getProgram()));
    putLittle32(&bytes[12], static_cast<uint32_t>(size));
    // The bank's program records are little-endian already.
    std::memcpy(&bytes[kStateHeaderBytes], bank, static_cast<size_t>(size));
    // Streams may take fewer bytes than offered.
    for (size_t done = 0; done < bytes.size();) {
        const int64_t n = stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (n <= 0 || static_cast<uint64_t>(n) > bytes.size() - done)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ClapEqualizer::load(const clap_istream_t *stream) {
    if (stream == nullptr || stream->read == nullptr)
        return false;
    // Read up to one byte past the longest state, so that a longer stream
    // is seen as such and refused.
    std::vector<unsigned char> bytes(kMaxStateBytes + 1);
    size_t have = 0;
    while (have < bytes.size()) {
        const int64_t n = stream->read(stream, bytes.data() + have, bytes.size() - have);
        if (n < 0 || static_cast<uint64_t>(n) > bytes.size() - have)
            return false;
        if (n == 0)
            break;
        have += static_cast<size_t>(n);
    }
    if (have < kStateHeaderBytes || have > kMaxStateBytes)
        return false;
    const uint32_t program = getLittle32(&bytes[8]);
    const uint32_t size = getLittle32(&bytes[12]);
    if (getLittle32(&bytes[0]) != kStateMagic || getLittle32(&bytes[4]) != kStateVersion ||
        program >= static_cast<uint32_t>(EqualizerEffect::kNumPrograms) || size != have - kStateHeaderBytes)
        return false;
    // The effect takes a whole bank or nothing.
    if (core.setChunk(&bytes[kStateHeaderBytes], static_cast<int32_t>(size), false) == 0)
        return false;
    core.setProgram(static_cast<int32_t>(program));
    if (hostParams != nullptr && hostParams->rescan != nullptr)
        hostParams->rescan(hostRecord, kClapParamRescanValues);
    return true;
}

void ClapEqualizer::onMainThread() {
    if (gui)
        gui->onMainThread();
}

ClapEditor *ClapEqualizer::editor() { return gui.get(); }

bool ClapEqualizer::createEditor() {
    if (gui)
        return false;
    if (!ClapEditor::available())
        return false;
    try {
        gui = std::make_unique<ClapEditor>(*this);
    } catch (...) {
        return false;
    }
    return true;
}

void ClapEqualizer::destroyEditor() { gui.reset(); }

} // namespace sorrel::clap
