// Every vector family against plain reference loops: all counts that reach
// each block size's edges, misaligned starts, guard elements on both sides
// that must stay untouched, overlapping copies and the guard conditions.
#include "dsp/vector_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace sorrel {

namespace {

struct Family {
    const char *name;
    VectorOpsTable table;
};

void PrintTo(const Family &family, std::ostream *out) {
    *out << family.name;
}

std::vector<Family> families() {
    std::vector<Family> all = {{"portable", portableVectorOps()}};
    VectorOpsTable withIntegerClip = portableVectorOps();
    withIntegerClip.clip = integerClip;
    all.push_back({"integerClip", withIntegerClip});
#if SORREL_ARCH_X86
    all.push_back({"x87", x87VectorOps()});
    all.push_back({"sse", sseVectorOps()});
#endif
    return all;
}

uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

float fromBits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// Equal bit for bit, except that any two NaNs match: which NaN an operation
// on two NaNs hands on differs between units.
bool sameValue(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b);
}

// A fixed pseudo-random mix of ordinary values, zeros, denormals and values
// large enough to overflow when multiplied.
class Samples {
  public:
    explicit Samples(uint32_t seed) : state(seed) {}
    float next() {
        state = state * 1664525u + 1013904223u;
        const uint32_t r = state >> 8;
        switch (r % 16) {
        case 0:
            return 0.0f;
        case 1:
            return -0.0f;
        case 2:
            return fromBits(r & 0x807FFFFF); // denormal
        case 3:
            return (r & 1 ? 1.0f : -1.0f) * 3.0e38f;
        default:
            return (static_cast<float>(r % 200001) - 100000.0f) / 1000.0f;
        }
    }

  private:
    uint32_t state;
};

// Arrays with guard elements on both sides. Each guard holds a distinct bit
// pattern that no operation produces.
constexpr int kGuard = 8;
constexpr uint32_t kGuardBits = 0x7FA5A500u;

struct Buffer {
    std::vector<float> all;
    Buffer(int count, int offset, uint32_t seed) : all(count + offset + 2 * kGuard) {
        Samples samples(seed);
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = fromBits(kGuardBits + static_cast<uint32_t>(i));
        for (int i = 0; i < count; ++i)
            at(offset, i) = samples.next();
    }
    float &at(int offset, int i) { return all[kGuard + offset + i]; }
    float *start(int offset) { return all.data() + kGuard + offset; }
};

struct OpCase {
    const char *name;
    void (*run)(const VectorOpsTable &ops, float *dst, const float *src, int32_t count, float value);
    void (*reference)(float *dst, const float *src, int32_t count, float value);
};

const OpCase kOps[] = {
    {"fill", [](const VectorOpsTable &o, float *d, const float *, int32_t n, float v) { o.fill(d, n, v); },
     [](float *d, const float *, int32_t n, float v) {
         for (int32_t i = 0; i < n; ++i)
             d[i] = v;
     }},
    {"add", [](const VectorOpsTable &o, float *d, const float *s, int32_t n, float) { o.add(d, s, n); },
     [](float *d, const float *s, int32_t n, float) {
         for (int32_t i = 0; i < n; ++i)
             d[i] = d[i] + s[i];
     }},
    {"addScalar",
     [](const VectorOpsTable &o, float *d, const float *, int32_t n, float v) { o.addScalar(d, v, n); },
     [](float *d, const float *, int32_t n, float v) {
         for (int32_t i = 0; i < n; ++i)
             d[i] = d[i] + v;
     }},
    {"multiply",
     [](const VectorOpsTable &o, float *d, const float *s, int32_t n, float) { o.multiply(d, s, n); },
     [](float *d, const float *s, int32_t n, float) {
         for (int32_t i = 0; i < n; ++i)
             d[i] = d[i] * s[i];
     }},
    {"multiplyScalar",
     [](const VectorOpsTable &o, float *d, const float *, int32_t n, float v) { o.multiplyScalar(d, v, n); },
     [](float *d, const float *, int32_t n, float v) {
         for (int32_t i = 0; i < n; ++i)
             d[i] = d[i] * v;
     }},
    {"copy", [](const VectorOpsTable &o, float *d, const float *s, int32_t n, float) { o.copy(d, s, n); },
     [](float *d, const float *s, int32_t n, float) { std::memmove(d, s, sizeof(float) * n); }},
    {"clip", [](const VectorOpsTable &o, float *d, const float *, int32_t n, float v) { o.clip(d, n, v); },
     [](float *d, const float *, int32_t n, float v) {
         for (int32_t i = 0; i < n; ++i)
             d[i] = d[i] > v ? v : (d[i] < -v ? -v : d[i]);
     }},
};

std::vector<int32_t> testCounts() {
    std::vector<int32_t> counts;
    for (int32_t n = 0; n <= 33; ++n)
        counts.push_back(n);
    for (int32_t n : {63, 64, 65, 127, 128, 129, 255, 256, 257, 1000})
        counts.push_back(n);
    return counts;
}

class VectorFamily : public ::testing::TestWithParam<Family> {};

// Scalars for the operations that take one: ordinary, negative, zero and one
// that overflows against the large samples.
const float kScalars[] = {1.5f, -0.37f, 0.0f, 2.0e3f};

TEST_P(VectorFamily, MatchesReferenceWithUntouchedGuards) {
    const VectorOpsTable &ops = GetParam().table;
    for (const OpCase &op : kOps) {
        for (int32_t count : testCounts()) {
            for (int offset = 0; offset < 4; ++offset) {
                for (float value : kScalars) {
                    const float scalar = std::string(op.name) == "clip" ? std::fabs(value) : value;
                    const uint32_t seed = static_cast<uint32_t>(count * 16 + offset);
                    Buffer dst(count, offset, seed);
                    Buffer src(count, (offset * 3) % 4, seed + 7);
                    Buffer expected = dst;
                    op.reference(expected.start(offset), src.start((offset * 3) % 4), count, scalar);
                    const std::vector<float> srcBefore = src.all;
                    op.run(ops, dst.start(offset), src.start((offset * 3) % 4), count, scalar);
                    for (size_t i = 0; i < dst.all.size(); ++i)
                        ASSERT_TRUE(sameValue(dst.all[i], expected.all[i]))
                            << op.name << " count " << count << " offset " << offset << " value " << scalar
                            << " element " << static_cast<long>(i) - kGuard - offset << ": " << dst.all[i]
                            << " expected " << expected.all[i];
                    ASSERT_EQ(0,
                              std::memcmp(srcBefore.data(), src.all.data(), sizeof(float) * srcBefore.size()))
                        << op.name << " wrote into its source";
                }
            }
        }
    }
}

// A copy within one array must come out as if it went through a temporary,
// whichever way the ranges overlap.
TEST_P(VectorFamily, OverlappingCopyActsThroughTemporary) {
    const VectorOpsTable &ops = GetParam().table;
    const int32_t counts[] = {1, 2, 3, 4, 5, 15, 16, 17, 31, 32, 33, 37, 127, 128, 129, 130, 1000};
    const int shifts[] = {1, 2, 3, 4, 5, 8, 15, 16, 17, 31, 64, 129};
    for (int32_t count : counts) {
        for (int shift : shifts) {
            for (int direction : {-1, +1}) {
                const int srcAt = 200;
                const int dstAt = srcAt + direction * shift;
                Buffer buffer(count + 400, 0, static_cast<uint32_t>(count + shift));
                std::vector<float> expected = buffer.all;
                std::vector<float> temporary(buffer.start(srcAt), buffer.start(srcAt) + count);
                std::memcpy(expected.data() + kGuard + dstAt, temporary.data(), sizeof(float) * count);
                ops.copy(buffer.start(dstAt), buffer.start(srcAt), count);
                ASSERT_EQ(0, std::memcmp(expected.data(), buffer.all.data(), sizeof(float) * expected.size()))
                    << "count " << count << " dst - src " << dstAt - srcAt;
            }
        }
    }
}

// Copies move bit patterns: NaN payloads, signalling NaNs and denormals
// arrive unchanged.
TEST_P(VectorFamily, CopyKeepsEveryBitPattern) {
    const VectorOpsTable &ops = GetParam().table;
    const uint32_t patterns[] = {0x7F800001u, 0xFF812345u, 0x7FC00000u, 0xFFFFFFFFu, 0x00000001u,
                                 0x80000000u, 0x7F800000u, 0x3F800000u, 0x807FFFFFu, 0x80000001u};
    for (int32_t count : {1, 4, 10, 16, 20, 130}) {
        std::vector<float> src(count), dst(count, 0.0f);
        for (int32_t i = 0; i < count; ++i)
            src[i] = fromBits(patterns[i % 10]);
        ops.copy(dst.data(), src.data(), count);
        EXPECT_EQ(0, std::memcmp(src.data(), dst.data(), sizeof(float) * count)) << "count " << count;
    }
}

// Calls the guards turn away leave every byte as it was.
TEST_P(VectorFamily, GuardedCallsTouchNothing) {
    const VectorOpsTable &ops = GetParam().table;
    const int32_t counts[] = {0, -1, -16, -129, std::numeric_limits<int32_t>::min()};
    Buffer dst(64, 0, 1);
    Buffer src(64, 0, 2);
    const std::vector<float> dstBefore = dst.all;
    const std::vector<float> srcBefore = src.all;
    for (const OpCase &op : kOps) {
        for (int32_t count : counts)
            op.run(ops, dst.start(0), src.start(0), count, 1.0f);
        op.run(ops, nullptr, src.start(0), 64, 1.0f);
    }
    ops.add(dst.start(0), nullptr, 64);
    ops.multiply(dst.start(0), nullptr, 64);
    ops.copy(dst.start(0), nullptr, 64);
    ops.copy(dst.start(0), dst.start(0), 64);
    EXPECT_EQ(0, std::memcmp(dstBefore.data(), dst.all.data(), sizeof(float) * dstBefore.size()));
    EXPECT_EQ(0, std::memcmp(srcBefore.data(), src.all.data(), sizeof(float) * srcBefore.size()));
}

std::string familyName(const ::testing::TestParamInfo<Family> &param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Families, VectorFamily, ::testing::ValuesIn(families()), familyName);

// The two clip members on values the reference loop cannot speak for:
// infinities, NaNs of both signs and zero limits.
TEST(VectorClip, BothMembersOnSpecialValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float limit;
        float input;
        float portable; // NaN means "a NaN"
        float integer;
    };
    const Case cases[] = {
        {1.0f, 2.5f, 1.0f, 1.0f},
        {1.0f, -3.0f, -1.0f, -1.0f},
        {1.0f, 0.5f, 0.5f, 0.5f},
        {1.0f, -1.0f, -1.0f, -1.0f},
        {1.0f, 1.0f, 1.0f, 1.0f},
        {1.0f, -0.0f, -0.0f, -0.0f},
        {1.0f, inf, 1.0f, 1.0f},
        {1.0f, -inf, -1.0f, -1.0f},
        {1.0f, nan, nan, 1.0f},
        {1.0f, -nan, nan, -1.0f},
        {0.25f, fromBits(0x7F800001u), nan, 0.25f}, // signalling NaN
        {0.0f, 3.0f, 0.0f, 0.0f},
        {0.0f, -3.0f, -0.0f, -0.0f},
        {-0.0f, 3.0f, 0.0f, 0.0f},
        {-0.0f, -3.0f, -0.0f, -0.0f},
        {inf, -inf, -inf, -inf},
        {inf, 3.0e38f, 3.0e38f, 3.0e38f},
        {1.0e-40f, 1.0f, 1.0e-40f, 1.0e-40f}, // denormal limit
        {1.0e-40f, -2.0e-40f, -1.0e-40f, -1.0e-40f},
    };
    for (const Case &c : cases) {
        // The same value in every position of a group and of the tail.
        for (int32_t count : {1, 4, 7, 16, 130}) {
            std::vector<float> a(count, c.input), b(count, c.input);
            portableVectorOps().clip(a.data(), count, c.limit);
            integerClip(b.data(), count, c.limit);
            for (int32_t i = 0; i < count; ++i) {
                EXPECT_TRUE(sameValue(a[i], c.portable))
                    << "portable clip of " << c.input << " to " << c.limit << " gave " << a[i];
                EXPECT_EQ(bitsOf(b[i]), bitsOf(c.integer))
                    << "integer clip of " << c.input << " to " << c.limit << " gave " << b[i];
            }
        }
    }
}

// Apart from NaNs the two members agree on any value and any limit >= 0.
TEST(VectorClip, MembersAgreeOnEveryNumber) {
    Samples samples(99);
    for (int round = 0; round < 200; ++round) {
        const float limit = std::fabs(samples.next());
        std::vector<float> a(67);
        for (float &x : a)
            x = samples.next() * (round % 3 == 0 ? 1.0e30f : 1.0f);
        std::vector<float> b = a;
        portableVectorOps().clip(a.data(), 67, limit);
        integerClip(b.data(), 67, limit);
        ASSERT_EQ(0, std::memcmp(a.data(), b.data(), sizeof(float) * a.size())) << "limit " << limit;
    }
}

// Read while the test program starts, before any test runs detection: the
// table must already hold the portable family then, whatever the order in
// which the program's parts are initialised.
const VectorOpsTable kTableAtStart = VectorOps;

TEST(VectorTable, HoldsPortableFamilyBeforeDetection) {
    EXPECT_TRUE(kTableAtStart == portableVectorOps());
    std::vector<float> a(40, 1.0f), b(40, 2.0f);
    kTableAtStart.add(a.data(), b.data(), 40);
    for (float x : a)
        EXPECT_EQ(3.0f, x);
}

} // namespace

} // namespace sorrel
