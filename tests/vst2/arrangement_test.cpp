// The speaker-arrangement tools: allocation size, release, speaker copies
// and matching, including the ways a caller can get them wrong.
#include "support/test_effect.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sorrel {

namespace {

void fillSpeaker(VstSpeakerProperties &s, int seed) {
    s.azimuth = 0.1f * seed;
    s.elevation = 0.2f * seed;
    s.radius = 0.3f * seed;
    s.reserved = 0.4f * seed;
    std::memset(s.name, 'a' + seed % 26, sizeof(s.name)); // no terminator at all
    s.type = 100 + seed;
    for (size_t i = 0; i < sizeof(s.future); ++i)
        s.future[i] = static_cast<char>(seed + i);
}

TEST(Arrangement, AllocationHoldsEveryChannelZeroed) {
    BareEffect effect(nullptr);
    for (VstInt32 channels : {0, 1, 2, 8, 9, 32}) {
        VstSpeakerArrangement *a = nullptr;
        ASSERT_TRUE(effect.allocateArrangement(&a, channels)) << channels;
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->numChannels, channels);
        EXPECT_EQ(a->type, 0);
        // Touch the last byte of the last speaker: the sanitizer build
        // catches an allocation that is too short.
        VstSpeakerProperties *speakers = a->speakers;
        for (VstInt32 i = 0; i < channels; ++i) {
            EXPECT_EQ(speakers[i].type, 0);
            EXPECT_EQ(speakers[i].future[27], 0);
        }
        EXPECT_TRUE(effect.deallocateArrangement(&a));
        EXPECT_EQ(a, nullptr);
    }
}

TEST(Arrangement, AllocationReplacesAndRefusesBadCounts) {
    BareEffect effect(nullptr);
    VstSpeakerArrangement *a = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&a, 2));
    ASSERT_TRUE(effect.allocateArrangement(&a, 4)); // the first one is released (leak check in asan)
    EXPECT_EQ(a->numChannels, 4);
    EXPECT_FALSE(effect.allocateArrangement(&a, -1));
    EXPECT_EQ(a, nullptr);
    if (sizeof(void *) == 4) { // the byte count would wrap
        EXPECT_FALSE(effect.allocateArrangement(&a, INT32_MAX));
    }
    effect.deallocateArrangement(&a);
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 2));
    EXPECT_FALSE(effect.deallocateArrangement(nullptr));
    VstSpeakerArrangement *none = nullptr;
    EXPECT_TRUE(effect.deallocateArrangement(&none));
}

TEST(Arrangement, CopySpeakerCutsTheNameAndCopiesTheRest) {
    BareEffect effect(nullptr);
    VstSpeakerProperties from{}, to{};
    fillSpeaker(from, 3);
    std::memset(&to, 0x77, sizeof(to));
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::string(to.name), std::string(63, 'd'));
    EXPECT_EQ(to.name[63], 0);
    EXPECT_EQ(to.type, 103);
    EXPECT_EQ(to.azimuth, from.azimuth);
    EXPECT_EQ(to.elevation, from.elevation);
    EXPECT_EQ(to.radius, from.radius);
    EXPECT_EQ(to.reserved, from.reserved);
    EXPECT_EQ(std::memcmp(to.future, from.future, sizeof(to.future)), 0);
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
}

TEST(Arrangement, MatchBuildsACopyOfTheSource) {
    BareEffect effect(nullptr);
    VstSpeakerArrangement *from = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&from, 10));
    from->type = 42;
    VstSpeakerProperties *source = from->speakers;
    for (int i = 0; i < 10; ++i)
        fillSpeaker(source[i], i);

    VstSpeakerArrangement *to = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&to, 1)); // replaced by the match
    ASSERT_TRUE(effect.matchArrangement(&to, from));
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(to->type, 42);
    EXPECT_EQ(to->numChannels, 10);
    VstSpeakerProperties *copied = to->speakers;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(copied[i].type, 100 + i);
        EXPECT_EQ(std::strlen(copied[i].name), 63u);
        EXPECT_EQ(copied[i].future[5], static_cast<char>(i + 5));
    }

    EXPECT_FALSE(effect.matchArrangement(&to, nullptr));
    EXPECT_FALSE(effect.matchArrangement(nullptr, from));
    VstSpeakerArrangement *same = from;
    EXPECT_FALSE(effect.matchArrangement(&same, from)); // would release its own source
    EXPECT_EQ(same, from);
    effect.deallocateArrangement(&to);
    effect.deallocateArrangement(&from);
}

} // namespace

} // namespace sorrel
