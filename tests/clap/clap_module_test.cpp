// The built Sorrel.clap seen through a host of ours, as hosts see it: its
// description against the parameter table, the sound with parameter events
// at their offsets against the VST 2.4 build's, state round trips and
// refusals, text and value of every parameter, and odd calls.
#include "clap_host.h"

#include "effect/parameters.h"
#include "support/fake_host.h"
#include "support/noise.h"
#include "tools/hostlib/module.h"
#include "vst2/aeffectx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace sorrel;
using sorrel::test::ClapHost;
using sorrel::test::stereoNoise;
using sorrel::test::InputEvents;
using sorrel::test::OutputEvents;
using sorrel::test::ParamEvent;

namespace {

constexpr double kRate = 48000;
constexpr uint32_t kMaxBlock = 4096;

const clap_plugin_entry_t *loadEntry() {
    static const clap_plugin_entry_t *entry = [] {
        std::string error;
        void *module = tool::moduleio::openModule(tool::nativePath(SORREL_CLAP_MODULE), error);
        if (module == nullptr)
            return static_cast<const clap_plugin_entry_t *>(nullptr);
        auto *e = static_cast<const clap_plugin_entry_t *>(tool::moduleio::findSymbol(module, "clap_entry"));
        return e != nullptr && e->init(SORREL_CLAP_MODULE) ? e : nullptr;
    }();
    return entry;
}

const clap_plugin_factory_t *factory() {
    const clap_plugin_entry_t *entry = loadEntry();
    return entry ? static_cast<const clap_plugin_factory_t *>(entry->get_factory(kClapPluginFactoryId)) : nullptr;
}

// One plug-in of the module, created, initialised and (unless told not to)
// activated and processing.
struct Plugin {
    explicit Plugin(bool activated = true) {
        const clap_plugin_factory_t *f = factory();
        if (f == nullptr)
            return;
        plugin = f->create_plugin(f, host.host(), f->get_plugin_descriptor(f, 0)->id);
        if (plugin == nullptr || !plugin->init(plugin))
            return;
        params = static_cast<const clap_plugin_params_t *>(plugin->get_extension(plugin, kClapExtParams));
        state = static_cast<const clap_plugin_state_t *>(plugin->get_extension(plugin, kClapExtState));
        if (activated) {
            active = plugin->activate(plugin, kRate, 1, kMaxBlock);
            plugin->start_processing(plugin);
        }
    }
    ~Plugin() {
        if (plugin == nullptr)
            return;
        if (active) {
            plugin->stop_processing(plugin);
            plugin->deactivate(plugin);
        }
        plugin->destroy(plugin);
    }
    Plugin(const Plugin &) = delete;

    clap_id id(int32_t index) const {
        clap_param_info_t info{};
        return params->get_info(plugin, static_cast<uint32_t>(index), &info) ? info.id : kClapInvalidId;
    }
    double value(int32_t index) const {
        double v = NAN;
        params->get_value(plugin, id(index), &v);
        return v;
    }

    // Runs in (stereo, interleaved) in blocks of `block`, handing each block
    // the events whose time falls into it (times counted from the start).
    std::vector<float> render(const std::vector<float> &in, uint32_t block, const std::vector<ParamEvent> &events = {},
                              OutputEvents *out = nullptr) {
        const uint32_t frames = static_cast<uint32_t>(in.size() / 2);
        std::vector<float> l(frames), r(frames), result(in.size());
        for (uint32_t i = 0; i < frames; ++i) {
            l[i] = in[2 * i];
            r[i] = in[2 * i + 1];
        }
        OutputEvents ignored;
        for (uint32_t done = 0; done < frames || (frames == 0 && done == 0); done += block) {
            const uint32_t n = std::min(block, frames - done);
            std::vector<ParamEvent> mine;
            for (const ParamEvent &e : events)
                if (e.time >= done && (e.time < done + n || n == 0))
                    mine.push_back({e.time - done, e.type, e.id, e.value});
            InputEvents list(mine);
            // In place, as many hosts run an effect.
            float *channels[2] = {l.data() + done, r.data() + done};
            clap_audio_buffer_t input{channels, nullptr, 2, 0, 0};
            clap_audio_buffer_t output{channels, nullptr, 2, 0, 0};
            clap_process_t p{};
            p.steady_time = done;
            p.frames_count = n;
            p.audio_inputs = &input;
            p.audio_outputs = &output;
            p.audio_inputs_count = p.audio_outputs_count = 1;
            p.in_events = list.get();
            p.out_events = out ? out->get() : ignored.get();
            EXPECT_EQ(plugin->process(plugin, &p), kClapProcessContinue);
            if (frames == 0)
                break;
        }
        for (uint32_t i = 0; i < frames; ++i) {
            result[2 * i] = l[i];
            result[2 * i + 1] = r[i];
        }
        return result;
    }

    std::vector<unsigned char> saved() const {
        std::vector<unsigned char> bytes;
        clap_ostream_t stream{&bytes, [](const clap_ostream_t *s, const void *data, uint64_t size) -> int64_t {
                                  // A stream that takes at most 100 bytes at a time.
                                  const uint64_t n = std::min<uint64_t>(size, 100);
                                  auto *v = static_cast<std::vector<unsigned char> *>(s->ctx);
                                  v->insert(v->end(), static_cast<const unsigned char *>(data),
                                            static_cast<const unsigned char *>(data) + n);
                                  return static_cast<int64_t>(n);
                              }};
        return state->save(plugin, &stream) ? bytes : std::vector<unsigned char>{};
    }

    // Loads bytes through a stream that gives at most `chunk` bytes a read,
    // and fails with -1 after `failAfter` bytes when that is set.
    bool load(const std::vector<unsigned char> &bytes, size_t chunk = 7, size_t failAfter = SIZE_MAX) const {
        struct Source {
            const std::vector<unsigned char> *bytes;
            size_t at, chunk, failAfter;
        } source{&bytes, 0, chunk, failAfter};
        clap_istream_t stream{&source, [](const clap_istream_t *s, void *data, uint64_t size) -> int64_t {
                                  auto *src = static_cast<Source *>(s->ctx);
                                  if (src->at >= src->failAfter)
                                      return -1;
                                  const size_t n = std::min<size_t>(
                                      {static_cast<size_t>(size), src->chunk, src->bytes->size() - src->at});
                                  if (n > 0) // an empty vector's data may be null
                                      std::memcpy(data, src->bytes->data() + src->at, n);
                                  src->at += n;
                                  return static_cast<int64_t>(n);
                              }};
        return state->load(plugin, &stream);
    }

    ClapHost host;
    const clap_plugin_t *plugin = nullptr;
    const clap_plugin_params_t *params = nullptr;
    const clap_plugin_state_t *state = nullptr;
    bool active = false;
};

// The VST 2.4 build, loaded as a host loads it.
struct Vst2Plugin {
    Vst2Plugin() : module(tool::nativePath(SORREL_VST2_MODULE)) {
        host.answerAsPlainHost();
        if (VSTPluginMainProc entry = module.entry())
            effect = entry(host.callback());
        if (effect == nullptr)
            return;
        effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
        effect->dispatcher(effect, effSetBlockSize, 0, kMaxBlock, nullptr, 0);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0);
    }
    ~Vst2Plugin() {
        if (effect != nullptr)
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
    }
    // Runs in, applying each change at its frame by splitting the calls there.
    std::vector<float> render(const std::vector<float> &in, const std::vector<std::pair<uint32_t, std::pair<int32_t, float>>> &changes) {
        const uint32_t frames = static_cast<uint32_t>(in.size() / 2);
        std::vector<float> l(frames), r(frames), outL(frames), outR(frames), result(in.size());
        for (uint32_t i = 0; i < frames; ++i) {
            l[i] = in[2 * i];
            r[i] = in[2 * i + 1];
        }
        uint32_t done = 0;
        size_t next = 0;
        while (done < frames || next < changes.size()) {
            while (next < changes.size() && changes[next].first <= done) {
                effect->setParameter(effect, changes[next].second.first, changes[next].second.second);
                ++next;
            }
            const uint32_t until = next < changes.size() ? std::min(frames, changes[next].first) : frames;
            float *i2[2] = {l.data() + done, r.data() + done};
            float *o2[2] = {outL.data() + done, outR.data() + done};
            if (until > done)
                effect->processReplacing(effect, i2, o2, static_cast<VstInt32>(until - done));
            done = until;
            if (done >= frames && next >= changes.size())
                break;
        }
        for (uint32_t i = 0; i < frames; ++i) {
            result[2 * i] = outL[i];
            result[2 * i + 1] = outR[i];
        }
        return result;
    }

    FakeHost host;
    tool::Module module;
    AEffect *effect = nullptr;
};

// What the host reads back after sending value: the value as the bank
// holds it (normalised, single precision).
double held(int32_t index, double value) {
    return toReadable(index, fromReadable(index, static_cast<float>(value)));
}

} // namespace

TEST(ClapModule, DescriptionFollowsTheParameterTable) {
    const clap_plugin_entry_t *entry = loadEntry();
    ASSERT_NE(entry, nullptr) << "no clap_entry in " SORREL_CLAP_MODULE;
    EXPECT_EQ(entry->clap_version.major, 1u);
    EXPECT_EQ(entry->get_factory("clap.nothing"), nullptr);
    const clap_plugin_factory_t *f = factory();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->get_plugin_count(f), 1u);
    EXPECT_EQ(f->get_plugin_descriptor(f, 1), nullptr);
    const clap_plugin_descriptor_t *d = f->get_plugin_descriptor(f, 0);
    EXPECT_STREQ(d->id, "example.quillmark.sorrel");
    EXPECT_STREQ(d->name, "Sorrel");
    EXPECT_STREQ(d->vendor, "Quillmark");
    std::vector<std::string> features;
    for (const char *const *w = d->features; *w != nullptr; ++w)
        features.push_back(*w);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "equalizer", "stereo"}));

    Plugin p(false);
    ASSERT_NE(p.plugin, nullptr);
    ASSERT_NE(p.params, nullptr);
    ASSERT_EQ(p.params->count(p.plugin), static_cast<uint32_t>(kNumParameters));
    std::vector<clap_id> ids;
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ParameterInfo &row = kParameters[i];
        SCOPED_TRACE(row.symbol);
        clap_param_info_t info;
        ASSERT_TRUE(p.params->get_info(p.plugin, static_cast<uint32_t>(i), &info));
        EXPECT_STREQ(info.name, row.longName);
        EXPECT_EQ(fromReadable(i, static_cast<float>(info.min_value)), 0.f);
        EXPECT_EQ(fromReadable(i, static_cast<float>(info.max_value)), 1.f);
        EXPECT_EQ(fromReadable(i, static_cast<float>(info.default_value)), row.defaultValue);
        EXPECT_EQ(p.value(i), info.default_value);
        EXPECT_TRUE(info.flags & kClapParamIsAutomatable);
        EXPECT_EQ((info.flags & kClapParamIsStepped) != 0, row.kind == ParameterKind::Switch);
        for (clap_id seen : ids)
            EXPECT_NE(seen, info.id);
        ids.push_back(info.id);
    }
    // Ids are hashes of the symbols: pinned, so that no change of the hash
    // loses the automation hosts stored under them.
    EXPECT_EQ(ids[0], 0x43ac180cu) << std::hex << ids[0];
    clap_param_info_t info;
    EXPECT_FALSE(p.params->get_info(p.plugin, static_cast<uint32_t>(kNumParameters), &info));
    double v;
    EXPECT_FALSE(p.params->get_value(p.plugin, kClapInvalidId, &v));

    const auto *ports = static_cast<const clap_plugin_audio_ports_t *>(p.plugin->get_extension(p.plugin, kClapExtAudioPorts));
    ASSERT_NE(ports, nullptr);
    for (bool input : {true, false}) {
        ASSERT_EQ(ports->count(p.plugin, input), 1u);
        clap_audio_port_info_t port;
        ASSERT_TRUE(ports->get(p.plugin, 0, input, &port));
        EXPECT_EQ(port.channel_count, 2u);
        EXPECT_STREQ(port.port_type, kClapPortStereo);
        EXPECT_TRUE(port.flags & kClapAudioPortIsMain);
        EXPECT_EQ(port.in_place_pair, 0u);
        EXPECT_FALSE(ports->get(p.plugin, 1, input, &port));
    }
    const auto *latency = static_cast<const clap_plugin_latency_t *>(p.plugin->get_extension(p.plugin, kClapExtLatency));
    ASSERT_NE(latency, nullptr);
    EXPECT_EQ(latency->get(p.plugin), 0u);
    EXPECT_EQ(p.plugin->get_extension(p.plugin, "clap.nothing"), nullptr);
    EXPECT_EQ(f->create_plugin(f, p.host.host(), "example.other"), nullptr);
    EXPECT_EQ(f->create_plugin(f, nullptr, d->id), nullptr);
}

TEST(ClapModule, EventsAtTheirOffsetsSoundLikeTheVst2Build) {
    const std::vector<float> in = stereoNoise(5000, 3);
    const uint32_t mid = 1500;
    // (frame, index, readable value): at the first frame, the second, inside
    // the block, and one block later.
    const struct {
        uint32_t frame;
        int32_t index;
        double value;
    } changes[] = {
        {0, kFirstBandParameter + 20, 9.0},  {0, kQParameter, 0.75},  {1, kInGainParameter, -3.0},
        {mid, kFirstBandParameter + 3, -7.5}, {mid, kOutGainParameter, 4.25}, {kMaxBlock + 17, kFirstBandParameter + 20, -12.0},
    };
    Plugin clap;
    ASSERT_TRUE(clap.active);
    Vst2Plugin vst;
    ASSERT_NE(vst.effect, nullptr);
    std::vector<ParamEvent> events;
    std::vector<std::pair<uint32_t, std::pair<int32_t, float>>> vstChanges;
    for (const auto &c : changes) {
        events.push_back({c.frame, kClapEventParamValue, clap.id(c.index), c.value});
        vstChanges.push_back({c.frame, {c.index, fromReadable(c.index, static_cast<float>(c.value))}});
    }
    const std::vector<float> expected = vst.render(in, vstChanges);
    EXPECT_EQ(clap.render(in, kMaxBlock, events), expected);
    EXPECT_NE(expected, in);
    // The values the host reads back are the last ones it sent.
    EXPECT_EQ(clap.value(kFirstBandParameter + 20), -12.0);
    EXPECT_EQ(clap.value(kOutGainParameter), held(kOutGainParameter, 4.25));
}

TEST(ClapModule, ZeroAndOneFrameBlocksAndMissingBuffers) {
    Plugin clap;
    Plugin twin;
    Vst2Plugin vst;
    ASSERT_TRUE(clap.active && twin.active && vst.effect != nullptr);
    // A block of no frames still takes its events.
    clap.render({}, kMaxBlock, {{0, kClapEventParamValue, clap.id(kFirstBandParameter), 6.0}});
    EXPECT_EQ(clap.value(kFirstBandParameter), 6.0);
    // One frame at a time sounds as one long block does.
    const std::vector<float> in = stereoNoise(300, 5);
    twin.render({}, kMaxBlock, {{0, kClapEventParamValue, twin.id(kFirstBandParameter), 6.0}});
    const std::vector<float> single = clap.render(in, 1);
    EXPECT_EQ(single, twin.render(in, kMaxBlock));
    EXPECT_EQ(single, vst.render(in, {{0, {kFirstBandParameter, fromReadable(kFirstBandParameter, 6.f)}}}));

    // Buffers a host may leave out: no ports, no channels, null channels;
    // events out of order, past the end, of other kinds, for unknown ids.
    float left[64] = {}, right[64] = {};
    float *both[2] = {left, right};
    float *none[2] = {nullptr, nullptr};
    clap_audio_buffer_t stereo{both, nullptr, 2, 0, 0};
    clap_audio_buffer_t nulls{none, nullptr, 2, 0, 0};
    clap_audio_buffer_t empty{nullptr, nullptr, 0, 0, 0};
    InputEvents odd({{40, kClapEventParamValue, clap.id(kQParameter), 0.2},
                     {3, kClapEventParamValue, clap.id(kQParameter), 0.4},
                     {999, kClapEventParamValue, clap.id(kOutGainParameter), 1.0},
                     {5, kClapEventParamGestureBegin, clap.id(kQParameter), 0},
                     {6, kClapEventParamValue, 12345, 1.0},
                     {7, kClapEventParamValue, clap.id(kInGainParameter), NAN}});
    for (const clap_audio_buffer_t *buffer : {&stereo, &nulls, &empty, static_cast<clap_audio_buffer_t *>(nullptr)}) {
        clap_process_t p{};
        p.frames_count = 64;
        p.audio_inputs = buffer;
        p.audio_outputs = const_cast<clap_audio_buffer_t *>(buffer);
        p.audio_inputs_count = p.audio_outputs_count = buffer != nullptr ? 1 : 0;
        p.in_events = odd.get();
        EXPECT_EQ(clap.plugin->process(clap.plugin, &p), kClapProcessContinue);
    }
    EXPECT_EQ(clap.value(kQParameter), held(kQParameter, 0.4));
    EXPECT_EQ(clap.value(kOutGainParameter), held(kOutGainParameter, 1.0));
    EXPECT_EQ(clap.value(kInGainParameter), 0.0);
    EXPECT_EQ(clap.plugin->process(clap.plugin, nullptr), kClapProcessError);

    // Before activation: silence out, and the host hears it is no block.
    Plugin idle(false);
    std::fill(std::begin(left), std::end(left), 1.f);
    clap_process_t p{};
    p.frames_count = 64;
    p.audio_outputs = &stereo;
    p.audio_outputs_count = 1;
    EXPECT_EQ(idle.plugin->process(idle.plugin, &p), kClapProcessError);
    EXPECT_EQ(left[63], 0.f);
    EXPECT_FALSE(idle.plugin->activate(idle.plugin, 0.0, 1, 512));
    EXPECT_FALSE(idle.plugin->activate(idle.plugin, kRate, 1, 0));
}

TEST(ClapModule, StateRoundTripGivesEqualStateAndSound) {
    const std::vector<float> in = stereoNoise(3000, 7);
    Plugin a;
    std::vector<ParamEvent> settings;
    for (int32_t i = 0; i < kNumParameters; ++i)
        settings.push_back({0, kClapEventParamValue, a.id(i),
                            kParameters[i].minimum + (kParameters[i].maximum - kParameters[i].minimum) * ((i * 7) % 11) / 10.0});
    a.render(in, 512, settings);
    const std::vector<unsigned char> bytes = a.saved();
    ASSERT_FALSE(bytes.empty());

    Plugin b;
    EXPECT_TRUE(b.load(bytes));
    EXPECT_EQ(b.host.rescans, std::vector<uint32_t>{kClapParamRescanValues});
    EXPECT_EQ(b.saved(), bytes);
    for (int32_t i = 0; i < kNumParameters; ++i)
        EXPECT_EQ(b.value(i), a.value(i)) << kParameters[i].symbol;
    // Equal sound from fresh filters: a twin set up by events alone.
    Plugin twin;
    twin.render({}, 512, settings);
    EXPECT_EQ(b.render(in, 512), twin.render(in, 512));
}

TEST(ClapModule, RefusedStatesChangeNothing) {
    const std::vector<float> in = stereoNoise(1000, 9);
    Plugin p;
    Plugin twin;
    for (Plugin *x : {&p, &twin})
        x->render({}, 64, {{0, kClapEventParamValue, x->id(kFirstBandParameter + 10), 6.0}});
    const std::vector<unsigned char> before = p.saved();
    ASSERT_GT(before.size(), 16u);

    auto changed = [&](size_t at, unsigned char value) {
        std::vector<unsigned char> v = before;
        v[at] = value;
        return v;
    };
    auto resized = [&](size_t n) {
        std::vector<unsigned char> v = before;
        v.resize(n, 0);
        return v;
    };
    // A consistent header around a bank the effect does not take.
    std::vector<unsigned char> shortBank(before.begin(), before.end() - 4);
    shortBank[12] = static_cast<unsigned char>(shortBank.size() - 16);
    shortBank[13] = static_cast<unsigned char>((shortBank.size() - 16) >> 8);
    const struct {
        const char *what;
        std::vector<unsigned char> bytes;
        size_t failAfter;
    } cases[] = {
        {"empty", {}, SIZE_MAX},
        {"header only", resized(16), SIZE_MAX},
        {"one byte short", resized(before.size() - 1), SIZE_MAX},
        {"one byte long", resized(before.size() + 1), SIZE_MAX},
        {"far too long", resized(70000), SIZE_MAX},
        {"wrong magic", changed(0, 'X'), SIZE_MAX},
        {"version 2", changed(4, 2), SIZE_MAX},
        {"program 10", changed(8, 10), SIZE_MAX},
        {"program -1", changed(11, 0xff), SIZE_MAX},
        {"length says more", changed(13, before[13] + 1), SIZE_MAX},
        {"bank the effect refuses", shortBank, SIZE_MAX},
        {"read error midway", before, 100},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(p.load(c.bytes, 7, c.failAfter));
        EXPECT_EQ(p.saved(), before);
        EXPECT_EQ(p.render(in, 128), twin.render(in, 128));
    }
    EXPECT_TRUE(p.host.rescans.empty());
    EXPECT_FALSE(p.state->load(p.plugin, nullptr));
    EXPECT_FALSE(p.state->save(p.plugin, nullptr));
    // A stream that takes nothing fails the save.
    clap_ostream_t full{nullptr, [](const clap_ostream_t *, const void *, uint64_t) -> int64_t { return 0; }};
    EXPECT_FALSE(p.state->save(p.plugin, &full));
}

TEST(ClapModule, TextAndValueOfEveryParameter) {
    Plugin p(false);
    char text[64];
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const ParameterInfo &row = kParameters[i];
        SCOPED_TRACE(row.symbol);
        const clap_id id = p.id(i);
        for (double n : {0.0, 0.125, 0.3, 0.5, 0.77, 1.0}) {
            const double value = held(i, toReadable(i, static_cast<float>(n)));
            ASSERT_TRUE(p.params->value_to_text(p.plugin, id, value, text, sizeof text));
            double back = NAN;
            ASSERT_TRUE(p.params->text_to_value(p.plugin, id, text, &back)) << text;
            // The text is the readout's (0.1 dB, Q to 0.01), and reads back
            // to a value that shows the same text.
            EXPECT_NEAR(back, value, row.kind == ParameterKind::Gain ? 0.05 + 1e-5 : 0.005 + 1e-6) << text;
            char again[64];
            ASSERT_TRUE(p.params->value_to_text(p.plugin, id, back, again, sizeof again));
            EXPECT_STREQ(again, text);
        }
    }
    const clap_id gain = p.id(kFirstBandParameter), q = p.id(kQParameter), meters = p.id(kInMetersParameter);
    const struct {
        clap_id id;
        const char *text;
        bool ok;
        double value;
    } parsed[] = {
        {gain, "+3 dB", true, 3.0},   {gain, " -12.5dB ", true, -12.0}, {gain, "99", true, 12.0},
        {gain, "-0.25", true, -0.25}, {gain, "3 Hz", false, 0},          {gain, "abc", false, 0},
        {gain, "", false, 0},         {gain, "nan", false, 0},           {q, "0.25", true, 0.25},
        {q, "0.5 dB", false, 0},      {meters, "on", true, 1.0},         {meters, "OFF", true, 0.0},
        {meters, "0.7", true, 1.0},   {12345, "1", false, 0},
    };
    for (const auto &c : parsed) {
        SCOPED_TRACE(c.text);
        double v = -99;
        EXPECT_EQ(p.params->text_to_value(p.plugin, c.id, c.text, &v), c.ok);
        if (c.ok) {
            EXPECT_NEAR(v, c.value, 1e-6);
        }
    }
    const struct {
        clap_id id;
        double value;
        uint32_t capacity;
        const char *text; // null: refused
    } shown[] = {
        {gain, -3.3, 64, "-3.3 dB"}, {gain, -0.001, 64, "0.0 dB"}, {gain, 40, 64, "12.0 dB"},
        {q, 0.5, 64, "Q 0.50"},      {meters, 1, 64, "On"},        {meters, 0, 64, "Off"},
        {gain, 1, 7, "1.0 dB"},      {gain, 1, 6, nullptr},        {gain, NAN, 64, nullptr},
        {12345, 1, 64, nullptr},
    };
    for (const auto &c : shown) {
        std::memset(text, 0, sizeof text);
        EXPECT_EQ(p.params->value_to_text(p.plugin, c.id, c.value, text, c.capacity), c.text != nullptr);
        if (c.text != nullptr) {
            EXPECT_STREQ(text, c.text);
        }
    }
}

TEST(ClapModule, FlushTakesEventsWhileNotProcessing) {
    Plugin p(false);
    InputEvents in({{0, kClapEventParamValue, p.id(kOutGainParameter), -6.0}});
    OutputEvents out;
    p.params->flush(p.plugin, in.get(), out.get());
    EXPECT_EQ(p.value(kOutGainParameter), -6.0);
    EXPECT_TRUE(out.events.empty());
    p.params->flush(p.plugin, nullptr, nullptr);
}
