#include "tools/hostlib/response.h"

#include "tools/hostlib/fft.h"
#include "tools/hostlib/render.h"

#include <cmath>

namespace sorrel::tool {

double Response::at(int channel, double frequency) const {
    if (channel < 0 || channel >= numChannels() || fftSize == 0)
        return 0;
    const std::vector<double> &b = bins[static_cast<size_t>(channel)];
    double pos = frequency * static_cast<double>(fftSize) / sampleRate;
    if (pos <= 0)
        return b.front();
    if (pos >= static_cast<double>(b.size() - 1))
        return b.back();
    const size_t k = static_cast<size_t>(pos);
    const double t = pos - static_cast<double>(k);
    return b[k] * (1 - t) + b[k + 1] * t;
}

std::string measureResponse(Plugin &plugin, const ResponseOptions &options, Response &out) {
    if (plugin.numInputs() < 1)
        return "the plug-in has no audio inputs to measure";
    if (plugin.numOutputs() < 1)
        return "the plug-in has no audio outputs to measure";
    const double rate = plugin.sampleRate();
    const size_t delay = static_cast<size_t>(plugin.initialDelay() > 0 ? plugin.initialDelay() : 0);
    const size_t preroll = static_cast<size_t>(options.preroll * rate);
    const size_t n = nextPowerOfTwo(static_cast<size_t>(options.seconds * rate) + delay);
    const size_t total = preroll + n;

    std::vector<std::vector<float>> inputs(static_cast<size_t>(plugin.numInputs()),
                                           std::vector<float>(total, 0.0f));
    for (auto &ch : inputs)
        ch[preroll] = 1.0f;
    RunOptions run;
    run.blockSize = options.blockSize;
    std::vector<std::vector<float>> outputs = runPlugin(plugin, inputs, total, run);

    out.sampleRate = static_cast<float>(rate);
    out.fftSize = n;
    out.bins.clear();
    for (const auto &ch : outputs) {
        const std::vector<float> tail(ch.begin() + static_cast<std::ptrdiff_t>(preroll), ch.end());
        for (float v : tail)
            if (!std::isfinite(v))
                return "the plug-in's output is not finite (NaN or infinity)";
        out.bins.push_back(magnitudeSpectrum(tail, n));
    }
    return {};
}

std::vector<double> logFrequencies(double lo, double hi, int perDecade) {
    std::vector<double> f;
    if (lo <= 0 || hi < lo || perDecade < 1)
        return f;
    const long first = static_cast<long>(std::ceil(std::log10(lo) * perDecade - 1e-9));
    const long last = static_cast<long>(std::floor(std::log10(hi) * perDecade + 1e-9));
    for (long k = first; k <= last; ++k) {
        // Exact powers of ten for whole decades, so that 100 Hz is 100 Hz.
        double v = (k % perDecade == 0) ? std::pow(10.0, static_cast<double>(k / perDecade))
                                        : std::pow(10.0, static_cast<double>(k) / perDecade);
        f.push_back(v);
    }
    return f;
}

} // namespace sorrel::tool
