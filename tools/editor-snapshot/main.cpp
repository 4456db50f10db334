// editor-snapshot: draws the editor on the headless window system with a
// preset on its faders and its meters showing a recording's loudest moment,
// and writes the picture as PNG.
//
//   editor-snapshot --preset FILE.fxp --input FILE.wav --output FILE.png [--scale F]
//
// --scale F (above 0, up to 4, decimals welcome: 1.25, 1.5, 2) draws the
// editor at that factor, rounded to the nearest quarter step as a host on a
// high-density screen would get it (the content-scale call before opening).
//
// The recording (mono feeds both channels) runs through the effect in blocks
// of 512 frames at its own sample rate with the editor open, so the engines
// measure; the run stops after the block of the highest RMS, and one idle
// then brings those levels into the meters. Exit status 0, or 1 with a
// one-line message.
#include "vst2/plugin/equalizer_plugin.h"
#include "vst2/plugin/equalizer_vst_editor.h"
#include "gui/views/frame.h"
#include "gui/platform/headless.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/png.h"
#include "tools/hostlib/preset_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace headless = sorrel::platform::headless;
constexpr int kBlock = 512;

VstIntPtr VSTCALLBACK plainHost(AEffect *, VstInt32 opcode, VstInt32, VstIntPtr, void *, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

int failWith(const std::string &message) {
    std::fprintf(stderr, "editor-snapshot: %s\n", message.c_str());
    return 1;
}

bool readBytes(const std::string &path, std::vector<uint8_t> &bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// Loads a program or bank file of either form into the effect.
std::string loadPreset(sorrel::EqualizerPlugin &effect, const std::string &path) {
    std::vector<uint8_t> bytes;
    if (!readBytes(path, bytes))
        return "cannot read " + path;
    sorrel::tool::PresetParseResult parsed = sorrel::tool::parsePresetFile(bytes.data(), bytes.size());
    if (!parsed.ok)
        return path + ": " + parsed.error;
    const AEffect *record = effect.getAeffect();
    sorrel::tool::PresetTarget target{record->uniqueID, record->numParams, record->numPrograms, true};
    const std::string misfit = sorrel::tool::checkPresetFits(parsed.file, target);
    if (!misfit.empty())
        return path + ": " + misfit;
    sorrel::tool::PresetFile &file = parsed.file;
    if (file.isChunk()) {
        if (effect.setChunk(file.chunk.data(), static_cast<VstInt32>(file.chunk.size()), !file.isBank()) == 0)
            return path + ": the effect refused the chunk";
        return "";
    }
    const sorrel::tool::PresetProgram &program =
        file.programs[file.isBank() && file.currentProgram > 0 ? static_cast<size_t>(file.currentProgram)
                                                               : 0];
    for (size_t i = 0; i < program.values.size(); ++i)
        effect.setParameter(static_cast<VstInt32>(i), program.values[i]);
    return "";
}

// The block of the highest RMS over all channels.
size_t loudestBlock(const sorrel::tool::Audio &audio) {
    size_t best = 0;
    double bestEnergy = -1;
    for (size_t start = 0, block = 0; start < audio.frames(); start += kBlock, ++block) {
        double energy = 0;
        const size_t end = std::min(audio.frames(), start + kBlock);
        for (const std::vector<float> &channel : audio.channels)
            for (size_t i = start; i < end; ++i)
                energy += double(channel[i]) * channel[i];
        energy /= double(end - start);
        if (energy > bestEnergy) {
            bestEnergy = energy;
            best = block;
        }
    }
    return best;
}

} // namespace

int main(int argc, char **argv) {
    std::string presetPath, inputPath, outputPath, scaleText = "1";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--preset")
            presetPath = argv[i + 1];
        else if (option == "--input")
            inputPath = argv[i + 1];
        else if (option == "--output")
            outputPath = argv[i + 1];
        else if (option == "--scale")
            scaleText = argv[i + 1];
        else
            return failWith("unknown option " + option);
    }
    if (argc % 2 == 0 || inputPath.empty() || outputPath.empty()) {
        std::fprintf(stderr,
                     "usage: editor-snapshot [--preset FILE.fxp] --input FILE.wav --output FILE.png "
                     "[--scale F]\n");
        return 2;
    }
    char *end = nullptr;
    const double factor = std::strtod(scaleText.c_str(), &end);
    if (end == scaleText.c_str() || *end != '\0' || !(factor > 0) || factor > 4) {
        std::fprintf(stderr, "editor-snapshot: --scale takes a factor above 0, up to 4\n");
        return 2;
    }
    const float scale = static_cast<float>(factor);

    std::vector<uint8_t> wav;
    if (!readBytes(inputPath, wav))
        return failWith("cannot read " + inputPath);
    const sorrel::tool::AudioReadResult read = sorrel::tool::decodeWav(wav.data(), wav.size());
    if (!read.ok)
        return failWith(inputPath + ": " + read.error);
    const sorrel::tool::Audio &audio = read.audio;
    if (audio.frames() == 0 || audio.numChannels() == 0)
        return failWith(inputPath + ": no audio");

    auto effect = std::make_unique<sorrel::EqualizerPlugin>(plainHost);
    effect->setSampleRate(static_cast<float>(audio.sampleRate));
    effect->setBlockSize(kBlock);
    if (!presetPath.empty()) {
        const std::string error = loadPreset(*effect, presetPath);
        if (!error.empty())
            return failWith(error);
    }

    auto *editor = static_cast<sorrel::EqualizerVstEditor *>(effect->getEditor());
    int parentWindow = 0; // any address is a window to the headless backend
    if (!editor || !editor->setContentScale(scale) || !editor->open(&parentWindow))
        return failWith("the editor did not open");
    sorrel::platform::Window *window = editor->getFrame()->getWindow();
    const sorrel::raster::Surface &shown = headless::state(window)->surface;
    headless::queuePaint(window, {0, 0, shown.width(), shown.height()});
    editor->idle();

    const size_t last = loudestBlock(audio);
    std::vector<float> left(kBlock), right(kBlock);
    float *channels[2] = {left.data(), right.data()};
    for (size_t block = 0; block <= last; ++block) {
        const size_t start = block * kBlock;
        const size_t frames = std::min<size_t>(kBlock, audio.frames() - start);
        const std::vector<float> &first = audio.channels[0];
        const std::vector<float> &second = audio.channels[audio.numChannels() > 1 ? 1 : 0];
        std::copy_n(first.begin() + static_cast<std::ptrdiff_t>(start), frames, left.begin());
        std::copy_n(second.begin() + static_cast<std::ptrdiff_t>(start), frames, right.begin());
        effect->processReplacing(channels, channels, static_cast<VstInt32>(frames));
    }
    editor->idle();

    const sorrel::raster::Surface &surface = headless::state(window)->surface;
    const std::string written = sorrel::tool::writePngFile(outputPath, surface);
    editor->close();
    if (!written.empty())
        return failWith(written);
    std::printf("%s: the editor at block %zu of %s (%.2f s)\n", outputPath.c_str(), last, inputPath.c_str(),
                double(last * kBlock) / audio.sampleRate);
    return 0;
}
