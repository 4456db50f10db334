#include "vst2/aeffect.h"
#include <gtest/gtest.h>

namespace sorrel {

TEST(Record, MagicPacksBigEndian) { EXPECT_EQ(kEffectMagic, 0x56737450); }

} // namespace sorrel
