// Exact comparison of a rendered image with a golden PNG in tests/golden.
//
//   EXPECT_TRUE(sorrel::testimg::matchesGolden(surface, "raster_scene"));
//
// compares with tests/golden/raster_scene.png. On a mismatch it writes
// raster_scene.actual.png and raster_scene.diff.png (differing pixels red,
// the rest a dimmed copy) into the working directory and reports how many
// pixels differ and the first of them. With the environment variable
// SORREL_REGEN_GOLDEN=1 it writes the golden file instead and passes
// (scripts/regen-golden-images.sh runs the test programs that way).
#pragma once

#include "support/image_io.h"

#include <gtest/gtest.h>

#include <string>

namespace sorrel::testimg {

bool regenerating();
std::string goldenPath(const std::string &name);

::testing::AssertionResult matchesGolden(const Image &actual, const std::string &name);

template <class S>::testing::AssertionResult matchesGolden(const S &surface, const std::string &name) {
    return matchesGolden(fromSurface(surface), name);
}

// The diff image of two images of the same size (exposed for its own test).
Image diffImage(const Image &expected, const Image &actual, size_t &differing);

} // namespace sorrel::testimg
