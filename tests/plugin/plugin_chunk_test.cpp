// Program and bank chunks as a host saves and restores them.
#include "plugin_fixture.h"

#include "effect/parameters.h"
#include "effect/program_bank.h"

#include <cstring>
#include <limits>
#include <string>

namespace sorrel::test {
namespace {

constexpr size_t kRecord = static_cast<size_t>(ProgramBank::recordSizeFor(kNumParameters));
constexpr size_t kBank = 10 * kRecord;
// What the first release wrote: 36 values a record.
constexpr size_t kFirstRecord = static_cast<size_t>(ProgramBank::recordSizeFor(kNumFirstParameters));

using ChunkTest = PluginTest;

std::vector<unsigned char> chunk(const RecordedEffect &effect, bool isPreset) {
    void *data = nullptr;
    const VstIntPtr size = effect.dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr)
        return {};
    const auto *bytes = static_cast<const unsigned char *>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr load(const RecordedEffect &effect, std::vector<unsigned char> bytes, bool isPreset) {
    return effect.dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
}

void putFloat(std::vector<unsigned char> &bytes, size_t offset, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (size_t k = 0; k < 4; ++k)
        bytes[offset + k] = static_cast<unsigned char>(bits >> (8 * k));
}

// Every program with its own name and values.
void fill(const RecordedEffect &effect) {
    for (VstIntPtr p = 0; p < 10; ++p) {
        effect.dispatch(effSetProgram, 0, p);
        std::string name = "program " + std::to_string(p);
        effect.dispatch(effSetProgramName, 0, 0, name.data());
        for (VstInt32 i = 0; i < kNumParameters; ++i)
            effect.setParameter(i, static_cast<float>((p * 7 + i * 3) % 11) / 10.0f);
    }
    effect.dispatch(effSetProgram, 0, 3);
}

TEST_F(ChunkTest, FreshBankChunk) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    const std::vector<unsigned char> bank = chunk(*effect, false);
    ASSERT_EQ(bank.size(), kBank);
    const unsigned char half[4] = {0x00, 0x00, 0x00, 0x3F};
    const unsigned char one[4] = {0x00, 0x00, 0x80, 0x3F};
    unsigned char name[32] = {};
    std::memcpy(name, "-- empty --", 11);
    for (size_t p = 0; p < 10; ++p) {
        const unsigned char *record = bank.data() + p * kRecord;
        const unsigned char zero[4] = {};
        EXPECT_EQ(std::memcmp(record, name, 32), 0) << p;
        for (size_t i = 0; i < static_cast<size_t>(kNumParameters); ++i)
            EXPECT_EQ(std::memcmp(record + 32 + 4 * i, i < 34 ? half : (i < 36 ? one : zero), 4), 0)
                << p << "/" << i;
    }
}

TEST_F(ChunkTest, ProgramChunkIsTheRecordOfTheCurrentProgram) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    fill(*effect);
    effect->dispatch(effSetProgram, 0, 0);
    effect->dispatch(effSetProgram, 0, 3);
    const std::vector<unsigned char> bank = chunk(*effect, false);
    const std::vector<unsigned char> program = chunk(*effect, true);
    ASSERT_EQ(program.size(), kRecord);
    EXPECT_TRUE(std::equal(program.begin(), program.end(), bank.begin() + 3 * kRecord));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(program.data())), "program 3");
}

TEST_F(ChunkTest, BankRoundTripsIntoAnotherInstance) {
    auto source = started();
    auto target = started();
    ASSERT_TRUE(*source && *target);
    fill(*source);
    const std::vector<unsigned char> bank = chunk(*source, false);
    target->dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(load(*target, bank, false), 1);
    EXPECT_EQ(chunk(*target, false), bank);
    EXPECT_EQ(target->dispatch(effGetProgram), 5) << "a bank load keeps the selection";
    source->dispatch(effSetProgram, 0, 5);
    for (VstInt32 i = 0; i < kNumParameters; ++i) {
        EXPECT_EQ(target->getParameter(i), source->getParameter(i)) << i;
        EXPECT_EQ(target->text(effGetParamDisplay, i), source->text(effGetParamDisplay, i))
            << "loaded values reach the engines: " << i;
    }
}

TEST_F(ChunkTest, ProgramChunkReplacesOnlyTheCurrentProgram) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    fill(*effect);
    std::vector<unsigned char> before = chunk(*effect, false);
    std::vector<unsigned char> record(before.begin() + 8 * kRecord, before.begin() + 9 * kRecord);
    EXPECT_EQ(load(*effect, record, true), 1);
    std::copy(record.begin(), record.end(), before.begin() + 3 * kRecord);
    EXPECT_EQ(chunk(*effect, false), before);
}

TEST_F(ChunkTest, RefusedChunksChangeNothing) {
    auto effect = started();
    ASSERT_TRUE(*effect);
    fill(*effect);
    const std::vector<unsigned char> before = chunk(*effect, false);
    const std::string displayBefore = effect->text(effGetParamDisplay, 9);
    std::vector<unsigned char> garbage(8192, 0x7F);
    struct Case {
        VstIntPtr size;
        bool isPreset;
        bool nullData;
    };
    // Both record lengths (this release's and the first's) are taken, and
    // nothing between or beside them.
    const VstIntPtr record = static_cast<VstIntPtr>(kRecord), first = static_cast<VstIntPtr>(kFirstRecord);
    const Case cases[] = {
        {100, true, false},
        {first - 1, true, false},
        {first + 1, true, false},
        {record - 1, true, false},
        {record + 1, true, false},
        {0, true, false},
        {-record, true, false},
        {10 * record, true, false},
        {record, true, true},
        {10 * record - 1, false, false},
        {10 * record + 1, false, false},
        {10 * first + 10, false, false},
        {record, false, false},
        {20 * record, false, false},
        {-10 * record, false, false},
        {10 * record, false, true},
        {0, false, false},
        {std::numeric_limits<int32_t>::min(), false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(
            effect->dispatch(effSetChunk, c.isPreset ? 1 : 0, c.size, c.nullData ? nullptr : garbage.data()),
            0)
            << c.size << " " << c.isPreset;
        EXPECT_EQ(chunk(*effect, false), before) << c.size << " " << c.isPreset;
        EXPECT_EQ(effect->text(effGetParamDisplay, 9), displayBefore);
    }
    EXPECT_EQ(effect->dispatch(effGetChunk, 0, 0, nullptr), 0) << "no place for the pointer";
}

TEST_F(ChunkTest, UnsafeValuesInAChunkAreRepaired) {
    struct Case {
        VstInt32 index;
        float stored, loaded;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0, nan, 0.5f},
        {1, nan, 0.5f},
        {1, 7.0f, 1.0f},
        {12, nan, 0.5f},
        {13, -2.0f, 0.0f},
        {33, nan, 0.5f},
        {34, nan, 1.0f},
        {35, nan, 1.0f},
        {35, -1e30f, 0.0f},
        {20, 0.3f, 0.3f},
        {21, std::numeric_limits<float>::infinity(), 1.0f},
    };
    auto effect = started();
    ASSERT_TRUE(*effect);
    for (const Case &c : cases) {
        std::vector<unsigned char> record = chunk(*effect, true);
        putFloat(record, 32 + 4 * static_cast<size_t>(c.index), c.stored);
        ASSERT_EQ(load(*effect, record, true), 1);
        EXPECT_EQ(effect->getParameter(c.index), c.loaded) << c.index << " " << c.stored;
    }
    EXPECT_EQ(effect->text(effGetParamDisplay, 1), "1.000000") << "the clamped Q reached the engines";
}

} // namespace
} // namespace sorrel::test
