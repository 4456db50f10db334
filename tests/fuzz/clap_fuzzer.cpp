// The CLAP plug-in through clap_entry, as an odd host would drive it: a host
// record with or without its extensions, activation at any rate and block
// length, blocks of any length with missing ports, channels or buffers,
// events of any kind, size, time and order (ids real and made up, values
// of any double), flushes, text both ways with any text and buffer size,
// and state loaded from any bytes through streams that give them in any
// pieces or fail. A refused state must leave the saved state byte for byte
// as it was, and full-scale noise must come out finite whatever happened.
#include "clap/clap_api.h"
#include "effect/parameters.h"
#include "tests/fuzz/fuzz_report.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

constexpr int kMaxSteps = 40;
constexpr uint32_t kMaxFrames = 1200;

using sorrel::fuzz::fail;

// Restores offered, taken and refused.
sorrel::fuzz::StateCounts counts{"clap"};

// The host: extensions present or not, each function present or not.
struct Host {
    clap_host_t record{};
    clap_host_params_t params{};
    bool offerParams = false;

    explicit Host(FuzzedDataProvider &in) {
        record.clap_version = kClapVersion;
        record.host_data = this;
        record.name = record.vendor = record.url = record.version = "";
        offerParams = in.ConsumeBool();
        if (in.ConsumeBool())
            record.get_extension = [](const clap_host_t *h, const char *id) -> const void * {
                auto *self = static_cast<Host *>(h->host_data);
                return self->offerParams && std::strcmp(id, kClapExtParams) == 0 ? &self->params : nullptr;
            };
        record.request_callback = [](const clap_host_t *) {};
        params.rescan = in.ConsumeBool() ? [](const clap_host_t *, uint32_t) {} : nullptr;
        params.request_flush = in.ConsumeBool() ? [](const clap_host_t *) {} : nullptr;
    }
};

struct Events {
    std::vector<std::vector<unsigned char>> stored;
    clap_input_events_t list{};

    Events(FuzzedDataProvider &in, const clap_plugin_t *plugin, const clap_plugin_params_t *params) {
        const int count = in.ConsumeIntegralInRange<int>(0, 12);
        for (int k = 0; k < count; ++k) {
            clap_event_param_value_t v{};
            v.header.time = in.ConsumeIntegralInRange<uint32_t>(0, kMaxFrames + 10);
            v.header.space_id = in.ConsumeIntegralInRange<uint16_t>(0, 20) == 0 ? 1 : kClapCoreEventSpace;
            v.header.type = in.ConsumeBool() ? kClapEventParamValue : in.ConsumeIntegralInRange<uint16_t>(0, 13);
            clap_param_info_t info{};
            if (in.ConsumeBool() && params->get_info(plugin, in.ConsumeIntegralInRange<uint32_t>(0, 40), &info))
                v.param_id = info.id;
            else
                v.param_id = in.ConsumeIntegral<uint32_t>();
            v.value = in.ConsumeFloatingPoint<double>();
            // A header that claims any size up to the whole event.
            const uint32_t size = in.ConsumeBool() ? sizeof v : in.ConsumeIntegralInRange<uint32_t>(16, sizeof v);
            v.header.size = size;
            std::vector<unsigned char> bytes(sizeof v);
            std::memcpy(bytes.data(), &v, sizeof v);
            stored.push_back(std::move(bytes));
        }
        list.ctx = this;
        list.size = [](const clap_input_events_t *l) {
            return static_cast<uint32_t>(static_cast<Events *>(l->ctx)->stored.size());
        };
        list.get = [](const clap_input_events_t *l, uint32_t i) -> const clap_event_header_t * {
            auto *self = static_cast<Events *>(l->ctx);
            return i < self->stored.size() ? reinterpret_cast<const clap_event_header_t *>(self->stored[i].data())
                                           : nullptr;
        };
    }
};

std::vector<unsigned char> save(const clap_plugin_t *plugin, const clap_plugin_state_t *state) {
    std::vector<unsigned char> bytes;
    clap_ostream_t out{&bytes, [](const clap_ostream_t *s, const void *data, uint64_t size) -> int64_t {
                           auto *v = static_cast<std::vector<unsigned char> *>(s->ctx);
                           v->insert(v->end(), static_cast<const unsigned char *>(data),
                                     static_cast<const unsigned char *>(data) + size);
                           return static_cast<int64_t>(size);
                       }};
    if (!state->save(plugin, &out))
        fail("save refused");
    return bytes;
}

struct Source {
    std::vector<unsigned char> bytes;
    size_t at = 0, piece = 1, failAt = SIZE_MAX;
};

void loadFrom(FuzzedDataProvider &in, const clap_plugin_t *plugin, const clap_plugin_state_t *state) {
    const std::vector<unsigned char> before = save(plugin, state);
    Source source;
    // Often a real state with a few bytes changed, so that the checks past
    // the header are reached; otherwise any bytes.
    if (in.ConsumeBool()) {
        source.bytes = before;
        const int changes = in.ConsumeIntegralInRange<int>(0, 3);
        for (int k = 0; k < changes && !source.bytes.empty(); ++k)
            source.bytes[in.ConsumeIntegralInRange<size_t>(0, source.bytes.size() - 1)] = in.ConsumeIntegral<uint8_t>();
        if (in.ConsumeBool())
            source.bytes.resize(in.ConsumeIntegralInRange<size_t>(0, source.bytes.size() + 8));
    } else {
        source.bytes = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<size_t>(0, 2000));
    }
    source.piece = in.ConsumeIntegralInRange<size_t>(1, 4000);
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
        source.failAt = in.ConsumeIntegralInRange<size_t>(0, source.bytes.size());
    clap_istream_t stream{&source, [](const clap_istream_t *s, void *data, uint64_t size) -> int64_t {
                              auto *src = static_cast<Source *>(s->ctx);
                              if (src->at >= src->failAt)
                                  return -1;
                              const size_t n = std::min<size_t>(
                                  {static_cast<size_t>(size), src->piece, src->bytes.size() - src->at});
                              if (n > 0)
                                  std::memcpy(data, src->bytes.data() + src->at, n);
                              src->at += n;
                              return static_cast<int64_t>(n);
                          }};
    if (state->load(plugin, &stream)) {
        ++counts.taken;
        if (save(plugin, state).size() != before.size())
            fail("accepted state changed the state's size");
    } else {
        ++counts.refused;
        if (save(plugin, state) != before)
            fail("refused state changed the state");
    }
}

void process(FuzzedDataProvider &in, const clap_plugin_t *plugin, const clap_plugin_params_t *params,
             bool noise) {
    const uint32_t frames = in.ConsumeIntegralInRange<uint32_t>(0, kMaxFrames);
    std::vector<float> l(frames), r(frames), ol(frames), orr(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        l[i] = noise ? (i % 7 < 3 ? 1.f : -1.f) : 0.f;
        r[i] = -l[i];
    }
    float *inputs[2] = {l.data(), !noise && in.ConsumeIntegralInRange<int>(0, 9) == 0 ? nullptr : r.data()};
    float *outputs[2] = {ol.data(), orr.data()};
    const bool inPlace = in.ConsumeBool();
    clap_audio_buffer_t ib{inputs, nullptr, in.ConsumeIntegralInRange<uint32_t>(0, 2), 0, 0};
    clap_audio_buffer_t ob{inPlace ? inputs : outputs, nullptr, in.ConsumeIntegralInRange<uint32_t>(0, 2), 0, 0};
    if (noise)
        ib.channel_count = ob.channel_count = 2;
    Events events(in, plugin, params);
    clap_process_t p{};
    p.frames_count = frames;
    const bool ports = noise || in.ConsumeIntegralInRange<int>(0, 9) != 0;
    p.audio_inputs = ports ? &ib : nullptr;
    p.audio_outputs = ports ? &ob : nullptr;
    p.audio_inputs_count = p.audio_outputs_count = ports ? 1 : 0;
    p.in_events = in.ConsumeIntegralInRange<int>(0, 9) == 0 ? nullptr : &events.list;
    clap_output_events_t out{nullptr, [](const clap_output_events_t *, const clap_event_header_t *) { return true; }};
    p.out_events = &out;
    plugin->process(plugin, &p);
    if (noise)
        for (float *o : {ob.data32[0], ob.data32[1]})
            for (uint32_t i = 0; i < frames; ++i)
                if (!std::isfinite(o[i]))
                    fail("output not finite", i);
}

void texts(FuzzedDataProvider &in, const clap_plugin_t *plugin, const clap_plugin_params_t *params) {
    clap_param_info_t info{};
    const uint32_t index = in.ConsumeIntegralInRange<uint32_t>(0, 40);
    const clap_id id = params->get_info(plugin, index, &info) ? info.id : in.ConsumeIntegral<uint32_t>();
    const std::string text = in.ConsumeRandomLengthString(40);
    double value = 0;
    if (params->text_to_value(plugin, id, text.c_str(), &value) &&
        !(value >= info.min_value && value <= info.max_value))
        fail("text gave a value out of range");
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    const uint32_t capacity = in.ConsumeIntegralInRange<uint32_t>(0, 63);
    if (params->value_to_text(plugin, id, in.ConsumeFloatingPoint<double>(), buffer, capacity) &&
        std::memchr(buffer, 0, capacity) == nullptr)
        fail("text without its terminator", capacity);
    if (buffer[capacity] != '#')
        fail("text beyond the buffer", capacity);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    Host host(in);
    const auto *factory = static_cast<const clap_plugin_factory_t *>(clap_entry.get_factory(kClapPluginFactoryId));
    const clap_plugin_t *plugin = factory->create_plugin(factory, &host.record, "example.quillmark.sorrel");
    if (plugin == nullptr || !plugin->init(plugin))
        fail("no plug-in");
    const auto *params = static_cast<const clap_plugin_params_t *>(plugin->get_extension(plugin, kClapExtParams));
    const auto *state = static_cast<const clap_plugin_state_t *>(plugin->get_extension(plugin, kClapExtState));
    bool active = false;
    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: {
            if (active)
                plugin->deactivate(plugin);
            const double rate = in.ConsumeBool() ? 48000.0 : in.ConsumeFloatingPoint<double>();
            active = plugin->activate(plugin, rate, 1, in.ConsumeIntegralInRange<uint32_t>(0, 70000));
            break;
        }
        case 1:
        case 2:
            if (active)
                process(in, plugin, params, false);
            break;
        case 3: {
            Events events(in, plugin, params);
            params->flush(plugin, in.ConsumeBool() ? &events.list : nullptr, nullptr);
            break;
        }
        case 4:
            loadFrom(in, plugin, state);
            break;
        case 5:
            texts(in, plugin, params);
            break;
        case 6:
            plugin->reset(plugin);
            break;
        }
    }
    // The sound is checked at a rate a host uses; what the steps did to the
    // parameters and the bank stays.
    if (active)
        plugin->deactivate(plugin);
    active = plugin->activate(plugin, 44100.0, 1, 512);
    if (active) {
        process(in, plugin, params, true);
        plugin->deactivate(plugin);
    }
    plugin->destroy(plugin);
    return 0;
}
