#include "effect/program_bank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace sorrel {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A bank like the effect's: 10 programs of 36 values, distinct contents.
struct FilledBank {
    ProgramBank bank{10, 36};
    FilledBank() {
        bank.setDefault(34, 1.0f);
        for (int32_t p = 0; p < 10; ++p) {
            bank.select(p);
            bank.setName(p, ("program " + std::to_string(p)).c_str());
            for (int32_t i = 0; i < 36; ++i)
                bank.setValue(i, static_cast<float>((p * 36 + i) % 97) / 96.0f);
        }
        bank.select(2);
    }
    std::vector<unsigned char> bankBytes() {
        void *data = nullptr;
        const int32_t size = bank.chunkData(false, 0, &data);
        const auto *bytes = static_cast<unsigned char *>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }
};

void putFloat(std::vector<unsigned char> &bytes, size_t offset, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int k = 0; k < 4; ++k)
        bytes[offset + static_cast<size_t>(k)] = static_cast<unsigned char>(bits >> (8 * k));
}

} // namespace

TEST(ProgramBank, SizesFollowTheParameterCount) {
    ProgramBank bank(10, 36);
    EXPECT_EQ(bank.recordSize(), 176);
    EXPECT_EQ(bank.bankSize(), 1760);
    EXPECT_EQ(bank.selected(), 0);
}

TEST(ProgramBank, SelectionIgnoresProgramsOutsideTheBank) {
    ProgramBank bank(10, 36);
    for (int32_t p : {3, -1, 10, 1 << 30, 9, std::numeric_limits<int32_t>::min()}) {
        const int32_t before = bank.selected();
        bank.select(p);
        EXPECT_EQ(bank.selected(), (p >= 0 && p < 10) ? p : before) << p;
    }
}

TEST(ProgramBank, ValuesAreMadeSafeBeforeTheyAreStored) {
    struct Case {
        int32_t index;
        float written, expected;
    };
    const Case cases[] = {
        {0, 0.25f, 0.25f},  {0, kNaN, 0.25f}, // NaN leaves the previous value
        {0, 1.5f, 1.0f},    {0, -0.5f, 0.0f}, {0, kInf, 1.0f},  {0, -kInf, 0.0f},
        {35, 0.75f, 0.75f}, {36, 0.5f, 0.0f}, {-1, 0.5f, 0.0f},
    };
    ProgramBank bank(10, 36);
    for (const Case &c : cases) {
        bank.setValue(c.index, c.written);
        EXPECT_EQ(bank.getValue(c.index), c.expected) << c.index << " " << c.written;
    }
}

TEST(ProgramBank, NamesKeepThirtyCharactersAndIgnoreNull) {
    struct Case {
        const char *written;
        std::string expected;
    };
    const std::string forty(40, 'x');
    const Case cases[] = {
        {"Warm", "Warm"},
        {forty.c_str(), std::string(30, 'x')},
        {"", ""},
        {nullptr, ""}, // ignored: the previous name stays
    };
    ProgramBank bank(10, 36);
    for (const Case &c : cases) {
        bank.setName(4, c.written);
        char text[64];
        std::memset(text, '#', sizeof text);
        bank.getName(4, text);
        EXPECT_EQ(std::string(text), c.expected);
        EXPECT_EQ(text[c.expected.size() + 1], '#') << "writes only the name and its terminator";
    }
    char untouched[4] = "abc";
    bank.getName(10, untouched);
    bank.getName(-1, untouched);
    EXPECT_STREQ(untouched, "abc");
}

TEST(ProgramBank, RecordBytesAreNameThenLittleEndianValues) {
    ProgramBank bank(10, 36);
    bank.select(1);
    bank.setName(1, "abc");
    bank.setValue(0, 0.5f);
    bank.setValue(35, 1.0f);
    void *data = nullptr;
    ASSERT_EQ(bank.chunkData(true, 1, &data), 176);
    const auto *bytes = static_cast<const unsigned char *>(data);
    EXPECT_EQ(std::memcmp(bytes, "abc\0\0\0\0", 7), 0);
    const unsigned char half[4] = {0x00, 0x00, 0x00, 0x3F}, one[4] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(std::memcmp(bytes + 32, half, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 32 + 35 * 4, one, 4), 0);
    EXPECT_EQ(bank.chunkData(true, 10, &data), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(bank.chunkData(true, 0, nullptr), 0);
}

TEST(ProgramBank, BankChunkRoundTripsIntoAnotherBank) {
    FilledBank source;
    const std::vector<unsigned char> bytes = source.bankBytes();
    ASSERT_EQ(bytes.size(), 1760u);
    ProgramBank target(10, 36);
    EXPECT_EQ(target.loadChunk(bytes.data(), 1760, false, 0), 1);
    EXPECT_EQ(target.selected(), 0) << "loading does not change the selection";
    for (int32_t p = 0; p < 10; ++p)
        for (int32_t i = 0; i < 36; ++i)
            EXPECT_EQ(target.getValue(p, i), source.bank.getValue(p, i));
    void *data = nullptr;
    ASSERT_EQ(target.chunkData(false, 0, &data), 1760);
    EXPECT_EQ(std::memcmp(data, bytes.data(), 1760), 0);
}

TEST(ProgramBank, ProgramChunkReplacesOnlyItsProgram) {
    FilledBank fixture;
    std::vector<unsigned char> before = fixture.bankBytes();
    std::vector<unsigned char> record(before.begin() + 7 * 176, before.begin() + 8 * 176);
    EXPECT_EQ(fixture.bank.loadChunk(record.data(), 176, true, 3), 1);
    std::vector<unsigned char> expected = before;
    std::copy(record.begin(), record.end(), expected.begin() + 3 * 176);
    EXPECT_EQ(fixture.bankBytes(), expected);
}

TEST(ProgramBank, RefusedChunksChangeNoByte) {
    FilledBank fixture;
    const std::vector<unsigned char> before = fixture.bankBytes();
    const std::vector<unsigned char> garbage(4096, 0x41);
    struct Case {
        const void *data;
        int32_t size;
        bool isPreset;
        int32_t program;
    };
    const Case cases[] = {
        {garbage.data(), 175, true, 2},
        {garbage.data(), 177, true, 2},
        {garbage.data(), 0, true, 2},
        {garbage.data(), -176, true, 2},
        {garbage.data(), 1760, true, 2},
        {garbage.data(), 176, true, 10},
        {garbage.data(), 176, true, -1},
        {nullptr, 176, true, 2},
        {garbage.data(), 1759, false, 0},
        {garbage.data(), 1761, false, 0},
        {garbage.data(), 176, false, 0},
        {garbage.data(), 3520, false, 0},
        {garbage.data(), -1760, false, 0},
        {nullptr, 1760, false, 0},
        {garbage.data(), std::numeric_limits<int32_t>::min(), false, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(fixture.bank.loadChunk(c.data, c.size, c.isPreset, c.program), 0)
            << c.size << " " << c.isPreset << " " << c.program;
        EXPECT_EQ(fixture.bankBytes(), before) << c.size << " " << c.isPreset;
        EXPECT_EQ(fixture.bank.selected(), 2);
    }
}

TEST(ProgramBank, ChunkValuesAreMadeSafe) {
    struct Case {
        int32_t index;
        float stored, expected;
    };
    const Case cases[] = {
        {0, kNaN, 0.0f}, // no default set for 0
        {34, kNaN, 1.0f}, {1, -kNaN, 0.0f}, {2, 2.0f, 1.0f},   {3, -1.0f, 0.0f},    {4, kInf, 1.0f},
        {5, -kInf, 0.0f}, {6, 0.3f, 0.3f},  {7, -0.0f, -0.0f}, {8, 1e-45f, 1e-45f},
    };
    ProgramBank bank(10, 36);
    bank.setDefault(34, 1.0f);
    std::vector<unsigned char> record(176, 0);
    for (const Case &c : cases)
        putFloat(record, 32 + 4 * static_cast<size_t>(c.index), c.stored);
    ASSERT_EQ(bank.loadChunk(record.data(), 176, true, 0), 1);
    for (const Case &c : cases) {
        EXPECT_EQ(bank.getValue(c.index), c.expected) << c.index;
        EXPECT_FALSE(std::isnan(bank.getValue(c.index)));
    }
}

TEST(ProgramBank, UnterminatedChunkNameIsCutToThirtyCharacters) {
    ProgramBank bank(10, 36);
    std::vector<unsigned char> record(176, 0);
    std::memset(record.data(), 'n', 32);
    ASSERT_EQ(bank.loadChunk(record.data(), 176, true, 5), 1);
    char text[40];
    std::memset(text, '#', sizeof text);
    bank.getName(5, text);
    EXPECT_EQ(std::string(text), std::string(30, 'n'));
    void *data = nullptr;
    ASSERT_EQ(bank.chunkData(true, 5, &data), 176);
    EXPECT_EQ(std::memcmp(data, record.data(), 176), 0) << "all 32 name bytes survive a round trip";
}

TEST(ProgramBank, CopyTakesNameAndValues) {
    FilledBank fixture;
    fixture.bank.copy(6, 1);
    char a[31], b[31];
    fixture.bank.getName(6, a);
    fixture.bank.getName(1, b);
    EXPECT_STREQ(a, b);
    for (int32_t i = 0; i < 36; ++i)
        EXPECT_EQ(fixture.bank.getValue(1, i), fixture.bank.getValue(6, i));
    const std::vector<unsigned char> before = fixture.bankBytes();
    fixture.bank.copy(-1, 1);
    fixture.bank.copy(1, 10);
    EXPECT_EQ(fixture.bankBytes(), before);
}

} // namespace sorrel
