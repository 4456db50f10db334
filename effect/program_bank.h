// The effect's programs: a name and the normalised parameter values of each,
// and the chunk form in which the host stores them with its project.
//
// A program record is 32 bytes of name (8-bit characters padded with zero
// bytes) followed by one little-endian IEEE-754 single per parameter. A program
// chunk is one record, a bank chunk all records in order; there is no header.
// The number of values is the layout's version: a bank made with parameters
// added since (oldest <= count) still loads the shorter records earlier
// versions wrote, and what they lack takes its default.
//
// Values and names are atomics (relaxed): automation, the editor, chunk loads
// and the audio side may touch the bank from different threads, and no caller
// may ever wait on another. A value is always read or written whole; a chunk
// load racing with parameter writes may interleave value by value.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace sorrel {

class ProgramBank {
  public:
    static constexpr int32_t kNameSize = 32;     // bytes of name area per record
    static constexpr int32_t kMaxNameChars = 30; // characters a name keeps
    // Bytes of one program record holding paramCount values.
    static constexpr int32_t recordSizeFor(int32_t paramCount) { return kNameSize + 4 * paramCount; }

    // Both counts at least 1; oldestParamCount (held to 1..paramCount, 0 for
    // paramCount) is the value count of the shortest record loadChunk takes.
    // Throws std::bad_alloc when memory runs out.
    ProgramBank(int32_t programCount, int32_t paramCount, int32_t oldestParamCount = 0);
    ~ProgramBank();
    ProgramBank(const ProgramBank &) = delete;
    ProgramBank &operator=(const ProgramBank &) = delete;

    int32_t programCount() const { return programsInBank; }
    int32_t paramCount() const { return paramsPerProgram; }
    int32_t recordSize() const { return recordBytes; }
    int32_t bankSize() const { return recordBytes * programsInBank; }

    // Selection; a program outside the bank is ignored.
    void select(int32_t program);
    int32_t selected() const { return current.load(std::memory_order_relaxed); }

    // The value that replaces a NaN arriving in a chunk (0 until set).
    void setDefault(int32_t index, float value);
    float defaultValue(int32_t index) const;

    // Values of the selected program. setValue ignores an index outside the
    // table and a NaN, and clamps everything else to 0..1; getValue answers 0
    // outside the table.
    void setValue(int32_t index, float value);
    float getValue(int32_t index) const;
    float getValue(int32_t program, int32_t index) const;

    // Names: at most 30 characters are kept; getName writes at most 30
    // characters and a terminator (the caller's buffer holds 31 bytes). Null
    // texts and programs outside the bank are ignored.
    void setName(int32_t program, const char *text);
    void getName(int32_t program, char *text) const;

    // Copies program `from` (name and values) over program `to`.
    void copy(int32_t from, int32_t to);

    // The chunk bytes of program `program` (isPreset) or of the whole bank,
    // written into a buffer the bank keeps for the calling thread: the pointer
    // stays valid, and the bytes unchanged, until that thread's next chunkData
    // call or the bank's end, whatever other threads do meanwhile. Returns the
    // size in bytes, or 0 (data set to null) for a program outside the bank or
    // a null data pointer.
    int32_t chunkData(bool isPreset, int32_t program, void **data);

    // Loads a chunk into program `program` (isPreset) or into every program.
    // Only a chunk of exactly one record (isPreset) or of exactly the whole bank
    // is accepted, its records holding any value count from the oldest to the
    // current one; anything else, a null pointer or a program outside the bank
    // answers 0 and changes nothing. Values a shorter record lacks take their
    // defaults. Each value is made safe as it is stored:
    // NaN becomes the parameter's default, the rest is clamped to 0..1.
    // Answers 1 when loaded. The selection does not change.
    int32_t loadChunk(const void *data, int32_t byteSize, bool isPreset, int32_t program);

  private:
    bool validProgram(int32_t program) const { return program >= 0 && program < programsInBank; }
    bool validIndex(int32_t index) const { return index >= 0 && index < paramsPerProgram; }
    std::atomic<float> &value(int32_t program, int32_t index) const {
        return values[static_cast<size_t>(program) * static_cast<size_t>(paramsPerProgram) +
                      static_cast<size_t>(index)];
    }
    std::atomic<char> *name(int32_t program) const {
        return &names[static_cast<size_t>(program) * kNameSize];
    }
    float sanitize(int32_t index, float value) const;
    void encodeRecord(int32_t program, unsigned char *out) const;
    void decodeRecord(const unsigned char *in, int32_t program, int32_t valueCount);
    // The value count of records of `bytes` bytes, or 0 if none fits.
    int32_t valueCountOf(int32_t bytes) const;

    int32_t programsInBank;
    int32_t paramsPerProgram;
    int32_t oldestParams;
    int32_t recordBytes;
    std::atomic<int32_t> current{0};
    std::unique_ptr<std::atomic<float>[]> values;
    std::unique_ptr<std::atomic<char>[]> names;
    std::unique_ptr<float[]> defaults;

    // Chunk bytes handed out by chunkData, one buffer per calling thread (a
    // host saves from its user-interface thread, sometimes from another one
    // too). Threads beyond the last slot share it.
    static constexpr int kChunkSlots = 4;
    struct ChunkSlot {
        std::atomic<std::thread::id> owner{};
        std::unique_ptr<unsigned char[]> bytes;
    };
    unsigned char *chunkBuffer();
    ChunkSlot chunkSlots[kChunkSlots];
};

} // namespace sorrel
