// The two audio calls through the record: replacing and accumulating, null
// channels, shared buffers, pass-through while not ready, any block size and
// any split of the audio into calls, and a golden rendering.
#include "plugin_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace sorrel::test {
namespace {

constexpr float kSentinel = 7.0f;
constexpr double kPi = 3.14159265358979323846;

// A program that shapes the sound audibly: every band different, a narrower
// Q, some input gain and less output gain.
void shape(const RecordedEffect &effect) {
    effect.setParameter(0, 0.6f);
    effect.setParameter(1, 0.35f);
    for (VstInt32 band = 0; band < 31; ++band)
        effect.setParameter(2 + band, static_cast<float>((band * 5) % 9) / 8.0f);
    effect.setParameter(33, 0.45f);
}

StereoBuffer testSignal(size_t frames) {
    StereoBuffer input(frames);
    input.left = noise(frames, 1, 0.5f);
    input.right = noise(frames, 2, 0.25f);
    input.right[frames / 3] = 1.0f;
    return input;
}

// Runs input through the effect in calls of the given sizes (repeated until
// the input is used up), into an output that starts as `initial`.
StereoBuffer render(const RecordedEffect &effect, StereoBuffer input, const std::vector<VstInt32> &calls,
                    bool accumulate = false, float initial = 0.0f) {
    StereoBuffer output(input.frames(), initial);
    size_t done = 0;
    for (size_t call = 0; done < input.frames(); ++call) {
        const size_t frames =
            std::min<size_t>(static_cast<size_t>(calls[call % calls.size()]), input.frames() - done);
        float *in[2], *out[2];
        if (accumulate)
            effect.process(input.at(done, in), output.at(done, out), static_cast<VstInt32>(frames));
        else
            effect.processReplacing(input.at(done, in), output.at(done, out), static_cast<VstInt32>(frames));
        done += frames;
    }
    return output;
}

class AudioTest : public PluginTest {
  protected:
    // The reference: one shaped effect, one call over everything.
    StereoBuffer reference(const StereoBuffer &input, bool accumulate = false, float initial = 0.0f) const {
        auto effect = started(44100.0f, static_cast<VstInt32>(input.frames()));
        shape(*effect);
        return render(*effect, input, {static_cast<VstInt32>(input.frames())}, accumulate, initial);
    }
};

::testing::AssertionResult sameSamples(const std::vector<float> &actual, const std::vector<float> &expected) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
    for (size_t i = 0; i < actual.size(); ++i)
        if (std::memcmp(&actual[i], &expected[i], sizeof(float)) != 0)
            return ::testing::AssertionFailure()
                   << "first difference at " << i << ": " << actual[i] << " instead of " << expected[i];
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameAudio(const StereoBuffer &actual, const StereoBuffer &expected) {
    auto left = sameSamples(actual.left, expected.left);
    if (!left)
        return left << " (left)";
    auto right = sameSamples(actual.right, expected.right);
    if (!right)
        return right << " (right)";
    return ::testing::AssertionSuccess();
}

// A single-precision sum, as the accumulating call stores it (a 32-bit x87
// build would otherwise compare with a wider intermediate).
float sum(float a, float b) {
    const volatile float result = a + b;
    return result;
}

float peak(const std::vector<float> &samples, size_t from) {
    float p = 0.0f;
    for (size_t i = from; i < samples.size(); ++i)
        p = std::max(p, std::fabs(samples[i]));
    return p;
}

TEST_F(AudioTest, NothingIsWrittenBeforeABlockSize) {
    auto effect = create();
    ASSERT_TRUE(*effect);
    effect->dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    StereoBuffer input(256, 0.5f), output(256, kSentinel);
    effect->processReplacing(input.channels, output.channels, 256);
    effect->process(input.channels, output.channels, 256);
    EXPECT_EQ(output.left, std::vector<float>(256, kSentinel));
    EXPECT_EQ(output.right, std::vector<float>(256, kSentinel));
}

TEST_F(AudioTest, UnusableBlockSizesLeaveTheOutputsAlone) {
    for (VstIntPtr size :
         {VstIntPtr{0}, VstIntPtr{-1}, VstIntPtr{-512}, VstIntPtr{std::numeric_limits<int32_t>::min()}}) {
        auto effect = started();
        ASSERT_TRUE(*effect);
        effect->dispatch(effSetBlockSize, 0, size);
        StereoBuffer input(64, 0.5f), output(64, kSentinel);
        effect->processReplacing(input.channels, output.channels, 64);
        effect->process(input.channels, output.channels, 64);
        EXPECT_EQ(output.left, std::vector<float>(64, kSentinel)) << size;
        EXPECT_EQ(output.right, std::vector<float>(64, kSentinel)) << size;
    }
}

TEST_F(AudioTest, NonPositiveFrameCountsDoNothing) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    StereoBuffer input(64, 0.5f), output(64, kSentinel);
    for (VstInt32 frames : {0, -1, std::numeric_limits<int32_t>::min()}) {
        effect->processReplacing(input.channels, output.channels, frames);
        effect->process(input.channels, output.channels, frames);
    }
    EXPECT_EQ(output.left, std::vector<float>(64, kSentinel));
}

TEST_F(AudioTest, PassesThroughUntilTheEnginesHaveARate) {
    struct Case {
        const char *what;
        float rate;
        bool setRate;
    };
    const Case cases[] = {
        {"no rate yet", 0.0f, false},
        {"rate 0", 0.0f, true},
        {"negative rate", -44100.0f, true},
        {"NaN rate", std::numeric_limits<float>::quiet_NaN(), true},
        {"infinite rate", std::numeric_limits<float>::infinity(), true},
    };
    const StereoBuffer input = testSignal(300);
    for (const Case &c : cases) {
        auto effect = create();
        ASSERT_TRUE(*effect);
        if (c.setRate)
            effect->dispatch(effSetSampleRate, 0, 0, nullptr, c.rate);
        effect->dispatch(effSetBlockSize, 0, 128);
        shape(*effect);
        EXPECT_TRUE(sameAudio(render(*effect, input, {128}), input)) << c.what;
        StereoBuffer accumulated = render(*effect, input, {128}, true, 1.0f);
        for (size_t i = 0; i < input.frames(); ++i)
            ASSERT_EQ(accumulated.left[i], sum(1.0f, input.left[i])) << c.what << " " << i;
    }
}

TEST_F(AudioTest, DefaultProgramGainAtOneKilohertz) {
    auto effect = started(44100.0f, 512);
    ASSERT_TRUE(*effect);
    const size_t frames = 44100;
    StereoBuffer input(frames);
    for (size_t i = 0; i < frames; ++i)
        input.left[i] = input.right[i] =
            0.5f * static_cast<float>(std::sin(2.0 * kPi * 1000.0 * i / 44100.0));
    const StereoBuffer replaced = render(*effect, input, {512});
    EXPECT_NEAR(peak(replaced.left, frames / 2) / 0.5f, 1.12f, 0.005f);
    EXPECT_NEAR(peak(replaced.right, frames / 2) / 0.5f, 1.12f, 0.005f);

    auto accumulating = started(44100.0f, 512);
    const StereoBuffer added = render(*accumulating, input, {512}, true, 0.25f);
    for (size_t i = 0; i < frames; i += 97)
        ASSERT_EQ(added.left[i], sum(0.25f, replaced.left[i])) << i;
}

TEST_F(AudioTest, AnyBlockSizeGivesTheSameSamples) {
    const StereoBuffer input = testSignal(8192 + 37);
    const StereoBuffer expected = reference(input);
    for (VstInt32 size : {1,   2,   3,   4,   7,    16,   31,   64,   100,  127,  128, 129,
                          256, 511, 512, 513, 1000, 1024, 2048, 4095, 4096, 4097, 8192}) {
        auto effect = started(44100.0f, size);
        shape(*effect);
        EXPECT_TRUE(sameAudio(render(*effect, input, {size}), expected)) << "block size " << size;
    }
}

TEST_F(AudioTest, CallsLongerThanTheBlockSizeRunInPieces) {
    const StereoBuffer input = testSignal(5000);
    const StereoBuffer expected = reference(input);
    const StereoBuffer expectedAdded = reference(input, true, 0.5f);
    for (VstInt32 size : {1, 64, 777, 4096}) {
        auto effect = started(44100.0f, size);
        shape(*effect);
        EXPECT_TRUE(sameAudio(render(*effect, input, {5000}), expected)) << "block size " << size;
        auto accumulating = started(44100.0f, size);
        shape(*accumulating);
        EXPECT_TRUE(sameAudio(render(*accumulating, input, {1234}, true, 0.5f), expectedAdded))
            << "accumulating, block size " << size;
    }
}

TEST_F(AudioTest, CallSizesThatChangeEveryCall) {
    const StereoBuffer input = testSignal(20000);
    const StereoBuffer expected = reference(input);
    std::vector<VstInt32> calls;
    uint32_t state = 12345;
    for (int i = 0; i < 64; ++i) {
        state = state * 1103515245u + 12345u;
        calls.push_back(static_cast<VstInt32>(1 + (state >> 8) % 1500)); // some above the block size
    }
    auto effect = started(44100.0f, 1024);
    shape(*effect);
    EXPECT_TRUE(sameAudio(render(*effect, input, calls), expected));
}

TEST_F(AudioTest, BlockSizeChangesKeepTheFilterHistory) {
    const StereoBuffer input = testSignal(6000);
    const StereoBuffer expected = reference(input);
    auto effect = started(44100.0f, 100);
    shape(*effect);
    StereoBuffer output(input.frames());
    size_t done = 0;
    for (VstInt32 size : {100, 1, 4096, 33, 512, 8192}) {
        effect->dispatch(effMainsChanged, 0, 0);
        effect->dispatch(effSetBlockSize, 0, size);
        effect->dispatch(effMainsChanged, 0, 1);
        const size_t frames = std::min<size_t>(static_cast<size_t>(size), input.frames() - done);
        float *in[2], *out[2];
        StereoBuffer source = input;
        effect->processReplacing(source.at(done, in), output.at(done, out), static_cast<VstInt32>(frames));
        done += frames;
    }
    ASSERT_EQ(done, input.frames());
    EXPECT_TRUE(sameAudio(output, expected));
}

TEST_F(AudioTest, HugeBlockSizeStillProcesses) {
    const StereoBuffer input = testSignal(3000);
    const StereoBuffer expected = reference(input);
    auto effect = started(44100.0f, std::numeric_limits<int32_t>::max());
    shape(*effect);
    EXPECT_TRUE(sameAudio(render(*effect, input, {3000}), expected));
}

TEST_F(AudioTest, SameBufferAsInputAndOutput) {
    const StereoBuffer input = testSignal(2000);
    const StereoBuffer filtered = reference(input);
    for (bool accumulate : {false, true}) {
        auto effect = started(44100.0f, 512);
        shape(*effect);
        StereoBuffer shared = input;
        size_t done = 0;
        while (done < shared.frames()) {
            const size_t frames = std::min<size_t>(700, shared.frames() - done);
            float *channels[2];
            shared.at(done, channels);
            if (accumulate)
                effect->process(channels, channels, static_cast<VstInt32>(frames));
            else
                effect->processReplacing(channels, channels, static_cast<VstInt32>(frames));
            done += frames;
        }
        if (!accumulate) {
            EXPECT_TRUE(sameAudio(shared, filtered));
            continue;
        }
        for (size_t i = 0; i < shared.frames(); ++i) {
            ASSERT_EQ(shared.left[i], sum(input.left[i], filtered.left[i])) << i;
            ASSERT_EQ(shared.right[i], sum(input.right[i], filtered.right[i])) << i;
        }
    }
}

TEST_F(AudioTest, NullChannels) {
    // Output 0 is written whenever it exists; with input 0 missing, the left
    // engine runs once more over what its work buffer holds: the previous
    // call's result. Output 1 is written only together with input 1.
    struct Case {
        bool in0, in1, out0, out1;
    };
    const Case cases[] = {
        {false, true, true, true}, {true, false, true, true},  {true, true, false, true},
        {true, true, true, false}, {false, false, true, true}, {false, false, false, false},
    };
    const StereoBuffer first = testSignal(256);
    const StereoBuffer second(std::vector<float>(noise(256, 9)), std::vector<float>(noise(256, 10)));
    for (bool accumulate : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(::testing::Message() << "in " << c.in0 << c.in1 << " out " << c.out0 << c.out1
                                              << (accumulate ? " accumulating" : " replacing"));
            auto effect = started(44100.0f, 256);
            auto twin = started(44100.0f, 256);
            shape(*effect);
            shape(*twin);
            const StereoBuffer primed = render(*effect, first, {256});
            render(*twin, first, {256});

            StereoBuffer source = second, output(256, kSentinel);
            float *in[2] = {c.in0 ? source.left.data() : nullptr, c.in1 ? source.right.data() : nullptr};
            float *out[2] = {c.out0 ? output.left.data() : nullptr, c.out1 ? output.right.data() : nullptr};
            // The twin gets every channel, a missing input replaced by what
            // the work buffer holds.
            StereoBuffer twinSource(c.in0 ? second.left : primed.left, c.in1 ? second.right : primed.right);
            StereoBuffer expected(256, kSentinel);
            if (accumulate) {
                effect->process(in, out, 256);
                twin->process(twinSource.channels, expected.channels, 256);
            } else {
                effect->processReplacing(in, out, 256);
                twin->processReplacing(twinSource.channels, expected.channels, 256);
            }
            EXPECT_TRUE(
                sameSamples(output.left, c.out0 ? expected.left : std::vector<float>(256, kSentinel)));
            EXPECT_TRUE(sameSamples(output.right,
                                    c.in1 && c.out1 ? expected.right : std::vector<float>(256, kSentinel)));
            EXPECT_EQ(source.left, second.left) << "inputs are never written";
            EXPECT_EQ(source.right, second.right);
        }
    }
}

TEST_F(AudioTest, NullChannelArraysAreHarmless) {
    auto effect = started(44100.0f, 64);
    StereoBuffer input(64, 0.5f), output(64, kSentinel);
    effect->processReplacing(nullptr, output.channels, 64);
    effect->process(nullptr, output.channels, 64);
    effect->processReplacing(input.channels, nullptr, 64);
    effect->process(input.channels, nullptr, 64);
    effect->processReplacing(nullptr, nullptr, 64);
    EXPECT_EQ(output.right, std::vector<float>(64, kSentinel));
}

#if (defined(__i386__) || defined(_M_IX86)) && !defined(__SSE2_MATH__)
// 32-bit x87 builds design the filters on the x87 unit, which moves a few
// coefficients by one unit in the last place: their samples differ slightly
// from the 64-bit reference rendering, so they are held to a tolerance.
constexpr float kGoldenTolerance = 1e-4f;
#else
constexpr float kGoldenTolerance = 0.0f;
#endif

std::string goldenPath() {
    return tool::nativePath(std::string(SORREL_GOLDEN_DIR) + "/effect_program_44100.f32");
}

// Little-endian float32, left channel then right channel.
std::vector<unsigned char> encode(const StereoBuffer &audio) {
    std::vector<unsigned char> bytes;
    for (const std::vector<float> *channel : {&audio.left, &audio.right})
        for (float sample : *channel) {
            uint32_t bits;
            std::memcpy(&bits, &sample, 4);
            for (int k = 0; k < 4; ++k)
                bytes.push_back(static_cast<unsigned char>(bits >> (8 * k)));
        }
    return bytes;
}

TEST_F(AudioTest, GoldenRendering) {
    // A few thousand samples of noise on the left, an impulse on the right,
    // through the shaped program at 44100 Hz in blocks of 512.
    const size_t frames = 4096;
    StereoBuffer input(frames);
    input.left = noise(frames, 7, 0.5f);
    input.right[10] = 1.0f;
    auto effect = started(44100.0f, 512);
    shape(*effect);
    const StereoBuffer output = render(*effect, input, {512});
    for (const std::vector<float> *channel : {&output.left, &output.right}) {
        ASSERT_TRUE(std::all_of(channel->begin(), channel->end(), [](float x) { return std::isfinite(x); }));
        ASSERT_GT(peak(*channel, 0), 0.01f) << "the rendering carries sound";
    }
    const std::vector<unsigned char> rendered = encode(output);

    if (const char *regenerate = std::getenv("SORREL_REGEN_GOLDEN_AUDIO"); regenerate && *regenerate == '1') {
        FILE *file = std::fopen(goldenPath().c_str(), "wb");
        ASSERT_NE(file, nullptr) << goldenPath();
        std::fwrite(rendered.data(), 1, rendered.size(), file);
        std::fclose(file);
        GTEST_SKIP() << "golden rendering written to " << goldenPath();
    }
    FILE *file = std::fopen(goldenPath().c_str(), "rb");
    ASSERT_NE(file, nullptr) << goldenPath() << " is missing; scripts/regen-golden-audio.sh writes it";
    std::vector<unsigned char> golden(rendered.size() + 1);
    const size_t size = std::fread(golden.data(), 1, golden.size(), file);
    std::fclose(file);
    ASSERT_EQ(size, rendered.size());
    golden.resize(size);
    if (kGoldenTolerance == 0.0f) {
        size_t first = 0;
        while (first < size && golden[first] == rendered[first])
            ++first;
        EXPECT_EQ(first, size) << "first differing byte " << first << " (sample " << first / 4 << ")";
        return;
    }
    float worst = 0.0f;
    for (size_t i = 0; i < size; i += 4) {
        float expected, actual;
        const uint32_t e =
            golden[i] | (golden[i + 1] << 8) | (golden[i + 2] << 16) | (uint32_t(golden[i + 3]) << 24);
        const uint32_t a = rendered[i] | (rendered[i + 1] << 8) | (rendered[i + 2] << 16) |
                           (uint32_t(rendered[i + 3]) << 24);
        std::memcpy(&expected, &e, 4);
        std::memcpy(&actual, &a, 4);
        worst = std::max(worst, std::fabs(expected - actual));
    }
    EXPECT_LE(worst, kGoldenTolerance) << "largest difference from the golden rendering";
    std::printf("x87 build: golden rendering matched within %g (tolerance %g)\n", worst, kGoldenTolerance);
}

} // namespace
} // namespace sorrel::test
