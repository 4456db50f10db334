// The byte order of everything the plug-in stores (chunks, program records,
// the formats' state headers): little-endian whatever the machine.
#pragma once

#include <cstdint>

namespace sorrel {

inline void putLittle32(unsigned char *out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline uint32_t getLittle32(const unsigned char *in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return v;
}

} // namespace sorrel
