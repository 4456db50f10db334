#include "tools/cli.h"

#include "tools/hostlib/preset_io.h"
#include "tools/hostlib/terminal.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sorrel::tool {

bool Args::parse(int argc, char **argv, int first, const std::vector<OptionSpec> &specs, std::string &error) {
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string a = argv[i];
        if (optionsEnded) {
            positionalArgs.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "-h") {
            options.emplace_back("help", "");
            continue;
        }
        if (a.size() < 3 || a[0] != '-' || a[1] != '-') {
            positionalArgs.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        std::string value;
        bool inlineValue = false;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        const OptionSpec *spec = nullptr;
        for (const OptionSpec &s : specs)
            if (name == s.name)
                spec = &s;
        if (!spec && name == "help") {
            options.emplace_back("help", "");
            continue;
        }
        if (!spec) {
            error = "unknown option --" + name;
            return false;
        }
        if (spec->takesValue && !inlineValue) {
            if (i + 1 >= argc) {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!spec->takesValue && inlineValue) {
            error = "option --" + name + " takes no value";
            return false;
        }
        options.emplace_back(name, value);
    }
    return true;
}

bool Args::has(const std::string &name) const {
    for (const auto &o : options)
        if (o.first == name)
            return true;
    return false;
}

std::string Args::value(const std::string &name, const std::string &fallback) const {
    std::string v = fallback;
    for (const auto &o : options)
        if (o.first == name)
            v = o.second;
    return v;
}

std::vector<std::string> Args::values(const std::string &name) const {
    std::vector<std::string> v;
    for (const auto &o : options)
        if (o.first == name)
            v.push_back(o.second);
    return v;
}

bool parseInt(const std::string &text, long long lo, long long hi, long long &out) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseDouble(const std::string &text, double &out) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != 0 || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

const std::vector<OptionSpec> kSettingOptions = {
    {"rate", true}, {"block", true}, {"preset", true}, {"program", true}, {"set", true},
};

const char *const kSettingHelp =
    "Plug-in settings (applied in this order after loading):\n"
    "  --rate HZ                 sample rate reported to the plug-in (default 44100;\n"
    "                            render uses the input file's rate)\n"
    "  --block N                 block size, 1..65536 (default 512)\n"
    "  --preset FILE             load a program (.fxp) or bank (.fxb) file\n"
    "  --program N               select program N\n"
    "  --set NAME|INDEX=VALUE    set a parameter to a normalised value 0..1;\n"
    "                            repeatable; names match without regard to case\n";

bool readSettings(const Args &args, Settings &settings, std::string &error) {
    if (args.has("rate")) {
        double rate = 0;
        if (!parseDouble(args.value("rate"), rate) || rate < 1000 || rate > 1536000) {
            error = "--rate takes a sample rate from 1000 to 1536000 Hz";
            return false;
        }
        settings.rate = static_cast<float>(rate);
    }
    if (args.has("block")) {
        long long block = 0;
        if (!parseInt(args.value("block"), 1, 65536, block)) {
            error = "--block takes a block size from 1 to 65536";
            return false;
        }
        settings.block = static_cast<VstInt32>(block);
    }
    if (args.has("program") && !parseInt(args.value("program"), 0, 1 << 20, settings.program)) {
        error = "--program takes a program number from 0";
        return false;
    }
    settings.preset = args.value("preset");
    for (const std::string &s : args.values("set")) {
        const size_t eq = s.rfind('=');
        double v = 0;
        if (eq == std::string::npos || eq == 0 || !parseDouble(s.substr(eq + 1), v)) {
            error = "--set takes NAME=VALUE or INDEX=VALUE, not '" + s + "'";
            return false;
        }
        if (v < 0 || v > 1) {
            error = "--set " + s + ": values are normalised, from 0 to 1";
            return false;
        }
        settings.sets.emplace_back(s.substr(0, eq), static_cast<float>(v));
    }
    return true;
}

std::unique_ptr<Plugin> openPlugin(const std::string &path, const Settings &settings, std::string &error) {
    LoadResult loaded = Plugin::load(path, settings.rate, settings.block);
    if (!loaded.plugin) {
        error = loaded.error;
        return nullptr;
    }
    Plugin &p = *loaded.plugin;
    p.setSampleRate(settings.rate);
    p.setBlockSize(settings.block);
    if (!settings.preset.empty()) {
        error = applyPresetFile(p, settings.preset);
        if (!error.empty())
            return nullptr;
    }
    if (settings.program >= 0) {
        if (settings.program >= p.numPrograms()) {
            error = "--program " + std::to_string(settings.program) + ": the plug-in has " +
                    std::to_string(p.numPrograms()) + " programs (0 to " +
                    std::to_string(p.numPrograms() - 1) + ")";
            return nullptr;
        }
        p.setProgram(static_cast<VstInt32>(settings.program));
    }
    for (const auto &s : settings.sets) {
        const VstInt32 index = p.findParameter(s.first);
        if (index < 0) {
            error = "--set: the plug-in has no parameter '" + s.first + "' (see sorrel-host info)";
            return nullptr;
        }
        p.setParameter(index, s.second);
    }
    return std::move(loaded.plugin);
}

int fail(const std::string &message, int code) {
    std::fflush(stdout);
    std::fprintf(stderr, "sorrel-host: %s\n", message.c_str());
    return code;
}

int usageError(const std::string &command, const std::string &message) {
    return fail(message + " (see: sorrel-host " + command + " --help)", kExitUsage);
}

bool startCommand(const char *name, int argc, char **argv, const std::vector<OptionSpec> &options,
                  bool withSettings, const char *help, Args &args, int &exitCode) {
    std::vector<OptionSpec> specs = withSettings ? kSettingOptions : std::vector<OptionSpec>();
    specs.insert(specs.end(), options.begin(), options.end());
    std::string error;
    if (!args.parse(argc, argv, 2, specs, error)) {
        exitCode = usageError(name, error);
        return false;
    }
    if (args.has("help")) {
        std::printf("%s%s", help, withSettings ? kSettingHelp : "");
        exitCode = kExitOk;
        return false;
    }
    return true;
}

ProgressBar::ProgressBar(const char *inLabel) : label(inLabel), enabled(isTerminal(stderr)) {}

ProgressBar::~ProgressBar() {
    if (enabled && lastShown >= 0)
        std::fprintf(stderr, "\r%*s\r", 60, "");
}

void ProgressBar::update(size_t done, size_t total) {
    if (!enabled || total == 0)
        return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == lastShown)
        return;
    lastShown = percent;
    char bar[31];
    const int filled = percent * 30 / 100;
    for (int i = 0; i < 30; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[30] = 0;
    std::fprintf(stderr, "\r%s [%s] %3d%%", label, bar, percent);
    std::fflush(stderr);
}

} // namespace sorrel::tool
