// sorrel-host render: an audio file through a plug-in.
#include "tools/cli.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/render.h"

#include <cmath>
#include <cstdio>

namespace sorrel::tool {

namespace {

const char *const kHelp = "usage: sorrel-host render PLUGIN IN OUT [options]\n"
                          "\n"
                          "Runs the audio file IN through the plug-in and writes OUT at the input's\n"
                          "sample rate. A mono input goes to every plug-in input; otherwise the\n"
                          "channel counts must match. OUT gets one channel per plug-in output.\n"
                          "\n"
                          "Options:\n"
                          "  --format F                output samples: float, pcm16, pcm24 or pcm32\n"
                          "                            (default: float, or pcm24 for FLAC)\n"
                          "  --accumulate              use the accumulating audio call on zeroed\n"
                          "                            outputs instead of the replacing one\n"
                          "  --split                   cut the audio into blocks of varying sizes (up to\n"
                          "                            the block size), as hosts do at automation points\n"
                          "  --tail SECONDS            append that much silence to the input (ring-out)\n"
                          "  --stats                   print RMS and peak per channel before and after\n"
                          "  --quiet                   no progress bar\n"
                          "\n";

void printStats(const Audio &in, const Audio &out) {
    std::printf("%-8s %14s %14s %14s %14s\n", "channel", "in RMS dBFS", "in peak dBFS", "out RMS dBFS",
                "out peak dBFS");
    const int rows = std::max(in.numChannels(), out.numChannels());
    for (int c = 0; c < rows; ++c) {
        auto cell = [](const Audio &a, int ch, bool rms) {
            char t[32];
            if (ch >= a.numChannels())
                return std::string("-");
            const ChannelStats s = channelStats(a.channels[static_cast<size_t>(ch)]);
            const double db = toDb(rms ? s.rms : s.peak);
            if (std::isinf(db))
                return std::string("-inf");
            std::snprintf(t, sizeof t, "%.2f", db);
            return std::string(t);
        };
        std::printf("%-8d %14s %14s %14s %14s\n", c + 1, cell(in, c, true).c_str(),
                    cell(in, c, false).c_str(), cell(out, c, true).c_str(), cell(out, c, false).c_str());
    }
}

} // namespace

int cmdRender(int argc, char **argv) {
    Args args;
    if (int code = kExitOk; !startCommand("render", argc, argv,
                                          {{"format", true},
                                           {"accumulate", false},
                                           {"split", false},
                                           {"tail", true},
                                           {"stats", false},
                                           {"quiet", false}},
                                          true, kHelp, args, code))
        return code;
    if (args.positional().size() != 3)
        return usageError("render", "render takes a plug-in, an input file and an output file");
    const std::string &pluginPath = args.positional()[0];
    const std::string &inPath = args.positional()[1];
    const std::string &outPath = args.positional()[2];

    Settings settings;
    std::string error;
    if (!readSettings(args, settings, error))
        return usageError("render", error);
    SampleFormat format = defaultFormatFor(outPath);
    if (args.has("format") && !sampleFormatFromName(args.value("format"), format))
        return usageError("render", "--format takes float, pcm16, pcm24 or pcm32");
    double tail = 0;
    if (args.has("tail") && (!parseDouble(args.value("tail"), tail) || tail < 0 || tail > 3600))
        return usageError("render", "--tail takes seconds from 0 to 3600");

    AudioReadResult input = readAudioFile(inPath);
    if (!input.ok)
        return fail(input.error);
    if (input.audio.frames() == 0 && tail == 0)
        return fail(inPath + ": the file holds no audio");
    if (args.has("rate") && static_cast<int>(settings.rate) != input.audio.sampleRate)
        return usageError("render", "--rate differs from the input file's sample rate");
    settings.rate = static_cast<float>(input.audio.sampleRate);

    std::unique_ptr<Plugin> p = openPlugin(pluginPath, settings, error);
    if (!p)
        return fail(error);
    if (p->numOutputs() < 1)
        return fail(pluginPath + ": the plug-in has no audio outputs");
    if (args.has("accumulate") && !p->canAccumulate())
        return fail(pluginPath + ": the plug-in has no accumulating audio call");

    const size_t frames = input.audio.frames() + static_cast<size_t>(tail * input.audio.sampleRate);
    std::vector<std::vector<float>> inputs;
    error = mapInputs(input.audio.channels, p->numInputs(), frames, inputs);
    if (!error.empty())
        return fail(inPath + ": " + error);

    RunOptions run;
    run.blockSize = settings.block;
    run.accumulate = args.has("accumulate");
    run.split = args.has("split");
    Audio output;
    output.sampleRate = input.audio.sampleRate;
    p->resume();
    {
        ProgressBar bar("rendering");
        const bool quiet = args.has("quiet");
        output.channels = runPlugin(*p, inputs, frames, run, [&](size_t done, size_t total) {
            if (!quiet)
                bar.update(done, total);
        });
    }
    p->suspend();

    error = writeAudioFile(outPath, output, format);
    if (!error.empty())
        return fail(error);
    if (args.has("stats"))
        printStats(input.audio, output);
    return kExitOk;
}

} // namespace sorrel::tool
