// What the effect's bank must hold after a chunk load, worked out
// independently of the effect: a chunk is taken only when it is exactly one
// program record (program chunk) or the whole bank, records of this
// release's 37 values or of the first release's 36 (the missing response
// value then is its default, classic); its name bytes are kept
// as they are and each value is made safe (NaN becomes the parameter's
// default, everything else is clamped to 0..1). A refused chunk changes nothing.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sorrel::chunkmodel {

constexpr int kPrograms = 10;
constexpr int kParams = 37;
constexpr int kFirstParams = 36;
constexpr size_t kNameBytes = 32;
constexpr size_t kRecordBytes = kNameBytes + 4 * kParams;           // 180
constexpr size_t kBankBytes = kRecordBytes * kPrograms;             // 1800
constexpr size_t kFirstRecordBytes = kNameBytes + 4 * kFirstParams; // 176

inline float defaultValue(int index) {
    if (index == 36)
        return 0.0f; // the classic response
    return index >= 34 ? 1.0f : 0.5f; // the two meter switches are on by default
}

inline float readValue(const uint8_t *p) {
    const uint32_t bits =
        uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void writeValue(float v, uint8_t *p) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// One record of `values` values as the effect stores it after loading `in`.
inline void repairRecord(const uint8_t *in, int values, uint8_t *out) {
    std::memcpy(out, in, kNameBytes);
    for (int i = 0; i < kParams; ++i) {
        const float v = i < values ? readValue(in + kNameBytes + 4 * i) : defaultValue(i);
        writeValue(std::isnan(v) ? defaultValue(i) : std::clamp(v, 0.0f, 1.0f), out + kNameBytes + 4 * i);
    }
}

// The value count of a record of `size` bytes, 0 for none.
inline int valuesOf(long long size) {
    if (size == static_cast<long long>(kRecordBytes))
        return kParams;
    return size == static_cast<long long>(kFirstRecordBytes) ? kFirstParams : 0;
}

// Applies a load to `bank` (kBankBytes, the bank chunk before the load) and
// answers whether the effect must accept it.
inline bool load(std::vector<uint8_t> &bank, const uint8_t *chunk, long long size, bool isPreset,
                 int program) {
    if (chunk == nullptr || bank.size() != kBankBytes)
        return false;
    if (isPreset) {
        const int values = valuesOf(size);
        if (values == 0 || program < 0 || program >= kPrograms)
            return false;
        repairRecord(chunk, values, bank.data() + kRecordBytes * static_cast<size_t>(program));
        return true;
    }
    const int values = size > 0 && size % kPrograms == 0 ? valuesOf(size / kPrograms) : 0;
    if (values == 0)
        return false;
    const size_t record = kNameBytes + 4 * static_cast<size_t>(values);
    for (size_t p = 0; p < kPrograms; ++p)
        repairRecord(chunk + record * p, values, bank.data() + kRecordBytes * p);
    return true;
}

} // namespace sorrel::chunkmodel
