#include "support/image_compare.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef SORREL_GOLDEN_DIR
#define SORREL_GOLDEN_DIR "tests/golden"
#endif

namespace sorrel::testimg {

bool regenerating() {
    const char *v = std::getenv("SORREL_REGEN_GOLDEN");
    return v && *v && std::strcmp(v, "0") != 0;
}

std::string goldenPath(const std::string &name) {
    return std::string(SORREL_GOLDEN_DIR) + "/" + name + ".png";
}

Image diffImage(const Image &expected, const Image &actual, size_t &differing) {
    Image diff = actual;
    differing = 0;
    for (size_t i = 0; i < diff.pixels.size(); ++i) {
        uint32_t a = actual.pixels[i];
        if (i < expected.pixels.size() && expected.pixels[i] == a) {
            uint32_t luma = (((a >> 16) & 0xff) * 30 + ((a >> 8) & 0xff) * 59 + (a & 0xff) * 11) / 100;
            uint32_t dim = 32 + luma / 4;
            diff.pixels[i] = (dim << 16) | (dim << 8) | dim;
        } else {
            diff.pixels[i] = 0x00ff0000u;
            ++differing;
        }
    }
    return diff;
}

static std::string hex(uint32_t p) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06x", static_cast<unsigned>(p & 0xffffff));
    return buf;
}

::testing::AssertionResult matchesGolden(const Image &actual, const std::string &name) {
    std::string path = goldenPath(name);
    if (regenerating()) {
        if (!writePng(path, actual))
            return ::testing::AssertionFailure() << "cannot write " << path;
        std::printf("wrote %s\n", path.c_str());
        return ::testing::AssertionSuccess();
    }
    Image expected;
    if (!readPng(path, expected))
        return ::testing::AssertionFailure()
               << "no golden image " << path << " (create it with scripts/regen-golden-images.sh)";
    if (expected.width != actual.width || expected.height != actual.height) {
        writePng(name + ".actual.png", actual);
        return ::testing::AssertionFailure() << name << ": size " << actual.width << "x" << actual.height
                                             << ", golden " << expected.width << "x" << expected.height;
    }
    size_t differing = 0;
    Image diff = diffImage(expected, actual, differing);
    if (differing == 0)
        return ::testing::AssertionSuccess();
    writePng(name + ".actual.png", actual);
    writePng(name + ".diff.png", diff);
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        if (expected.pixels[i] != actual.pixels[i]) {
            int32_t x = static_cast<int32_t>(i % actual.width), y = static_cast<int32_t>(i / actual.width);
            return ::testing::AssertionFailure()
                   << name << ": " << differing << " pixels differ from " << path << "; first at (" << x
                   << ", " << y << "): " << hex(actual.pixels[i]) << " instead of " << hex(expected.pixels[i])
                   << "; see " << name << ".actual.png and " << name << ".diff.png";
        }
    }
    return ::testing::AssertionFailure() << name << ": differs";
}

} // namespace sorrel::testimg
