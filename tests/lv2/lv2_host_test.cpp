// The LV2 bundle seen through lilv, as hosts see it: the description against
// the parameter table, state round trips and refusals, the factory presets,
// odd calls, and the sound for any block length.
#include "effect/factory_presets.h"
#include "effect/parameters.h"
#include "lv2/lv2_ports.h"
#include "tests/support/noise.h"
#include "tests/support/urid_map.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace sorrel;
using namespace sorrel::lv2;

namespace {

constexpr double kRate = 48000;
constexpr uint32_t kRecordBytes = 32 + 4 * kNumParameters;
constexpr uint32_t kStateBytes = 4 + 10 * kRecordBytes;

using sorrel::test::UridMap;
using sorrel::test::stereoNoise;

class Lv2Host : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        world = lilv_world_new();
        LilvNode *bundle = lilv_new_file_uri(world, nullptr, SORREL_LV2_BUNDLE);
        lilv_world_load_bundle(world, bundle);
        lilv_node_free(bundle);
        LilvNode *uri = lilv_new_uri(world, kPluginUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
    }
    static void TearDownTestSuite() {
        lilv_world_free(world);
        world = nullptr;
    }
    void SetUp() override { ASSERT_NE(plugin, nullptr) << "bundle not found in " SORREL_LV2_BUNDLE; }

    static LilvWorld *world;
    static const LilvPlugin *plugin;
};
LilvWorld *Lv2Host::world = nullptr;
const LilvPlugin *Lv2Host::plugin = nullptr;

// One instance with every port connected to its own buffer; port values in
// what the ports carry (dB, Q, 0/1).
struct Instance {
    Instance(const LilvPlugin *plugin, UridMap &map, const LV2_Feature *const *features) : urids(map) {
        handle = lilv_plugin_instantiate(plugin, kRate, features);
        if (handle == nullptr)
            return;
        for (int32_t i = 0; i < kNumParameters; ++i)
            controls[i] = toReadable(i, kParameters[i].defaultValue);
        for (int32_t i = 0; i < kNumParameters; ++i)
            lilv_instance_connect_port(handle, parameterPort(i), &controls[i]);
        for (uint32_t k = 0; k < kNumMeterPorts; ++k)
            lilv_instance_connect_port(handle, kFirstMeterPort + k, &meters[k]);
        state = static_cast<const LV2_State_Interface *>(lilv_instance_get_extension_data(handle, LV2_STATE__interface));
        lilv_instance_activate(handle);
    }
    ~Instance() {
        if (handle != nullptr) {
            lilv_instance_deactivate(handle);
            lilv_instance_free(handle);
        }
    }

    // Runs in (stereo, interleaved) through the plug-in in blocks of `block`.
    std::vector<float> render(const std::vector<float> &in, uint32_t block) {
        const uint32_t frames = static_cast<uint32_t>(in.size() / 2);
        std::vector<float> l(frames), r(frames), outL(frames), outR(frames), out(in.size());
        for (uint32_t i = 0; i < frames; ++i) {
            l[i] = in[2 * i];
            r[i] = in[2 * i + 1];
        }
        for (uint32_t done = 0; done < frames; done += block) {
            const uint32_t n = std::min(block, frames - done);
            lilv_instance_connect_port(handle, kAudioInLeft, l.data() + done);
            lilv_instance_connect_port(handle, kAudioInRight, r.data() + done);
            lilv_instance_connect_port(handle, kAudioOutLeft, outL.data() + done);
            lilv_instance_connect_port(handle, kAudioOutRight, outR.data() + done);
            lilv_instance_run(handle, n);
        }
        for (uint32_t i = 0; i < frames; ++i) {
            out[2 * i] = outL[i];
            out[2 * i + 1] = outR[i];
        }
        return out;
    }

    // The state property as the plug-in stores it; empty when it stored none.
    std::vector<unsigned char> saved() {
        std::vector<unsigned char> bytes;
        struct Sink {
            std::vector<unsigned char> *bytes;
            LV2_URID key, type;
            uint32_t flags = 0;
        } sink{&bytes, urids.id(SORREL_LV2_URI "#bank"), 0};
        auto store = [](LV2_State_Handle h, uint32_t key, const void *value, size_t size, uint32_t type,
                        uint32_t flags) -> LV2_State_Status {
            auto *s = static_cast<Sink *>(h);
            if (key != s->key)
                return LV2_STATE_ERR_UNKNOWN;
            s->bytes->assign(static_cast<const unsigned char *>(value),
                             static_cast<const unsigned char *>(value) + size);
            s->type = type;
            s->flags = flags;
            return LV2_STATE_SUCCESS;
        };
        if (state->save(lilv_instance_get_handle(handle), store, &sink, LV2_STATE_IS_POD, nullptr) !=
            LV2_STATE_SUCCESS)
            return {};
        EXPECT_EQ(sink.type, urids.id(LV2_ATOM__Chunk));
        EXPECT_EQ(sink.flags & (LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE), LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
        return bytes;
    }

    // Hands the plug-in one property, as a host's retrieve would.
    LV2_State_Status restore(const std::vector<unsigned char> &bytes, LV2_URID type, bool present = true) {
        struct Source {
            const std::vector<unsigned char> *bytes;
            LV2_URID key, type;
            bool present;
        } source{&bytes, urids.id(SORREL_LV2_URI "#bank"), type, present};
        auto retrieve = [](LV2_State_Handle h, uint32_t key, size_t *size, uint32_t *t, uint32_t *flags) -> const void * {
            auto *s = static_cast<Source *>(h);
            if (key != s->key || !s->present)
                return nullptr;
            *size = s->bytes->size();
            *t = s->type;
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            return s->bytes->data();
        };
        return state->restore(lilv_instance_get_handle(handle), retrieve, &source, 0, nullptr);
    }

    UridMap &urids;
    LilvInstance *handle = nullptr;
    const LV2_State_Interface *state = nullptr;
    float controls[kNumParameters] = {};
    float meters[kNumMeterPorts] = {};
};

float recordValue(const std::vector<unsigned char> &state, int32_t program, int32_t index) {
    const size_t at = 4 + static_cast<size_t>(program) * kRecordBytes + 32 + 4 * static_cast<size_t>(index);
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<uint32_t>(state[at + static_cast<size_t>(i)]) << (8 * i);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void putRecordValue(std::vector<unsigned char> &state, int32_t program, int32_t index, float value) {
    const size_t at = 4 + static_cast<size_t>(program) * kRecordBytes + 32 + 4 * static_cast<size_t>(index);
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        state[at + static_cast<size_t>(i)] = static_cast<unsigned char>(bits >> (8 * i));
}

// A bank in which every program differs, program 3 selected.
std::vector<unsigned char> distinctBank(const std::vector<unsigned char> &fresh) {
    std::vector<unsigned char> s = fresh;
    s[0] = 3;
    for (int32_t p = 0; p < 10; ++p) {
        s[4 + static_cast<size_t>(p) * kRecordBytes] = static_cast<unsigned char>('A' + p);
        for (int32_t i = 0; i < kNumParameters; ++i)
            putRecordValue(s, p, i, static_cast<float>((p * 7 + i * 3) % 17) / 16.f);
    }
    return s;
}

} // namespace

TEST_F(Lv2Host, PortsFollowTheParameterTable) {
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), kNumPorts);
    std::vector<float> mins(kNumPorts), maxs(kNumPorts), defs(kNumPorts);
    lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
    LilvNode *input = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode *control = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode *toggled = lilv_new_uri(world, LV2_CORE__toggled);
    for (int32_t i = 0; i < kNumParameters; ++i) {
        const uint32_t index = parameterPort(i);
        const LilvPort *port = lilv_plugin_get_port_by_index(plugin, index);
        const ParameterInfo &p = kParameters[i];
        SCOPED_TRACE(p.symbol);
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), p.symbol);
        LilvNode *name = lilv_port_get_name(plugin, port);
        EXPECT_STREQ(lilv_node_as_string(name), p.longName);
        lilv_node_free(name);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, input) && lilv_port_is_a(plugin, port, control));
        // The port's default and range are exactly the table's.
        EXPECT_EQ(fromReadable(i, defs[index]), p.defaultValue);
        EXPECT_EQ(fromReadable(i, mins[index]), 0.f);
        EXPECT_EQ(fromReadable(i, maxs[index]), 1.f);
        EXPECT_EQ(lilv_port_has_property(plugin, port, toggled), p.kind == ParameterKind::Switch);
    }
    for (uint32_t k = kFirstMeterPort; isMeterPort(k); ++k)
        EXPECT_FALSE(lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, k), input)) << k;
    lilv_node_free(input);
    lilv_node_free(control);
    lilv_node_free(toggled);
}

TEST_F(Lv2Host, InstantiatesWithoutFeaturesAndSurvivesOddCalls) {
    // lilv always passes a list; the plug-in must also take none at all.
    UridMap urids;
    const LV2_Feature *none[] = {nullptr};
    Instance withEmptyList(plugin, urids, none);
    ASSERT_NE(withEmptyList.handle, nullptr);
    const LV2_Descriptor *d = lilv_instance_get_descriptor(withEmptyList.handle);
    LV2_Handle bare = d->instantiate(d, kRate, SORREL_LV2_BUNDLE, nullptr);
    ASSERT_NE(bare, nullptr);
    // Nothing connected, then everything null, a port past the end: runs of
    // 0 and 1 frames do nothing harmful.
    d->activate(bare);
    d->run(bare, 0);
    d->run(bare, 1);
    for (uint32_t port = 0; port < kNumPorts + 3; ++port)
        d->connect_port(bare, port, nullptr);
    d->run(bare, 0);
    d->run(bare, 1);
    d->run(bare, 1000);
    // Without a URID map there is no state to save, and saying so is all.
    const auto *state = static_cast<const LV2_State_Interface *>(d->extension_data(LV2_STATE__interface));
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->save(bare, nullptr, nullptr, 0, nullptr), LV2_STATE_ERR_NO_FEATURE);
    EXPECT_EQ(state->restore(bare, nullptr, nullptr, 0, nullptr), LV2_STATE_ERR_NO_FEATURE);
    d->deactivate(bare);
    d->cleanup(bare);
    EXPECT_EQ(d->instantiate(d, 0.0, SORREL_LV2_BUNDLE, nullptr), nullptr);
    EXPECT_EQ(d->extension_data("urn:nothing"), nullptr);
}

TEST_F(Lv2Host, SoundIsTheSameForEveryBlockLength) {
    UridMap urids;
    const std::vector<float> in = stereoNoise(5000);
    std::vector<float> reference;
    for (uint32_t block : {4096u, 1u, 7u, 512u, 5000u}) {
        Instance instance(plugin, urids, urids.features);
        instance.controls[kInGainParameter] = -3.f;
        instance.controls[kFirstBandParameter + 20] = 9.f;
        instance.controls[kQParameter] = 0.75f;
        const std::vector<float> out = instance.render(in, block);
        if (reference.empty())
            reference = out;
        EXPECT_EQ(out, reference) << "block " << block;
    }
    EXPECT_NE(reference, in);
}

TEST_F(Lv2Host, UnconnectedAudioPortsReadSilence) {
    UridMap urids;
    Instance instance(plugin, urids, urids.features);
    std::vector<float> out(300, 1.f);
    lilv_instance_connect_port(instance.handle, kAudioOutLeft, out.data());
    lilv_instance_run(instance.handle, static_cast<uint32_t>(out.size()));
    for (float x : out)
        ASSERT_EQ(x, 0.f);
}

TEST_F(Lv2Host, MetersLightWithSignal) {
    UridMap urids;
    Instance instance(plugin, urids, urids.features);
    instance.render(stereoNoise(4096), 256);
    int lit = 0;
    for (float m : instance.meters)
        lit += m > 0.f;
    EXPECT_EQ(lit, static_cast<int>(kNumMeterPorts));
}

TEST_F(Lv2Host, StateRoundTripThroughLilvGivesEqualStateAndSound) {
    UridMap urids;
    const std::vector<float> in = stereoNoise(4000, 7);
    // a is saved; twin is set up alike and keeps fresh filters, to compare
    // the restored instance's sound with.
    Instance a(plugin, urids, urids.features);
    Instance twin(plugin, urids, urids.features);
    for (Instance *i : {&a, &twin}) {
        ASSERT_EQ(i->restore(distinctBank(i->saved()), urids.id(LV2_ATOM__Chunk)), LV2_STATE_SUCCESS);
        i->controls[kOutGainParameter] = 4.5f;
        i->controls[kFirstBandParameter + 3] = -7.5f;
        i->controls[kOutMetersParameter] = 0.f;
    }
    a.render(in, 64);
    const std::vector<unsigned char> before = a.saved();
    ASSERT_EQ(before.size(), kStateBytes);

    auto getValue = [](const char *symbol, void *data, uint32_t *size, uint32_t *type) -> const void * {
        auto *inst = static_cast<Instance *>(data);
        for (int32_t i = 0; i < kNumParameters; ++i)
            if (std::strcmp(symbol, kParameters[i].symbol) == 0) {
                *size = sizeof(float);
                *type = inst->urids.id(LV2_ATOM__Float);
                return &inst->controls[i];
            }
        return nullptr;
    };
    LilvState *state = lilv_state_new_from_instance(plugin, a.handle, &urids.map, nullptr, nullptr, nullptr, nullptr,
                                                    getValue, &a, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    ASSERT_NE(state, nullptr);
    // Through text, as a host's session file would carry it.
    char *text = lilv_state_to_string(world, &urids.map, &urids.unmap, state, "urn:sorrel:test", nullptr);
    lilv_state_free(state);
    LilvState *loaded = lilv_state_new_from_string(world, &urids.map, text);
    ASSERT_NE(loaded, nullptr);

    Instance b(plugin, urids, urids.features);
    auto setValue = [](const char *symbol, void *data, const void *value, uint32_t size, uint32_t) {
        auto *inst = static_cast<Instance *>(data);
        for (int32_t i = 0; i < kNumParameters; ++i)
            if (std::strcmp(symbol, kParameters[i].symbol) == 0 && size == sizeof(float))
                std::memcpy(&inst->controls[i], value, sizeof(float));
    };
    lilv_state_restore(loaded, b.handle, setValue, &b, 0, urids.features);
    lilv_state_free(loaded);
    lilv_free(text);

    EXPECT_EQ(std::memcmp(a.controls, b.controls, sizeof a.controls), 0);
    EXPECT_EQ(b.render(in, 64), twin.render(in, 64));
    EXPECT_EQ(b.saved(), before);
}

// A state saved before the response switch (records of 36 values) loads as
// the classic response with its values, and sounds like the same bank saved
// today; a state saved in the true response reloads in it.
TEST_F(Lv2Host, StatesOfBothLayoutsAndBothResponsesRoundTrip) {
    UridMap urids;
    const LV2_URID chunk = urids.id(LV2_ATOM__Chunk);
    const std::vector<float> in = stereoNoise(2000, 3);
    Instance fresh(plugin, urids, urids.features);
    std::vector<unsigned char> today = distinctBank(fresh.saved());
    for (int32_t p = 0; p < 10; ++p)
        putRecordValue(today, p, kResponseParameter, 0.f);
    std::vector<unsigned char> first(today.begin(), today.begin() + 4);
    const size_t oldRecord = 32 + 4 * static_cast<size_t>(kNumFirstParameters);
    for (size_t p = 0; p < 10; ++p)
        first.insert(first.end(), today.begin() + 4 + static_cast<std::ptrdiff_t>(p * kRecordBytes),
                     today.begin() + 4 + static_cast<std::ptrdiff_t>(p * kRecordBytes + oldRecord));
    ASSERT_EQ(first.size(), 4u + 1760u);

    Instance old(plugin, urids, urids.features), now(plugin, urids, urids.features);
    ASSERT_EQ(old.restore(first, chunk), LV2_STATE_SUCCESS);
    ASSERT_EQ(now.restore(today, chunk), LV2_STATE_SUCCESS);
    EXPECT_EQ(old.render(in, 100), now.render(in, 100));
    EXPECT_EQ(old.saved(), now.saved());
    for (int32_t p = 0; p < 10; ++p)
        EXPECT_EQ(recordValue(old.saved(), p, kResponseParameter), 0.f) << p;

    // The true response, set through its port, saved and restored.
    now.controls[kResponseParameter] = 1.f;
    now.render(in, 100);
    const std::vector<unsigned char> saved = now.saved();
    EXPECT_EQ(recordValue(saved, 3, kResponseParameter), 1.f);
    Instance again(plugin, urids, urids.features);
    again.controls[kResponseParameter] = 1.f; // a host restores the port by its symbol too
    ASSERT_EQ(again.restore(saved, chunk), LV2_STATE_SUCCESS);
    again.render(in, 100);
    EXPECT_EQ(again.saved(), saved);
}

TEST_F(Lv2Host, PortsWinForTheSelectedProgramAfterRestore) {
    UridMap urids;
    Instance instance(plugin, urids, urids.features);
    const std::vector<unsigned char> bank = distinctBank(instance.saved());
    ASSERT_EQ(instance.restore(bank, urids.id(LV2_ATOM__Chunk)), LV2_STATE_SUCCESS);
    instance.render(stereoNoise(16), 16);
    // Every other program as restored; the selected one holds the ports'
    // values (still the defaults), so ports and state agree.
    const std::vector<unsigned char> after = instance.saved();
    for (int32_t p = 0; p < 10; ++p)
        for (int32_t i = 0; i < kNumParameters; ++i) {
            const float expected = p == 3 ? fromReadable(i, instance.controls[i]) : recordValue(bank, p, i);
            ASSERT_EQ(recordValue(after, p, i), expected) << p << " " << i;
        }
    EXPECT_EQ(after[0], 3);
    EXPECT_EQ(after[4 + 3 * kRecordBytes], 'D');
}

TEST_F(Lv2Host, RefusedStateChangesNothing) {
    UridMap urids;
    const std::vector<float> in = stereoNoise(2000, 3);
    // twin hears the same and gets no state: the two must sound alike.
    Instance instance(plugin, urids, urids.features);
    Instance twin(plugin, urids, urids.features);
    instance.controls[kFirstBandParameter + 10] = twin.controls[kFirstBandParameter + 10] = 6.f;
    instance.render(in, 128);
    twin.render(in, 128);
    const std::vector<unsigned char> good = distinctBank(instance.saved());
    const std::vector<unsigned char> before = instance.saved();

    auto resized = [&](size_t n) {
        std::vector<unsigned char> v = good;
        v.resize(n, 0);
        return v;
    };
    auto program = [&](uint32_t p) {
        std::vector<unsigned char> v = good;
        for (int i = 0; i < 4; ++i)
            v[static_cast<size_t>(i)] = static_cast<unsigned char>(p >> (8 * i));
        return v;
    };
    const LV2_URID chunk = urids.id(LV2_ATOM__Chunk);
    const struct {
        const char *what;
        std::vector<unsigned char> bytes;
        LV2_URID type;
        bool present;
    } cases[] = {
        {"empty", {}, chunk, true},
        {"one byte short", resized(kStateBytes - 1), chunk, true},
        {"one byte long", resized(kStateBytes + 1), chunk, true},
        {"bank without header", resized(1760), chunk, true},
        {"program record only", resized(4 + kRecordBytes), chunk, true},
        {"program 10", program(10), chunk, true},
        {"program -1", program(0xffffffffu), chunk, true},
        {"string type", good, urids.id(LV2_ATOM__String), true},
        {"no type", good, 0, true},
        {"missing", good, chunk, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(instance.restore(c.bytes, c.type, c.present), LV2_STATE_SUCCESS);
        EXPECT_EQ(instance.saved(), before);
        EXPECT_EQ(instance.render(in, 128), twin.render(in, 128));
    }
}

TEST_F(Lv2Host, FactoryPresetsLoadTheirValues) {
    UridMap urids;
    LilvNode *presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes *presets = lilv_plugin_get_related(plugin, presetClass);
    EXPECT_EQ(lilv_nodes_size(presets), static_cast<unsigned>(kNumFactoryPresets));
    for (int32_t k = 0; k < kNumFactoryPresets; ++k) {
        const FactoryPreset &preset = kFactoryPresets[k];
        SCOPED_TRACE(preset.symbol);
        LilvNode *uri = lilv_new_uri(world, (std::string(kPresetUriPrefix) + preset.symbol).c_str());
        ASSERT_TRUE(lilv_nodes_contains(presets, uri));
        lilv_world_load_resource(world, uri);
        LilvState *state = lilv_state_new_from_world(world, &urids.map, uri);
        ASSERT_NE(state, nullptr);
        EXPECT_STREQ(lilv_state_get_label(state), preset.name);
        Instance instance(plugin, urids, urids.features);
        int set = 0;
        struct Target {
            Instance *instance;
            int *set;
        } target{&instance, &set};
        lilv_state_restore(
            state, instance.handle,
            [](const char *symbol, void *data, const void *value, uint32_t size, uint32_t) {
                auto *t = static_cast<Target *>(data);
                for (int32_t i = 0; i < kNumParameters; ++i)
                    if (std::strcmp(symbol, kParameters[i].symbol) == 0 && size == sizeof(float)) {
                        std::memcpy(&t->instance->controls[i], value, sizeof(float));
                        ++*t->set;
                    }
            },
            &target, 0, urids.features);
        EXPECT_EQ(set, kNumParameters);
        instance.render(stereoNoise(8), 8);
        // The plug-in's program holds the table's values bit for bit.
        const std::vector<unsigned char> saved = instance.saved();
        for (int32_t i = 0; i < kNumParameters; ++i)
            EXPECT_EQ(recordValue(saved, 0, i), preset.values[i]) << kParameters[i].symbol;
        lilv_state_free(state);
        lilv_node_free(uri);
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
}
