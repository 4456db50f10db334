// The one rule from logical to device pixels, at every quarter step from 1
// to 4: neighbouring logical pixels share their device edges, every device
// pixel maps back to the logical pixel whose area holds it, and a one-pixel
// line holds the middle of its own logical pixel's area but no neighbour's.
#include "gui/raster/device_scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sorrel {
namespace {

TEST(DeviceScale, EveryQuarterStepMapsBothWaysWithoutGapOrOverlap) {
    for (int32_t q = DeviceScale::kMinQuarters; q <= DeviceScale::kMaxQuarters; ++q) {
        const DeviceScale s = DeviceScale::fromQuarters(q);
        const double f = q / 4.0;
        SCOPED_TRACE(f);
        EXPECT_EQ(s.lineWidth(), std::max(1, int(std::floor(f + 0.5))));
        EXPECT_EQ(s.length(710), int(std::floor(710 * f + 0.5)));
        for (int32_t v = -40; v < 400; ++v) {
            const int32_t first = s.device(v), next = s.device(v + 1);
            ASSERT_EQ(first, int32_t(std::floor(v * f + 0.5))) << v;
            ASSERT_GE(next - first, 1) << v;
            for (int32_t d = first; d < next; ++d)
                ASSERT_EQ(s.logical(d), v) << "device " << d;
            // The middle of each area, taken on the exact grid.
            auto middle = [&](int32_t w) { return int32_t(std::floor((w + 0.5) * f)); };
            const int32_t line = s.lineStart(v);
            ASSERT_TRUE(line <= middle(v) && middle(v) < line + s.lineWidth()) << v;
            ASSERT_TRUE(middle(v - 1) < line && line + s.lineWidth() <= middle(v + 1)) << v;
            if (s.isWhole()) {
                ASSERT_EQ(first, v * s.rounded()) << v;
                ASSERT_EQ(line, first) << v;
            }
        }
    }
    EXPECT_EQ(DeviceScale::fromQuarters(2), DeviceScale());
    EXPECT_EQ(DeviceScale::fromQuarters(99).quarters(), DeviceScale::kMaxQuarters);
    EXPECT_EQ(DeviceScale::whole(3).device(int64_t(1) << 40), DeviceScale::whole(3).device(int64_t(1) << 30))
        << "kept within the renderer's range";
}

} // namespace
} // namespace sorrel
