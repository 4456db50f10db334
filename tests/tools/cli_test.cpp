// sorrel-host driven as a user drives it: command lines, exit codes, output
// files and messages.
#ifndef _WIN32

#include "tools/hostlib/audio.h"
#include "tools/hostlib/editor_window.h"
#include "tools/hostlib/preset_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace sorrel::tool;

namespace {

struct ToolRun {
    int code = -1;
    std::string out, err;
};

std::string slurp(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string quote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ToolRun tool(const std::vector<std::string> &args) {
    std::string cmd = quote(SORREL_HOST_EXE);
    for (const std::string &a : args)
        cmd += " " + quote(a);
    cmd += " >tool.out 2>tool.err </dev/null";
    const int status = std::system(cmd.c_str());
    ToolRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = slurp("tool.out");
    r.err = slurp("tool.err");
    return r;
}

bool contains(const std::string &hay, const std::string &needle) {
    return hay.find(needle) != std::string::npos;
}

void writeWav(const std::string &path, const Audio &a, SampleFormat f = SampleFormat::Float32) {
    std::string error;
    ASSERT_TRUE(writeFileBytes(path, encodeWav(a, f), error)) << error;
}

Audio readWav(const std::string &path) {
    AudioReadResult r = readAudioFile(path);
    EXPECT_TRUE(r.ok) << r.error;
    return r.audio;
}

// Deterministic noise with some tone in it, at 44100 Hz.
Audio noise(int channels, size_t frames, unsigned seed = 1) {
    Audio a;
    a.sampleRate = 44100;
    uint32_t s = seed;
    for (int c = 0; c < channels; ++c) {
        std::vector<float> ch(frames);
        for (size_t i = 0; i < frames; ++i) {
            s = s * 1664525u + 1013904223u;
            ch[i] = 0.3f * static_cast<float>(std::sin(0.05 * double(i))) +
                    0.2f * (static_cast<float>(s >> 8) / 16777216.0f - 0.5f);
        }
        a.channels.push_back(ch);
    }
    return a;
}

// Largest absolute difference, or infinity when the shapes differ.
double maxDiff(const Audio &a, const Audio &b) {
    if (a.numChannels() != b.numChannels() || a.frames() != b.frames())
        return INFINITY;
    double d = 0;
    for (int c = 0; c < a.numChannels(); ++c)
        for (size_t i = 0; i < a.frames(); ++i)
            d = std::max(d, std::fabs(double(a.channels[c][i]) - b.channels[c][i]));
    return d;
}

// Gains from a `response --freq` CSV: row per frequency, first channel.
std::vector<double> csvGains(const std::string &csv) {
    std::vector<double> g;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        const size_t a = line.find(',');
        g.push_back(std::atof(line.c_str() + a + 1));
    }
    return g;
}

#ifdef SORREL_PLUGIN
const char *const kSorrel = SORREL_PLUGIN;
#else
const char *const kSorrel = nullptr;
#endif

#define REQUIRE_SORREL()                                                                                     \
    if (!kSorrel)                                                                                            \
    GTEST_SKIP() << "the plug-in is not part of this build"

} // namespace

TEST(Cli, HelpForEveryCommand) {
    for (const char *cmd : {"info", "render", "response", "bench", "preset", "gui"}) {
        const ToolRun r = tool({cmd, "--help"});
        EXPECT_EQ(r.code, 0) << cmd;
        EXPECT_TRUE(contains(r.out, std::string("usage: sorrel-host ") + cmd)) << cmd << r.out;
    }
    const ToolRun top = tool({"--help"});
    EXPECT_EQ(top.code, 0);
    EXPECT_TRUE(contains(top.out, "preset save"));
}

TEST(Cli, ErrorsExitNonZeroWithAMessage) {
    writeWav("stereo.wav", noise(2, 1000));
    std::ofstream("notes.txt") << "This is a text file, not a plug-in.\n";
    std::ofstream("short.fxp", std::ios::binary) << std::string("CcnK\0\0\0\x30", 8) << "FPCh";
    {
        std::string error;
        writeFileBytes("other.fxp", writeProgramParamsFile(0x41424344, 1, {"x", {0.5f, 0.5f}}), error);
    }
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{}, 2, "usage"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"info"}, 2, "one plug-in"},
        {{"info", "missing.so"}, 1, "missing.so: No such file"},
        {{"info", "notes.txt"}, 1, "not a loadable plug-in"},
        {{"info", "."}, 1, "directory"},
        {{"info", TESTPLUG_PARAMS, "--frob"}, 2, "unknown option --frob"},
        {{"info", TESTPLUG_PARAMS, "--block", "0"}, 2, "--block"},
        {{"info", TESTPLUG_PARAMS, "--set", "Gain=1.5"}, 2, "normalised"},
        {{"info", TESTPLUG_PARAMS, "--set", "Nothing=0.5"}, 1, "no parameter 'Nothing'"},
        {{"info", TESTPLUG_PARAMS, "--program", "3"}, 1, "has 3 programs"},
        {{"render", TESTPLUG_PARAMS, "missing.wav", "out.wav"}, 1, "missing.wav"},
        {{"render", TESTPLUG_PARAMS, "notes.txt", "out.wav"}, 1, "notes.txt"},
        {{"render", TESTPLUG_MONO, "stereo.wav", "out.wav"}, 1, "wrong channel count"},
        {{"render", TESTPLUG_PARAMS, "stereo.wav", "out.xyz"}, 1, "out.xyz"},
        {{"render", TESTPLUG_PARAMS, "stereo.wav", "no-such-dir/out.wav"}, 1, "no-such-dir/out.wav"},
        {{"preset", "load", TESTPLUG_PARAMS, "short.fxp"}, 1, "truncated"},
        {{"preset", "load", TESTPLUG_PARAMS, "notes.txt"}, 1, "not a VST preset file"},
        {{"preset", "load", TESTPLUG_PARAMS, "other.fxp"}, 1, "belongs to another plug-in"},
        {{"preset", "load", TESTPLUG_PARAMS, "missing.fxp"}, 1, "missing.fxp"},
        {{"preset", "save", TESTPLUG_PARAMS, "x.fxp", "--preset", "short.fxp"}, 1, "truncated"},
        {{"preset", "copy", TESTPLUG_PARAMS, "x.fxp"}, 2, "save or load"},
        {{"response", TESTPLUG_PARAMS, "--freq", "100,abc"}, 2, "'abc'"},
        {{"bench"}, 2, "at least one plug-in"},
        {{"bench", TESTPLUG_PARAMS, "notes.txt"}, 1, "not a loadable plug-in"},
    };
    // gui refuses before it needs a display; builds without windows refuse
    // it altogether.
    const bool windows = EditorWindow::available();
    const Case guiCases[] = {
        {{"gui"}, 2, "one plug-in"},
        {{"gui", TESTPLUG_PARAMS, "--seconds", "0"}, 2, "--seconds"},
        {{"gui", TESTPLUG_PARAMS, "--instances", "17"}, 2, "--instances"},
        {{"gui", TESTPLUG_PARAMS, "--scale", "0"}, 2, "--scale takes"},
        {{"gui", TESTPLUG_PARAMS, "--scale", "nan"}, 2, "--scale takes"},
        {{"gui", TESTPLUG_PARAMS, "--scale", "5"}, 2, "--scale takes"},
        {{"gui", TESTPLUG_PARAMS, "--scale-after-open"}, 2, "needs --scale"},
        {{"gui", TESTPLUG_PARAMS, "--audio", "stereo.wav", "--noise"}, 2, "exclude each other"},
        {{"gui", TESTPLUG_PARAMS, "--png"}, 2, "needs a value"},
        {{"gui", TESTPLUG_PARAMS, "--audio", "missing.wav"}, 1, "missing.wav"},
        {{"gui", TESTPLUG_PARAMS, "--set", "Nothing=0.5"}, 1, "no parameter 'Nothing'"},
        {{"gui", TESTPLUG_PARAMS, "--png", "x.png", "--trace"}, 1, "testplug_params.so has no editor"},
    };
    auto check = [](const Case &c, int code, const std::string &message) {
        std::string line;
        for (const auto &a : c.args)
            line += a + " ";
        const ToolRun r = tool(c.args);
        EXPECT_EQ(r.code, code) << line << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, message)) << line << "\nstderr: " << r.err;
    };
    for (const Case &c : cases)
        check(c, c.code, c.message);
    for (const Case &c : guiCases)
        check(c, windows ? c.code : 1, windows ? c.message : "not available on this build");
}

TEST(Cli, InfoListsIdentityParametersAndPrograms) {
    const ToolRun r = tool({"info", TESTPLUG_PARAMS, "--program", "1", "--set", "smooth=0.25"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char *want : {"Name        Host test plug", "Unique ID   'HtP1'", "Inputs      2", "Gain",
                             "dB", "Smooth", "0.250000", "Programs    3 (current 1)", "1* Loud", "Soft"})
        EXPECT_TRUE(contains(r.out, want)) << want << "\n" << r.out;
}

TEST(Cli, RenderAppliesTheSettingsAtTheFileRate) {
    Audio in = noise(2, 3000);
    in.sampleRate = 48000;
    writeWav("in48.wav", in, SampleFormat::Pcm24);
    struct Case {
        std::vector<std::string> extra;
        float gain;
    } cases[] = {
        {{}, 1.0f}, {{"--set", "Gain=1"}, 2.0f}, {{"--program", "2"}, 0.5f}, {{"--set", "0=0.75"}, 1.5f}};
    for (const Case &c : cases) {
        std::vector<std::string> args = {"render", TESTPLUG_PARAMS, "in48.wav", "out48.wav"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const ToolRun r = tool(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const Audio out = readWav("out48.wav");
        EXPECT_EQ(out.sampleRate, 48000);
        const Audio src = readWav("in48.wav");
        Audio want = src;
        for (auto &ch : want.channels)
            for (float &v : ch)
                v *= c.gain;
        EXPECT_LE(maxDiff(out, want), 1e-6) << c.gain;
    }
}

TEST(Cli, RenderMonoFileFeedsEveryInputAndWritesIntegerFormats) {
    writeWav("mono.wav", noise(1, 2000));
    const ToolRun r =
        tool({"render", TESTPLUG_PARAMS, "mono.wav", "mono_out.wav", "--format", "pcm16", "--stats"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "out RMS dBFS")) << r.out;
    const Audio out = readWav("mono_out.wav");
    ASSERT_EQ(out.numChannels(), 2);
    EXPECT_LE(maxDiff(Audio{44100, {out.channels[0]}}, Audio{44100, {readWav("mono.wav").channels[0]}}),
              1.0 / 32768);
    EXPECT_EQ(out.channels[0], out.channels[1]);
}

TEST(Cli, SplitBlocksAndAccumulatingCallGiveTheSameSamples) {
    writeWav("noise.wav", noise(2, 20000, 9));
    std::vector<std::pair<std::string, std::vector<std::string>>> plugins = {
        {TESTPLUG_PARAMS, {"--set", "Smooth=0.8", "--set", "Gain=0.7"}},
        {TESTPLUG_CHUNKS, {"--set", "Smooth=0.3"}},
    };
    if (kSorrel)
        plugins.push_back({kSorrel, {"--set", "19=1", "--set", "2=0.1", "--set", "Q=0.8"}});
    for (const auto &p : plugins) {
        auto render = [&](const std::vector<std::string> &mode, const char *out) {
            std::vector<std::string> args = {"render", p.first, "noise.wav", out, "--block", "300"};
            args.insert(args.end(), p.second.begin(), p.second.end());
            args.insert(args.end(), mode.begin(), mode.end());
            const ToolRun r = tool(args);
            EXPECT_EQ(r.code, 0) << r.err;
            return readWav(out);
        };
        const Audio fixed = render({}, "fixed.wav");
        const Audio split = render({"--split"}, "split.wav");
        const Audio acc = render({"--accumulate"}, "acc.wav");
        const Audio both = render({"--accumulate", "--split"}, "both.wav");
        EXPECT_GT(channelStats(fixed.channels[0]).rms, 0.01) << p.first;
        EXPECT_EQ(maxDiff(fixed, split), 0.0) << p.first;
        EXPECT_EQ(maxDiff(fixed, acc), 0.0) << p.first;
        EXPECT_EQ(maxDiff(fixed, both), 0.0) << p.first;
    }
}

TEST(Cli, PresetSaveThenLoadOnAnotherInstanceGivesTheSameState) {
    struct Case {
        std::string plugin;
        std::vector<std::string> settings;
        const char *file;
    };
    std::vector<Case> cases = {
        {TESTPLUG_PARAMS, {"--set", "Gain=0.125", "--name", "Quiet one"}, "p.fxp"},
        {TESTPLUG_PARAMS, {"--program", "1", "--set", "Smooth=0.5"}, "p.fxb"},
        {TESTPLUG_CHUNKS, {"--set", "Gain=0.875", "--name", "Chunky"}, "c.fxp"},
        {TESTPLUG_CHUNKS, {"--program", "2", "--set", "Gain=0.3"}, "c.fxb"},
    };
    if (kSorrel) {
        cases.push_back({kSorrel, {"--set", "19=1", "--set", "Q=0.25", "--name", "Bright 440"}, "s.fxp"});
        cases.push_back({kSorrel, {"--program", "4", "--set", "7=0", "--name", "Four"}, "s.fxb"});
    }
    for (const Case &c : cases) {
        std::vector<std::string> args = {"preset", "save", c.plugin, c.file};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        ToolRun r = tool(args);
        ASSERT_EQ(r.code, 0) << c.file << r.err;
        r = tool({"preset", "load", c.plugin, c.file, "--save", std::string("again_") + c.file});
        ASSERT_EQ(r.code, 0) << c.file << r.err;
        EXPECT_TRUE(contains(r.out, "Loaded")) << r.out;
        const std::string a = slurp(c.file), b = slurp(std::string("again_") + c.file);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(a, b) << c.file;
        const PresetParseResult parsed =
            parsePresetFile(reinterpret_cast<const uint8_t *>(a.data()), a.size());
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.file.isBank(), std::string(c.file).find(".fxb") != std::string::npos);
    }
}

TEST(Cli, PresetOfAnotherPluginIsRefusedByEveryPath) {
    ASSERT_EQ(tool({"preset", "save", TESTPLUG_CHUNKS, "chunks.fxp"}).code, 0);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"preset", "load", TESTPLUG_PARAMS, "chunks.fxp"},
          std::vector<std::string>{"info", TESTPLUG_MONO, "--preset", "chunks.fxp"},
          std::vector<std::string>{"response", TESTPLUG_PARAMS, "--preset", "chunks.fxp"}}) {
        const ToolRun r = tool(args);
        EXPECT_EQ(r.code, 1) << args[1];
        EXPECT_TRUE(contains(r.err, "'HtC1'")) << r.err;
    }
}

TEST(Cli, ParameterBankRoundTripsEveryProgramAndTheCurrentOne) {
    std::vector<PresetProgram> progs = {
        {"One", {0.1f, 0.2f}}, {"Two", {0.3f, 0.4f}}, {"Three", {0.5f, 0.6f}}};
    std::string error;
    ASSERT_TRUE(writeFileBytes("made.fxb", writeBankParamsFile(0x48745031, 3, 2, progs), error));
    const ToolRun r = tool({"preset", "load", TESTPLUG_PARAMS, "made.fxb", "--save", "made_again.fxb"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Program 2: Three")) << r.out;
    EXPECT_EQ(slurp("made.fxb"), slurp("made_again.fxb"));
}

TEST(Cli, ResponseWritesCsvAndFollowsTheSettings) {
    const ToolRun flat = tool({"response", TESTPLUG_PARAMS, "--freq", "50,1000,15000"});
    ASSERT_EQ(flat.code, 0) << flat.err;
    EXPECT_TRUE(contains(flat.out, "frequency_hz,out1_gain,out1_db,out2_gain,out2_db")) << flat.out;
    for (double g : csvGains(flat.out))
        EXPECT_NEAR(g, 1.0, 1e-6);
    // The smoother is a low-pass: highs fall, the lowest frequency stays.
    const ToolRun lp =
        tool({"response", TESTPLUG_PARAMS, "--freq", "50,15000", "--set", "Smooth=0.9", "--csv", "lp.csv"});
    ASSERT_EQ(lp.code, 0) << lp.err;
    const std::vector<double> g = csvGains(slurp("lp.csv"));
    ASSERT_EQ(g.size(), 2u);
    EXPECT_NEAR(g[0], 1.0, 0.02);
    EXPECT_LT(g[1], 0.2);

    // The plot: a PNG of the fixed size, the CSV still where asked.
    const ToolRun png = tool({"response", TESTPLUG_PARAMS, "--png", "plot.png", "--csv", "plot.csv"});
    ASSERT_EQ(png.code, 0) << png.err;
    EXPECT_EQ(png.out, "");
    const std::string bytes = slurp("plot.png");
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto be32 = [&](size_t at) {
        return (unsigned(uint8_t(bytes[at])) << 24) | (unsigned(uint8_t(bytes[at + 1])) << 16) |
               (unsigned(uint8_t(bytes[at + 2])) << 8) | unsigned(uint8_t(bytes[at + 3]));
    };
    EXPECT_EQ(be32(16), 900u); // IHDR width
    EXPECT_EQ(be32(20), 520u); // and height
    EXPECT_GT(csvGains(slurp("plot.csv")).size(), 300u);
    const ToolRun bad = tool({"response", TESTPLUG_PARAMS, "--png", "no-such-dir/plot.png"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(contains(bad.err, "no-such-dir/plot.png")) << bad.err;
}

TEST(Cli, SorrelDefaultResponseMatchesItsFigures) {
    REQUIRE_SORREL();
    const ToolRun r = tool({"response", kSorrel, "--freq", "100,1000,20000,440"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<double> g = csvGains(r.out);
    ASSERT_EQ(g.size(), 4u);
    EXPECT_NEAR(g[0], 1.29, 1.29 * 0.005);
    EXPECT_NEAR(g[1], 1.12, 1.12 * 0.005);
    EXPECT_NEAR(g[2], 0.34, 0.34 * 0.005);

    // Band 17 is parameter 19 and also answers to its name.
    for (const char *set : {"19=1.0", "440Hz=1.0"}) {
        const ToolRun up = tool({"response", kSorrel, "--freq", "100,1000,20000,440", "--set", set});
        ASSERT_EQ(up.code, 0) << up.err;
        const std::vector<double> u = csvGains(up.out);
        ASSERT_EQ(u.size(), 4u);
        // The band's own center rises most: the bands are wide and summed in
        // parallel, so the sum gains about 5 dB there rather than the band's
        // 12, and its neighbours at 100 Hz and 1 kHz rise less.
        EXPECT_GT(u[3] / g[3], 1.7) << set;
        EXPECT_GT(u[3] / g[3], u[0] / g[0] + 0.05) << set;
        EXPECT_GT(u[3] / g[3], u[1] / g[1] + 0.05) << set;
        EXPECT_NEAR(u[2], g[2], 0.01) << set; // 20 kHz is far away
    }
}

TEST(Cli, SorrelBankFileRoundTripsAllTenProgramsAndTheCurrentOne) {
    REQUIRE_SORREL();
    // Ten different programs: name and values of record p follow from p. A
    // bank of the first release's 36 values a program loads and is saved in
    // today's layout, the response value (classic, 0) added to each record.
    const size_t oldRecord = 176, record = 180;
    std::vector<uint8_t> chunk(10 * oldRecord, 0), expected(10 * record, 0);
    for (int p = 0; p < 10; ++p) {
        uint8_t *rec = chunk.data() + p * oldRecord;
        std::snprintf(reinterpret_cast<char *>(rec), 30, "Program number %d", p);
        for (int i = 0; i < 36; ++i) {
            const float v = static_cast<float>((p * 37 + i * 11) % 101) / 100.0f;
            std::memcpy(rec + 32 + 4 * i, &v, 4);
        }
        std::memcpy(expected.data() + p * record, rec, oldRecord);
    }
    std::string error;
    ASSERT_TRUE(writeFileBytes("ten.fxb", writeBankChunkFile(0x536F726C, 1, 10, 7, chunk), error));
    const ToolRun r = tool({"preset", "load", kSorrel, "ten.fxb", "--save", "ten_again.fxb"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Program 7: Program number 7")) << r.out;
    const std::string again = slurp("ten_again.fxb");
    const PresetParseResult bank = parsePresetFile(reinterpret_cast<const uint8_t *>(again.data()), again.size());
    ASSERT_TRUE(bank.ok) << bank.error;
    EXPECT_EQ(bank.file.chunk, expected);
    ASSERT_TRUE(writeFileBytes("ten_new.fxb", writeBankChunkFile(0x536F726C, 1, 10, 7, expected), error));
    const ToolRun r2 = tool({"preset", "load", kSorrel, "ten_new.fxb", "--save", "ten_new_again.fxb"});
    ASSERT_EQ(r2.code, 0) << r2.err;
    EXPECT_EQ(slurp("ten_new.fxb"), slurp("ten_new_again.fxb"));

    // Each program reaches the audio: program 3's band values shape the output.
    const ToolRun one = tool({"preset", "load", kSorrel, "ten.fxb", "--program", "3", "--save", "three.fxp"});
    ASSERT_EQ(one.code, 0) << one.err;
    const std::string three = slurp("three.fxp");
    const PresetParseResult parsed =
        parsePresetFile(reinterpret_cast<const uint8_t *>(three.data()), three.size());
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.file.chunk, std::vector<uint8_t>(expected.begin() + 3 * record, expected.begin() + 4 * record));
}

TEST(Cli, ShippedPresetShapesTheSoundAudibly) {
    REQUIRE_SORREL();
    // The demo's preset: lows and highs well down, the middle up.
    const std::string path = std::string(SORREL_SOURCE_DIR) + "/resources/presets/telephone.fxp";
    const ToolRun loaded = tool({"preset", "load", kSorrel, path});
    ASSERT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_TRUE(contains(loaded.out, "Telephone")) << loaded.out;
    const ToolRun r = tool({"response", kSorrel, "--preset", path, "--freq", "100,1000,10000"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<double> g = csvGains(r.out);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_LT(toDb(g[0]), -6.0);
    EXPECT_GT(toDb(g[1]), 0.0);
    EXPECT_LT(toDb(g[2]), -6.0);
}

TEST(Cli, BenchComparesPluginsAndNamesMonoOnes) {
    const ToolRun r =
        tool({"bench", TESTPLUG_PARAMS, TESTPLUG_MONO, "--seconds", "0.05", "--repeats", "3", "--set-all"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "ns/frame")) << r.out;
    EXPECT_TRUE(contains(r.out, "mono: two instances per stereo frame")) << r.out;
    EXPECT_TRUE(contains(r.out, "1 parameters randomised")) << r.out; // Gain has the dB label
    EXPECT_TRUE(contains(r.out, " 1.00 ")) << r.out;                  // the first is the reference
}

TEST(Cli, DebianPluginsLoadAndRender) {
    const char *zam = "/usr/lib/vst/ZamEQ2-vst.so";
    struct stat st {};
    if (sizeof(void *) != 8 || stat(zam, &st) != 0)
        GTEST_SKIP() << "no 64-bit zam-plugins for this build";
    writeWav("zmono.wav", noise(1, 4000));
    const ToolRun info = tool({"info", zam});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "ZamEQ2")) << info.out;
    const ToolRun r = tool({"render", zam, "zmono.wav", "zout.wav", "--split"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readWav("zout.wav").frames(), 4000u);
}

#endif
