// Test support: files built byte by byte, with little-endian numbers as bitmaps and wave files
// store them.
#pragma once

#include <cstdint>
#include <vector>

namespace vel::testing_support {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put32(Bytes& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

} // namespace vel::testing_support
