// On Windows the bitmaps come from the module's own resources, as the DLL
// carries them (this program carries the same resource script).
#include "gui/drawing/resources.h"

#include <gtest/gtest.h>

namespace sorrel {

namespace {

TEST(ModuleResources, TheBitmapsComeFromTheModule) {
    using gui::findBitmapResource;
    for (int32_t id : {101, 102, 104}) {
        EXPECT_EQ(findBitmapResource(id).origin, gui::ResourceOrigin::Module) << id;
        EXPECT_GT(findBitmapResource(id).size, 40u) << id; // at least the info header
    }
    EXPECT_EQ(findBitmapResource(103).data, nullptr);
}

} // namespace

} // namespace sorrel
