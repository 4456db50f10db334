#include "tools/hostlib/bench.h"
#include "tools/hostlib/editor_window.h"

#include "tools/hostlib/cpu_clock.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace sorrel::tool {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string trim(const std::string &s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

struct Lcg {
    uint32_t state;
    explicit Lcg(uint32_t seed) : state(seed ? seed : 1) {}
    double next() { // 0..1
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0;
    }
};

struct Contender {
    std::vector<std::unique_ptr<Plugin>> instances; // two for a mono plug-in
    std::vector<std::unique_ptr<EditorWindow>> windows; // their open editors
    BenchEntry entry;
    std::vector<double> samples;
    std::string modulePath;                         // the argument without its settings
    std::vector<std::pair<VstInt32, float>> sets; // the argument's settings
};

// One pass over the whole noise, in blocks; CPU nanoseconds of this thread.
int64_t timeRun(Contender &c, std::vector<std::vector<float>> &noise,
                std::vector<std::vector<float>> &scratch, VstInt32 block) {
    const size_t frames = noise[0].size();
    std::vector<float *> in(8), out(8);
    const int64_t start = threadCpuNanoseconds();
    for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block)) {
        const VstInt32 n = static_cast<VstInt32>(std::min<size_t>(static_cast<size_t>(block), frames - pos));
        for (size_t i = 0; i < c.instances.size(); ++i) {
            Plugin &p = *c.instances[i];
            const size_t numIn = static_cast<size_t>(p.numInputs());
            const size_t numOut = static_cast<size_t>(p.numOutputs());
            in.resize(std::max<size_t>(numIn, 1));
            out.resize(std::max<size_t>(numOut, 1));
            for (size_t ch = 0; ch < in.size(); ++ch) {
                // Mono instance i takes channel i; a wider plug-in takes the
                // noise on its first two inputs and silence on the rest.
                const size_t src = c.entry.mono ? i : ch;
                in[ch] = src < 2 ? noise[src].data() + pos : scratch.back().data();
            }
            for (size_t ch = 0; ch < out.size(); ++ch)
                out[ch] = scratch[std::min(ch, scratch.size() - 2)].data();
            if (p.canReplacing())
                p.processReplacing(in.data(), out.data(), n);
            else
                p.processAccumulating(in.data(), out.data(), n);
        }
    }
    return threadCpuNanoseconds() - start;
}

// One instance from the entry point to the end of its first audio call,
// wall clock (loading may wait for the disk); -1 if it does not load.
double startupMilliseconds(const std::string &path, const std::vector<std::pair<VstInt32, float>> &sets,
                           const BenchOptions &options) {
    const auto start = std::chrono::steady_clock::now();
    LoadResult loaded = Plugin::load(path, options.rate, options.block);
    if (!loaded.plugin)
        return -1;
    Plugin &p = *loaded.plugin;
    p.setSampleRate(options.rate);
    p.setBlockSize(options.block);
    for (const auto &set : sets)
        p.setParameter(set.first, set.second);
    p.resume();
    const size_t channels = static_cast<size_t>(std::max(1, std::max(p.numInputs(), p.numOutputs())));
    std::vector<std::vector<float>> buffers(2 * channels,
                                            std::vector<float>(static_cast<size_t>(options.block)));
    std::vector<float *> in(channels), out(channels);
    for (size_t ch = 0; ch < channels; ++ch) {
        in[ch] = buffers[ch].data();
        out[ch] = buffers[channels + ch].data();
    }
    if (p.canReplacing())
        p.processReplacing(in.data(), out.data(), options.block);
    else
        p.processAccumulating(in.data(), out.data(), options.block);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

bool isBandLike(const std::string &name, const std::string &label) {
    if (lower(trim(label)) == "db")
        return true;
    const std::string n = lower(trim(name));
    if (n.size() >= 2 && n.compare(n.size() - 2, 2, "hz") == 0) {
        // "440hz", "1.4khz", "1.4 khz": a number before the unit.
        std::string num = trim(n.substr(0, n.size() - 2));
        if (!num.empty() && num.back() == 'k')
            num = trim(num.substr(0, num.size() - 1));
        return !num.empty() && std::all_of(num.begin(), num.end(),
                                           [](unsigned char c) { return std::isdigit(c) || c == '.'; });
    }
    return n.rfind("band", 0) == 0;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

// A plug-in argument may end in settings of its own, "PATH@N=V[,N=V...]"
// (parameter N to normalised V), so that one plug-in can run in two
// configurations side by side. Splits them off; false for a malformed list.
bool splitSettings(const std::string &argument, std::string &path, std::vector<std::pair<VstInt32, float>> &sets) {
    path = argument;
    sets.clear();
    const size_t at = argument.find_last_of('@');
    if (at == std::string::npos || argument.find('=', at) == std::string::npos)
        return true;
    path = argument.substr(0, at);
    std::string list = argument.substr(at + 1);
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string item = list.substr(0, comma);
        list = comma == std::string::npos ? std::string() : list.substr(comma + 1);
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            return false;
        char *end = nullptr;
        const long index = std::strtol(item.c_str(), &end, 10);
        if (end != item.c_str() + eq || index < 0)
            return false;
        const float value = std::strtof(item.c_str() + eq + 1, &end);
        if (*end != 0 || !(value >= 0.0f && value <= 1.0f))
            return false;
        sets.emplace_back(static_cast<VstInt32>(index), value);
    }
    return true;
}

std::string runBench(const std::vector<std::string> &arguments, const BenchOptions &options,
                     std::vector<BenchEntry> &results) {
    std::vector<Contender> contenders;
    for (const std::string &argument : arguments) {
        Contender c;
        std::string path;
        std::vector<std::pair<VstInt32, float>> sets;
        if (!splitSettings(argument, path, sets))
            return argument + ": settings after @ must be N=V with V from 0 to 1, separated by commas";
        c.entry.path = argument;
        c.modulePath = path;
        c.sets = sets;
        c.entry.firstStartMs = startupMilliseconds(path, sets, options);
        for (int i = 0; i < 2; ++i) {
            LoadResult loaded = Plugin::load(path, options.rate, options.block);
            if (!loaded.plugin)
                return loaded.error;
            Plugin &p = *loaded.plugin;
            p.setSampleRate(options.rate);
            p.setBlockSize(options.block);
            if (options.setAll) {
                Lcg rng(options.seed);
                int changed = 0;
                for (VstInt32 k = 0; k < p.numParams(); ++k) {
                    if (!isBandLike(p.paramName(k), p.paramLabel(k)))
                        continue;
                    // Moderate settings: every band does work, none runs wild.
                    p.setParameter(k, static_cast<float>(0.3 + 0.4 * rng.next()));
                    ++changed;
                }
                c.entry.randomised = changed;
            }
            for (const auto &set : sets)
                p.setParameter(set.first, set.second);
            p.resume();
            if (i == 0) {
                c.entry.name = p.effectName();
                c.entry.mono = p.numInputs() == 1;
            }
            c.instances.push_back(std::move(loaded.plugin));
            if (!c.entry.mono)
                break;
        }
        contenders.push_back(std::move(c));
    }

    const size_t frames = std::max<size_t>(1, static_cast<size_t>(options.seconds * options.rate));
    std::vector<std::vector<float>> noise(2, std::vector<float>(frames));
    Lcg rng(options.seed);
    for (auto &ch : noise)
        for (float &v : ch)
            v = static_cast<float>(rng.next() - 0.5);
    // Outputs land in scratch blocks (every output channel but the last one
    // shares the one before the silent input block at the end).
    std::vector<std::vector<float>> scratch(4, std::vector<float>(static_cast<size_t>(options.block), 0.0f));

    // Later instantiations, while the timed instances keep the module loaded.
    for (Contender &c : contenders) {
        std::vector<double> starts;
        for (int r = 0; r < options.repeats; ++r)
            starts.push_back(startupMilliseconds(c.modulePath, c.sets, options));
        c.entry.startMs = median(starts);
    }

    // The editors open after the start-up timing, so that the instances made
    // and deleted for it meet no open editor of their own module.
    if (options.editor) {
        for (Contender &c : contenders) {
            for (auto &instance : c.instances) {
                // An open editor is what switches metering on in some
                // plug-ins; the window stays hidden and gets no idle calls.
                Plugin &p = *instance;
                ERect *rect = nullptr;
                p.dispatch(effEditGetRect, 0, 0, &rect);
                const int w = rect ? rect->right - rect->left : 0, h = rect ? rect->bottom - rect->top : 0;
                std::string error;
                std::unique_ptr<EditorWindow> window =
                    EditorWindow::create("bench", w > 0 ? w : 400, h > 0 ? h : 300, error);
                if (!window)
                    return "--editor: " + error;
                p.dispatch(effEditOpen, 0, window->displayHandle(), window->parentHandle());
                c.windows.push_back(std::move(window));
            }
        }
    }

    for (Contender &c : contenders) // warm-up: caches, lazy initialisation
        timeRun(c, noise, scratch, options.block);
    for (int r = 0; r < options.repeats; ++r) {
        for (Contender &c : contenders) {
            const int64_t ns = timeRun(c, noise, scratch, options.block);
            c.samples.push_back(static_cast<double>(ns) / static_cast<double>(frames));
            std::fill(scratch.back().begin(), scratch.back().end(), 0.0f);
        }
    }
    for (Contender &c : contenders)
        if (!c.windows.empty())
            for (auto &instance : c.instances) {
                // One idle call first: LSP's editor, which got none while
                // timed, otherwise now and then aborts inside Cairo on close.
                instance->dispatch(effEditIdle);
                instance->dispatch(effEditClose);
            }
    results.clear();
    for (Contender &c : contenders) {
        c.entry.nsPerFrame = median(c.samples);
        results.push_back(c.entry);
    }
    return {};
}

} // namespace sorrel::tool
