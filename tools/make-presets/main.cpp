// make-presets: writes the factory presets (effect/factory_presets.h) as the
// files VST hosts load - one program file <symbol>.fxp per preset and the
// bank factory.fxb - each holding exactly the chunk the plug-in itself gives
// for that program or bank, so loading one is a plain setChunk.
//
// Usage: make-presets OUTDIR      write the files into OUTDIR
//        make-presets --list      one "symbol<TAB>name" line per preset
//        make-presets --table     the README's table of presets (Markdown)
#include "effect/equalizer_effect.h"
#include "effect/factory_presets.h"
#include "tools/hostlib/audio.h"
#include "tools/hostlib/preset_file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using sorrel::EqualizerEffect;
using sorrel::FactoryPreset;

// The plug-in's identity in the file headers, as the VST 2.4 record
// declares it ('Sorl', version 1); the tool tests compare them with the
// plug-in itself.
constexpr int32_t kUniqueId = 0x536F726C;
constexpr int32_t kPluginVersion = 1;

void applyTo(EqualizerEffect &effect, const FactoryPreset &preset) {
    for (int32_t i = 0; i < sorrel::kNumParameters; ++i)
        effect.setParameter(i, preset.values[i]);
    effect.setProgramName(preset.name);
}

std::vector<uint8_t> chunkOf(EqualizerEffect &effect, bool isPreset) {
    void *data = nullptr;
    const int32_t size = effect.getChunk(&data, isPreset);
    const auto *bytes = static_cast<const uint8_t *>(data);
    return size > 0 && bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

std::vector<uint8_t> programFile(const FactoryPreset &preset) {
    EqualizerEffect effect;
    applyTo(effect, preset);
    return sorrel::tool::writeProgramChunkFile(kUniqueId, kPluginVersion, sorrel::kNumParameters, preset.name,
                                             chunkOf(effect, true));
}

// The first presets fill the bank's programs in order; programs beyond the
// presets keep a new instance's "-- empty --". Program 0 is selected.
std::vector<uint8_t> bankFile() {
    EqualizerEffect effect;
    for (int32_t p = 0; p < EqualizerEffect::kNumPrograms && p < sorrel::kNumFactoryPresets; ++p) {
        effect.setProgram(p);
        applyTo(effect, sorrel::kFactoryPresets[p]);
    }
    effect.setProgram(0);
    return sorrel::tool::writeBankChunkFile(kUniqueId, kPluginVersion, EqualizerEffect::kNumPrograms, 0,
                                          chunkOf(effect, false));
}

bool write(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::string error;
    if (bytes.empty() || !sorrel::tool::writeFileBytes(path, bytes, error)) {
        std::fprintf(stderr, "make-presets: %s\n", error.empty() ? "the effect gave no chunk" : error.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: make-presets OUTDIR | --list | --table\n");
        return 2;
    }
    const std::string arg = argv[1];
    if (arg == "--list") {
        for (int32_t i = 0; i < sorrel::kNumFactoryPresets; ++i)
            std::printf("%s\t%s\n", sorrel::kFactoryPresets[i].symbol, sorrel::kFactoryPresets[i].name);
        return 0;
    }
    if (arg == "--table") {
        std::printf("| Preset | For | Response |\n|---|---|---|\n");
        for (int32_t i = 0; i < sorrel::kNumFactoryPresets; ++i) {
            const FactoryPreset &p = sorrel::kFactoryPresets[i];
            std::printf("| %s (`%s.fxp`) | %s | [plot](docs/presets/%s.png) |\n", p.name, p.symbol,
                        sorrel::factoryPresetUse(i), p.symbol);
        }
        return 0;
    }
    for (int32_t i = 0; i < sorrel::kNumFactoryPresets; ++i) {
        const FactoryPreset &p = sorrel::kFactoryPresets[i];
        if (!write(arg + "/" + p.symbol + ".fxp", programFile(p)))
            return 1;
    }
    return write(arg + "/factory.fxb", bankFile()) ? 0 : 1;
}
