// The LV2 plug-in through its one exported symbol, as an odd host would drive
// it: instantiated at any rate with any mix of features (none, a urid:map
// without a function, options with wrong types, sizes and block lengths),
// ports connected to buffers or to null, runs of 0, 1 and many frames with
// any control values, and state restored from any bytes of any type and
// size. A refused state must leave the saved state byte for byte as it was,
// an accepted one must name the program it selects, and full-scale noise
// must come out finite whatever happened before.
#include "effect/equalizer_effect.h"
#include "lv2/lv2_ports.h"
#include "tests/fuzz/fuzz_report.h"
#include "tests/support/urid_map.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace sorrel;
using namespace sorrel::lv2;

namespace {

constexpr int kMaxSteps = 48;
constexpr uint32_t kMaxFrames = 1200;
// What the plug-in saves: the program and the bank, a record of every
// parameter per program. States of the first release hold records of its 36
// parameters; the plug-in still takes them.
constexpr size_t kStateBytes =
    kStateHeaderSize + EqualizerEffect::kNumPrograms * ProgramBank::recordSizeFor(kNumParameters);
constexpr size_t kFirstStateBytes =
    kStateHeaderSize + EqualizerEffect::kNumPrograms * ProgramBank::recordSizeFor(kNumFirstParameters);

using sorrel::fuzz::fail;

// Restores offered, taken and refused.
sorrel::fuzz::StateCounts counts{"lv2"};

using sorrel::test::UridMap;

// The property a save stored, or the one a restore is offered.
struct Property {
    bool stored = false;
    uint32_t key = 0, type = 0, flags = 0;
    std::vector<uint8_t> bytes;
};

LV2_State_Status store(LV2_State_Handle h, uint32_t key, const void *value, size_t size, uint32_t type,
                       uint32_t flags) {
    auto *p = static_cast<Property *>(h);
    p->stored = true;
    p->key = key;
    p->type = type;
    p->flags = flags;
    const auto *bytes = static_cast<const uint8_t *>(value);
    p->bytes.assign(bytes, bytes + size);
    return LV2_STATE_SUCCESS;
}

struct Offer {
    uint32_t key = 0, type = 0;
    bool present = true;
    std::vector<uint8_t> bytes;
};

const void *retrieve(LV2_State_Handle h, uint32_t key, size_t *size, uint32_t *type, uint32_t *flags) {
    auto *o = static_cast<Offer *>(h);
    if (!o->present || key != o->key)
        return nullptr;
    *size = o->bytes.size();
    *type = o->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    // An empty property still comes with an address, as lilv gives it.
    static const uint8_t nothing = 0;
    return o->bytes.empty() ? &nothing : o->bytes.data();
}

// Features as hosts have offered them, well formed or not.
struct Features {
    UridMap urids;
    LV2_URID_Map brokenMap{nullptr, nullptr};
    int32_t blockValue = 0;
    int64_t longValue = 0;
    std::vector<LV2_Options_Option> options;
    std::vector<LV2_Feature> list;
    std::vector<const LV2_Feature *> pointers;
    bool hasMap = false;

    // Null (no list at all) or a terminated list, possibly empty. An
    // exhausted input gives a plain host's list (a urid:map), so that short
    // inputs reach the state code.
    const LV2_Feature *const *make(FuzzedDataProvider &in) {
        const int shape = in.ConsumeIntegralInRange<int>(0, 7);
        if (shape == 7)
            return nullptr;
        const int count = shape == 6 ? 0 : 1 + in.ConsumeIntegralInRange<int>(0, 4);
        options.clear();
        for (int k = 0; k < count; ++k) {
            switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
            case 1:
                list.push_back({LV2_URID__map, &urids.map});
                hasMap = true;
                break;
            case 2:
                list.push_back({LV2_URID__map, in.ConsumeBool() ? nullptr : &brokenMap});
                break;
            case 3:
                list.push_back({LV2_OPTIONS__options, nullptr});
                break;
            case 4:
                list.push_back({in.ConsumeBool() ? nullptr : LV2_BUF_SIZE__boundedBlockLength, nullptr});
                break;
            default:
                addOptions(in);
                break;
            }
        }
        for (const LV2_Feature &f : list)
            pointers.push_back(&f);
        pointers.push_back(nullptr);
        return pointers.data();
    }

    void addOptions(FuzzedDataProvider &in) {
        if (!options.empty())
            return;
        blockValue = in.ConsumeIntegral<int32_t>();
        longValue = in.ConsumeIntegral<int64_t>();
        const LV2_URID block = urids.id(LV2_BUF_SIZE__maxBlockLength);
        const LV2_URID intType = urids.id(LV2_ATOM__Int);
        const LV2_URID longType = urids.id(LV2_ATOM__Long);
        for (int k = in.ConsumeIntegralInRange<int>(0, 3); k > 0; --k) {
            LV2_Options_Option o{LV2_OPTIONS_INSTANCE, 0, block, sizeof(int32_t), intType, &blockValue};
            switch (in.ConsumeIntegralInRange<int>(0, 4)) {
            case 0:
                o.type = longType;
                o.size = sizeof(int64_t);
                o.value = &longValue;
                break;
            case 1:
                o.size = in.ConsumeIntegralInRange<uint32_t>(0, 3);
                break;
            case 2:
                o.value = nullptr;
                o.key = urids.id(LV2_BUF_SIZE__minBlockLength);
                break;
            default:
                break;
            }
            options.push_back(o);
        }
        options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
        list.push_back({LV2_OPTIONS__options, options.data()});
    }

    Features() {
        list.reserve(8);
        options.reserve(8);
    }
};

struct Buffers {
    std::vector<float> audio[4];
    float controls[kNumParameters];
    float meters[kNumMeterPorts];
    Buffers() {
        for (auto &a : audio)
            a.assign(kMaxFrames, 0.f);
        for (int32_t i = 0; i < kNumParameters; ++i)
            controls[i] = sorrel::toReadable(i, sorrel::parameterInfo(i)->defaultValue);
        for (float &m : meters)
            m = 0.f;
    }
    void *port(uint32_t index) {
        if (index < kFirstParameterPort)
            return audio[index].data();
        if (portParameter(index) >= 0)
            return &controls[portParameter(index)];
        if (isMeterPort(index))
            return &meters[index - kFirstMeterPort];
        return audio[0].data(); // ports beyond the last must be ignored
    }
};

struct Plugin {
    const LV2_Descriptor *d;
    LV2_Handle h;
    const LV2_State_Interface *state;
    Features &features;
    Buffers &buffers;

    Property save() {
        Property p;
        if (state == nullptr)
            return p;
        const LV2_State_Status status = state->save(h, store, &p, 0, nullptr);
        if ((status == LV2_STATE_SUCCESS) != p.stored)
            fail("save's answer does not match what it stored", status);
        if (p.stored) {
            if (!features.hasMap)
                fail("state saved without a urid:map");
            if (p.bytes.size() != kStateBytes || p.key != features.urids.id(kBankStateUri) ||
                p.type != features.urids.id(LV2_ATOM__Chunk))
                fail("the saved property is not the bank chunk", static_cast<long long>(p.bytes.size()));
        }
        return p;
    }

    void restore(FuzzedDataProvider &in) {
        if (state == nullptr)
            return;
        Offer offer;
        offer.key = features.urids.id(kBankStateUri);
        offer.type = features.urids.id(LV2_ATOM__Chunk);
        const Property before = save();
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 4:
            offer.present = false;
            break;
        case 5:
            offer.bytes = before.stored ? before.bytes : std::vector<uint8_t>(kStateBytes, 0);
            offer.type = features.urids.id(in.ConsumeBool() ? LV2_ATOM__String : LV2_ATOM__Int);
            break;
        case 6: {
            // Any length; what the input does not fill stays zero.
            const size_t length = in.ConsumeIntegralInRange<size_t>(0, 2 * kStateBytes);
            offer.bytes = in.ConsumeBytes<uint8_t>(length);
            offer.bytes.resize(length, 0);
            break;
        }
        case 7: {
            // A state a few bytes too short or too long.
            offer.bytes = before.stored ? before.bytes : std::vector<uint8_t>(kStateBytes, 0);
            const int delta = in.ConsumeIntegralInRange<int>(-4, 3);
            offer.bytes.resize(static_cast<size_t>(static_cast<int>(kStateBytes) + (delta >= 0 ? delta + 1 : delta)), 0);
            break;
        }
        default:
            // Mostly the right length: the saved state with another
            // program named (one past the last too) and a few bytes changed.
            offer.bytes = before.stored ? before.bytes : std::vector<uint8_t>(kStateBytes, 0);
            if (in.ConsumeBool()) {
                const uint32_t program = in.ConsumeIntegralInRange<uint32_t>(0, 10);
                for (uint32_t i = 0; i < kStateHeaderSize; ++i)
                    offer.bytes[i] = static_cast<uint8_t>(program >> (8 * i));
            }
            for (int k = in.ConsumeIntegralInRange<int>(0, 6); k > 0; --k)
                offer.bytes[in.ConsumeIntegralInRange<size_t>(0, kStateBytes - 1)] = in.ConsumeIntegral<uint8_t>();
            break;
        }
        const LV2_State_Status status =
            state->restore(h, in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : retrieve, &offer, 0, nullptr);
        const Property after = save();
        if (status != LV2_STATE_SUCCESS) {
            ++counts.refused;
            if (after.bytes != before.bytes)
                fail("a refused state changed the saved state", status);
            return;
        }
        ++counts.taken;
        if (!features.hasMap)
            fail("state restored without a urid:map");
        if ((offer.bytes.size() != kStateBytes && offer.bytes.size() != kFirstStateBytes) ||
            offer.type != features.urids.id(LV2_ATOM__Chunk))
            fail("a state of the wrong size or type was taken", static_cast<long long>(offer.bytes.size()));
        if (std::memcmp(after.bytes.data(), offer.bytes.data(), kStateHeaderSize) != 0)
            fail("the restored program is not the one the state named");
    }

    void run(FuzzedDataProvider &in) {
        uint32_t frames;
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            frames = 0;
            break;
        case 1:
            frames = 1;
            break;
        default:
            frames = in.ConsumeIntegralInRange<uint32_t>(2, kMaxFrames);
            break;
        }
        uint32_t seed = in.ConsumeIntegral<uint32_t>();
        for (int c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < kMaxFrames; ++i) {
                seed = seed * 1664525u + 1013904223u;
                buffers.audio[c][i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            }
        for (int c = 2; c < 4; ++c)
            std::fill(buffers.audio[c].begin(), buffers.audio[c].end(), 0.f);
        d->run(h, frames);
        for (int c = 2; c < 4; ++c)
            for (uint32_t i = 0; i < frames; ++i)
                if (!std::isfinite(buffers.audio[c][i]))
                    fail("full-scale noise came out not finite", i);
    }

    void setControl(FuzzedDataProvider &in) {
        const int32_t index = in.ConsumeIntegralInRange<int32_t>(0, kNumParameters - 1);
        float value;
        switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: {
            const uint32_t bits = in.ConsumeIntegral<uint32_t>();
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        default:
            value = sorrel::toReadable(index, in.ConsumeProbability<float>());
            break;
        }
        buffers.controls[index] = value;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const LV2_Descriptor *d = lv2_descriptor(in.ConsumeIntegralInRange<uint32_t>(0, 1));
    if (d == nullptr)
        return 0;
    if (lv2_descriptor(1) != nullptr || std::strcmp(d->URI, kPluginUri) != 0)
        fail("the library describes something other than the one plug-in");

    Features features;
    const LV2_Feature *const *list = features.make(in);
    double rate;
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        rate = in.ConsumeFloatingPoint<double>();
        break;
    case 1:
        rate = in.ConsumeFloatingPointInRange<double>(1.0, 1e6);
        break;
    default:
        rate = in.PickValueInArray({22050.0, 44100.0, 48000.0, 96000.0, 192000.0});
        break;
    }
    LV2_Handle h = d->instantiate(d, rate, in.ConsumeBool() ? nullptr : "/nowhere/", list);
    if (h == nullptr) {
        if (rate > 0 && rate <= 1e6)
            fail("no instance at a plain rate", static_cast<long long>(rate));
        return 0;
    }
    Buffers buffers;
    const auto *state = static_cast<const LV2_State_Interface *>(d->extension_data(LV2_STATE__interface));
    if (d->extension_data("urn:nothing") != nullptr)
        fail("extension data for an unknown URI");
    Plugin p{d, h, state, features, buffers};

    // A host connects every port before the first run, possibly to null.
    for (uint32_t port = 0; port < kNumPorts; ++port)
        d->connect_port(h, port, in.ConsumeIntegralInRange<int>(0, 9) == 0 ? nullptr : buffers.port(port));
    if (in.ConsumeBool())
        d->activate(h);
    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: {
            const uint32_t port = in.ConsumeIntegralInRange<uint32_t>(0, kNumPorts + 4);
            d->connect_port(h, port, in.ConsumeBool() ? nullptr : buffers.port(port));
            break;
        }
        case 1:
            p.setControl(in);
            break;
        case 2:
            p.restore(in);
            break;
        case 3:
            p.save();
            break;
        case 4:
            d->deactivate(h);
            d->activate(h);
            break;
        default:
            p.run(in);
            break;
        }
    }
    // Whatever happened, a well-connected run gives finite sound.
    for (uint32_t port = 0; port < kFirstParameterPort; ++port)
        d->connect_port(h, port, buffers.port(port));
    p.run(in);
    d->deactivate(h);
    d->cleanup(h);
    return 0;
}
