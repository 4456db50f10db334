#include "tools/hostlib/preset_io.h"

#include "tools/hostlib/audio.h"

namespace sorrel::tool {

namespace {

void applyValues(Plugin &plugin, const PresetProgram &program) {
    plugin.setProgramName(program.name);
    for (size_t i = 0; i < program.values.size(); ++i)
        plugin.setParameter(static_cast<VstInt32>(i), program.values[i]);
}

} // namespace

std::string applyPreset(Plugin &plugin, const PresetFile &file) {
    PresetTarget target;
    target.uniqueId = plugin.uniqueId();
    target.numParams = plugin.numParams();
    target.numPrograms = plugin.numPrograms();
    target.programsAreChunks = plugin.programsAreChunks();
    std::string why = checkPresetFits(file, target);
    if (!why.empty())
        return why;

    const bool currentValid = file.currentProgram >= 0 && file.currentProgram < plugin.numPrograms();
    switch (file.form) {
    case PresetForm::ProgramChunk:
        // The chunk carries the plug-in's own idea of the name.
        plugin.setChunk(file.chunk, true);
        break;
    case PresetForm::BankChunk:
        plugin.setChunk(file.chunk, false);
        if (currentValid)
            plugin.setProgram(file.currentProgram);
        break;
    case PresetForm::ProgramParams:
        applyValues(plugin, file.programs.front());
        break;
    case PresetForm::BankParams: {
        const VstInt32 was = plugin.program();
        for (size_t p = 0; p < file.programs.size(); ++p) {
            plugin.setProgram(static_cast<VstInt32>(p));
            applyValues(plugin, file.programs[p]);
        }
        plugin.setProgram(currentValid ? file.currentProgram : was);
        break;
    }
    }
    return {};
}

std::string applyPresetFile(Plugin &plugin, const std::string &path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readFileBytes(path, bytes, error))
        return error;
    PresetParseResult parsed = parsePresetFile(bytes.data(), bytes.size());
    if (!parsed.ok)
        return path + ": " + parsed.error;
    error = applyPreset(plugin, parsed.file);
    return error.empty() ? error : path + ": " + error;
}

std::string capturePreset(Plugin &plugin, bool bank, std::vector<uint8_t> &bytes) {
    const VstInt32 id = plugin.uniqueId();
    const VstInt32 version = plugin.version();
    if (plugin.programsAreChunks()) {
        const std::vector<uint8_t> chunk = plugin.getChunk(!bank);
        if (chunk.empty())
            return "the plug-in declares chunks but gave none";
        bytes = bank ? writeBankChunkFile(id, version, plugin.numPrograms(), plugin.program(), chunk)
                     : writeProgramChunkFile(id, version, plugin.numParams(), plugin.programName(), chunk);
        return {};
    }
    auto readProgram = [&plugin]() {
        PresetProgram p;
        p.name = plugin.programName();
        for (VstInt32 i = 0; i < plugin.numParams(); ++i)
            p.values.push_back(plugin.getParameter(i));
        return p;
    };
    if (!bank) {
        bytes = writeProgramParamsFile(id, version, readProgram());
        return {};
    }
    const VstInt32 was = plugin.program();
    std::vector<PresetProgram> programs;
    for (VstInt32 p = 0; p < plugin.numPrograms(); ++p) {
        plugin.setProgram(p);
        programs.push_back(readProgram());
    }
    plugin.setProgram(was);
    bytes = writeBankParamsFile(id, version, was, programs);
    return {};
}

} // namespace sorrel::tool
