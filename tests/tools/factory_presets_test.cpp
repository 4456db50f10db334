// The factory presets: the table itself, the shipped files against it (each
// loaded into the real plug-in), and the files against a fresh run of the
// tool that writes them.
#include "effect/factory_presets.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/plugin.h"
#include "tools/hostlib/preset_file.h"
#include "tools/hostlib/preset_io.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

using namespace sorrel::tool;
using sorrel::FactoryPreset;
using sorrel::kFactoryPresets;
using sorrel::kNumFactoryPresets;

namespace {

const std::string kPresetDir = std::string(SORREL_SOURCE_DIR) + "/resources/presets/";

[[maybe_unused]] std::vector<uint8_t> bytesOf(const std::string &path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(readFileBytes(path, bytes, error)) << error;
    return bytes;
}

bool lowerSnakeCase(const std::string &s) {
    if (s.empty() || s.front() == '_' || s.back() == '_' || !std::islower(static_cast<unsigned char>(s[0])))
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok || (c == '_' && s[i + 1] == '_'))
            return false;
    }
    return true;
}

} // namespace

// What every preset must be for the files and LV2 ports to agree and for
// hosts to list it: unique short names, stable symbols, values in range with
// 0 dB in and both meters on, and (all but the older Telephone) values on
// the k/32 grid that float and short decimal text both hold exactly.
TEST(FactoryPresets, TableIsWellFormed) {
    ASSERT_GE(kNumFactoryPresets, 6);
    ASSERT_LE(kNumFactoryPresets, 10);
    std::set<std::string> names, symbols;
    for (int32_t i = 0; i < kNumFactoryPresets; ++i) {
        const FactoryPreset &p = kFactoryPresets[i];
        SCOPED_TRACE(p.symbol);
        EXPECT_LE(std::strlen(p.name), 24u);
        EXPECT_TRUE(lowerSnakeCase(p.symbol));
        EXPECT_TRUE(names.insert(p.name).second);
        EXPECT_TRUE(symbols.insert(p.symbol).second);
        EXPECT_NE(sorrel::factoryPresetUse(i), nullptr);
        EXPECT_EQ(p.values[sorrel::kInGainParameter], 0.5f);
        EXPECT_EQ(p.values[sorrel::kInMetersParameter], 1.f);
        EXPECT_EQ(p.values[sorrel::kOutMetersParameter], 1.f);
        for (float v : p.values) {
            EXPECT_TRUE(v >= 0.f && v <= 1.f) << v;
            if (std::strcmp(p.symbol, "telephone") != 0) {
                EXPECT_EQ(v * 32.f, std::floor(v * 32.f)) << v;
            }
        }
    }
    EXPECT_EQ(sorrel::factoryPresetUse(kNumFactoryPresets), nullptr);
    EXPECT_EQ(symbols.count("telephone"), 1u);
}

#if defined(SORREL_PLUGIN) && !defined(_WIN32)

namespace {

std::unique_ptr<Plugin> loadSorrel() {
    LoadResult r = Plugin::load(SORREL_PLUGIN);
    EXPECT_TRUE(r.plugin) << r.error;
    return std::move(r.plugin);
}

void expectProgram(Plugin &plugin, const FactoryPreset &p) {
    EXPECT_EQ(plugin.programName(), p.name);
    for (int32_t i = 0; i < sorrel::kNumParameters; ++i)
        EXPECT_EQ(plugin.getParameter(i), p.values[i]) << "parameter " << i;
}

} // namespace

// Each program file is the plug-in's own chunk form with the plug-in's
// identity, and loading it into a fresh instance gives the table's values.
TEST(FactoryPresets, EachProgramFileLoadsTheTableValues) {
    for (int32_t i = 0; i < kNumFactoryPresets; ++i) {
        const FactoryPreset &p = kFactoryPresets[i];
        SCOPED_TRACE(p.symbol);
        const std::string path = kPresetDir + p.symbol + ".fxp";
        const std::vector<uint8_t> bytes = bytesOf(path);
        const PresetParseResult parsed = parsePresetFile(bytes.data(), bytes.size());
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.file.form, PresetForm::ProgramChunk);
        EXPECT_EQ(parsed.file.programName, p.name);

        std::unique_ptr<Plugin> plugin = loadSorrel();
        ASSERT_TRUE(plugin);
        EXPECT_EQ(parsed.file.uniqueId, plugin->uniqueId());
        EXPECT_EQ(parsed.file.pluginVersion, plugin->version());
        EXPECT_EQ(parsed.file.numParams, plugin->numParams());
        ASSERT_EQ(applyPresetFile(*plugin, path), "");
        EXPECT_EQ(plugin->program(), 0);
        expectProgram(*plugin, p);
    }
}

// The bank holds the presets in order (the first ten), any programs left
// over as a new instance has them, and selects the first.
TEST(FactoryPresets, BankHoldsThePresetsInOrder) {
    std::unique_ptr<Plugin> plugin = loadSorrel();
    ASSERT_TRUE(plugin);
    const std::vector<uint8_t> fresh = plugin->getChunk(false);
    ASSERT_EQ(applyPresetFile(*plugin, kPresetDir + "factory.fxb"), "");
    EXPECT_EQ(plugin->program(), 0);
    std::unique_ptr<Plugin> empty = loadSorrel();
    ASSERT_TRUE(empty);
    for (VstInt32 prog = 0; prog < plugin->numPrograms(); ++prog) {
        SCOPED_TRACE(prog);
        plugin->setProgram(prog);
        if (prog < kNumFactoryPresets) {
            expectProgram(*plugin, kFactoryPresets[prog]);
        } else {
            empty->setProgram(prog);
            EXPECT_EQ(plugin->getChunk(true), empty->getChunk(true));
        }
    }
}

#ifdef MAKE_PRESETS_EXE
// The shipped files are exactly what the tool writes today: nothing was
// edited by hand and nothing has drifted from the table.
TEST(FactoryPresets, ToolRewritesTheShippedFilesByteForByte) {
    const std::string dir = "factory_presets_out";
    ASSERT_EQ(std::system(("rm -rf " + dir + " && mkdir " + dir).c_str()), 0);
    ASSERT_EQ(std::system((std::string(MAKE_PRESETS_EXE) + " " + dir).c_str()), 0);
    std::vector<std::string> files = {"factory.fxb"};
    for (int32_t i = 0; i < kNumFactoryPresets; ++i)
        files.push_back(std::string(kFactoryPresets[i].symbol) + ".fxp");
    for (const std::string &f : files)
        EXPECT_TRUE(bytesOf(dir + "/" + f) == bytesOf(kPresetDir + f)) << f << " differs";
}
#endif

#endif
