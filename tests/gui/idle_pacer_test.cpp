// The pace of idle passes: one an interval, an early call of a mouse loop
// sleeps, and a clock that wraps or a pass long ago never stalls them.
#include "gui/views/idle_pacer.h"
#include "gui/platform/headless.h"

#include <gtest/gtest.h>

namespace sorrel {

namespace {

namespace headless = platform::headless;

TEST(IdlePacer, OnePassAnIntervalWhateverTheClockDoes) {
    headless::reset();
    static_assert(IdlePacer::kInterval == 30 && IdlePacer::kEarlySleep == 4, "the table below assumes these");
    constexpr uint32_t kWrap = 0xfffffff0u; // 16 ms before the clock wraps
    const struct {
        uint32_t now;
        bool due;
    } calls[] = {
        {1000, true},             // the first call, whatever the time
        {1010, false},            // 20 ms early
        {1029, false},            // 1 ms early
        {1030, true},             // on time
        {1100, true},             // late: the next is due 30 ms after this one
        {1129, false},
        {kWrap, true},            // long after
        {kWrap + 15, false},      // 15 ms early, the due time past the wrap
        {14, true},               // on time, after the wrap
        {14 + 0x80000005u, true}, // more than half the clock's range later
    };
    for (bool nap : {false, true}) {
        IdlePacer pacer;
        for (const auto &call : calls) {
            headless::script().slept = 0;
            EXPECT_EQ(nap ? pacer.dueOrNap(call.now) : pacer.due(call.now), call.due) << call.now;
            EXPECT_EQ(headless::script().slept, nap && !call.due ? IdlePacer::kEarlySleep : 0u) << call.now;
        }
    }
    headless::reset();
}

} // namespace

} // namespace sorrel
