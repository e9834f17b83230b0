// Key types of index files: how each stores its key bytes and how two stored keys compare. Numbers
// inside keys are held in the file's byte order, so comparisons take that order.
#pragma once

#include <cstdint>
#include <vector>

#include "index/byte_order.h"

namespace vel::index {

enum KeyType : uint8_t {
    kText = 0,          // NUL-terminated, byte-wise
    kTextNoCase = 1,    // NUL-terminated, ASCII letters without regard to case
    kCounted = 2,       // a length byte and that many bytes (16 to 20 alike)
    kInt32Difference = 3,
    kInt16 = 4,
    kInt32 = 5,
    kFloat = 6,
    kDouble = 7,
    kCompound = 8,
    kBytes6 = 9,
    kUnsigned16 = 10,
    kSegmentListEnd = 31,
};

struct Segment {
    uint8_t type = 0;
    bool descending = false;
    bool operator==(const Segment&) const = default;
};

// What a key number's descriptor says: its type byte (low 5 bits count) and, for compound keys,
// the segments in comparison order.
struct KeyFormat {
    uint8_t type = kText;
    std::vector<Segment> segments;

    int kind() const { return type & 31; }
    bool operator==(const KeyFormat&) const = default;
};

// True for types whose comparison is defined; any other type compares every key as equal.
bool isKnownKeyType(int kind);
// The length of the stored key that starts at p, or -1 when it does not end within avail bytes.
int storedKeyLength(const KeyFormat& format, const uint8_t* p, int avail);
// Orders two stored keys. Sets *unknownType when a type without a comparison took part.
int compareKeys(const KeyFormat& format, const uint8_t* a, int aLength, const uint8_t* b, int bLength,
                ByteOrder order, bool* unknownType);
// Turns the numeric fields of a stored key between the host's order and the other one.
void reverseKeyNumbers(const KeyFormat& format, uint8_t* p, int length);

} // namespace vel::index
