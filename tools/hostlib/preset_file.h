// Standard VST preset files: program files (.fxp) and bank files (.fxb),
// both in their chunk form and in their parameter-list form.
//
// Every field is big-endian. A file starts with 'CcnK' and the byte size of
// everything after that size field, then a form tag:
//   'FxCk' program as parameter list   'FPCh' program as opaque chunk
//   'FxBk' bank of 'FxCk' programs     'FBCh' bank as opaque chunk
//
// Parsing is a pure function from bytes to a result so that it can be
// exercised with arbitrary input: it never reads outside the given range and
// never trusts a size field before checking it against what is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorrel::tool {

enum class PresetForm { ProgramParams, ProgramChunk, BankParams, BankChunk };

struct PresetProgram {
    std::string name;
    std::vector<float> values;
};

struct PresetFile {
    PresetForm form = PresetForm::ProgramChunk;
    int32_t formatVersion = 1;
    int32_t uniqueId = 0;
    int32_t pluginVersion = 0;
    int32_t numParams = 0;               // program forms: as declared in the header
    int32_t numPrograms = 0;             // bank forms
    int32_t currentProgram = -1;         // bank files of format version 2; -1 when absent
    std::string programName;             // program forms
    std::vector<uint8_t> chunk;          // chunk forms
    std::vector<PresetProgram> programs; // parameter-list forms: one for 'FxCk', numPrograms for 'FxBk'

    bool isBank() const { return form == PresetForm::BankParams || form == PresetForm::BankChunk; }
    bool isChunk() const { return form == PresetForm::ProgramChunk || form == PresetForm::BankChunk; }
};

struct PresetParseResult {
    bool ok = false;
    std::string error; // one line, for the user, when !ok
    PresetFile file;
};

PresetParseResult parsePresetFile(const uint8_t *data, size_t size);

// What a plug-in must match for a preset file to be loaded into it. Returns
// an empty string when it fits, otherwise the reason in one line.
struct PresetTarget {
    int32_t uniqueId = 0;
    int32_t numParams = 0;
    int32_t numPrograms = 0;
    bool programsAreChunks = false;
};
std::string checkPresetFits(const PresetFile &file, const PresetTarget &target);

// Writers. Names longer than 27 characters are cut; the name field is
// zero-padded to its 28 bytes.
std::vector<uint8_t> writeProgramChunkFile(int32_t uniqueId, int32_t pluginVersion, int32_t numParams,
                                           const std::string &name, const std::vector<uint8_t> &chunk);
std::vector<uint8_t> writeBankChunkFile(int32_t uniqueId, int32_t pluginVersion, int32_t numPrograms,
                                        int32_t currentProgram, const std::vector<uint8_t> &chunk);
std::vector<uint8_t> writeProgramParamsFile(int32_t uniqueId, int32_t pluginVersion,
                                            const PresetProgram &program);
std::vector<uint8_t> writeBankParamsFile(int32_t uniqueId, int32_t pluginVersion, int32_t currentProgram,
                                         const std::vector<PresetProgram> &programs);

// 'Sorl' for 0x536F726C; non-printable bytes become '.'.
std::string fourCharText(int32_t code);

} // namespace sorrel::tool
