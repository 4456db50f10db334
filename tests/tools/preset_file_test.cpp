#include "tools/hostlib/preset_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace sorrel::tool;

namespace {

const int32_t kSorl = 0x536F726C;

std::vector<uint8_t> chunkOf(size_t n) {
    std::vector<uint8_t> c(n);
    for (size_t i = 0; i < n; ++i)
        c[i] = static_cast<uint8_t>(i * 7 + 1);
    return c;
}

PresetProgram program(const std::string &name, std::vector<float> values) {
    return {name, std::move(values)};
}

void putU32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

PresetParseResult parse(const std::vector<uint8_t> &b) {
    return parsePresetFile(b.data(), b.size());
}

} // namespace

TEST(PresetFile, EachFormRoundTrips) {
    const std::vector<uint8_t> chunk = chunkOf(176);
    {
        const PresetParseResult r = parse(writeProgramChunkFile(kSorl, 1, 36, "Telephone", chunk));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.file.form, PresetForm::ProgramChunk);
        EXPECT_EQ(r.file.uniqueId, kSorl);
        EXPECT_EQ(r.file.numParams, 36);
        EXPECT_EQ(r.file.programName, "Telephone");
        EXPECT_EQ(r.file.chunk, chunk);
    }
    {
        const PresetParseResult r = parse(writeBankChunkFile(kSorl, 1, 10, 7, chunkOf(1760)));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.file.form, PresetForm::BankChunk);
        EXPECT_EQ(r.file.numPrograms, 10);
        EXPECT_EQ(r.file.currentProgram, 7);
        EXPECT_EQ(r.file.chunk, chunkOf(1760));
    }
    {
        const PresetParseResult r =
            parse(writeProgramParamsFile(42, 3, program("Loud", {0.25f, 1.0f, -0.0f})));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.file.form, PresetForm::ProgramParams);
        ASSERT_EQ(r.file.programs.size(), 1u);
        EXPECT_EQ(r.file.programs[0].values, (std::vector<float>{0.25f, 1.0f, -0.0f}));
        EXPECT_EQ(r.file.programName, "Loud");
    }
    {
        const std::vector<PresetProgram> progs = {program("A", {0.1f, 0.2f}), program("B", {0.3f, 0.4f}),
                                                  program("C", {0.5f, 0.6f})};
        const PresetParseResult r = parse(writeBankParamsFile(42, 3, 2, progs));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.file.form, PresetForm::BankParams);
        EXPECT_EQ(r.file.currentProgram, 2);
        ASSERT_EQ(r.file.programs.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(r.file.programs[i].name, progs[i].name);
            EXPECT_EQ(r.file.programs[i].values, progs[i].values);
        }
    }
}

TEST(PresetFile, LayoutIsBigEndianWithTheStandardOffsets) {
    const std::vector<uint8_t> f =
        writeProgramChunkFile(kSorl, 1, 36, "A name far longer than the field holds", chunkOf(3));
    ASSERT_EQ(f.size(), 60u + 3u);
    EXPECT_EQ(std::memcmp(f.data(), "CcnK", 4), 0);
    EXPECT_EQ(f[7], 63 - 8);                             // byte size of the rest
    EXPECT_EQ(std::memcmp(f.data() + 8, "FPCh", 4), 0);  // form
    EXPECT_EQ(f[15], 1);                                 // format version
    EXPECT_EQ(std::memcmp(f.data() + 16, "Sorl", 4), 0); // unique id
    EXPECT_EQ(f[27], 36);                                // parameter count
    EXPECT_EQ(f[28 + 27], 0);                            // name cut to 27 characters and terminated
    EXPECT_EQ(f[59], 3);                                 // chunk size

    const std::vector<uint8_t> b = writeBankChunkFile(kSorl, 1, 10, 4, chunkOf(2));
    ASSERT_EQ(b.size(), 160u + 2u);
    EXPECT_EQ(std::memcmp(b.data() + 8, "FBCh", 4), 0);
    EXPECT_EQ(b[15], 2);  // format version 2 carries the current program
    EXPECT_EQ(b[27], 10); // programs
    EXPECT_EQ(b[31], 4);  // current program
    for (size_t i = 32; i < 156; ++i)
        ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[159], 2);
}

TEST(PresetFile, RefusesDamagedFilesWithAReason) {
    const std::vector<uint8_t> good = writeProgramChunkFile(kSorl, 1, 36, "x", chunkOf(176));
    const std::vector<uint8_t> goodBank =
        writeBankParamsFile(42, 1, 0, {program("A", {0.1f}), program("B", {0.2f})});
    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
        const char *expect;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}, "not a VST preset"});
    cases.push_back({"text", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'},
                     "not a VST preset"});
    {
        auto b = good;
        b.resize(b.size() - 1);
        cases.push_back({"last byte missing", b, "truncated"});
    }
    {
        auto b = good;
        b.resize(30);
        cases.push_back({"cut in the header", b, "truncated"});
    }
    {
        auto b = good;
        b.push_back(0);
        cases.push_back({"trailing byte", b, "do not add up"});
    }
    {
        auto b = good;
        putU32(b, 56, 175);
        cases.push_back({"chunk size too small", b, "do not add up"});
    }
    {
        auto b = good;
        putU32(b, 56, 0x80000000u);
        cases.push_back({"negative chunk size", b, "negative"});
    }
    {
        auto b = good;
        std::memcpy(b.data() + 8, "XyZw", 4);
        cases.push_back({"unknown form", b, "unknown form 'XyZw'"});
    }
    {
        auto b = writeProgramParamsFile(42, 1, program("p", {0.5f, 0.5f}));
        putU32(b, 24, 3);
        cases.push_back({"more parameters announced than stored", b, "truncated"});
    }
    {
        auto b = goodBank;
        putU32(b, 24, 3);
        cases.push_back({"more programs announced than stored", b, "truncated"});
    }
    {
        auto b = goodBank;
        putU32(b, 156 + 16, 43); // second field of the first program: its id
        cases.push_back({"program of another plug-in in the bank", b, "another plug-in"});
    }
    {
        auto b = goodBank;
        std::memcpy(b.data() + 156 + 8, "FPCh", 4);
        cases.push_back({"chunk program inside a parameter bank", b, "not an 'FxCk'"});
    }
    for (const Case &c : cases) {
        const PresetParseResult r = parse(c.bytes);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.error.find(c.expect), std::string::npos) << c.what << ": " << r.error;
    }
}

TEST(PresetFile, EveryTruncationAndRandomDamageIsHandled) {
    std::vector<std::vector<uint8_t>> files = {
        writeProgramChunkFile(kSorl, 1, 36, "p", chunkOf(176)),
        writeBankChunkFile(kSorl, 1, 10, 1, chunkOf(1760)),
        writeProgramParamsFile(42, 1, program("p", {0.1f, 0.2f, 0.3f})),
        writeBankParamsFile(42, 1, 1, {program("a", {0.1f}), program("b", {0.2f}), program("c", {0.3f})}),
    };
    std::mt19937 rng(7);
    for (const auto &f : files) {
        for (size_t n = 0; n < f.size(); ++n)
            EXPECT_FALSE(parsePresetFile(f.data(), n).ok) << n;
        for (int i = 0; i < 2000; ++i) {
            std::vector<uint8_t> d = f;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < flips; ++k)
                d[rng() % d.size()] = static_cast<uint8_t>(rng());
            const PresetParseResult r = parse(d);
            if (r.ok) { // whatever is accepted is self-consistent
                EXPECT_TRUE(r.file.isChunk() || !r.file.programs.empty() || r.file.numPrograms == 0);
            } else {
                EXPECT_FALSE(r.error.empty());
            }
        }
    }
    EXPECT_FALSE(parsePresetFile(nullptr, 100).ok);
}

TEST(PresetFile, FitCheckNamesWhatDiffers) {
    PresetTarget sorrel{kSorl, 36, 10, true};
    PresetTarget plain{42, 2, 3, false};
    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
        PresetTarget target;
        const char *expect; // empty: fits
    };
    const Case cases[] = {
        {"own program", writeProgramChunkFile(kSorl, 1, 36, "p", chunkOf(176)), sorrel, ""},
        {"other id", writeProgramChunkFile(0x41424344, 1, 36, "p", chunkOf(176)), sorrel, "'ABCD'"},
        {"chunk into parameter plug-in", writeProgramChunkFile(42, 1, 2, "p", chunkOf(8)), plain, "chunk"},
        {"parameter count", writeProgramParamsFile(42, 1, program("p", {0.5f})), plain, "parameters"},
        {"too many programs",
         writeBankParamsFile(42, 1, 0, std::vector<PresetProgram>(4, program("p", {0.5f, 0.5f}))), plain,
         "programs"},
        {"parameter list into chunk plug-in",
         writeProgramParamsFile(kSorl, 1, program("p", std::vector<float>(36, 0.5f))), sorrel, ""},
    };
    for (const Case &c : cases) {
        const PresetParseResult r = parse(c.bytes);
        ASSERT_TRUE(r.ok) << c.what;
        const std::string why = checkPresetFits(r.file, c.target);
        if (!*c.expect) {
            EXPECT_EQ(why, "") << c.what;
        } else {
            EXPECT_NE(why.find(c.expect), std::string::npos) << c.what << ": " << why;
        }
    }
}
