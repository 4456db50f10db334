// The value-to-text conversions: the texts hosts show for our parameters,
// and the promise that no value and no maxLen writes past maxLen + 1 bytes.
#include "support/test_effect.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace sorrel {

namespace {

constexpr char kGuard = '\x5A';
constexpr int kBuffer = 48;

// Runs a conversion into a guarded buffer and checks that only the first
// maxLen + 1 bytes changed and that the text ends inside them.
template <typename Convert> std::string guarded(Convert convert, VstInt32 maxLen) {
    char buffer[kBuffer];
    std::memset(buffer, kGuard, sizeof(buffer));
    convert(buffer, maxLen);
    const int allowed = maxLen < 0 ? 0 : maxLen + 1;
    for (int i = allowed; i < kBuffer; ++i)
        if (buffer[i] != kGuard) {
            ADD_FAILURE() << "byte " << i << " written with maxLen " << maxLen;
            break;
        }
    if (maxLen < 0)
        return "";
    if (std::memchr(buffer, 0, allowed) == nullptr) {
        ADD_FAILURE() << "no terminator within maxLen " << maxLen;
        return "";
    }
    return buffer;
}

TEST(Text, CopyAndAppendCutAtMaxLen) {
    struct Row {
        const char *start;
        const char *src;
        VstInt32 maxLen;
        const char *copy;
        const char *append;
    };
    const Row rows[] = {
        {"", "abcdef", 3, "abc", "abc"},
        {"", "ab", 8, "ab", "ab"},
        {"xy", "abcdef", 4, "abcd", "xyab"},
        {"xyz", "abc", 3, "abc", "xyz"},
        {"", "abc", 0, "", ""},
        {"xyz", "", 8, "", "xyz"},
        {"wx", "abc", 2, "ab", "wx"},
        {"xy", "abcdef", 30, "abcdef", "xyabcdef"},
    };
    for (const Row &row : rows) {
        for (int cat = 0; cat < 2; ++cat) {
            const std::string text = guarded(
                [&](char *b, VstInt32 m) {
                    std::strcpy(b, row.start);
                    if (cat)
                        vst_strncat(b, row.src, m);
                    else
                        vst_strncpy(b, row.src, m);
                },
                row.maxLen);
            EXPECT_EQ(text, cat ? row.append : row.copy)
                << row.start << " + " << row.src << " / " << row.maxLen;
        }
    }
}

TEST(Text, CopyWritesItsTerminatorAtMaxLen) {
    char buffer[8];
    std::memset(buffer, kGuard, sizeof(buffer));
    vst_strncpy(buffer, "abcdefghijk", 5);
    EXPECT_EQ(std::string(buffer), "abcde");
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(buffer[6], kGuard);
}

TEST(Text, NullAndNegativeArgumentsWriteNothing) {
    EXPECT_EQ(vst_strncpy(nullptr, "abc", 4), nullptr);
    EXPECT_EQ(vst_strncat(nullptr, "abc", 4), nullptr);
    EXPECT_EQ(guarded([](char *b, VstInt32 m) { vst_strncpy(b, nullptr, m); }, 4), "");
    EXPECT_EQ(guarded([](char *b, VstInt32 m) { vst_strncpy(b, "abc", m); }, -1), "");
    EXPECT_EQ(guarded([](char *b, VstInt32 m) { vst_strncat(b, "abc", m); }, -7), "");
}

struct Example {
    float value;
    const char *text;
};

TEST(Text, FloatExamples) {
    const Example examples[] = {
        {0.0f, "0.000000"},       {0.5f, "0.500000"},       {12.0f, "12.00000"},       {-12.0f, "-12.0000"},
        {-6.0f, "-6.00000"},      {11.52f, "11.52000"},     {0.7f, "0.699999"},        {-0.48f, "-0.47999"},
        {-0.0f, "0.000000"},      {1234567.0f, "1234567."}, {2.0e8f, "Huge!"},         {-2.0e8f, "Huge!"},
        {9999999.0f, "9999999."}, {-999999.0f, "-999999."}, {-12345.678f, "-12345.6"}, {1.0e-30f, "0.000000"},
        {100.0f, "100.0000"},
    };
    BareEffect effect(nullptr);
    for (const Example &e : examples)
        EXPECT_EQ(guarded([&](char *b, VstInt32 m) { effect.float2string(e.value, b, m); }, 24), e.text)
            << e.value;
}

TEST(Text, FloatValuesTooWideForTheBudgetAreHuge) {
    const float inf = std::numeric_limits<float>::infinity();
    const Example examples[] = {
        {5.0e7f, "Huge!"},  {1.0e7f, "Huge!"},      {99999999.0f, "Huge!"}, {-5.0e6f, "Huge!"},
        {-1.0e6f, "Huge!"}, {-9999999.0f, "Huge!"}, {FLT_MAX, "Huge!"},     {-FLT_MAX, "Huge!"},
        {inf, "Huge!"},     {-inf, "Huge!"},        {std::nanf(""), "NaN"},
    };
    BareEffect effect(nullptr);
    for (const Example &e : examples)
        EXPECT_EQ(guarded([&](char *b, VstInt32 m) { effect.float2string(e.value, b, m); }, 24), e.text)
            << e.value;
}

TEST(Text, DecibelsHertzAndMilliseconds) {
    BareEffect effect(nullptr);
    auto dB = [&](float v) { return guarded([&](char *b, VstInt32 m) { effect.dB2string(v, b, m); }, 24); };
    auto Hz = [&](float v) { return guarded([&](char *b, VstInt32 m) { effect.Hz2string(v, b, m); }, 24); };
    auto ms = [&](float v) { return guarded([&](char *b, VstInt32 m) { effect.ms2string(v, b, m); }, 24); };
    EXPECT_EQ(dB(0.0f), "-oo");
    EXPECT_EQ(dB(-1.0f), "-oo");
    EXPECT_EQ(dB(1.0f), "0.000000");
    EXPECT_EQ(dB(10.0f), "20.00000");
    EXPECT_EQ(dB(std::nanf("")), "NaN");
    EXPECT_EQ(Hz(0.0f), "0.000000");
    EXPECT_EQ(Hz(100.0f), "441.0000");
    EXPECT_EQ(ms(441.0f), "10.00000");
    effect.setSampleRate(0.0f);
    EXPECT_EQ(Hz(100.0f), "0.000000");
    EXPECT_EQ(ms(441.0f), "Huge!");
    EXPECT_EQ(ms(0.0f), "NaN");
}

TEST(Text, IntegerExamples) {
    struct Row {
        VstInt32 value;
        const char *text;
    };
    const Row rows[] = {
        {0, "0"},
        {-5, "-5"},
        {7, "7"},
        {1000, "1000"},
        {-10203, "-10203"},
        {99999999, "99999999"},
        {100000000, "Huge!"},
        {-99999999, "-99999999"},
        {-999999999, "-999999999"},
        {-1000000000, "Huge!"},
        {INT32_MAX, "Huge!"},
        {INT32_MIN, "Huge!"},
    };
    BareEffect effect(nullptr);
    for (const Row &row : rows)
        EXPECT_EQ(guarded([&](char *b, VstInt32 m) { effect.int2string(row.value, b, m); }, 24), row.text)
            << row.value;
}

// Every conversion, every awkward value and every small maxLen: the text is
// the full text cut to maxLen, and nothing lands past maxLen + 1 bytes.
TEST(Text, EveryConversionStaysWithinMaxLenPlusOne) {
    const float inf = std::numeric_limits<float>::infinity();
    const float floats[] = {0.0f,    -0.0f,    0.7f,    -0.48f,     1234567.0f,   9999999.9f, 1.0e7f,
                            5.0e7f,  -5.0e6f,  -1.0e6f, -999999.9f, 2.0e8f,       FLT_MAX,    -FLT_MAX,
                            FLT_MIN, 1.0e-40f, inf,     -inf,       std::nanf("")};
    const VstInt32 ints[] = {0, -5, 99999999, 100000000, -999999999, INT32_MIN, INT32_MAX, -1000000000};
    BareEffect effect(nullptr);
    using Convert = std::function<void(char *, VstInt32)>;
    std::vector<Convert> conversions;
    for (float f : floats) {
        conversions.push_back([&effect, f](char *b, VstInt32 m) { effect.float2string(f, b, m); });
        conversions.push_back([&effect, f](char *b, VstInt32 m) { effect.dB2string(f, b, m); });
        conversions.push_back([&effect, f](char *b, VstInt32 m) { effect.Hz2string(f, b, m); });
        conversions.push_back([&effect, f](char *b, VstInt32 m) { effect.ms2string(f, b, m); });
    }
    for (VstInt32 i : ints)
        conversions.push_back([&effect, i](char *b, VstInt32 m) { effect.int2string(i, b, m); });
    for (const Convert &convert : conversions) {
        const std::string full = guarded(convert, 40);
        ASSERT_LE(full.size(), 10u);
        for (VstInt32 maxLen = -2; maxLen <= 12; ++maxLen) {
            const std::string cut = guarded(convert, maxLen);
            EXPECT_EQ(cut, full.substr(0, maxLen < 0 ? 0 : static_cast<size_t>(maxLen)))
                << full << " / " << maxLen;
        }
    }
}

} // namespace

} // namespace sorrel
