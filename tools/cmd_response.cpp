// sorrel-host response: the magnitude response as CSV and as a plot.
#include "tools/cli.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/plot.h"
#include "tools/hostlib/response.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace sorrel::tool {

namespace {

const char *const kHelp =
    "usage: sorrel-host response PLUGIN [options]\n"
    "\n"
    "Measures the plug-in's magnitude response with the given settings: a unit\n"
    "impulse on every input after a quarter second of silence, 1.5 s of output\n"
    "(rounded up to a power of two) and its FFT, per output channel.\n"
    "\n"
    "Options:\n"
    "  --csv FILE                write frequency, gain and dB per channel as CSV\n"
    "                            (default: standard output, unless --png is given)\n"
    "  --png FILE                write a plot: 10 Hz to 24 kHz, dB, one curve per channel\n"
    "  --freq F1,F2,...          CSV rows at these frequencies in Hz instead of the\n"
    "                            log grid of 10 Hz to 24 kHz (or half the sample rate)\n"
    "  --per-decade N            rows per decade of the log grid (default 100)\n"
    "  --title TEXT              plot title (default: the plug-in and its settings)\n"
    "\n";

bool parseFrequencies(const std::string &list, double nyquist, std::vector<double> &out, std::string &error) {
    std::stringstream ss(list);
    std::string item;
    while (std::getline(ss, item, ',')) {
        double f = 0;
        if (!parseDouble(item, f) || f <= 0 || f > nyquist) {
            error = "--freq: '" + item + "' is not a frequency between 0 and half the sample rate";
            return false;
        }
        out.push_back(f);
    }
    if (out.empty()) {
        error = "--freq needs at least one frequency";
        return false;
    }
    return true;
}

std::string csvText(const Response &r, const std::vector<double> &freqs) {
    std::string s = "frequency_hz";
    for (int c = 1; c <= r.numChannels(); ++c)
        s += ",out" + std::to_string(c) + "_gain,out" + std::to_string(c) + "_db";
    s += "\n";
    char cell[64];
    for (double f : freqs) {
        std::snprintf(cell, sizeof cell, "%.4f", f);
        s += cell;
        for (int c = 0; c < r.numChannels(); ++c) {
            const double g = r.at(c, f);
            const double db = toDb(g);
            std::snprintf(cell, sizeof cell, ",%.6f,%.3f", g, std::isinf(db) ? -999.0 : db);
            s += cell;
        }
        s += "\n";
    }
    return s;
}

// "Sorrel, 44100 Hz, program 0, 19=1" from what the user asked for.
std::string defaultTitle(Plugin &p, const Settings &settings, const Args &args) {
    std::string t = p.effectName();
    if (t.empty())
        t = p.path();
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g Hz", static_cast<double>(settings.rate));
    t += std::string(", ") + rate;
    if (!settings.preset.empty()) {
        const size_t slash = settings.preset.find_last_of("/\\");
        t += ", " + (slash == std::string::npos ? settings.preset : settings.preset.substr(slash + 1));
    }
    if (settings.program >= 0)
        t += ", program " + std::to_string(settings.program);
    for (const std::string &s : args.values("set"))
        t += ", " + s;
    if (settings.preset.empty() && settings.program < 0 && settings.sets.empty())
        t += ", default settings";
    return t;
}

} // namespace

int cmdResponse(int argc, char **argv) {
    Args args;
    if (int code = kExitOk;
        !startCommand("response", argc, argv,
                      {{"csv", true}, {"png", true}, {"freq", true}, {"per-decade", true}, {"title", true}},
                      true, kHelp, args, code))
        return code;
    std::string error;
    if (args.positional().size() != 1)
        return usageError("response", "response takes one plug-in");
    Settings settings;
    if (!readSettings(args, settings, error))
        return usageError("response", error);
    const double nyquist = settings.rate / 2.0;
    std::vector<double> freqs;
    if (args.has("freq")) {
        if (!parseFrequencies(args.value("freq"), nyquist, freqs, error))
            return usageError("response", error);
    } else {
        long long perDecade = 100;
        if (args.has("per-decade") && !parseInt(args.value("per-decade"), 1, 10000, perDecade))
            return usageError("response", "--per-decade takes a count from 1 to 10000");
        freqs = logFrequencies(10.0, std::min(24000.0, nyquist), static_cast<int>(perDecade));
    }

    std::unique_ptr<Plugin> p = openPlugin(args.positional()[0], settings, error);
    if (!p)
        return fail(error);
    Response response;
    ResponseOptions options;
    options.blockSize = settings.block;
    p->resume();
    error = measureResponse(*p, options, response);
    p->suspend();
    if (!error.empty())
        return fail(args.positional()[0] + ": " + error);

    const std::string csv = csvText(response, freqs);
    if (args.has("csv")) {
        std::vector<uint8_t> bytes(csv.begin(), csv.end());
        if (!writeFileBytes(args.value("csv"), bytes, error))
            return fail(error);
    } else if (!args.has("png")) {
        std::fputs(csv.c_str(), stdout);
    }
    if (args.has("png")) {
        const std::string title = args.has("title") ? args.value("title") : defaultTitle(*p, settings, args);
        error = writeResponsePlot(args.value("png"), response, title);
        if (!error.empty())
            return fail(error);
    }
    return kExitOk;
}

} // namespace sorrel::tool
