// Preset files (.fxp/.fxb) of any content through sorrel-host's reader. A
// file the reader takes must come back the same through the writers, and a
// file that fits Sorrel is loaded into an effect the way sorrel-host loads it.
#include "fuzz/chunk_model.h"
#include "fuzz/fuzz_effect.h"
#include "tools/hostlib/preset_file.h"

#include <cstring>

using namespace sorrel::fuzz;
using namespace sorrel::tool;

namespace {

bool sameBits(const std::vector<float> &a, const std::vector<float> &b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), 4 * a.size()) == 0);
}

// The writers keep 27 characters of a name.
std::string written(const std::string &name) {
    return name.substr(0, 27);
}

std::vector<uint8_t> rewrite(const PresetFile &f) {
    switch (f.form) {
    case PresetForm::ProgramChunk:
        return writeProgramChunkFile(f.uniqueId, f.pluginVersion, f.numParams, f.programName, f.chunk);
    case PresetForm::BankChunk:
        return writeBankChunkFile(f.uniqueId, f.pluginVersion, f.numPrograms, f.currentProgram, f.chunk);
    case PresetForm::ProgramParams:
        return writeProgramParamsFile(f.uniqueId, f.pluginVersion, f.programs.front());
    case PresetForm::BankParams:
        return writeBankParamsFile(f.uniqueId, f.pluginVersion, f.currentProgram, f.programs);
    }
    return {};
}

void checkRoundTrip(const PresetFile &f) {
    const std::vector<uint8_t> bytes = rewrite(f);
    const PresetParseResult again = parsePresetFile(bytes.data(), bytes.size());
    if (!again.ok)
        fail("a written preset file is refused by the reader");
    const PresetFile &g = again.file;
    if (g.form != f.form || g.uniqueId != f.uniqueId || g.pluginVersion != f.pluginVersion ||
        g.currentProgram != f.currentProgram || g.chunk != f.chunk || g.programs.size() != f.programs.size())
        fail("a preset file changed through writing and reading");
    if (f.isBank() ? g.numPrograms != f.numPrograms : g.numParams != f.numParams)
        fail("a preset file's count changed through writing and reading");
    if (!f.isBank() && g.programName != written(f.programName))
        fail("a program name changed through writing and reading");
    for (size_t p = 0; p < f.programs.size(); ++p)
        if (g.programs[p].name != written(f.programs[p].name) ||
            !sameBits(g.programs[p].values, f.programs[p].values))
            fail("a program changed through writing and reading", static_cast<long long>(p));
}

// As sorrel-host applies a file that fits.
void apply(const PresetFile &f) {
    AEffect *effect = openEffect();
    switch (f.form) {
    case PresetForm::ProgramChunk:
    case PresetForm::BankChunk: {
        const bool isPreset = f.form == PresetForm::ProgramChunk;
        std::vector<uint8_t> chunk = f.chunk;
        const VstIntPtr taken =
            dispatch(effect, effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                     chunk.empty() ? nullptr : chunk.data());
        // Records of this release's parameters or of the first release's.
        namespace model = sorrel::chunkmodel;
        const long long size = static_cast<long long>(chunk.size());
        const bool fits = isPreset ? model::valuesOf(size) != 0
                                   : size % model::kPrograms == 0 && model::valuesOf(size / model::kPrograms) != 0;
        if (taken != (fits ? 1 : 0))
            fail("a chunk from a preset file was judged by something else than its length",
                 static_cast<long long>(chunk.size()));
        if (!isPreset && f.currentProgram >= 0 && f.currentProgram < effect->numPrograms)
            dispatch(effect, effSetProgram, 0, f.currentProgram);
        break;
    }
    case PresetForm::ProgramParams:
    case PresetForm::BankParams:
        for (size_t p = 0; p < f.programs.size(); ++p) {
            if (f.isBank())
                dispatch(effect, effSetProgram, 0, static_cast<VstIntPtr>(p));
            std::string name = f.programs[p].name;
            dispatch(effect, effSetProgramName, 0, 0, name.data());
            for (size_t i = 0; i < f.programs[p].values.size(); ++i)
                setParameter(effect, static_cast<VstInt32>(i), f.programs[p].values[i]);
        }
        break;
    }
    checkParameters(effect);
    closeEffect(effect);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const PresetParseResult parsed = parsePresetFile(data, size);
    if (!parsed.ok) {
        if (parsed.error.empty())
            fail("a refused preset file gave no reason");
        return 0;
    }
    checkRoundTrip(parsed.file);
    PresetTarget sorrel;
    sorrel.uniqueId = fourCharCode('S', 'o', 'r', 'l');
    sorrel.numParams = 36;
    sorrel.numPrograms = 10;
    sorrel.programsAreChunks = true;
    if (checkPresetFits(parsed.file, sorrel).empty())
        apply(parsed.file);
    return 0;
}
