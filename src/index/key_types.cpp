#include "index/key_types.h"

#include <cmath>
#include <cstring>

namespace vel::index {
namespace {

int fixedSize(int kind)
{
    switch (kind) {
    case kInt32Difference: case kInt32: case kFloat: return 4;
    case kInt16: case kUnsigned16: return 2;
    case kDouble: return 8;
    case kBytes6: return 6;
    default: return 0;
    }
}

bool isCountedKind(int kind) { return kind == kCounted || (kind >= 16 && kind <= 20); }

int segmentLength(int kind, const uint8_t* p, int avail)
{
    if (avail <= 0)
        return -1;
    if (kind == kText || kind == kTextNoCase) {
        const void* end = std::memchr(p, 0, static_cast<size_t>(avail));
        return end ? static_cast<int>(static_cast<const uint8_t*>(end) - p) + 1 : -1;
    }
    if (int size = fixedSize(kind))
        return size <= avail ? size : -1;
    // Counted, compound and the undefined types all carry a length byte.
    int length = 1 + p[0];
    return length <= avail ? length : -1;
}

template <typename T>
int order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

// Floats order with NaN after every number and equal to itself, so the tree keeps a total order.
template <typename T>
int orderReal(T a, T b)
{
    bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb)
        return na == nb ? 0 : (na ? 1 : -1);
    return order(a, b);
}

int compareSegment(int kind, const uint8_t* a, int aLength, const uint8_t* b, int bLength, ByteOrder bo,
                   bool* unknownType)
{
    switch (kind) {
    case kText:
        for (int i = 0;; ++i) {
            if (a[i] != b[i] || a[i] == 0)
                return int(a[i]) - int(b[i]);
        }
    case kTextNoCase:
        for (int i = 0;; ++i) {
            int ca = a[i], cb = b[i];
            if (ca >= 'A' && ca <= 'Z') ca += 32;
            if (cb >= 'A' && cb <= 'Z') cb += 32;
            if (ca != cb || ca == 0)
                return ca - cb;
        }
    case kInt32Difference:
    case kInt32:
        // A subtraction would overflow for keys far apart; an ordering cannot.
        return order(bo.getInt(a), bo.getInt(b));
    case kInt16:
        return int(int16_t(bo.get16(a))) - int(int16_t(bo.get16(b)));
    case kUnsigned16:
        return order(bo.get16(a), bo.get16(b));
    case kFloat: {
        uint32_t x = bo.get32(a), y = bo.get32(b);
        float fx, fy;
        std::memcpy(&fx, &x, 4);
        std::memcpy(&fy, &y, 4);
        return orderReal(fx, fy);
    }
    case kDouble: {
        uint64_t x = 0, y = 0;
        for (int i = 0; i < 8; ++i) {
            int at = bo.big ? i : 7 - i;
            x = x << 8 | a[at];
            y = y << 8 | b[at];
        }
        double dx, dy;
        std::memcpy(&dx, &x, 8);
        std::memcpy(&dy, &y, 8);
        return orderReal(dx, dy);
    }
    case kBytes6:
        return std::memcmp(a, b, 6);
    default:
        if (isCountedKind(kind)) {
            int na = aLength - 1, nb = bLength - 1;
            int common = na < nb ? na : nb;
            if (int c = std::memcmp(a + 1, b + 1, static_cast<size_t>(common)))
                return c;
            return order(na, nb);
        }
        *unknownType = true;
        return 0;
    }
}

void reverseSegment(int kind, uint8_t* p)
{
    switch (kind) {
    case kInt32Difference: case kInt32: case kFloat: reverseBytes(p, 4); break;
    case kInt16: case kUnsigned16: reverseBytes(p, 2); break;
    case kDouble: reverseBytes(p, 8); break;
    default: break;
    }
}

} // namespace

bool isKnownKeyType(int kind) { return kind <= kUnsigned16 || (kind >= 16 && kind <= 20); }

int storedKeyLength(const KeyFormat& format, const uint8_t* p, int avail)
{
    return segmentLength(format.kind(), p, avail);
}

int compareKeys(const KeyFormat& format, const uint8_t* a, int aLength, const uint8_t* b, int bLength,
                ByteOrder bo, bool* unknownType)
{
    if (format.kind() != kCompound)
        return compareSegment(format.kind(), a, aLength, b, bLength, bo, unknownType);
    // The length byte bounds the segments; a key that runs out first leaves the two equal.
    int aEnd = aLength, bEnd = bLength, ai = 1, bi = 1;
    for (const Segment& s : format.segments) {
        int kind = s.type & 31;
        int na = segmentLength(kind, a + ai, aEnd - ai);
        int nb = segmentLength(kind, b + bi, bEnd - bi);
        if (na < 0 || nb < 0)
            return 0;
        int c = compareSegment(kind, a + ai, na, b + bi, nb, bo, unknownType);
        if (c != 0)
            return s.descending ? (c < 0 ? 1 : -1) : c;
        ai += na;
        bi += nb;
    }
    return 0;
}

void reverseKeyNumbers(const KeyFormat& format, uint8_t* p, int length)
{
    if (format.kind() != kCompound) {
        if (fixedSize(format.kind()) <= length)
            reverseSegment(format.kind(), p);
        return;
    }
    int at = 1;
    for (const Segment& s : format.segments) {
        int kind = s.type & 31;
        int n = segmentLength(kind, p + at, length - at);
        if (n < 0)
            return;
        reverseSegment(kind, p + at);
        at += n;
    }
}

} // namespace vel::index
