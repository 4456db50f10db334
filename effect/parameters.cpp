#include "effect/parameters.h"

#include "dsp/band_equalizer.h"

#include <algorithm>
#include <cmath>

namespace sorrel {

namespace {

constexpr ParameterInfo gain(const char *symbol, const char *vstName, const char *longName, const char *caption) {
    return {symbol, vstName, "dB", longName, "dB", caption, ParameterKind::Gain, 0.5f, -12.f, 12.f};
}

} // namespace

const ParameterInfo kParameters[kNumParameters] = {
    gain("in_gain", "In gain", "Input gain", "In"),
    {"q", "Q", "", "Bandwidth (Q)", "", "Q", ParameterKind::Amount, 0.5f, 0.f, 1.f},
    gain("band_20hz", "20Hz", "20 Hz", "20"),
    gain("band_25hz", "25Hz", "25 Hz", "25"),
    gain("band_30hz", "30Hz", "30 Hz", "30"),
    gain("band_35hz", "35Hz", "35 Hz", "35"),
    gain("band_40hz", "40Hz", "40 Hz", "40"),
    gain("band_50hz", "50Hz", "50 Hz", "50"),
    gain("band_60hz", "60Hz", "60 Hz", "60"),
    gain("band_70hz", "70Hz", "70 Hz", "70"),
    gain("band_85hz", "85Hz", "85 Hz", "85"),
    gain("band_100hz", "100Hz", "100 Hz", "100"),
    gain("band_125hz", "125Hz", "125 Hz", "125"),
    gain("band_150hz", "150Hz", "150 Hz", "150"),
    gain("band_175hz", "175Hz", "175 Hz", "175"),
    gain("band_210hz", "210Hz", "210 Hz", "210"),
    gain("band_250hz", "250Hz", "250 Hz", "250"),
    gain("band_300hz", "300Hz", "300 Hz", "300"),
    gain("band_360hz", "360Hz", "360 Hz", "360"),
    gain("band_440hz", "440Hz", "440 Hz", "440"),
    gain("band_580hz", "580Hz", "580 Hz", "580"),
    gain("band_780hz", "780Hz", "780 Hz", "780"),
    gain("band_1khz", "1kHz", "1 kHz", "1k"),
    gain("band_1k4hz", "1.4kHz", "1.4 kHz", "1.4k"),
    gain("band_1k8hz", "1.8kHz", "1.8 kHz", "1.8k"),
    gain("band_2k5hz", "2.5kHz", "2.5 kHz", "2.5k"),
    gain("band_3k3hz", "3.3kHz", "3.3 kHz", "3.3k"),
    gain("band_4k4hz", "4.4kHz", "4.4 kHz", "4.4k"),
    gain("band_5k8hz", "5.8kHz", "5.8 kHz", "5.8k"),
    gain("band_7k8hz", "7.8kHz", "7.8 kHz", "7.8k"),
    gain("band_10khz", "10kHz", "10 kHz", "10k"),
    gain("band_14khz", "14kHz", "14 kHz", "14k"),
    gain("band_19khz", "19kHz", "19 kHz", "19k"),
    gain("out_gain", "Out gain", "Output gain", "Out"),
    {"meters_in", nullptr, nullptr, "Meters before band gain", "", "In", ParameterKind::Switch, 1.f, 0.f, 1.f},
    {"meters_out", nullptr, nullptr, "Meters after band gain", "", "Out", ParameterKind::Switch, 1.f, 0.f, 1.f},
};

const ParameterInfo *parameterInfo(int32_t index) {
    return index >= 0 && index < kNumParameters ? &kParameters[index] : nullptr;
}

float toReadable(int32_t index, float normalised) {
    const ParameterInfo *info = parameterInfo(index);
    if (!info)
        return 0.f;
    if (std::isnan(normalised))
        normalised = info->defaultValue;
    normalised = std::clamp(normalised, 0.f, 1.f);
    if (info->kind == ParameterKind::Gain)
        return normalizedToDb(normalised);
    return info->minimum + normalised * (info->maximum - info->minimum);
}

float fromReadable(int32_t index, float readable) {
    const ParameterInfo *info = parameterInfo(index);
    if (!info)
        return 0.f;
    if (std::isnan(readable))
        return info->defaultValue;
    float normalised;
    if (info->kind == ParameterKind::Gain)
        normalised = static_cast<float>(static_cast<double>(readable) / 24.0 + 0.5);
    else if (info->kind == ParameterKind::Switch)
        normalised = readable >= 0.5f ? 1.f : 0.f;
    else
        normalised = (readable - info->minimum) / (info->maximum - info->minimum);
    return std::clamp(normalised, 0.f, 1.f);
}

} // namespace sorrel
