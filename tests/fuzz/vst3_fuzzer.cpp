// The VST 3 plug-in through its exported factory, as an odd host would
// drive it: class and interface ids made up or real, null pointers where
// the calls allow none, bus arrangements of any count and kind, set-ups of
// any rate, block length and sample size, blocks of any length with missing
// buses, channels or buffers and parameter changes of any id, offset and
// value, texts both ways, program lists, the editor view, and state loaded
// from any bytes through streams that give them in any pieces or fail. A
// refused state must leave the saved state byte for byte as it was, and
// full-scale noise must come out finite whatever happened.
#include "effect/parameters.h"
#include "tests/fuzz/fuzz_report.h"
#include "vst3/vst3_interfaces.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace sorrel::vst3;

extern "C" IPluginFactory *GetPluginFactory();

namespace {

constexpr int kMaxSteps = 40;
constexpr int32_t kMaxFrames = 1200;

using sorrel::fuzz::fail;

// Restores offered, taken and refused.
sorrel::fuzz::StateCounts counts{"vst3"};

const char *id(const Uid &uid) {
    return reinterpret_cast<const char *>(uid.bytes);
}

template <typename I> class Stack : public I {
  public:
    tresult SORREL_VST3_CALL queryInterface(const TUID, void **obj) override {
        if (obj != nullptr)
            *obj = nullptr;
        return kNoInterface;
    }
    uint32_t SORREL_VST3_CALL addRef() override { return 1; }
    uint32_t SORREL_VST3_CALL release() override { return 1; }

  protected:
    ~Stack() = default;
};

// A stream over bytes that hands them out in pieces of at most `piece`, and
// fails from read number `failAt` on (0: never).
class Stream final : public Stack<IBStream> {
  public:
    std::vector<uint8_t> bytes;
    size_t at = 0;
    int32_t piece = 1 << 20;
    int failAt = 0;
    int reads = 0;

    tresult SORREL_VST3_CALL read(void *buffer, int32_t n, int32_t *got) override {
        if (++reads == failAt) {
            if (got != nullptr)
                *got = 0;
            return kResultFalse;
        }
        const size_t left = bytes.size() - at;
        const auto count = static_cast<int32_t>(
            std::min<size_t>({left, static_cast<size_t>(std::max(n, 0)), static_cast<size_t>(piece)}));
        if (count > 0)
            std::memcpy(buffer, bytes.data() + at, static_cast<size_t>(count));
        at += static_cast<size_t>(count);
        if (got != nullptr)
            *got = count;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL write(void *buffer, int32_t n, int32_t *written) override {
        const auto *p = static_cast<const uint8_t *>(buffer);
        bytes.insert(bytes.end(), p, p + n);
        if (written != nullptr)
            *written = n;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL seek(int64_t, int32_t, int64_t *) override { return kNotImplemented; }
    tresult SORREL_VST3_CALL tell(int64_t *) override { return kNotImplemented; }
};

class Queue final : public Stack<IParamValueQueue> {
  public:
    ParamID paramId = 0;
    std::vector<std::pair<int32_t, double>> points;
    ParamID SORREL_VST3_CALL getParameterId() override { return paramId; }
    int32_t SORREL_VST3_CALL getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult SORREL_VST3_CALL getPoint(int32_t i, int32_t &offset, ParamValue &value) override {
        if (i < 0 || i >= getPointCount())
            return kInvalidArgument;
        offset = points[static_cast<size_t>(i)].first;
        value = points[static_cast<size_t>(i)].second;
        return kResultOk;
    }
    tresult SORREL_VST3_CALL addPoint(int32_t, ParamValue, int32_t &) override { return kResultFalse; }
};

class Changes final : public Stack<IParameterChanges> {
  public:
    std::vector<Queue> queues;
    int32_t SORREL_VST3_CALL getParameterCount() override { return static_cast<int32_t>(queues.size()); }
    IParamValueQueue *SORREL_VST3_CALL getParameterData(int32_t i) override {
        // A host may hand out a null queue.
        return i >= 0 && i < getParameterCount() && queues[static_cast<size_t>(i)].paramId != 0xDEAD
                   ? &queues[static_cast<size_t>(i)]
                   : nullptr;
    }
    IParamValueQueue *SORREL_VST3_CALL addParameterData(const ParamID &, int32_t &) override {
        return nullptr;
    }
};

class Handler final : public Stack<IComponentHandler> {
  public:
    tresult SORREL_VST3_CALL beginEdit(ParamID) override { return kResultOk; }
    tresult SORREL_VST3_CALL performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult SORREL_VST3_CALL endEdit(ParamID) override { return kResultOk; }
    tresult SORREL_VST3_CALL restartComponent(int32_t) override { return kResultOk; }
};

ParamID anyParameter(FuzzedDataProvider &in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return 1000; // the program change
    case 1:
        return in.ConsumeIntegral<ParamID>();
    default:
        return in.ConsumeIntegralInRange<ParamID>(0, sorrel::kNumParameters);
    }
}

double anyValue(FuzzedDataProvider &in) {
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        return std::nan("");
    case 1:
        return in.ConsumeFloatingPoint<double>();
    case 2:
        return -INFINITY;
    default:
        return in.ConsumeProbability<double>();
    }
}

std::vector<uint8_t> saved(IComponent *component) {
    Stream out;
    if (component->getState(&out) != kResultOk)
        fail("getState");
    return out.bytes;
}

void process(FuzzedDataProvider &in, IAudioProcessor *processor, bool noise) {
    const int32_t frames = noise ? 256 : in.ConsumeIntegralInRange<int32_t>(0, kMaxFrames);
    std::vector<float> buffers[4];
    float *pointers[2][3] = {};
    for (int c = 0; c < 4; ++c) {
        buffers[c].assign(static_cast<size_t>(frames) + 1, 0.f);
        for (float &v : buffers[c])
            v = noise ? (in.ConsumeBool() ? 1.f : -1.f) : 0.f;
    }
    AudioBusBuffers inputs{}, outputs{};
    inputs.numChannels = noise ? 2 : in.ConsumeIntegralInRange<int32_t>(0, 3);
    outputs.numChannels = noise ? 2 : in.ConsumeIntegralInRange<int32_t>(0, 3);
    for (int c = 0; c < 3; ++c) {
        pointers[0][c] = noise || in.ConsumeBool() ? buffers[c % 2].data() : nullptr;
        pointers[1][c] = noise || in.ConsumeBool() ? buffers[2 + c % 2].data() : nullptr;
    }
    inputs.channelBuffers32 = noise || in.ConsumeBool() ? pointers[0] : nullptr;
    outputs.channelBuffers32 = noise || in.ConsumeBool() ? pointers[1] : nullptr;

    Changes changes;
    const int queues = in.ConsumeIntegralInRange<int>(0, 6);
    for (int q = 0; q < queues; ++q) {
        changes.queues.emplace_back();
        Queue &queue = changes.queues.back();
        queue.paramId = in.ConsumeIntegralInRange<int>(0, 9) == 0 ? 0xDEAD : anyParameter(in);
        const int points = in.ConsumeIntegralInRange<int>(0, 5);
        for (int p = 0; p < points; ++p)
            queue.points.emplace_back(in.ConsumeIntegralInRange<int32_t>(-3, frames + 3), anyValue(in));
    }
    ProcessData data{};
    data.symbolicSampleSize = noise || in.ConsumeIntegralInRange<int>(0, 7) != 0 ? kSample32 : kSample64;
    data.numSamples = noise ? frames : in.ConsumeIntegralInRange<int32_t>(-1, frames);
    data.numInputs = noise ? 1 : in.ConsumeIntegralInRange<int32_t>(0, 1);
    data.numOutputs = noise ? 1 : in.ConsumeIntegralInRange<int32_t>(0, 1);
    data.inputs = data.numInputs > 0 ? &inputs : nullptr;
    data.outputs = data.numOutputs > 0 ? &outputs : nullptr;
    data.inputParameterChanges = in.ConsumeBool() ? &changes : nullptr;
    processor->process(data);
    if (noise && data.numSamples > 0)
        for (int c = 2; c < 4; ++c)
            for (int32_t i = 0; i < frames; ++i)
                if (!std::isfinite(buffers[c][static_cast<size_t>(i)]))
                    fail("output not finite", i);
}

void text(FuzzedDataProvider &in, IEditController *controller) {
    const ParamID param = anyParameter(in);
    String128 shown{};
    controller->getParamStringByValue(param, anyValue(in), shown);
    if (shown[127] != 0)
        fail("text not terminated");
    char16 typed[128] = {};
    const size_t length = in.ConsumeIntegralInRange<size_t>(0, 127);
    for (size_t i = 0; i < length; ++i)
        typed[i] = in.ConsumeIntegralInRange<int>(0, 5) == 0
                       ? in.ConsumeIntegral<char16>()
                       : static_cast<char16>(in.ConsumeIntegralInRange<int>(32, 126));
    ParamValue value = 0;
    controller->getParamValueByString(param, typed, value);
    controller->normalizedParamToPlain(param, anyValue(in));
    controller->plainParamToNormalized(param, anyValue(in));
    controller->setParamNormalized(param, anyValue(in));
    ParameterInfo info{};
    controller->getParameterInfo(in.ConsumeIntegralInRange<int32_t>(-2, sorrel::kNumParameters + 2), info);
}

void loadState(FuzzedDataProvider &in, IComponent *component) {
    const std::vector<uint8_t> before = saved(component);
    Stream stream;
    if (in.ConsumeBool()) {
        // A saved state with a few bytes changed, so that loads get past the
        // header as often as not.
        stream.bytes = before;
        const int changes = in.ConsumeIntegralInRange<int>(0, 4);
        for (int k = 0; k < changes && !stream.bytes.empty(); ++k)
            stream.bytes[in.ConsumeIntegralInRange<size_t>(0, stream.bytes.size() - 1)] =
                in.ConsumeIntegral<uint8_t>();
        if (in.ConsumeBool())
            stream.bytes.resize(in.ConsumeIntegralInRange<size_t>(0, stream.bytes.size() + 8));
    } else {
        stream.bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 2048));
    }
    stream.piece = in.ConsumeIntegralInRange<int32_t>(1, 4096);
    stream.failAt = in.ConsumeIntegralInRange<int>(0, 3);
    const tresult result =
        component->setState(in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : &stream);
    const std::vector<uint8_t> after = saved(component);
    if (result == kResultOk) {
        ++counts.taken;
        if (after.size() < 8 || after[4] > 9)
            fail("taken state names no program");
    } else {
        ++counts.refused;
        if (after != before)
            fail("refused state changed the plug-in", static_cast<long long>(after.size()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    IPluginFactory *factory = GetPluginFactory();
    PClassInfo info{};
    if (factory->getClassInfo(0, &info) != kResultOk)
        fail("class info");
    factory->getClassInfo(in.ConsumeIntegralInRange<int32_t>(-1, 2), in.ConsumeBool() ? &info : nullptr);

    // Made-up ids come first: they must be refused without harm.
    void *obj = nullptr;
    uint8_t junk[16];
    for (uint8_t &b : junk)
        b = in.ConsumeIntegral<uint8_t>();
    const char *cid =
        in.ConsumeIntegralInRange<int>(0, 7) == 0 ? reinterpret_cast<const char *>(junk) : info.cid;
    const char *iid = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? reinterpret_cast<const char *>(junk)
                                                                : id(IComponent::iid);
    if (factory->createInstance(cid, iid, &obj) != kResultOk || obj == nullptr)
        return 0;
    auto *component = static_cast<IComponent *>(obj);
    void *p = nullptr;
    component->queryInterface(id(IAudioProcessor::iid), &p);
    auto *processor = static_cast<IAudioProcessor *>(p);
    component->queryInterface(id(IEditController::iid), &p);
    auto *controller = static_cast<IEditController *>(p);
    component->queryInterface(id(IUnitInfo::iid), &p);
    auto *units = static_cast<IUnitInfo *>(p);
    if (processor == nullptr || controller == nullptr || units == nullptr)
        fail("interfaces");
    Handler handler;
    component->initialize(nullptr);
    if (in.ConsumeBool())
        controller->setComponentHandler(&handler);

    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 8)) {
        case 0: {
            std::vector<SpeakerArrangement> ins(in.ConsumeIntegralInRange<size_t>(0, 3)),
                outs(in.ConsumeIntegralInRange<size_t>(0, 3));
            for (auto &a : ins)
                a = in.ConsumeBool() ? speaker::kStereo : in.ConsumeIntegral<SpeakerArrangement>();
            for (auto &a : outs)
                a = in.ConsumeBool() ? speaker::kStereo : in.ConsumeIntegral<SpeakerArrangement>();
            processor->setBusArrangements(
                ins.data(), in.ConsumeIntegralInRange<int32_t>(0, int32_t(ins.size())), outs.data(),
                in.ConsumeIntegralInRange<int32_t>(0, int32_t(outs.size())));
            SpeakerArrangement arrangement = 0;
            processor->getBusArrangement(in.ConsumeIntegralInRange<int32_t>(-1, 2),
                                         in.ConsumeIntegralInRange<int32_t>(-1, 2), arrangement);
            BusInfo bus{};
            component->getBusInfo(in.ConsumeIntegralInRange<int32_t>(-1, 2),
                                  in.ConsumeIntegralInRange<int32_t>(-1, 2),
                                  in.ConsumeIntegralInRange<int32_t>(-1, 2), bus);
            break;
        }
        case 1: {
            ProcessSetup setup{kRealtime, in.ConsumeIntegralInRange<int32_t>(-1, 2),
                               in.ConsumeIntegralInRange<int32_t>(-8, 4096),
                               in.ConsumeBool() ? 48000.0 : in.ConsumeFloatingPoint<double>()};
            component->setActive(0);
            processor->setupProcessing(setup);
            component->setActive(1);
            break;
        }
        case 2:
        case 3:
            process(in, processor, false);
            break;
        case 4:
            text(in, controller);
            break;
        case 5:
            loadState(in, component);
            break;
        case 6: {
            String128 name{};
            units->getProgramName(in.ConsumeIntegralInRange<int32_t>(-1, 2),
                                  in.ConsumeIntegralInRange<int32_t>(-1, 11), name);
            UnitInfo unit{};
            units->getUnitInfo(in.ConsumeIntegralInRange<int32_t>(-1, 1), unit);
            break;
        }
        case 7: {
            void *any = nullptr;
            component->queryInterface(reinterpret_cast<const char *>(junk),
                                      in.ConsumeBool() ? &any : nullptr);
            if (any != nullptr)
                fail("made-up interface answered");
            break;
        }
        case 8: {
            IPlugView *view = controller->createView(in.ConsumeBool() ? "editor" : "other");
            if (view != nullptr) {
                ViewRect rect{};
                view->getSize(&rect);
                view->checkSizeConstraint(in.ConsumeBool() ? &rect : nullptr);
                view->release();
            }
            break;
        }
        }
    }
    // Whatever came before: full-scale noise comes out finite.
    ProcessSetup setup{kRealtime, kSample32, 512, 44100.0};
    component->setActive(0);
    processor->setupProcessing(setup);
    component->setActive(1);
    process(in, processor, true);

    component->terminate();
    units->release();
    controller->release();
    processor->release();
    if (component->release() != 0)
        fail("references left");
    return 0;
}
