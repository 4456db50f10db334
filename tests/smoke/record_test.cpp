#include "host/aeffect.h"
#include <gtest/gtest.h>

TEST(Record, MagicPacksBigEndian) { EXPECT_EQ(kEffectMagic, 0x56737450); }
