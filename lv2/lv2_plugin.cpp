#include "lv2/lv2_plugin.h"

#include "effect/little_endian.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace sorrel::lv2 {

namespace {

// The whole bank as the effect's bank chunk holds it: ten records of a name
// and every parameter's value. Hosts keep it in their sessions: states saved
// before the response switch hold records of 36 values (1760 bytes) and
// still load, as the classic response.
constexpr int32_t kBankBytes = EqualizerEffect::kNumPrograms * ProgramBank::recordSizeFor(kNumParameters);
constexpr int32_t kFirstBankBytes = EqualizerEffect::kNumPrograms * ProgramBank::recordSizeFor(kNumFirstParameters);
static_assert(kFirstBankBytes == 1760, "the first release's LV2 states hold a bank of 1760 bytes");
constexpr uint32_t kStateBytes = kStateHeaderSize + kBankBytes;
constexpr uint32_t kFirstStateBytes = kStateHeaderSize + kFirstBankBytes;

// The block length the work buffers are made for when the host names none;
// longer runs go in pieces, with the same sound.
constexpr int32_t kDefaultBlock = 4096;


// The host's largest block from its options, or kDefaultBlock.
int32_t blockLength(const LV2_Feature *const *features, LV2_URID_Map *map) {
    const auto *options = static_cast<const LV2_Options_Option *>(findFeature(features, LV2_OPTIONS__options));
    if (options == nullptr || map == nullptr)
        return kDefaultBlock;
    const LV2_URID maxBlock = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option *o = options; o->key != 0 || o->value != nullptr; ++o)
        if (o->key == maxBlock && o->type == intType && o->size == sizeof(int32_t) && o->value != nullptr) {
            const int32_t frames = *static_cast<const int32_t *>(o->value);
            if (frames > 0)
                return std::min(frames, EqualizerEffect::kMaxWorkFrames);
        }
    return kDefaultBlock;
}

} // namespace

Lv2Equalizer::Lv2Equalizer(double sampleRate, const LV2_Feature *const *features) {
    map = static_cast<LV2_URID_Map *>(const_cast<void *>(findFeature(features, LV2_URID__map)));
    if (map != nullptr && map->map == nullptr)
        map = nullptr;
    if (map != nullptr) {
        bankKey = map->map(map->handle, kBankStateUri);
        chunkType = map->map(map->handle, LV2_ATOM__Chunk);
    }
    std::fill(std::begin(applied), std::end(applied), std::numeric_limits<float>::quiet_NaN());
    core.setSampleRate(static_cast<float>(sampleRate));
    core.setBlockSize(blockLength(features, map));
}

void Lv2Equalizer::connectPort(uint32_t port, void *data) {
    if (port == kAudioInLeft || port == kAudioInRight)
        audioIn[port - kAudioInLeft] = static_cast<const float *>(data);
    else if (port == kAudioOutLeft || port == kAudioOutRight)
        audioOut[port - kAudioOutLeft] = static_cast<float *>(data);
    else if (portParameter(port) >= 0)
        controls[portParameter(port)] = static_cast<const float *>(data);
    else if (isMeterPort(port))
        meters[port - kFirstMeterPort] = static_cast<float *>(data);
    else
        return;
    // The levels are measured only while someone reads them.
    if (isMeterPort(port)) {
        const bool any = std::any_of(std::begin(meters), std::end(meters), [](float *p) { return p != nullptr; });
        if (any != metering) {
            metering = any;
            core.setMetering(any);
        }
    }
}

void Lv2Equalizer::activate() {}

void Lv2Equalizer::applyPorts() {
    const bool all = reapply.exchange(false, std::memory_order_acquire);
    for (int32_t i = 0; i < kNumParameters; ++i) {
        if (controls[i] == nullptr)
            continue;
        const float value = *controls[i];
        if (std::isnan(value) || (!all && value == applied[i]))
            continue;
        applied[i] = value;
        core.setParameter(i, fromReadable(i, value));
    }
}

void Lv2Equalizer::run(uint32_t frames) {
    applyPorts();
    if (frames > 0) {
        const bool whole = audioIn[0] && audioIn[1] && audioOut[0] && audioOut[1];
        const uint32_t piece = whole ? std::min<uint32_t>(frames, static_cast<uint32_t>(INT32_MAX)) : kSpareFrames;
        for (uint32_t done = 0; done < frames;) {
            const uint32_t n = std::min(piece, frames - done);
            float *in[2], *out[2];
            for (int c = 0; c < 2; ++c) {
                in[c] = audioIn[c] ? const_cast<float *>(audioIn[c]) + done : silence;
                out[c] = audioOut[c] ? audioOut[c] + done : discard[c];
            }
            core.processReplacing(in, out, static_cast<int32_t>(n));
            done += n;
        }
    }
    writeMeters();
}

void Lv2Equalizer::writeMeters() {
    if (!metering)
        return;
    for (uint32_t k = 0; k < kNumMeterPorts; ++k) {
        if (meters[k] == nullptr)
            continue;
        const MeterAddress a = meterAddress(kFirstMeterPort + k);
        *meters[k] = a.stage == 0 ? core.preGainLevel(a.channel, a.band) : core.postGainLevel(a.channel, a.band);
    }
}

LV2_State_Status Lv2Equalizer::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (map == nullptr)
        return LV2_STATE_ERR_NO_FEATURE;
    if (store == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    void *bank = nullptr;
    const int32_t size = core.getChunk(&bank, false);
    if (size != kBankBytes || bank == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    // Program records are little-endian already; the header is made so too.
    unsigned char bytes[kStateBytes];
    putLittle32(bytes, static_cast<uint32_t>(core.getProgram()));
    std::memcpy(bytes + kStateHeaderSize, bank, kBankBytes);
    return store(handle, bankKey, bytes, sizeof bytes, chunkType, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Equalizer::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    if (map == nullptr)
        return LV2_STATE_ERR_NO_FEATURE;
    if (retrieve == nullptr)
        return LV2_STATE_ERR_UNKNOWN;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void *data = retrieve(handle, bankKey, &size, &type, &flags);
    if (data == nullptr)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != chunkType)
        return LV2_STATE_ERR_BAD_TYPE;
    if (size != kStateBytes && size != kFirstStateBytes)
        return LV2_STATE_ERR_UNKNOWN;
    const auto *bytes = static_cast<const unsigned char *>(data);
    const uint32_t program = getLittle32(bytes);
    if (program >= static_cast<uint32_t>(EqualizerEffect::kNumPrograms))
        return LV2_STATE_ERR_UNKNOWN;
    if (core.setChunk(bytes + kStateHeaderSize, static_cast<int32_t>(size - kStateHeaderSize), false) == 0)
        return LV2_STATE_ERR_UNKNOWN;
    core.setProgram(static_cast<int32_t>(program));
    reapply.store(true, std::memory_order_release);
    return LV2_STATE_SUCCESS;
}

} // namespace sorrel::lv2
