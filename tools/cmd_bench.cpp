// sorrel-host bench: processing time of plug-ins side by side.
#include "tools/cli.h"
#include "tools/hostlib/bench.h"

#include <algorithm>
#include <cstdio>

namespace sorrel::tool {

namespace {

const char *const kHelp = "usage: sorrel-host bench PLUGIN[@N=V,...] [PLUGIN...] [options]\n"
                          "\n"
                          "Times the replacing audio call of each plug-in on the same stereo noise:\n"
                          "runs interleaved across the plug-ins, thread CPU time, the median of the\n"
                          "repeats, in nanoseconds per stereo frame and as a ratio to the first\n"
                          "plug-in. A mono plug-in runs as two instances, one per channel.\n"
                          "@N=V after a plug-in sets its parameter N to the normalised value V\n"
                          "(e.g. Sorrel.so@36=1 for its true response), so one plug-in can run\n"
                          "twice with different settings.\n"
                          "Also the wall-clock time from loading one instance to the end of its first\n"
                          "audio call: the first time, and the median of later instances.\n"
                          "\n"
                          "Options:\n"
                          "  --rate HZ                 sample rate (default 44100)\n"
                          "  --block N                 block size (default 512)\n"
                          "  --seconds S               noise per run (default 2)\n"
                          "  --repeats N               timed runs per plug-in (default 7)\n"
                          "  --set-all                 set every band-like parameter (label dB, or named\n"
                          "                            like a frequency) to a random value from 0.3 to\n"
                          "                            0.7, so that no plug-in skips bands left at 0 dB\n"
                          "  --seed N                  seed of the noise and of --set-all (default 1)\n"
                          "  --editor                  keep each plug-in's editor open (hidden) while\n"
                          "                            timing, as when a musician watches its meters;\n"
                          "                            needs a display\n";

} // namespace

int cmdBench(int argc, char **argv) {
    Args args;
    if (int code = kExitOk; !startCommand("bench", argc, argv,
                                          {{"rate", true},
                                           {"block", true},
                                           {"seconds", true},
                                           {"repeats", true},
                                           {"set-all", false},
                                           {"editor", false},
                                           {"seed", true}},
                                          false, kHelp, args, code))
        return code;
    std::string error;
    if (args.positional().empty())
        return usageError("bench", "bench takes at least one plug-in");
    BenchOptions options;
    Settings settings;
    if (!readSettings(args, settings, error))
        return usageError("bench", error);
    options.rate = settings.rate;
    options.block = settings.block;
    double seconds = options.seconds;
    if (args.has("seconds") &&
        (!parseDouble(args.value("seconds"), seconds) || seconds <= 0 || seconds > 600))
        return usageError("bench", "--seconds takes a duration above 0 and up to 600");
    options.seconds = seconds;
    long long n = 0;
    if (args.has("repeats")) {
        if (!parseInt(args.value("repeats"), 1, 1000, n))
            return usageError("bench", "--repeats takes a count from 1 to 1000");
        options.repeats = static_cast<int>(n);
    }
    if (args.has("seed")) {
        if (!parseInt(args.value("seed"), 0, 0xFFFFFFFFll, n))
            return usageError("bench", "--seed takes a number from 0 to 4294967295");
        options.seed = static_cast<uint32_t>(n);
    }
    options.setAll = args.has("set-all");
    options.editor = args.has("editor");

    std::vector<BenchEntry> results;
    error = runBench(args.positional(), options, results);
    if (!error.empty())
        return fail(error);

    std::printf("%g Hz, block %d, %g s of stereo noise, median of %d interleaved runs, thread CPU time%s\n",
                static_cast<double>(options.rate), options.block, options.seconds, options.repeats,
                options.setAll ? ", band-like parameters randomised" : "");
    const double base = results.front().nsPerFrame;
    std::vector<std::string> labels;
    int width = 7;
    for (const BenchEntry &e : results) {
        std::string label = e.name.empty() ? e.path : e.name;
        const size_t slash = e.path.find_last_of("/\\");
        const std::string file = slash == std::string::npos ? e.path : e.path.substr(slash + 1);
        if (!e.name.empty())
            label += " (" + file + ")";
        labels.push_back(label);
        width = std::max(width, static_cast<int>(label.size()));
    }
    std::printf("%-*s %12s %8s %16s  %s\n", width, "plug-in", "ns/frame", "ratio", "start ms (1st)", "notes");
    for (size_t i = 0; i < results.size(); ++i) {
        const BenchEntry &e = results[i];
        std::string notes;
        if (e.mono)
            notes = "mono: two instances per stereo frame";
        if (options.setAll) {
            if (!notes.empty())
                notes += "; ";
            notes += std::to_string(e.randomised) + " parameters randomised";
        }
        char start[32];
        std::snprintf(start, sizeof start, "%.2f (%.2f)", e.startMs, e.firstStartMs);
        std::printf("%-*s %12.1f %8.2f %16s  %s\n", width, labels[i].c_str(), e.nsPerFrame,
                    base > 0 ? e.nsPerFrame / base : 0.0, start, notes.c_str());
    }
    return kExitOk;
}

} // namespace sorrel::tool
