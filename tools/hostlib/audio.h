// Audio buffers and files as sorrel-host handles them: planar 32-bit float
// channels at one sample rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorrel::tool {

struct Audio {
    int sampleRate = 44100;
    std::vector<std::vector<float>> channels;

    int numChannels() const { return static_cast<int>(channels.size()); }
    size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
};

enum class SampleFormat { Pcm16, Pcm24, Pcm32, Float32 };

const char *sampleFormatName(SampleFormat f);
bool sampleFormatFromName(const std::string &name, SampleFormat &out);

struct AudioReadResult {
    bool ok = false;
    std::string error;
    Audio audio;
    SampleFormat format = SampleFormat::Float32; // of the source, as near as it maps
};

// Built-in WAV codec: RIFF/WAVE with PCM 8/16/24/32-bit or IEEE float
// 32/64-bit samples, plain or extensible format header. Used where the
// system has no libsndfile (Windows, 32-bit Linux); always compiled so that
// it is tested everywhere. Decoding is a pure function of the bytes.
AudioReadResult decodeWav(const uint8_t *data, size_t size);
std::vector<uint8_t> encodeWav(const Audio &audio, SampleFormat format);

// Files: libsndfile where the build has it (WAV, FLAC, AIFF, ... by
// extension), otherwise the built-in WAV codec.
AudioReadResult readAudioFile(const std::string &path);
// Writes `audio` to path; the container follows the extension. Returns an
// empty string on success, else the reason.
std::string writeAudioFile(const std::string &path, const Audio &audio, SampleFormat format);
// The sample format a file of this name gets when none is asked for: 32-bit
// float where the container holds it, 24-bit PCM otherwise (FLAC).
SampleFormat defaultFormatFor(const std::string &path);
bool audioLibraryIsSndfile();

// Whole files as bytes, for the preset and WAV code paths.
bool readFileBytes(const std::string &path, std::vector<uint8_t> &out, std::string &error);
bool writeFileBytes(const std::string &path, const std::vector<uint8_t> &bytes, std::string &error);

struct ChannelStats {
    double rms = 0;
    double peak = 0;
};
ChannelStats channelStats(const std::vector<float> &samples);
double toDb(double linear); // -inf for 0

} // namespace sorrel::tool
