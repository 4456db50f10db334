#include "tools/hostlib/audio.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#ifdef SORREL_HOST_SNDFILE
#include <sndfile.h>
#endif

namespace sorrel::tool {

const char *sampleFormatName(SampleFormat f) {
    switch (f) {
    case SampleFormat::Pcm16:
        return "pcm16";
    case SampleFormat::Pcm24:
        return "pcm24";
    case SampleFormat::Pcm32:
        return "pcm32";
    default:
        return "float";
    }
}

bool sampleFormatFromName(const std::string &name, SampleFormat &out) {
    for (SampleFormat f :
         {SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Pcm32, SampleFormat::Float32}) {
        if (name == sampleFormatName(f)) {
            out = f;
            return true;
        }
    }
    return false;
}

namespace {

std::string extensionOf(const std::string &path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

} // namespace

SampleFormat defaultFormatFor(const std::string &path) {
    const std::string ext = extensionOf(path);
    return ext == "flac" || ext == "ogg" ? SampleFormat::Pcm24 : SampleFormat::Float32;
}

bool readFileBytes(const std::string &path, std::vector<uint8_t> &out, std::string &error) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        error = path + ": read error";
        return false;
    }
    return true;
}

bool writeFileBytes(const std::string &path, const std::vector<uint8_t> &bytes, std::string &error) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) {
        error = path + ": write error";
        return false;
    }
    return true;
}

#ifdef SORREL_HOST_SNDFILE

bool audioLibraryIsSndfile() {
    return true;
}

AudioReadResult readAudioFile(const std::string &path) {
    AudioReadResult res;
    if (std::FILE *probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        res.error = path + ": " + std::strerror(errno);
        return res;
    }
    SF_INFO info{};
    SNDFILE *sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) {
        res.error = path + ": not a readable audio file (" + sf_strerror(nullptr) + ")";
        return res;
    }
    if (info.channels <= 0 || info.channels > 64 || info.samplerate <= 0) {
        sf_close(sf);
        res.error = path + ": unsupported channel count or sample rate";
        return res;
    }
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
        res.format = SampleFormat::Pcm16;
        break;
    case SF_FORMAT_PCM_24:
        res.format = SampleFormat::Pcm24;
        break;
    case SF_FORMAT_PCM_32:
        res.format = SampleFormat::Pcm32;
        break;
    default:
        res.format = SampleFormat::Float32;
        break;
    }
    const int ch = info.channels;
    res.audio.sampleRate = info.samplerate;
    res.audio.channels.assign(static_cast<size_t>(ch), {});
    std::vector<float> block(4096 * static_cast<size_t>(ch));
    sf_count_t got;
    while ((got = sf_readf_float(sf, block.data(), 4096)) > 0) {
        for (int c = 0; c < ch; ++c) {
            std::vector<float> &dst = res.audio.channels[static_cast<size_t>(c)];
            for (sf_count_t i = 0; i < got; ++i)
                dst.push_back(block[static_cast<size_t>(i * ch + c)]);
        }
    }
    sf_close(sf);
    res.ok = true;
    return res;
}

std::string writeAudioFile(const std::string &path, const Audio &audio, SampleFormat format) {
    const std::string ext = extensionOf(path);
    int major;
    if (ext == "wav")
        major = SF_FORMAT_WAV;
    else if (ext == "flac")
        major = SF_FORMAT_FLAC;
    else if (ext == "aif" || ext == "aiff")
        major = SF_FORMAT_AIFF;
    else if (ext == "caf")
        major = SF_FORMAT_CAF;
    else
        return path + ": unknown output type (use .wav, .flac, .aiff or .caf)";
    int sub = format == SampleFormat::Pcm16   ? SF_FORMAT_PCM_16
              : format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
              : format == SampleFormat::Pcm32 ? SF_FORMAT_PCM_32
                                              : SF_FORMAT_FLOAT;
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.numChannels();
    info.format = major | sub;
    if (!sf_format_check(&info))
        return path + ": the " + ext + " format cannot hold " + sampleFormatName(format) + " samples";
    SNDFILE *sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf)
        return path + ": cannot write (" + sf_strerror(nullptr) + ")";
    // Integer formats clip instead of wrapping around.
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const size_t ch = audio.channels.size();
    const size_t frames = audio.frames();
    std::vector<float> block(4096 * ch);
    bool ok = true;
    for (size_t start = 0; start < frames && ok; start += 4096) {
        const size_t n = std::min<size_t>(4096, frames - start);
        for (size_t i = 0; i < n; ++i)
            for (size_t c = 0; c < ch; ++c)
                block[i * ch + c] = audio.channels[c][start + i];
        ok = sf_writef_float(sf, block.data(), static_cast<sf_count_t>(n)) == static_cast<sf_count_t>(n);
    }
    const bool closed = sf_close(sf) == 0;
    if (!ok || !closed)
        return path + ": write error";
    return {};
}

#else

bool audioLibraryIsSndfile() {
    return false;
}

AudioReadResult readAudioFile(const std::string &path) {
    std::vector<uint8_t> bytes;
    AudioReadResult res;
    if (!readFileBytes(path, bytes, res.error))
        return res;
    res = decodeWav(bytes.data(), bytes.size());
    if (!res.ok)
        res.error = path + ": " + res.error;
    return res;
}

std::string writeAudioFile(const std::string &path, const Audio &audio, SampleFormat format) {
    if (extensionOf(path) != "wav")
        return path + ": this build writes only .wav files";
    std::string error;
    if (!writeFileBytes(path, encodeWav(audio, format), error))
        return error;
    return {};
}

#endif

ChannelStats channelStats(const std::vector<float> &samples) {
    ChannelStats s;
    double sum = 0;
    for (float v : samples) {
        const double a = std::fabs(static_cast<double>(v));
        sum += a * a;
        if (a > s.peak)
            s.peak = a;
    }
    s.rms = samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
    return s;
}

double toDb(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

} // namespace sorrel::tool
