// What the first release saved - program and bank chunks of 36 values a
// program, and its .fxp and .fxb files - loads into the real plug-in as the
// classic response with the same values, and plays bit for bit what a fresh
// instance given those values plays.
#include "effect/parameters.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/plugin.h"
#include "tools/hostlib/preset_file.h"
#include "tools/hostlib/preset_io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(SORREL_PLUGIN) && !defined(_WIN32)

using namespace sorrel::tool;

namespace {

const std::string kFixtures = std::string(SORREL_SOURCE_DIR) + "/tests/golden/first_release/";
constexpr size_t kOldRecord = 176;

std::unique_ptr<Plugin> loadSorrel() {
    LoadResult r = Plugin::load(SORREL_PLUGIN, 48000.0f, 256);
    EXPECT_TRUE(r.plugin) << r.error;
    if (r.plugin)
        r.plugin->resume();
    return std::move(r.plugin);
}

float valueAt(const uint8_t *record, int index) {
    float v;
    std::memcpy(&v, record + 32 + 4 * index, sizeof v);
    return v;
}

// An old record with values that differ from the defaults everywhere.
std::vector<uint8_t> oldRecord(int seed) {
    std::vector<uint8_t> r(kOldRecord, 0);
    std::snprintf(reinterpret_cast<char *>(r.data()), 30, "Old %d", seed);
    for (int i = 0; i < 36; ++i) {
        const float v = static_cast<float>((seed * 13 + i * 7) % 32) / 32.0f;
        std::memcpy(r.data() + 32 + 4 * i, &v, 4);
    }
    return r;
}

std::vector<float> render(Plugin &plugin) {
    std::vector<float> in(4096), left(4096), right(4096);
    uint32_t seed = 99;
    for (float &v : in) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    float *inputs[2] = {in.data(), in.data()};
    float *outputs[2] = {left.data(), right.data()};
    std::vector<float> out;
    for (int block = 0; block < 16; ++block) {
        for (size_t at = 0; at < in.size(); at += 256) {
            float *i2[2] = {inputs[0] + at, inputs[1] + at};
            float *o2[2] = {outputs[0] + at, outputs[1] + at};
            plugin.processReplacing(i2, o2, 256);
        }
        out.insert(out.end(), left.begin(), left.end());
        out.insert(out.end(), right.begin(), right.end());
    }
    return out;
}

} // namespace

TEST(FirstRelease, ChunksAndFilesLoadAsTheClassicResponse) {
    std::vector<uint8_t> bank;
    for (int p = 0; p < 10; ++p) {
        const std::vector<uint8_t> r = oldRecord(p);
        bank.insert(bank.end(), r.begin(), r.end());
    }
    struct Case {
        const char *what;
        std::vector<uint8_t> chunk; // or empty, with a file
        bool isPreset;
        const char *file;
    };
    const Case cases[] = {
        {"program chunk", oldRecord(4), true, nullptr},
        {"bank chunk", bank, false, nullptr},
        {"warmth.fxp", {}, true, "warmth.fxp"},
        {"telephone.fxp", {}, true, "telephone.fxp"},
        {"factory.fxb", {}, false, "factory.fxb"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Plugin> loaded = loadSorrel(), fresh = loadSorrel();
        ASSERT_TRUE(loaded && fresh);
        std::vector<uint8_t> chunk = c.chunk;
        if (c.file != nullptr) {
            std::vector<uint8_t> bytes;
            std::string error;
            ASSERT_TRUE(readFileBytes(kFixtures + c.file, bytes, error)) << error;
            const PresetParseResult parsed = parsePresetFile(bytes.data(), bytes.size());
            ASSERT_TRUE(parsed.ok) << parsed.error;
            if (c.isPreset) {
                EXPECT_EQ(parsed.file.numParams, sorrel::kNumFirstParameters);
            }
            chunk = parsed.file.chunk;
            ASSERT_EQ(applyPresetFile(*loaded, kFixtures + c.file), "");
        } else {
            loaded->setChunk(chunk, c.isPreset);
        }
        ASSERT_EQ(chunk.size(), c.isPreset ? kOldRecord : 10 * kOldRecord);
        // The program that plays: the loaded record, or the bank's selected one.
        const size_t at = c.isPreset ? 0 : static_cast<size_t>(loaded->program()) * kOldRecord;
        fresh->setProgram(loaded->program());
        for (int32_t i = 0; i < sorrel::kNumFirstParameters; ++i) {
            EXPECT_EQ(loaded->getParameter(i), valueAt(chunk.data() + at, i)) << i;
            fresh->setParameter(i, valueAt(chunk.data() + at, i));
        }
        EXPECT_EQ(loaded->getParameter(sorrel::kResponseParameter), 0.0f);
        EXPECT_EQ(loaded->paramDisplay(sorrel::kResponseParameter), "Classic");
        EXPECT_TRUE(render(*loaded) == render(*fresh)) << "the classic sound, bit for bit";
    }
}

#endif
