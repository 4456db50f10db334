// The effect's parameter push, program and chunk updates and block-size
// handling, observed on the engines' own state.
#include "effect/equalizer_effect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace sorrel {

namespace {

std::unique_ptr<EqualizerEffect> ready() {
    auto effect = std::make_unique<EqualizerEffect>();
    effect->setSampleRate(44100.0f);
    effect->setBlockSize(512);
    return effect;
}

// Everything the push could change in one engine.
struct EngineState {
    float inGain, outGain, q, bands[kNumBands];
    unsigned designs;
    explicit EngineState(const BandEqualizer &engine)
        : inGain(engine.getInGain()), outGain(engine.getOutGain()), q(engine.getQ()),
          designs(engine.getDesignCount()) {
        for (int b = 0; b < kNumBands; ++b)
            bands[b] = engine.getBandGain(b);
    }
};

void expectBothEngines(const EqualizerEffect &effect, float inGain, float outGain, float q,
                       const std::vector<float> &bands) {
    for (int channel = 0; channel < 2; ++channel) {
        const EngineState state(effect.engine(channel));
        EXPECT_EQ(state.inGain, inGain) << channel;
        EXPECT_EQ(state.outGain, outGain) << channel;
        EXPECT_EQ(state.q, q) << channel;
        for (int b = 0; b < kNumBands; ++b)
            EXPECT_EQ(state.bands[b], bands[static_cast<size_t>(b)]) << channel << " band " << b;
    }
}

TEST(EqualizerEffect, ParameterWritesReachBothEngines) {
    struct Case {
        int32_t index;
        float value;
    };
    // Applied in order; the expectation is rebuilt alongside.
    const Case cases[] = {{5, 0.75f}, {0, 0.2f}, {33, 0.9f}, {1, 0.3f}, {2, 0.0f}, {32, 1.0f}, {5, 0.5f}};
    auto effect = ready();
    float inGain = 0.5f, outGain = 0.5f, q = 0.5f;
    std::vector<float> bands(kNumBands, 0.5f);
    for (const Case &c : cases) {
        effect->setParameter(c.index, c.value);
        if (c.index == 0)
            inGain = c.value;
        else if (c.index == 33)
            outGain = c.value;
        else if (c.index == 1)
            q = c.value;
        else
            bands[static_cast<size_t>(c.index - 2)] = c.value;
        SCOPED_TRACE(::testing::Message() << "after " << c.index << " = " << c.value);
        expectBothEngines(*effect, inGain, outGain, q, bands);
        EXPECT_EQ(effect->getParameter(c.index), c.value);
    }
}

TEST(EqualizerEffect, UnchangedOrUnusableWritesTouchNoEngine) {
    struct Case {
        int32_t index;
        float value;
    };
    const Case cases[] = {
        {5, 0.5f},        {1, 0.5f},  {0, 0.5f},  {34, 1.0f},
        {35, 1.0f},       {36, 0.0f}, {-1, 0.0f}, {5, std::numeric_limits<float>::quiet_NaN()},
        {5, 2.0f - 1.5f}, // the same value, reached another way
    };
    auto effect = ready();
    const EngineState before(effect->engine(0));
    for (const Case &c : cases) {
        effect->setParameter(c.index, c.value);
        const EngineState after(effect->engine(0));
        EXPECT_EQ(after.designs, before.designs) << c.index;
        EXPECT_EQ(std::memcmp(after.bands, before.bands, sizeof before.bands), 0) << c.index;
        EXPECT_EQ(after.q, before.q) << c.index;
    }
}

TEST(EqualizerEffect, QRedesignsOnlyWhenItChanges) {
    auto effect = ready();
    const unsigned start = effect->engine(0).getDesignCount();
    struct Case {
        int32_t index;
        float value;
        unsigned designs; // since start
    };
    const Case cases[] = {
        {1, 0.3f, 1}, {1, 0.3f, 1}, {5, 0.8f, 1}, {0, 0.1f, 1}, {1, 0.9f, 2}, {34, 0.0f, 2}, {1, 5.0f, 3},
    };
    for (const Case &c : cases) {
        effect->setParameter(c.index, c.value);
        EXPECT_EQ(effect->engine(0).getDesignCount() - start, c.designs)
            << c.index << " = " << c.value;
        EXPECT_EQ(effect->engine(1).getQ(), effect->engine(0).getQ());
    }
}

TEST(EqualizerEffect, ProgramChangesAndChunkLoadsPushEveryValue) {
    auto effect = ready();
    effect->setProgram(4);
    effect->setParameter(0, 0.1f);
    effect->setParameter(1, 0.2f);
    effect->setParameter(12, 0.3f);
    effect->setParameter(33, 0.4f);
    std::vector<float> shaped(kNumBands, 0.5f), flat(kNumBands, 0.5f);
    shaped[10] = 0.3f;
    expectBothEngines(*effect, 0.1f, 0.4f, 0.2f, shaped);

    effect->setProgram(7);
    expectBothEngines(*effect, 0.5f, 0.5f, 0.5f, flat);
    effect->setProgram(4);
    expectBothEngines(*effect, 0.1f, 0.4f, 0.2f, shaped);

    void *data = nullptr;
    const int32_t size = ProgramBank::recordSizeFor(kNumParameters);
    ASSERT_EQ(effect->getChunk(&data, true), size);
    std::vector<unsigned char> record(static_cast<unsigned char *>(data),
                                      static_cast<unsigned char *>(data) + size);
    effect->setProgram(7);
    ASSERT_EQ(effect->setChunk(record.data(), size, true), 1);
    expectBothEngines(*effect, 0.1f, 0.4f, 0.2f, shaped);
    EXPECT_EQ(effect->getProgram(), 7);

    ASSERT_EQ(effect->setChunk(record.data(), 175, true), 0);
    ASSERT_EQ(effect->setChunk(nullptr, 176, true), 0);
    expectBothEngines(*effect, 0.1f, 0.4f, 0.2f, shaped);
}

TEST(EqualizerEffect, SampleRateReachesBothEngines) {
    auto effect = std::make_unique<EqualizerEffect>();
    for (float rate : {48000.0f, 96000.0f, 22050.0f}) {
        effect->setSampleRate(rate);
        EXPECT_EQ(effect->engine(0).getSampleRate(), rate);
        EXPECT_EQ(effect->engine(1).getSampleRate(), rate);
        EXPECT_EQ(effect->getSampleRate(), rate);
        EXPECT_TRUE(effect->engine(0).isReady());
    }
}

TEST(EqualizerEffect, WorkBuffersFollowTheBlockSize) {
    struct Case {
        int32_t blockSize, frames;
    };
    const Case cases[] = {
        {512, 512},
        {1024, 1024},
        {1, 1},
        {0, 0},
        {-5, 0},
        {std::numeric_limits<int32_t>::min(), 0},
        {EqualizerEffect::kMaxWorkFrames, EqualizerEffect::kMaxWorkFrames},
        {EqualizerEffect::kMaxWorkFrames + 1, EqualizerEffect::kMaxWorkFrames},
        {std::numeric_limits<int32_t>::max(), EqualizerEffect::kMaxWorkFrames},
        {8192, 8192},
    };
    auto effect = std::make_unique<EqualizerEffect>();
    EXPECT_EQ(effect->workFrames(), 0);
    for (const Case &c : cases) {
        effect->setBlockSize(c.blockSize);
        EXPECT_EQ(effect->workFrames(), c.frames) << c.blockSize;
    }
}

} // namespace

} // namespace sorrel
