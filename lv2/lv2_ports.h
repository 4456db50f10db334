// The LV2 face of the equaliser: its URIs and port layout, shared by the
// Turtle generator, the DSP binary, the UI binary and the tests, so the
// description and the code cannot disagree.
//
// Port values. The 34 faders' ports carry what a person reads: dB for the
// gains, the setting for Q; the three switches carry 0 or 1. The effect keeps
// normalised values; a port value becomes one through fromReadable, always
// in that direction, so the same port value always gives the same sound and
// the same stored value. Factory preset values are written as
// toReadable(value) only where the way back is exact (the generator checks).
#pragma once

#include "effect/parameters.h"

#include <lv2/core/lv2.h>

#include <cstdint>
#include <cstring>

namespace sorrel::lv2 {

#define SORREL_LV2_URI "https://sorrel.quillmark.example/lv2/sorrel"

constexpr const char *kPluginUri = SORREL_LV2_URI;
constexpr const char *kUiUri = SORREL_LV2_URI "#ui";
// The state property: the bank and the selected program, as an atom:Chunk.
constexpr const char *kBankStateUri = SORREL_LV2_URI "#bank";
// Factory preset URIs are kPresetUriPrefix + the preset's symbol.
constexpr const char *kPresetUriPrefix = SORREL_LV2_URI "#preset-";

// Ports: stereo audio, the first release's 36 parameters, the 124 level
// meters (before and after the band gain, left and right, 31 bands), then
// the parameters added since (the response switch), so that no port's index
// changed when they came. Those later ports are optional to connect.
constexpr uint32_t kAudioInLeft = 0;
constexpr uint32_t kAudioInRight = 1;
constexpr uint32_t kAudioOutLeft = 2;
constexpr uint32_t kAudioOutRight = 3;
constexpr uint32_t kFirstParameterPort = 4;
constexpr uint32_t kFirstMeterPort = kFirstParameterPort + kNumFirstParameters;
constexpr uint32_t kNumMeterPorts = 2 * 2 * kNumBandParameters;
constexpr uint32_t kFirstLaterParameterPort = kFirstMeterPort + kNumMeterPorts;
constexpr uint32_t kNumPorts = kFirstLaterParameterPort + (kNumParameters - kNumFirstParameters);

// The port of a parameter, and the parameter of a port (-1 for none).
constexpr uint32_t parameterPort(int32_t index) {
    return index < kNumFirstParameters ? kFirstParameterPort + static_cast<uint32_t>(index)
                                       : kFirstLaterParameterPort + static_cast<uint32_t>(index - kNumFirstParameters);
}
constexpr int32_t portParameter(uint32_t port) {
    if (port >= kFirstParameterPort && port < kFirstMeterPort)
        return static_cast<int32_t>(port - kFirstParameterPort);
    if (port >= kFirstLaterParameterPort && port < kNumPorts)
        return kNumFirstParameters + static_cast<int32_t>(port - kFirstLaterParameterPort);
    return -1;
}
constexpr bool isMeterPort(uint32_t port) { return port >= kFirstMeterPort && port < kFirstLaterParameterPort; }

// The meter port of a stage (0 before, 1 after the band gain), channel and
// band, and back.
constexpr uint32_t meterPort(int stage, int channel, int band) {
    return kFirstMeterPort + static_cast<uint32_t>((stage * 2 + channel) * kNumBandParameters + band);
}
struct MeterAddress {
    int stage, channel, band;
};
constexpr MeterAddress meterAddress(uint32_t port) {
    const int offset = static_cast<int>(port - kFirstMeterPort);
    return {offset / (2 * kNumBandParameters), offset / kNumBandParameters % 2, offset % kNumBandParameters};
}

// The state property's bytes: the selected program as a little-endian
// 32-bit integer, then the bank chunk (ten program records).
constexpr uint32_t kStateHeaderSize = 4;

// The data of the host's feature uri, or null when it offers none.
inline const void *findFeature(const LV2_Feature *const *features, const char *uri) {
    if (features == nullptr)
        return nullptr;
    for (const LV2_Feature *const *f = features; *f != nullptr; ++f)
        if ((*f)->URI != nullptr && std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    return nullptr;
}

} // namespace sorrel::lv2
