#include "tools/hostlib/preset_file.h"

#include "tools/hostlib/byte_io.h"

#include <cstdio>

namespace sorrel::tool {

namespace {

constexpr uint32_t tag(char a, char b, char c, char d) {
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) | (uint32_t(uint8_t(c)) << 8) |
           uint32_t(uint8_t(d));
}
constexpr uint32_t kCcnK = tag('C', 'c', 'n', 'K');
constexpr uint32_t kFxCk = tag('F', 'x', 'C', 'k');
constexpr uint32_t kFPCh = tag('F', 'P', 'C', 'h');
constexpr uint32_t kFxBk = tag('F', 'x', 'B', 'k');
constexpr uint32_t kFBCh = tag('F', 'B', 'C', 'h');

constexpr size_t kNameBytes = 28;
constexpr size_t kBankReserved = 128;

std::string format(const char *fmt, unsigned long long a, unsigned long long b) {
    char text[200];
    std::snprintf(text, sizeof text, fmt, a, b);
    return text;
}

std::string nameFrom(const uint8_t (&raw)[kNameBytes]) {
    size_t n = 0;
    while (n < kNameBytes && raw[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char *>(raw), n);
}

PresetParseResult fail(std::string why) {
    PresetParseResult r;
    r.error = std::move(why);
    return r;
}

const char *truncatedText = "truncated file: it ends inside its header";

// Reads 'CcnK' and the size field, and checks the size against the bytes
// that are there. On success the reader is limited to exactly the record.
bool readEnvelope(ByteReader &r, size_t &recordEnd, std::string &error) {
    uint32_t magic = 0, byteSize = 0;
    if (!r.u32be(magic) || magic != kCcnK) {
        error = "not a VST preset file: it does not start with 'CcnK'";
        return false;
    }
    if (!r.u32be(byteSize)) {
        error = truncatedText;
        return false;
    }
    if (byteSize > r.remaining()) {
        error = format("truncated file: its header announces %llu bytes, only %llu follow", byteSize,
                       r.remaining());
        return false;
    }
    recordEnd = r.position() + byteSize;
    return true;
}

struct ProgramHeader {
    int32_t version = 0, fxId = 0, fxVersion = 0, numParams = 0;
    std::string name;
};

bool readProgramHeader(ByteReader &r, ProgramHeader &h) {
    uint8_t name[kNameBytes];
    if (!r.i32be(h.version) || !r.i32be(h.fxId) || !r.i32be(h.fxVersion) || !r.i32be(h.numParams) ||
        !r.bytes(name, kNameBytes))
        return false;
    h.name = nameFrom(name);
    return true;
}

// The values of an 'FxCk' record; `available` is what the record's size
// leaves for them.
bool readValues(ByteReader &r, int32_t numParams, size_t available, std::vector<float> &values,
                std::string &error) {
    if (numParams < 0) {
        error = "corrupt file: negative parameter count";
        return false;
    }
    const unsigned long long need = 4ull * static_cast<uint32_t>(numParams);
    if (need != available) {
        error = need > available
                    ? format("truncated file: %llu parameter bytes announced, %llu present", need, available)
                    : format("sizes do not add up: %llu parameter bytes announced, %llu present", need,
                             available);
        return false;
    }
    values.resize(static_cast<size_t>(numParams));
    for (float &v : values)
        r.f32be(v);
    return true;
}

bool readChunk(ByteReader &r, size_t available, std::vector<uint8_t> &chunk, std::string &error) {
    int32_t chunkSize = 0;
    if (!r.i32be(chunkSize)) {
        error = truncatedText;
        return false;
    }
    available -= 4;
    if (chunkSize < 0) {
        error = "corrupt file: negative chunk size";
        return false;
    }
    if (static_cast<size_t>(chunkSize) != available) {
        error =
            static_cast<size_t>(chunkSize) > available
                ? format("truncated file: chunk of %llu bytes announced, %llu present", chunkSize, available)
                : format("sizes do not add up: chunk of %llu bytes announced, %llu present", chunkSize,
                         available);
        return false;
    }
    chunk.assign(r.here(), r.here() + chunkSize);
    r.skip(static_cast<size_t>(chunkSize));
    return true;
}

PresetParseResult parseProgram(ByteReader &r, uint32_t form, size_t end) {
    PresetParseResult res;
    PresetFile &f = res.file;
    ProgramHeader h;
    if (!readProgramHeader(r, h) || r.position() > end)
        return fail(truncatedText);
    f.formatVersion = h.version;
    f.uniqueId = h.fxId;
    f.pluginVersion = h.fxVersion;
    f.numParams = h.numParams;
    f.programName = h.name;
    const size_t available = end - r.position();
    if (form == kFxCk) {
        f.form = PresetForm::ProgramParams;
        PresetProgram p;
        p.name = h.name;
        if (!readValues(r, h.numParams, available, p.values, res.error))
            return res;
        f.programs.push_back(std::move(p));
    } else {
        f.form = PresetForm::ProgramChunk;
        if (available < 4)
            return fail(truncatedText);
        if (!readChunk(r, available, f.chunk, res.error))
            return res;
    }
    res.ok = true;
    return res;
}

PresetParseResult parseBank(ByteReader &r, uint32_t form, size_t end) {
    PresetParseResult res;
    PresetFile &f = res.file;
    uint8_t reserved[kBankReserved];
    if (!r.i32be(f.formatVersion) || !r.i32be(f.uniqueId) || !r.i32be(f.pluginVersion) ||
        !r.i32be(f.numPrograms) || !r.bytes(reserved, kBankReserved) || r.position() > end)
        return fail(truncatedText);
    if (f.numPrograms < 0)
        return fail("corrupt file: negative program count");
    if (f.formatVersion >= 2) {
        ByteReader cur(reserved, 4);
        cur.i32be(f.currentProgram);
    }
    if (form == kFBCh) {
        f.form = PresetForm::BankChunk;
        if (end - r.position() < 4)
            return fail(truncatedText);
        if (!readChunk(r, end - r.position(), f.chunk, res.error))
            return res;
        res.ok = true;
        return res;
    }

    f.form = PresetForm::BankParams;
    for (int32_t i = 0; i < f.numPrograms; ++i) {
        // Each program is a complete 'FxCk' record of its own.
        if (r.position() >= end)
            return fail(format("truncated file: %llu programs announced, the file ends after %llu",
                               static_cast<unsigned long long>(f.numPrograms),
                               static_cast<unsigned long long>(i)));
        ByteReader sub(r.here(), end - r.position());
        size_t subEnd = 0;
        std::string error;
        uint32_t subForm = 0;
        if (!readEnvelope(sub, subEnd, error))
            return fail("program " + std::to_string(i + 1) + ": " + error);
        if (!sub.u32be(subForm))
            return fail(truncatedText);
        if (subForm != kFxCk)
            return fail("corrupt file: program " + std::to_string(i + 1) +
                        " of the bank is not an 'FxCk' record");
        PresetParseResult p = parseProgram(sub, subForm, subEnd);
        if (!p.ok)
            return fail("program " + std::to_string(i + 1) + ": " + p.error);
        if (p.file.uniqueId != f.uniqueId)
            return fail("corrupt file: program " + std::to_string(i + 1) + " belongs to another plug-in");
        f.programs.push_back(std::move(p.file.programs.front()));
        r.skip(subEnd);
    }
    if (r.position() != end)
        return fail(format("sizes do not add up: %llu bytes left after the last of %llu programs",
                           end - r.position(), static_cast<unsigned long long>(f.numPrograms)));
    res.ok = true;
    return res;
}

} // namespace

PresetParseResult parsePresetFile(const uint8_t *data, size_t size) {
    ByteReader r(data, size);
    size_t end = 0;
    std::string error;
    if (!readEnvelope(r, end, error))
        return fail(error);
    if (end != size)
        return fail(format("sizes do not add up: the header announces %llu bytes, the file has %llu", end - 8,
                           size - 8));
    uint32_t form = 0;
    if (!r.u32be(form))
        return fail(truncatedText);
    switch (form) {
    case kFxCk:
    case kFPCh:
        return parseProgram(r, form, end);
    case kFxBk:
    case kFBCh:
        return parseBank(r, form, end);
    default:
        return fail("not a VST preset file: unknown form '" + fourCharText(static_cast<int32_t>(form)) + "'");
    }
}

std::string fourCharText(int32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(static_cast<uint32_t>(code) >> shift);
        s += (c >= 32 && c < 127) ? static_cast<char>(c) : '.';
    }
    return s;
}

std::string checkPresetFits(const PresetFile &file, const PresetTarget &target) {
    char text[256];
    if (file.uniqueId != target.uniqueId) {
        std::snprintf(
            text, sizeof text,
            "the preset belongs to another plug-in: its id is '%s' (0x%08X), this plug-in's is '%s' (0x%08X)",
            fourCharText(file.uniqueId).c_str(), static_cast<unsigned>(file.uniqueId),
            fourCharText(target.uniqueId).c_str(), static_cast<unsigned>(target.uniqueId));
        return text;
    }
    if (file.isChunk() && !target.programsAreChunks)
        return "the preset holds an opaque chunk, but this plug-in does not take chunks";
    if (file.isBank() && file.numPrograms > target.numPrograms) {
        std::snprintf(text, sizeof text, "the bank holds %d programs, the plug-in has only %d",
                      file.numPrograms, target.numPrograms);
        return text;
    }
    for (const PresetProgram &p : file.programs) {
        if (p.values.size() != static_cast<size_t>(target.numParams)) {
            std::snprintf(text, sizeof text, "the preset has %zu parameters per program, the plug-in %d",
                          p.values.size(), target.numParams);
            return text;
        }
    }
    return {};
}

namespace {

void writeName(ByteWriter &w, const std::string &name) {
    uint8_t raw[kNameBytes] = {};
    std::memcpy(raw, name.data(), name.size() < kNameBytes - 1 ? name.size() : kNameBytes - 1);
    w.raw(raw, kNameBytes);
}

// Everything after the size field; the caller puts the envelope around it.
std::vector<uint8_t> envelope(ByteWriter &body) {
    ByteWriter w;
    w.tag("CcnK");
    w.u32be(static_cast<uint32_t>(body.size()));
    w.raw(body.bytes().data(), body.size());
    return std::move(w.bytes());
}

} // namespace

std::vector<uint8_t> writeProgramChunkFile(int32_t uniqueId, int32_t pluginVersion, int32_t numParams,
                                           const std::string &name, const std::vector<uint8_t> &chunk) {
    ByteWriter b;
    b.tag("FPCh");
    b.i32be(1);
    b.i32be(uniqueId);
    b.i32be(pluginVersion);
    b.i32be(numParams);
    writeName(b, name);
    b.u32be(static_cast<uint32_t>(chunk.size()));
    b.raw(chunk.data(), chunk.size());
    return envelope(b);
}

std::vector<uint8_t> writeBankChunkFile(int32_t uniqueId, int32_t pluginVersion, int32_t numPrograms,
                                        int32_t currentProgram, const std::vector<uint8_t> &chunk) {
    ByteWriter b;
    b.tag("FBCh");
    b.i32be(2);
    b.i32be(uniqueId);
    b.i32be(pluginVersion);
    b.i32be(numPrograms);
    b.i32be(currentProgram);
    b.zeros(kBankReserved - 4);
    b.u32be(static_cast<uint32_t>(chunk.size()));
    b.raw(chunk.data(), chunk.size());
    return envelope(b);
}

std::vector<uint8_t> writeProgramParamsFile(int32_t uniqueId, int32_t pluginVersion,
                                            const PresetProgram &program) {
    ByteWriter b;
    b.tag("FxCk");
    b.i32be(1);
    b.i32be(uniqueId);
    b.i32be(pluginVersion);
    b.i32be(static_cast<int32_t>(program.values.size()));
    writeName(b, program.name);
    for (float v : program.values)
        b.f32be(v);
    return envelope(b);
}

std::vector<uint8_t> writeBankParamsFile(int32_t uniqueId, int32_t pluginVersion, int32_t currentProgram,
                                         const std::vector<PresetProgram> &programs) {
    ByteWriter b;
    b.tag("FxBk");
    b.i32be(2);
    b.i32be(uniqueId);
    b.i32be(pluginVersion);
    b.i32be(static_cast<int32_t>(programs.size()));
    b.i32be(currentProgram);
    b.zeros(kBankReserved - 4);
    for (const PresetProgram &p : programs) {
        const std::vector<uint8_t> one = writeProgramParamsFile(uniqueId, pluginVersion, p);
        b.raw(one.data(), one.size());
    }
    return envelope(b);
}

} // namespace sorrel::tool
