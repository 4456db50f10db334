// Properties of chunk loads over many generated chunks: an accepted chunk
// comes back from getChunk exactly as loaded once its values are made safe,
// and reaches both engines; a refused chunk leaves the bank byte for byte as
// it was; getParameter never answers NaN or anything outside 0..1.
#include "effect/equalizer_effect.h"
#include "fuzz/chunk_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace sorrel {

namespace model = sorrel::chunkmodel;

namespace {

struct Random {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    size_t below(size_t n) { return next() % n; }
};

std::vector<uint8_t> chunkOf(EqualizerEffect &effect, bool isPreset) {
    void *data = nullptr;
    const int32_t size = effect.getChunk(&data, isPreset);
    const auto *bytes = static_cast<const uint8_t *>(data);
    return data != nullptr && size > 0 ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

// Values a file or another plug-in version may hold, as raw bits.
const uint32_t kValueBits[] = {
    0x7FC00000, 0xFFC00000, 0x7FA00001, 0x7F800000, 0xFF800000, 0x80000000, 0x00000001, 0x807FFFFF,
    0x3F800001, 0xBF800000, 0x3F000000, 0x7F7FFFFF, 0x3DCCCCCD, 0x00000000, 0x3F7FFFFF, 0xC2C80000,
};

std::vector<uint8_t> generate(Random &random, std::vector<uint8_t> base, bool isPreset) {
    // The first release's lengths (176, 1760) load as well.
    static const size_t lengths[] = {0, 1, 4, 175, 176, 177, 179, 181, 352, 1759, 1760, 1761, 1799, 1801, 3600};
    const size_t exact = isPreset ? model::kRecordBytes : model::kBankBytes;
    const size_t kind = random.below(4);
    std::vector<uint8_t> chunk = isPreset ? std::vector<uint8_t>(base.begin(), base.begin() + exact) : base;
    if (kind == 3)
        chunk.resize(lengths[random.below(std::size(lengths))], 0x5A);
    // Values replaced by unusual ones, names by unterminated bytes.
    for (size_t k = random.below(12); k > 0 && chunk.size() >= 4; --k) {
        const size_t offset = random.below(chunk.size() / 4) * 4;
        const uint32_t bits = kValueBits[random.below(std::size(kValueBits))];
        for (int b = 0; b < 4; ++b)
            chunk[offset + static_cast<size_t>(b)] = static_cast<uint8_t>(bits >> (8 * b));
    }
    if (kind == 2)
        for (uint8_t &byte : chunk)
            byte = static_cast<uint8_t>(random.next());
    return chunk;
}

void expectSafeParameters(EqualizerEffect &effect) {
    for (int32_t index : {-1, 0, 1, 2, 17, 32, 33, 34, 35, 36, std::numeric_limits<int32_t>::max()}) {
        const float value = effect.getParameter(index);
        ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << "parameter " << index << " answers " << value;
    }
}

// The loaded values reach both engines.
void expectEnginesFollowTheBank(EqualizerEffect &effect, int trial) {
    for (int channel = 0; channel < 2; ++channel)
        for (int band = 0; band < kNumBands; ++band)
            ASSERT_EQ(effect.engine(channel).getBandGain(band),
                      effect.getParameter(sorrel::kFirstBandParameter + band))
                << "trial " << trial << " band " << band;
}

TEST(ChunkProperty, LoadsAreExactOrChangeNothing) {
    EqualizerEffect effect;
    effect.setSampleRate(48000.0f);
    Random random{0x2545F491u};
    int accepted = 0, refused = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        if (random.below(4) == 0)
            effect.setProgram(static_cast<int32_t>(random.below(12)) - 1);
        if (random.below(4) == 0) {
            const uint32_t bits = kValueBits[random.below(std::size(kValueBits))];
            float value;
            std::memcpy(&value, &bits, sizeof value);
            effect.setParameter(static_cast<int32_t>(random.below(38)) - 1, value);
        }
        const bool isPreset = random.below(2) == 0;
        const std::vector<uint8_t> before = chunkOf(effect, false);
        const int32_t program = effect.getProgram();
        std::vector<uint8_t> chunk = generate(random, isPreset ? chunkOf(effect, true) : before, isPreset);
        const int32_t byteSize =
            random.below(8) == 0 ? -static_cast<int32_t>(chunk.size()) : static_cast<int32_t>(chunk.size());

        std::vector<uint8_t> expected = before;
        const bool takes = model::load(expected, chunk.data(), byteSize, isPreset, program);
        const int32_t result = effect.setChunk(chunk.empty() ? nullptr : chunk.data(), byteSize, isPreset);
        ASSERT_EQ(result, takes ? 1 : 0) << "trial " << trial << ": " << chunk.size() << " bytes";
        ASSERT_EQ(chunkOf(effect, false), expected)
            << "trial " << trial << (takes ? " (taken)" : " (refused)");
        ASSERT_EQ(effect.getProgram(), program);
        expectSafeParameters(effect);
        (takes ? accepted : refused) += 1;
        if (takes)
            expectEnginesFollowTheBank(effect, trial);
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 300);
}

} // namespace

} // namespace sorrel
