// The trap itself: it must see what it is there to see, in this program and
// inside the loaded plug-in, and nothing while it is not watching.
#include "alloc_trap.h"
#include "plugin_fixture.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace sorrel::test {
namespace {

using TrapTest = PluginTest;

TEST_F(TrapTest, SeesAllocationsAndLocks) {
    std::mutex mutex;
    struct Case {
        const char *name;
        std::function<void()> action;
        bool allocates, locks;
    };
    const Case cases[] = {
        {"nothing", [] {}, false, false},
        {"malloc",
         [] {
             void *volatile p = std::malloc(16); // volatile: the pair must not be optimised away
             std::free(p);
         },
         true, false},
        {"new",
         [] {
             std::vector<float> *volatile p = new std::vector<float>(64);
             delete p;
         },
         true, false},
        {"strdup inside the C library", [] { std::free(strdup("text")); }, true, false},
        {"mutex", [&] { std::lock_guard<std::mutex> hold(mutex); }, false, true},
    };
    for (const Case &c : cases) {
        alloctrap::watch();
        c.action();
        const alloctrap::Counts counts = alloctrap::unwatch();
        EXPECT_EQ(counts.allocations != 0, c.allocates) << c.name;
        EXPECT_EQ(counts.locks != 0, c.locks) << c.name;
    }
}

TEST_F(TrapTest, SeesAllocationsInsideThePlugin) {
    EXPECT_NE(entry(), library->entry()) << "effects are created through the watching entry";
    auto effect = create();
    ASSERT_TRUE(*effect);
    alloctrap::watch();
    effect->dispatch(effSetBlockSize, 0, 256); // allocates the two work buffers
    EXPECT_GE(alloctrap::unwatch().allocations, 2u);
}

} // namespace
} // namespace sorrel::test
