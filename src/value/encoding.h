// The binary encoding of values: a one-byte wire tag and a body, recursively for collections. The
// byte layout is described in docs/value_formats.md.
#pragma once

#include <cstdint>
#include <vector>

#include "value/value.h"

namespace vel {

class Stream;

enum class WireTag : uint8_t {
    Nil = 0,
    Int = 3,
    Float = 4,
    String = 6,
    Buffer = 7,
    List = 8,
    Table = 9,
    Region = 11,
    Font = 16,
    TextBlock = 17,
    Image = 18,
    Sound = 19,
    Control = 22,
    Form = 23,
    Reference = 26,
    Date = 29,
    True = 30,
    False = 31,
    Int8 = 32,
    Int16 = 33,
    ShortString = 34,
    ShortList = 35,
};

// Deeper than any data the system writes; past it encode and decode refuse rather than exhaust the
// stack, as printing and ordering do.
constexpr int kEncodingDepthLimit = 512;

// Writes the value; false when some part had no encoding or a write fell short (each reported).
bool encode(Stream& stream, const Value& value);
// Reads one value. After a report (truncated body, unknown tag, a count the remaining bytes cannot
// hold) the result is nil and the stream is left where the reading stopped.
// failed, when given, tells a refused decode from an encoded nil.
Value decode(Stream& stream, bool* failed = nullptr);

std::vector<uint8_t> encodeToBytes(const Value& value, bool* ok = nullptr);
Value decodeFromBytes(const uint8_t* bytes, std::size_t length);

} // namespace vel
