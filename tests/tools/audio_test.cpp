#include "tools/hostlib/audio.h"
#include "tools/hostlib/audio_feed.h"
#include "tools/hostlib/bench.h"
#include "tools/hostlib/fft.h"
#include "tools/hostlib/render.h"
#include "tools/hostlib/response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>

using namespace sorrel::tool;

namespace {

Audio testSignal(int channels, size_t frames) {
    Audio a;
    a.sampleRate = 48000;
    for (int c = 0; c < channels; ++c) {
        std::vector<float> ch(frames);
        for (size_t i = 0; i < frames; ++i)
            ch[i] = 0.9f * static_cast<float>(std::sin(0.01 * static_cast<double>(i) * (c + 1)));
        a.channels.push_back(ch);
    }
    a.channels[0][1] = 1.0f; // full scale must not wrap
    a.channels[0][2] = -1.0f;
    return a;
}

} // namespace

TEST(WavCodec, EachSampleFormatRoundTripsWithinItsStep) {
    const Audio in = testSignal(2, 1001);
    const struct {
        SampleFormat format;
        double step;
    } cases[] = {{SampleFormat::Pcm16, 1.0 / 32768},
                 {SampleFormat::Pcm24, 1.0 / 8388608},
                 {SampleFormat::Pcm32, 1e-7},
                 {SampleFormat::Float32, 0}};
    for (const auto &c : cases) {
        const std::vector<uint8_t> bytes = encodeWav(in, c.format);
        const AudioReadResult out = decodeWav(bytes.data(), bytes.size());
        ASSERT_TRUE(out.ok) << sampleFormatName(c.format) << ": " << out.error;
        EXPECT_EQ(out.format, c.format);
        EXPECT_EQ(out.audio.sampleRate, 48000);
        ASSERT_EQ(out.audio.numChannels(), 2);
        ASSERT_EQ(out.audio.frames(), 1001u);
        double worst = 0;
        for (int ch = 0; ch < 2; ++ch)
            for (size_t i = 0; i < 1001; ++i)
                worst = std::max(worst, std::fabs(double(out.audio.channels[ch][i]) - in.channels[ch][i]));
        EXPECT_LE(worst, c.step) << sampleFormatName(c.format);
    }
}

TEST(WavCodec, IntegerFormatsClipInsteadOfWrapping) {
    Audio a;
    a.channels = {{2.0f, -2.0f, std::nanf("")}};
    const std::vector<uint8_t> bytes = encodeWav(a, SampleFormat::Pcm16);
    const AudioReadResult r = decodeWav(bytes.data(), bytes.size());
    ASSERT_TRUE(r.ok);
    EXPECT_FLOAT_EQ(r.audio.channels[0][0], 32767.0f / 32768.0f);
    EXPECT_FLOAT_EQ(r.audio.channels[0][1], -1.0f);
    EXPECT_FLOAT_EQ(r.audio.channels[0][2], 0.0f);
}

TEST(WavCodec, ReadsExtensibleHeadersAndSkipsOtherChunks) {
    // 16-bit stereo, extensible format header, a LIST chunk of odd length
    // (padded) before the data.
    const uint8_t fmt[] = {'f',  'm',  't',  ' ', 40,   0,    0, 0,    0xFE, 0xFF, 2,    0,
                           0x44, 0xAC, 0,    0,   0x10, 0xB1, 2, 0,    4,    0,    16,   0,
                           22,   0,    16,   0,   3,    0,    0, 0,    1,    0,    0,    0,
                           0,    0,    0x10, 0,   0x80, 0,    0, 0xAA, 0,    0x38, 0x9B, 0x71};
    const uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    const uint8_t data[] = {'d', 'a', 't', 'a', 8, 0, 0, 0, 0x00, 0x40, 0x00, 0xC0, 0xFF, 0x7F, 0x00, 0x80};
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    file.insert(file.end(), fmt, fmt + sizeof fmt);
    file.insert(file.end(), list, list + sizeof list);
    file.insert(file.end(), data, data + sizeof data);
    const AudioReadResult r = decodeWav(file.data(), file.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.audio.sampleRate, 44100);
    ASSERT_EQ(r.audio.frames(), 2u);
    EXPECT_FLOAT_EQ(r.audio.channels[0][0], 0.5f);
    EXPECT_FLOAT_EQ(r.audio.channels[1][0], -0.5f);
    EXPECT_FLOAT_EQ(r.audio.channels[0][1], 32767.0f / 32768.0f);
    EXPECT_FLOAT_EQ(r.audio.channels[1][1], -1.0f);
}

TEST(WavCodec, DamagedFilesGiveReasonsNotCrashes) {
    const std::vector<uint8_t> good = encodeWav(testSignal(2, 64), SampleFormat::Pcm24);
    // Every prefix: either refused, or (once the data chunk has begun) read
    // as the frames that are complete.
    for (size_t n = 0; n < good.size(); ++n) {
        const AudioReadResult r = decodeWav(good.data(), n);
        if (r.ok) {
            EXPECT_LE(r.audio.frames(), 64u);
        } else {
            EXPECT_FALSE(r.error.empty());
        }
    }
    struct Case {
        size_t offset;
        uint8_t value;
        const char *expect;
    } cases[] = {
        {0, 'X', "not a WAV"},    {20, 2, "unsupported WAV sample format"}, // format tag ADPCM
        {22, 0, "channel count"}, {24 + 2, 0, "sample rate"}, // 44100 -> 0 needs all bytes: see below
        {34, 12, "unsupported"},  {32, 5, "block alignment"},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> d = good;
        d[c.offset] = c.value;
        if (c.offset == 26)
            std::memset(d.data() + 24, 0, 4);
        const AudioReadResult r = decodeWav(d.data(), d.size());
        EXPECT_FALSE(r.ok) << c.offset;
        EXPECT_NE(r.error.find(c.expect), std::string::npos) << c.offset << ": " << r.error;
    }
    std::mt19937 rng(3);
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> d = good;
        for (int k = 0; k < 3; ++k)
            d[rng() % 48] = static_cast<uint8_t>(rng()); // the headers
        decodeWav(d.data(), d.size());
    }
}

TEST(Fft, AgreesWithADirectTransform) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> u(-1, 1);
    std::vector<float> x(256);
    for (float &v : x)
        v = u(rng);
    const std::vector<double> mag = magnitudeSpectrum(x, 256);
    ASSERT_EQ(mag.size(), 129u);
    const double pi = std::acos(-1.0);
    for (size_t k : {0u, 1u, 17u, 64u, 128u}) {
        std::complex<double> s = 0;
        for (size_t n = 0; n < 256; ++n)
            s += double(x[n]) * std::polar(1.0, -2 * pi * double(k * n) / 256);
        EXPECT_NEAR(mag[k], std::abs(s), 1e-9) << k;
    }
    std::vector<std::complex<double>> odd(6);
    EXPECT_FALSE(fftInPlace(odd));
}

TEST(Response, InterpolatesBetweenBinsAndGridsHitDecades) {
    Response r;
    r.sampleRate = 1000;
    r.fftSize = 8; // bins every 125 Hz
    r.bins = {{0, 1, 3, 5, 7}};
    EXPECT_DOUBLE_EQ(r.at(0, 125), 1);
    EXPECT_DOUBLE_EQ(r.at(0, 187.5), 2);
    EXPECT_DOUBLE_EQ(r.at(0, 600), 7); // beyond the last bin: the last bin
    EXPECT_DOUBLE_EQ(r.at(1, 100), 0); // no such channel

    const std::vector<double> f = logFrequencies(10, 24000, 100);
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f.front(), 10.0);
    EXPECT_LE(f.back(), 24000.0);
    EXPECT_EQ(f[100], 100.0);
    EXPECT_EQ(f[200], 1000.0);
    EXPECT_EQ(f[300], 10000.0);
    for (size_t i = 1; i < f.size(); ++i)
        ASSERT_GT(f[i], f[i - 1]);
}

TEST(BlockPlan, CoversTheFramesWithinTheBlockSize) {
    for (bool split : {false, true}) {
        for (size_t frames : {0u, 1u, 511u, 512u, 513u, 100000u}) {
            const std::vector<VstInt32> plan = blockPlan(frames, 512, split, 5);
            size_t sum = 0;
            for (VstInt32 n : plan) {
                ASSERT_GE(n, 1);
                ASSERT_LE(n, 512);
                sum += static_cast<size_t>(n);
            }
            EXPECT_EQ(sum, frames) << split;
            if (!split && frames) {
                EXPECT_EQ(plan.size(), (frames + 511) / 512);
            }
        }
    }
    const std::vector<VstInt32> plan = blockPlan(100000, 512, true, 5);
    const auto [lo, hi] = std::minmax_element(plan.begin(), plan.end());
    EXPECT_LE(*lo, 7);   // tiny pieces
    EXPECT_GE(*hi, 400); // and long ones
    EXPECT_EQ(plan, blockPlan(100000, 512, true, 5));
}

TEST(MapInputs, MonoFansOutOtherwiseCountsMustMatch) {
    const std::vector<std::vector<float>> mono = {{1, 2}}, stereo = {{1, 2}, {3, 4}};
    std::vector<std::vector<float>> in;
    EXPECT_EQ(mapInputs(mono, 2, 3, in), "");
    EXPECT_EQ(in, (std::vector<std::vector<float>>{{1, 2, 0}, {1, 2, 0}}));
    EXPECT_EQ(mapInputs(stereo, 2, 2, in), "");
    EXPECT_EQ(in, stereo);
    EXPECT_NE(mapInputs(stereo, 1, 2, in).find("wrong channel count"), std::string::npos);
    EXPECT_EQ(mapInputs(stereo, 0, 2, in), "");
    EXPECT_TRUE(in.empty());
}

TEST(Bench, BandLikeParametersAndMedian) {
    const struct {
        const char *name, *label;
        bool band;
    } cases[] = {
        {"440Hz", "dB", true},       {"1.4kHz", "", true}, {"19 kHz", "", true},  {"Band 3", "", true},
        {"Master Gain", "dB", true}, {"Q", "", false},     {"Bypass", "", false}, {"kHz", "", false},
        {"Frequency", "Hz", false},  {"Mode", "", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isBandLike(c.name, c.label), c.band) << c.name;
    EXPECT_EQ(median({5, 1, 3}), 3);
    EXPECT_EQ(median({4, 1, 3, 2}), 2.5);
    EXPECT_EQ(median({}), 0);
}

TEST(Stats, RmsPeakAndDecibels) {
    const ChannelStats s = channelStats({0.5f, -1.0f, 0.5f, 0.0f});
    EXPECT_DOUBLE_EQ(s.peak, 1.0);
    EXPECT_DOUBLE_EQ(s.rms, std::sqrt(1.5 / 4));
    EXPECT_DOUBLE_EQ(toDb(1.0), 0.0);
    EXPECT_TRUE(std::isinf(toDb(0.0)));
}

// The gui command's feed loops a source shorter than a block; what the
// plug-in gets must be the source repeated without a seam, so its output
// equals a render of the repeated source in the same blocks.
TEST(AudioFeed, LoopsItsSourceWithoutASeam) {
    for (const char *path : {TESTPLUG_PARAMS, TESTPLUG_MONO}) {
        constexpr VstInt32 kBlock = 256;
        constexpr size_t kLength = 1000, kBlocks = 12;
        LoadResult fed = Plugin::load(path, 44100.0f, kBlock), rendered = Plugin::load(path, 44100.0f, kBlock);
        ASSERT_TRUE(fed.plugin && rendered.plugin) << path;
        const int channels = fed.plugin->numInputs();
        AudioFeed feed;
        feed.plugin = fed.plugin.get();
        feed.source = pinkNoise(channels, kLength);
        feed.prepare(kBlock);
        fed.plugin->resume();
        std::vector<std::vector<float>> got(feed.out.size());
        for (size_t b = 0; b < kBlocks; ++b) {
            feed.runBlock(kBlock);
            for (size_t c = 0; c < got.size(); ++c)
                got[c].insert(got[c].end(), feed.out[c].begin(), feed.out[c].end());
        }
        std::vector<std::vector<float>> repeated(static_cast<size_t>(channels));
        for (size_t c = 0; c < repeated.size(); ++c)
            for (size_t i = 0; i < kBlocks * kBlock; ++i)
                repeated[c].push_back(feed.source[c][i % kLength]);
        rendered.plugin->resume();
        RunOptions options;
        options.blockSize = kBlock;
        EXPECT_EQ(got, runPlugin(*rendered.plugin, repeated, kBlocks * kBlock, options)) << path;
    }
}
