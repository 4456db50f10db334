#include "tools/hostlib/audio.h"
#include "tools/hostlib/byte_io.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace sorrel::tool {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kMaxChannels = 64;

AudioReadResult fail(const char *why) {
    AudioReadResult r;
    r.error = why;
    return r;
}

bool sameTag(const uint8_t *p, const char *t) {
    return std::memcmp(p, t, 4) == 0;
}

float pcmSample(const uint8_t *p, unsigned bytes) {
    switch (bytes) {
    case 1:
        return (static_cast<int>(p[0]) - 128) / 128.0f;
    case 2:
        return static_cast<int16_t>(p[0] | (p[1] << 8)) / 32768.0f;
    case 3: {
        int32_t v =
            static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24));
        return static_cast<float>((v >> 8) / 8388608.0);
    }
    default: {
        const int32_t v = static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) |
                                               (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
        return static_cast<float>(v / 2147483648.0);
    }
    }
}

} // namespace

AudioReadResult decodeWav(const uint8_t *data, size_t size) {
    ByteReader r(data, size);
    uint8_t id[4];
    uint32_t riffSize = 0;
    if (!r.bytes(id, 4) || !sameTag(id, "RIFF") || !r.u32le(riffSize) || !r.bytes(id, 4) ||
        !sameTag(id, "WAVE"))
        return fail("not a WAV file (no RIFF/WAVE header)");

    bool haveFormat = false;
    uint16_t formatTag = 0, channels = 0, bits = 0, blockAlign = 0;
    uint32_t rate = 0;
    const uint8_t *sampleData = nullptr;
    size_t sampleBytes = 0;

    while (r.remaining() >= 8) {
        uint32_t chunkSize = 0;
        r.bytes(id, 4);
        r.u32le(chunkSize);
        // A data chunk that claims more than the file holds is cut to what is
        // there: recorders that crashed leave such files behind.
        const size_t inFile = chunkSize < r.remaining() ? chunkSize : r.remaining();
        ByteReader chunk(r.here(), inFile);
        if (sameTag(id, "fmt ")) {
            uint32_t byteRate = 0;
            if (!chunk.u16le(formatTag) || !chunk.u16le(channels) || !chunk.u32le(rate) ||
                !chunk.u32le(byteRate) || !chunk.u16le(blockAlign) || !chunk.u16le(bits))
                return fail("corrupt WAV file: format chunk too short");
            if (formatTag == kFormatExtensible) {
                uint16_t extSize = 0, validBits = 0;
                uint32_t channelMask = 0;
                uint16_t subFormat = 0;
                if (!chunk.u16le(extSize) || !chunk.u16le(validBits) || !chunk.u32le(channelMask) ||
                    !chunk.u16le(subFormat))
                    return fail("corrupt WAV file: extensible format chunk too short");
                formatTag = subFormat;
            }
            haveFormat = true;
        } else if (sameTag(id, "data")) {
            sampleData = r.here();
            sampleBytes = inFile;
        }
        r.skip(inFile);
        if (inFile & 1)
            r.skip(1); // chunks are padded to even length
    }
    if (!haveFormat)
        return fail("corrupt WAV file: no format chunk");
    if (!sampleData)
        return fail("corrupt WAV file: no data chunk");
    if (channels == 0 || channels > kMaxChannels)
        return fail("unsupported WAV file: channel count out of range");
    if (rate == 0 || rate > 10000000)
        return fail("unsupported WAV file: sample rate out of range");

    const unsigned bytesPer = bits / 8u;
    AudioReadResult res;
    if (formatTag == kFormatPcm && bits % 8 == 0 && bytesPer >= 1 && bytesPer <= 4) {
        res.format = bytesPer <= 2   ? SampleFormat::Pcm16
                     : bytesPer == 3 ? SampleFormat::Pcm24
                                     : SampleFormat::Pcm32;
    } else if (formatTag == kFormatFloat && (bits == 32 || bits == 64)) {
        res.format = SampleFormat::Float32;
    } else {
        return fail("unsupported WAV sample format (only PCM 8/16/24/32-bit and 32/64-bit float)");
    }
    const size_t frameBytes = static_cast<size_t>(bytesPer) * channels;
    if (blockAlign != frameBytes)
        return fail("corrupt WAV file: block alignment does not match the sample format");

    const size_t frames = sampleBytes / frameBytes;
    res.audio.sampleRate = static_cast<int>(rate);
    res.audio.channels.assign(channels, std::vector<float>(frames));
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t *frame = sampleData + f * frameBytes;
        for (unsigned c = 0; c < channels; ++c) {
            const uint8_t *p = frame + c * bytesPer;
            float v;
            if (formatTag == kFormatFloat && bits == 32) {
                uint32_t u =
                    uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
                std::memcpy(&v, &u, 4);
            } else if (formatTag == kFormatFloat) {
                uint64_t u = 0;
                for (int i = 7; i >= 0; --i)
                    u = (u << 8) | p[i];
                double d;
                std::memcpy(&d, &u, 8);
                v = static_cast<float>(d);
            } else {
                v = pcmSample(p, bytesPer);
            }
            res.audio.channels[c][f] = v;
        }
    }
    res.ok = true;
    return res;
}

namespace {

// Rounds to the nearest step and clips to the integer range.
int32_t quantise(float v, double scale, double lo, double hi) {
    double x = static_cast<double>(v) * scale;
    if (!(x == x))
        x = 0; // NaN
    x = std::floor(x + 0.5);
    if (x < lo)
        x = lo;
    if (x > hi)
        x = hi;
    return static_cast<int32_t>(x);
}

} // namespace

std::vector<uint8_t> encodeWav(const Audio &audio, SampleFormat format) {
    const unsigned bytesPer = format == SampleFormat::Pcm16 ? 2 : format == SampleFormat::Pcm24 ? 3 : 4;
    const uint16_t channels = static_cast<uint16_t>(audio.numChannels());
    const size_t frames = audio.frames();
    const uint32_t blockAlign = bytesPer * channels;
    const size_t dataBytes = frames * blockAlign;

    ByteWriter w;
    w.tag("RIFF");
    w.u32le(0); // patched below
    w.tag("WAVE");
    w.tag("fmt ");
    w.u32le(16);
    w.u16le(format == SampleFormat::Float32 ? kFormatFloat : kFormatPcm);
    w.u16le(channels);
    w.u32le(static_cast<uint32_t>(audio.sampleRate));
    w.u32le(static_cast<uint32_t>(audio.sampleRate) * blockAlign);
    w.u16le(static_cast<uint16_t>(blockAlign));
    w.u16le(static_cast<uint16_t>(bytesPer * 8));
    if (format == SampleFormat::Float32) {
        // Non-PCM files carry the frame count in a fact chunk.
        w.tag("fact");
        w.u32le(4);
        w.u32le(static_cast<uint32_t>(frames));
    }
    w.tag("data");
    w.u32le(static_cast<uint32_t>(dataBytes));
    std::vector<uint8_t> &out = w.bytes();
    const size_t base = out.size();
    out.resize(base + dataBytes + (dataBytes & 1));
    uint8_t *p = out.data() + base;
    for (size_t f = 0; f < frames; ++f) {
        for (uint16_t c = 0; c < channels; ++c, p += bytesPer) {
            const float v = audio.channels[c][f];
            uint32_t u;
            switch (format) {
            case SampleFormat::Pcm16:
                u = static_cast<uint32_t>(quantise(v, 32768.0, -32768.0, 32767.0));
                break;
            case SampleFormat::Pcm24:
                u = static_cast<uint32_t>(quantise(v, 8388608.0, -8388608.0, 8388607.0));
                break;
            case SampleFormat::Pcm32:
                u = static_cast<uint32_t>(quantise(v, 2147483648.0, -2147483648.0, 2147483647.0));
                break;
            default:
                std::memcpy(&u, &v, 4);
                break;
            }
            for (unsigned b = 0; b < bytesPer; ++b)
                p[b] = static_cast<uint8_t>(u >> (8 * b));
        }
    }
    w.patchU32le(4, static_cast<uint32_t>(out.size() - 8));
    return std::move(out);
}

} // namespace sorrel::tool
