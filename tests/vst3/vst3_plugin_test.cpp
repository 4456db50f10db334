// The VST 3 module as a host sees it: loaded from the bundle, created through
// its factory, driven through the interfaces only. The sound is held against
// the VST 2.4 build of the same settings, bit for bit.
#include "vst3_host.h"

#include "effect/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace sorrel::vst3::testing {

namespace {

constexpr ParamID kProgramId = 1000;

std::string narrow(const char16 *text) {
    std::string out;
    for (; *text != 0; ++text)
        out += static_cast<char>(*text);
    return out;
}

std::u16string wide(const std::string &text) {
    return std::u16string(text.begin(), text.end());
}

// One plug-in instance of the module, with its interfaces.
struct Instance {
    IComponent *component = nullptr;
    IAudioProcessor *processor = nullptr;
    IEditController *controller = nullptr;

    explicit Instance(Module &module) {
        component = module.create<IComponent>();
        processor = Module::query<IAudioProcessor>(component);
        controller = Module::query<IEditController>(component);
    }
    ~Instance() {
        for (FUnknown *i : {static_cast<FUnknown *>(controller), static_cast<FUnknown *>(processor),
                            static_cast<FUnknown *>(component)})
            if (i != nullptr)
                i->release();
    }
    bool ready() const { return component && processor && controller; }

    void setup(double rate, int32_t block) {
        ProcessSetup setup{kRealtime, kSample32, block, rate};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(component->setActive(1), kResultOk);
        ASSERT_EQ(processor->setProcessing(1), kResultOk);
    }

    tresult process(float **in, float **out, int32_t frames, IParameterChanges *changes) {
        AudioBusBuffers inputs{2, 0, {in}};
        AudioBusBuffers outputs{2, 0, {out}};
        ProcessData data{};
        data.symbolicSampleSize = kSample32;
        data.numSamples = frames;
        data.numInputs = 1;
        data.numOutputs = 1;
        data.inputs = &inputs;
        data.outputs = &outputs;
        data.inputParameterChanges = changes;
        return processor->process(data);
    }

    std::vector<unsigned char> state() {
        MemoryStream stream;
        EXPECT_EQ(component->getState(&stream), kResultOk);
        return stream.bytes;
    }
};

class Vst3Plugin : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(module.loaded()) << "cannot load " << SORREL_VST3_MODULE;
        ASSERT_NE(vst2.effect, nullptr) << "cannot load " << SORREL_VST2_MODULE;
    }
    Module module{SORREL_VST3_MODULE};
    Vst2Module vst2{SORREL_VST2_MODULE};
};

TEST_F(Vst3Plugin, FactoryDescribesOneEffectClass) {
    PFactoryInfo factoryInfo{};
    ASSERT_EQ(module.factory->getFactoryInfo(&factoryInfo), kResultOk);
    EXPECT_STREQ(factoryInfo.vendor, "Quillmark");
    ASSERT_EQ(module.factory->countClasses(), 1);
    auto *factory2 = Module::query<IPluginFactory2>(module.factory);
    ASSERT_NE(factory2, nullptr);
    PClassInfo2 info{};
    ASSERT_EQ(factory2->getClassInfo2(0, &info), kResultOk);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "Sorrel");
    EXPECT_STREQ(info.vendor, "Quillmark");
    EXPECT_STREQ(info.subCategories, "Fx|EQ");
    EXPECT_EQ(std::strncmp(info.sdkVersion, "VST 3", 5), 0);
    // The class id hosts store in their projects.
    EXPECT_TRUE(Uid(0x536F726C, 0x51756D6B, 0x45513331, 0x56535433).matches(info.cid));

    // Calls a host may get wrong, and what they answer.
    PClassInfo plain{};
    void *obj = &plain;
    const char unknown[16] = {1, 2, 3};
    const char *componentIid = reinterpret_cast<const char *>(IComponent::iid.bytes);
    EXPECT_EQ(module.factory->getClassInfo(1, &plain), kInvalidArgument);
    EXPECT_EQ(module.factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory2->getClassInfo2(-1, &info), kInvalidArgument);
    EXPECT_EQ(module.factory->getFactoryInfo(nullptr), kInvalidArgument);
    EXPECT_EQ(module.factory->createInstance(unknown, componentIid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(module.factory->createInstance(info.cid, componentIid, nullptr), kInvalidArgument);
    EXPECT_EQ(module.factory->createInstance(nullptr, componentIid, &obj), kNoInterface);
    obj = &plain;
    EXPECT_EQ(module.factory->createInstance(info.cid, unknown, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    factory2->release();
}

TEST_F(Vst3Plugin, OneObjectAnswersEveryInterfaceAndCountsItsReferences) {
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    auto *units = Module::query<IUnitInfo>(plugin.component);
    auto *base = Module::query<FUnknown>(plugin.controller);
    ASSERT_NE(units, nullptr);
    ASSERT_NE(base, nullptr);
    // Every interface leads back to the same object.
    EXPECT_EQ(base, static_cast<FUnknown *>(plugin.component));
    void *obj = units;
    const char unknown[16] = {9};
    EXPECT_EQ(plugin.component->queryInterface(unknown, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(plugin.component->queryInterface(unknown, nullptr), kInvalidArgument);
    // Five references now: the component, processor, controller, units, base.
    EXPECT_EQ(base->addRef(), 6u);
    EXPECT_EQ(base->release(), 5u);
    units->release();
    base->release();
}

TEST_F(Vst3Plugin, OneStereoBusEachWayAndNothingElse) {
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(plugin.component->getBusCount(kEvent, kInput), 0);
    for (int32_t dir : {kInput, kOutput}) {
        BusInfo bus{};
        ASSERT_EQ(plugin.component->getBusInfo(kAudio, dir, 0, bus), kResultOk);
        EXPECT_EQ(bus.channelCount, 2);
        EXPECT_EQ(bus.busType, kMain);
        EXPECT_EQ(bus.direction, dir);
        EXPECT_EQ(plugin.component->getBusInfo(kAudio, dir, 1, bus), kInvalidArgument);
        EXPECT_EQ(plugin.component->getBusInfo(kEvent, dir, 0, bus), kInvalidArgument);
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(plugin.processor->getBusArrangement(dir, 0, arrangement), kResultOk);
        EXPECT_EQ(arrangement, speaker::kStereo);
    }
    struct Row {
        std::vector<SpeakerArrangement> in, out;
        tresult expected;
    };
    const SpeakerArrangement mono = 1 << 19;
    const Row rows[] = {
        {{speaker::kStereo}, {speaker::kStereo}, kResultTrue},
        {{mono}, {speaker::kStereo}, kResultFalse},
        {{speaker::kStereo}, {mono}, kResultFalse},
        {{speaker::kStereo, speaker::kStereo}, {speaker::kStereo}, kResultFalse},
        {{}, {speaker::kStereo}, kResultFalse},
        {{speaker::kStereo}, {}, kResultFalse},
        {{0x3F}, {0x3F}, kResultFalse},
    };
    for (const Row &row : rows) {
        std::vector<SpeakerArrangement> in = row.in, out = row.out;
        EXPECT_EQ(plugin.processor->setBusArrangements(in.empty() ? nullptr : in.data(), int32_t(in.size()),
                                                       out.empty() ? nullptr : out.data(),
                                                       int32_t(out.size())),
                  row.expected)
            << row.in.size() << " in, " << row.out.size() << " out";
    }
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample64), kResultFalse);
}

// The same input, program and parameter changes through the VST 2.4 effect
// (values set between the pieces of the block) and through the VST 3
// module (the changes at their sample offsets in one block).
TEST_F(Vst3Plugin, ChangesAtOffsetsSoundLikeTheVst2Effect) {
    constexpr int32_t kFrames = 2048;
    constexpr double kRate = 48000;
    struct Change {
        int32_t offset;
        ParamID id;
        float value;
    };
    // A program first, then values at the block's start, inside it and on
    // its last sample; values exact in binary so float and double agree.
    const Change changes[] = {
        {0, kProgramId, 3.f / 9.f}, {0, 0, 0.4375f},      {0, 1, 0.75f},      {0, 7, 0.125f},
        {300, 19, 0.875f},          {300, 30, 0.6875f},   {777, 33, 0.5625f}, {777, 7, 0.9375f},
        {1500, 1, 0.25f},           {kFrames - 1, 2, 1.f}};

    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> input[2];
    for (auto &channel : input)
        for (int32_t i = 0; i < kFrames; ++i)
            channel.push_back(noise(random));

    // VST 2.4.
    AEffect *effect = vst2.effect;
    vst2.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    vst2.dispatch(effSetBlockSize, 0, kFrames);
    vst2.dispatch(effMainsChanged, 0, 1);
    std::vector<float> expected[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    int32_t done = 0;
    for (size_t c = 0; c <= std::size(changes); ++c) {
        const int32_t until = c < std::size(changes) ? changes[c].offset : kFrames;
        if (until > done) {
            float *in[2] = {input[0].data() + done, input[1].data() + done};
            float *out[2] = {expected[0].data() + done, expected[1].data() + done};
            effect->processReplacing(effect, in, out, until - done);
            done = until;
        }
        if (c == std::size(changes))
            break;
        if (changes[c].id == kProgramId)
            vst2.dispatch(effSetProgram, 0, std::lround(changes[c].value * 9));
        else
            effect->setParameter(effect, static_cast<VstInt32>(changes[c].id), changes[c].value);
    }

    // VST 3: an empty block first (hosts flush values that way), then all.
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    plugin.setup(kRate, kFrames);
    ParameterChanges queued;
    for (const Change &change : changes)
        queued.add(change.id, change.offset, change.value);
    std::vector<float> output[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    float *in[2] = {input[0].data(), input[1].data()};
    float *out[2] = {output[0].data(), output[1].data()};
    ParameterChanges none;
    ASSERT_EQ(plugin.process(in, out, 0, &none), kResultOk);
    ASSERT_EQ(plugin.process(in, out, kFrames, &queued), kResultOk);

    for (int c = 0; c < 2; ++c) {
        int differing = 0;
        for (int32_t i = 0; i < kFrames; ++i)
            differing += std::memcmp(&expected[c][i], &output[c][i], sizeof(float)) != 0;
        EXPECT_EQ(differing, 0) << "channel " << c;
    }
    // The controller shows what the changes left.
    EXPECT_EQ(plugin.controller->getParamNormalized(kProgramId), 3.0 / 9.0);
    for (int32_t i = 0; i < kNumParameters; ++i)
        EXPECT_EQ(plugin.controller->getParamNormalized(static_cast<ParamID>(i)),
                  effect->getParameter(effect, i))
            << i;
}

TEST_F(Vst3Plugin, OddBlocksAreHandledOrRefused) {
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    plugin.setup(44100, 64);
    std::vector<float> buffer(256, 0.25f);
    float *channels[2] = {buffer.data(), buffer.data() + 128};
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    // No buses at all, with frames: nothing to read or write.
    data.numSamples = 128;
    EXPECT_EQ(plugin.processor->process(data), kResultOk);
    // Longer than announced: runs in pieces.
    EXPECT_EQ(plugin.process(channels, channels, 128, nullptr), kResultOk);
    // One channel, null channel lists.
    AudioBusBuffers one{1, 0, {channels}}, empty{2, 0, {nullptr}};
    data.numInputs = data.numOutputs = 1;
    data.inputs = &one;
    data.outputs = &empty;
    EXPECT_EQ(plugin.processor->process(data), kResultOk);
    data.symbolicSampleSize = kSample64;
    EXPECT_EQ(plugin.processor->process(data), kInvalidArgument);
    data.symbolicSampleSize = kSample32;
    data.numSamples = -1;
    EXPECT_EQ(plugin.processor->process(data), kInvalidArgument);
    // Offsets outside the block apply at its edges.
    ParameterChanges outside;
    outside.add(0, -5, 0.0);
    outside.add(1, 4096, 1.0);
    EXPECT_EQ(plugin.process(channels, channels, 16, &outside), kResultOk);
    EXPECT_EQ(plugin.controller->getParamNormalized(0), 0.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(1), 1.0);

    ProcessSetup bad{kRealtime, kSample64, 64, 44100};
    EXPECT_EQ(plugin.processor->setupProcessing(bad), kResultFalse);
    bad = {kRealtime, kSample32, 0, 44100};
    EXPECT_EQ(plugin.processor->setupProcessing(bad), kResultFalse);
    bad = {kRealtime, kSample32, 64, std::nan("")};
    EXPECT_EQ(plugin.processor->setupProcessing(bad), kResultFalse);
}

// The state: version and program, then the bank chunk the VST 2.4 build
// stores, byte for byte.
TEST_F(Vst3Plugin, StateRoundTripsAndHoldsTheVst2Bank) {
    Instance first(module);
    ASSERT_TRUE(first.ready());
    RecordingHandler handler;
    ASSERT_EQ(first.controller->setComponentHandler(&handler), kResultOk);
    AEffect *effect = vst2.effect;
    first.controller->setParamNormalized(kProgramId, 6.0 / 9.0);
    vst2.dispatch(effSetProgram, 0, 6);
    for (ParamID id : {0u, 5u, 33u, 35u}) {
        first.controller->setParamNormalized(id, 0.125 * (id % 7));
        effect->setParameter(effect, static_cast<VstInt32>(id), 0.125f * (id % 7));
    }
    // The host hears of the program's new values later, from the editor's
    // timer, never inside its own call.
    EXPECT_TRUE(handler.calls.empty());

    const std::vector<unsigned char> saved = first.state();
    void *bank = nullptr;
    const auto bankSize = static_cast<VstInt32>(vst2.dispatch(effGetChunk, 0, 0, &bank));
    ASSERT_EQ(saved.size(), 8u + static_cast<size_t>(bankSize));
    EXPECT_EQ(std::vector<unsigned char>(saved.begin(), saved.begin() + 8),
              (std::vector<unsigned char>{1, 0, 0, 0, 6, 0, 0, 0}));
    EXPECT_EQ(std::memcmp(saved.data() + 8, bank, static_cast<size_t>(bankSize)), 0);

    // A second instance takes it, also from a stream that reads in dribs.
    Instance second(module);
    ASSERT_TRUE(second.ready());
    MemoryStream stream(saved);
    stream.readLimit = 7;
    ASSERT_EQ(second.component->setState(&stream), kResultOk);
    stream.position = 0;
    EXPECT_EQ(second.controller->setComponentState(&stream), kResultOk);
    EXPECT_EQ(second.state(), saved);
    // The controller keeps nothing of its own: the host's copy of its state
    // is empty, and whatever the host gives back is taken.
    MemoryStream controllerState;
    EXPECT_EQ(second.controller->getState(&controllerState), kResultOk);
    EXPECT_TRUE(controllerState.bytes.empty());
    MemoryStream junk({1, 2, 3});
    EXPECT_EQ(second.controller->setState(&junk), kResultOk);
    EXPECT_EQ(second.state(), saved);
    for (int32_t i = 0; i < kNumParameters; ++i)
        EXPECT_EQ(second.controller->getParamNormalized(static_cast<ParamID>(i)),
                  first.controller->getParamNormalized(static_cast<ParamID>(i)));
    EXPECT_EQ(second.controller->getParamNormalized(kProgramId), 6.0 / 9.0);
    first.controller->setComponentHandler(nullptr);
}

TEST_F(Vst3Plugin, BadStateIsRefusedAndChangesNothing) {
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    plugin.controller->setParamNormalized(kProgramId, 2.0 / 9.0);
    plugin.controller->setParamNormalized(4, 0.875);
    const std::vector<unsigned char> before = plugin.state();

    auto with = [&](size_t at, unsigned char value) {
        std::vector<unsigned char> bytes = before;
        bytes[at] = value;
        return bytes;
    };
    std::vector<unsigned char> longer = before, shorter = before, huge(3 << 20, 0);
    longer.push_back(0);
    shorter.pop_back();
    huge[0] = 1;
    const std::pair<const char *, std::vector<unsigned char>> rows[] = {
        {"empty", {}},
        {"header only", std::vector<unsigned char>(before.begin(), before.begin() + 8)},
        {"version 2", with(0, 2)},
        {"version 0", with(0, 0)},
        {"program 10", with(4, 10)},
        {"program beyond 32 bits", with(7, 0x80)},
        {"a byte more", longer},
        {"a byte less", shorter},
        {"three megabytes", huge},
    };
    for (const auto &[what, bytes] : rows) {
        MemoryStream stream(bytes);
        EXPECT_NE(plugin.component->setState(&stream), kResultOk) << what;
        EXPECT_EQ(plugin.state(), before) << what;
    }
    EXPECT_EQ(plugin.component->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.component->getState(nullptr), kInvalidArgument);
}

// Every parameter: what the host lists, and text to value and back through
// the conversions the editor's readouts use.
TEST_F(Vst3Plugin, EveryParameterDescribesItselfAndReadsItsOwnText) {
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    ASSERT_EQ(plugin.controller->getParameterCount(), kNumParameters + 1);
    for (int32_t index = 0; index < kNumParameters; ++index) {
        const sorrel::ParameterInfo &row = kParameters[index];
        vst3::ParameterInfo info{};
        ASSERT_EQ(plugin.controller->getParameterInfo(index, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(index));
        EXPECT_EQ(narrow(info.title), row.longName);
        EXPECT_EQ(narrow(info.units), row.unit);
        EXPECT_EQ(info.stepCount, row.kind == ParameterKind::Switch ? 1 : 0) << index;
        EXPECT_EQ(info.defaultNormalizedValue, row.defaultValue);
        EXPECT_TRUE(info.flags & vst3::ParameterInfo::kCanAutomate);

        for (float value : {0.f, 0.25f, 0.4375f, 0.5f, 0.8125f, 1.f}) {
            String128 text{};
            ASSERT_EQ(plugin.controller->getParamStringByValue(info.id, value, text), kResultOk);
            // The value read back shows the same text; a switch reads as
            // off or on.
            const double expected = row.kind == ParameterKind::Switch ? std::round(value) : value;
            ParamValue back = -1;
            String128 again{};
            ASSERT_EQ(plugin.controller->getParamValueByString(info.id, text, back), kResultOk)
                << narrow(text);
            ASSERT_EQ(plugin.controller->getParamStringByValue(info.id, back, again), kResultOk);
            EXPECT_EQ(narrow(again), narrow(text));
            EXPECT_NEAR(plugin.controller->plainParamToNormalized(
                            info.id, plugin.controller->normalizedParamToPlain(info.id, value)),
                        expected, 1e-6);
        }
    }
    // Texts no parameter reads: the value stays as it was.
    struct Row {
        ParamID id;
        const char *text;
        tresult expected;
        ParamValue value;
    };
    const Row rows[] = {
        {0, "-3 dB", kResultOk, 0.375},
        {0, "+6", kResultOk, 0.75},
        {0, "30", kResultOk, 1.0},
        {1, " 0.25 ", kResultOk, 0.25},
        {34, "on", kResultOk, 1.0},
        {35, "OFF", kResultOk, 0.0},
        {0, "", kResultFalse, -1},
        {0, "loud", kResultFalse, -1},
        {0, "3 Hz", kResultFalse, -1},
        {1, "0.5 dB", kResultFalse, -1},
        {34, "maybe", kResultFalse, -1},
        {0, "nan", kResultFalse, -1},
        {36 + 500, "1", kInvalidArgument, -1},
    };
    for (const Row &row : rows) {
        std::u16string text = wide(row.text);
        ParamValue value = -1;
        EXPECT_EQ(plugin.controller->getParamValueByString(row.id, text.data(), value), row.expected)
            << row.text;
        EXPECT_EQ(value, row.value) << row.text;
    }
    String128 text{};
    EXPECT_EQ(plugin.controller->getParamStringByValue(999, 0.5, text), kInvalidArgument);
    vst3::ParameterInfo info{};
    EXPECT_EQ(plugin.controller->getParameterInfo(kNumParameters + 1, info), kInvalidArgument);
    EXPECT_EQ(plugin.controller->getParameterInfo(-1, info), kInvalidArgument);
}

// The ten programs: a program change parameter and a program list.
TEST_F(Vst3Plugin, ProgramsAreAListAndAProgramChangeParameter) {
    Instance plugin(module);
    ASSERT_TRUE(plugin.ready());
    vst3::ParameterInfo info{};
    ASSERT_EQ(plugin.controller->getParameterInfo(kNumParameters, info), kResultOk);
    EXPECT_EQ(info.id, kProgramId);
    EXPECT_EQ(info.stepCount, 9);
    EXPECT_TRUE(info.flags & vst3::ParameterInfo::kIsProgramChange);
    EXPECT_TRUE(info.flags & vst3::ParameterInfo::kIsList);

    auto *units = Module::query<IUnitInfo>(plugin.component);
    ASSERT_NE(units, nullptr);
    UnitInfo unit{};
    ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
    ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(unit.programListId, list.id);
    EXPECT_EQ(list.programCount, 10);
    String128 name{};
    for (int32_t p = 0; p < 10; ++p) {
        ASSERT_EQ(units->getProgramName(list.id, p, name), kResultOk);
        EXPECT_EQ(narrow(name), "-- empty --");
        String128 shown{};
        ASSERT_EQ(plugin.controller->getParamStringByValue(kProgramId, p / 9.0, shown), kResultOk);
        EXPECT_EQ(narrow(shown), "-- empty --");
    }
    EXPECT_EQ(units->getProgramName(list.id, 10, name), kInvalidArgument);
    EXPECT_EQ(units->getProgramName(list.id + 1, 0, name), kInvalidArgument);
    units->release();

    // A program change shows every value of the new program.
    plugin.controller->setParamNormalized(3, 0.125);
    plugin.controller->setParamNormalized(kProgramId, 1.0 / 9.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(3), 0.5);
    plugin.controller->setParamNormalized(kProgramId, 0.0);
    EXPECT_EQ(plugin.controller->getParamNormalized(3), 0.125);
    EXPECT_EQ(plugin.controller->normalizedParamToPlain(kProgramId, 1.0), 9.0);
    EXPECT_EQ(plugin.controller->plainParamToNormalized(kProgramId, 9.0), 1.0);
}

} // namespace

} // namespace vst3::testing
