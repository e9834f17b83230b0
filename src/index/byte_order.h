// Reading and writing the 16- and 32-bit numbers of index pages in either byte order. A file picks
// its order once, at creation; every number in its header, page headers and entries follows it.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace vel::index {

struct ByteOrder {
    bool big = false;

    uint16_t get16(const uint8_t* p) const
    {
        return big ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t get32(const uint8_t* p) const
    {
        return big ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                   : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    int32_t getInt(const uint8_t* p) const { return static_cast<int32_t>(get32(p)); }
    void put16(uint8_t* p, uint16_t v) const
    {
        if (big) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
        else { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
    }
    void put32(uint8_t* p, uint32_t v) const
    {
        if (big) { p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v); }
        else { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24); }
    }
    void putInt(uint8_t* p, int32_t v) const { put32(p, static_cast<uint32_t>(v)); }
    // Callers hand numeric keys in the host's order; a file of the other order stores them turned.
    bool differsFromHost() const { return big != (std::endian::native == std::endian::big); }
};

inline void reverseBytes(uint8_t* p, int n)
{
    for (int i = 0, j = n - 1; i < j; ++i, --j) {
        uint8_t t = p[i]; p[i] = p[j]; p[j] = t;
    }
}

} // namespace vel::index
