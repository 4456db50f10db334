// Bounds-checked readers and appending writers for binary file formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sorrel::tool {

// A read cursor over a byte range. Every read checks the remaining length
// first; a failed read leaves the cursor where it was and returns false.
class ByteReader {
  public:
    ByteReader(const uint8_t *inData, size_t inSize) : data(inData), size(inData ? inSize : 0) {}

    size_t position() const { return pos; }
    size_t remaining() const { return size - pos; }
    const uint8_t *here() const { return data + pos; }

    bool skip(size_t n) {
        if (n > remaining())
            return false;
        pos += n;
        return true;
    }
    bool bytes(void *out, size_t n) {
        if (n > remaining())
            return false;
        if (n)
            std::memcpy(out, data + pos, n);
        pos += n;
        return true;
    }
    bool u32be(uint32_t &v) {
        uint8_t b[4];
        if (!bytes(b, 4))
            return false;
        v = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
        return true;
    }
    bool i32be(int32_t &v) {
        uint32_t u;
        if (!u32be(u))
            return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool f32be(float &v) {
        uint32_t u;
        if (!u32be(u))
            return false;
        std::memcpy(&v, &u, 4);
        return true;
    }
    bool u16le(uint16_t &v) {
        uint8_t b[2];
        if (!bytes(b, 2))
            return false;
        v = static_cast<uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool u32le(uint32_t &v) {
        uint8_t b[4];
        if (!bytes(b, 4))
            return false;
        v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        return true;
    }

  private:
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
};

class ByteWriter {
  public:
    std::vector<uint8_t> &bytes() { return out; }
    size_t size() const { return out.size(); }

    void raw(const void *p, size_t n) {
        const auto *b = static_cast<const uint8_t *>(p);
        out.insert(out.end(), b, b + n);
    }
    void zeros(size_t n) { out.insert(out.end(), n, 0); }
    void u32be(uint32_t v) {
        const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        raw(b, 4);
    }
    void i32be(int32_t v) { u32be(static_cast<uint32_t>(v)); }
    void f32be(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        u32be(u);
    }
    void u16le(uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        raw(b, 2);
    }
    void u32le(uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        raw(b, 4);
    }
    void tag(const char *four) { raw(four, 4); }
    // Overwrites 4 bytes at offset (for sizes known only at the end).
    void patchU32le(size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[offset + i] = uint8_t(v >> (8 * i));
    }
    void patchU32be(size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[offset + i] = uint8_t(v >> (8 * (3 - i)));
    }

  private:
    std::vector<uint8_t> out;
};

} // namespace sorrel::tool
