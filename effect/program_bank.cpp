#include "effect/program_bank.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sorrel {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// Chunks are little-endian whatever the machine.
uint32_t readLittleEndian(const unsigned char *in) {
    return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
           (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
}

void writeLittleEndian(uint32_t word, unsigned char *out) {
    out[0] = static_cast<unsigned char>(word);
    out[1] = static_cast<unsigned char>(word >> 8);
    out[2] = static_cast<unsigned char>(word >> 16);
    out[3] = static_cast<unsigned char>(word >> 24);
}

} // namespace

ProgramBank::ProgramBank(int32_t programCount, int32_t paramCount, int32_t oldestParamCount)
    : programsInBank(std::max<int32_t>(programCount, 1)), paramsPerProgram(std::max<int32_t>(paramCount, 1)),
      oldestParams(oldestParamCount <= 0 ? paramsPerProgram : std::min(oldestParamCount, paramsPerProgram)),
      recordBytes(recordSizeFor(paramsPerProgram)) {
    const size_t valueCount = static_cast<size_t>(programsInBank) * static_cast<size_t>(paramsPerProgram);
    values.reset(new std::atomic<float>[valueCount]);
    names.reset(new std::atomic<char>[static_cast<size_t>(programsInBank) * kNameSize]);
    defaults.reset(new float[static_cast<size_t>(paramsPerProgram)]());
    for (ChunkSlot &slot : chunkSlots)
        slot.bytes.reset(new unsigned char[static_cast<size_t>(bankSize())]());
    for (size_t i = 0; i < valueCount; ++i)
        values[i].store(0.0f, kRelaxed);
    for (size_t i = 0; i < static_cast<size_t>(programsInBank) * kNameSize; ++i)
        names[i].store(0, kRelaxed);
}

ProgramBank::~ProgramBank() = default;

void ProgramBank::select(int32_t program) {
    if (validProgram(program))
        current.store(program, kRelaxed);
}

void ProgramBank::setDefault(int32_t index, float value) {
    if (validIndex(index) && !std::isnan(value))
        defaults[static_cast<size_t>(index)] = std::clamp(value, 0.0f, 1.0f);
}

float ProgramBank::defaultValue(int32_t index) const {
    return validIndex(index) ? defaults[static_cast<size_t>(index)] : 0.0f;
}

float ProgramBank::sanitize(int32_t index, float value) const {
    if (std::isnan(value))
        return defaults[static_cast<size_t>(index)];
    return std::clamp(value, 0.0f, 1.0f);
}

void ProgramBank::setValue(int32_t index, float value) {
    if (validIndex(index) && !std::isnan(value))
        this->value(selected(), index).store(std::clamp(value, 0.0f, 1.0f), kRelaxed);
}

float ProgramBank::getValue(int32_t index) const {
    return getValue(selected(), index);
}

float ProgramBank::getValue(int32_t program, int32_t index) const {
    if (!validProgram(program) || !validIndex(index))
        return 0.0f;
    return value(program, index).load(kRelaxed);
}

void ProgramBank::setName(int32_t program, const char *text) {
    if (!validProgram(program) || text == nullptr)
        return;
    std::atomic<char> *area = name(program);
    int32_t i = 0;
    for (; i < kMaxNameChars && text[i] != 0; ++i)
        area[i].store(text[i], kRelaxed);
    for (; i < kMaxNameChars; ++i)
        area[i].store(0, kRelaxed);
}

void ProgramBank::getName(int32_t program, char *text) const {
    if (!validProgram(program) || text == nullptr)
        return;
    const std::atomic<char> *area = name(program);
    int32_t i = 0;
    for (; i < kMaxNameChars; ++i) {
        const char c = area[i].load(kRelaxed);
        if (c == 0)
            break;
        text[i] = c;
    }
    text[i] = 0;
}

void ProgramBank::copy(int32_t from, int32_t to) {
    if (!validProgram(from) || !validProgram(to) || from == to)
        return;
    for (int32_t i = 0; i < kNameSize; ++i)
        name(to)[i].store(name(from)[i].load(kRelaxed), kRelaxed);
    for (int32_t i = 0; i < paramsPerProgram; ++i)
        value(to, i).store(value(from, i).load(kRelaxed), kRelaxed);
}

void ProgramBank::encodeRecord(int32_t program, unsigned char *out) const {
    for (int32_t i = 0; i < kNameSize; ++i)
        out[i] = static_cast<unsigned char>(name(program)[i].load(kRelaxed));
    for (int32_t i = 0; i < paramsPerProgram; ++i) {
        const float v = value(program, i).load(kRelaxed);
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        writeLittleEndian(bits, out + kNameSize + 4 * i);
    }
}

void ProgramBank::decodeRecord(const unsigned char *in, int32_t program, int32_t valueCount) {
    for (int32_t i = 0; i < kNameSize; ++i)
        name(program)[i].store(static_cast<char>(in[i]), kRelaxed);
    for (int32_t i = valueCount; i < paramsPerProgram; ++i)
        value(program, i).store(defaults[static_cast<size_t>(i)], kRelaxed);
    for (int32_t i = 0; i < valueCount; ++i) {
        const uint32_t bits = readLittleEndian(in + kNameSize + 4 * i);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        value(program, i).store(sanitize(i, v), kRelaxed);
    }
}

unsigned char *ProgramBank::chunkBuffer() {
    const std::thread::id self = std::this_thread::get_id();
    for (ChunkSlot &slot : chunkSlots)
        if (slot.owner.load() == self)
            return slot.bytes.get();
    for (ChunkSlot &slot : chunkSlots) {
        std::thread::id unowned{};
        if (slot.owner.compare_exchange_strong(unowned, self))
            return slot.bytes.get();
    }
    return chunkSlots[kChunkSlots - 1].bytes.get();
}

int32_t ProgramBank::chunkData(bool isPreset, int32_t program, void **data) {
    if (data == nullptr)
        return 0;
    *data = nullptr;
    if (isPreset && !validProgram(program))
        return 0;
    unsigned char *bytes = chunkBuffer();
    if (isPreset) {
        encodeRecord(program, bytes);
        *data = bytes;
        return recordBytes;
    }
    for (int32_t p = 0; p < programsInBank; ++p)
        encodeRecord(p, bytes + static_cast<size_t>(p) * static_cast<size_t>(recordBytes));
    *data = bytes;
    return bankSize();
}

int32_t ProgramBank::valueCountOf(int32_t bytes) const {
    for (int32_t count = oldestParams; count <= paramsPerProgram; ++count)
        if (bytes == recordSizeFor(count))
            return count;
    return 0;
}

int32_t ProgramBank::loadChunk(const void *data, int32_t byteSize, bool isPreset, int32_t program) {
    if (data == nullptr || byteSize <= 0)
        return 0;
    const auto *bytes = static_cast<const unsigned char *>(data);
    if (isPreset) {
        const int32_t count = valueCountOf(byteSize);
        if (count == 0 || !validProgram(program))
            return 0;
        decodeRecord(bytes, program, count);
        return 1;
    }
    const int32_t count = byteSize % programsInBank == 0 ? valueCountOf(byteSize / programsInBank) : 0;
    if (count == 0)
        return 0;
    const size_t size = static_cast<size_t>(recordSizeFor(count));
    for (int32_t p = 0; p < programsInBank; ++p)
        decodeRecord(bytes + static_cast<size_t>(p) * size, p, count);
    return 1;
}

} // namespace sorrel
