#include "platform/text_encoding.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace vel::platform {

namespace {

// 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> high1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Utf8Bytes {
    char text[3];
    uint8_t length;
};

// The UTF-8 of every Windows-1252 byte, worked out once at compile time.
struct Utf8Table {
    Utf8Bytes bytes[256];
    constexpr Utf8Table() : bytes{}
    {
        for (int b = 0; b < 256; ++b) {
            const char32_t c = b >= 0x80 && b < 0xA0 ? high1252[static_cast<std::size_t>(b - 0x80)] : char32_t(b);
            Utf8Bytes& out = bytes[b];
            if (c < 0x80) {
                out = {{static_cast<char>(c), 0, 0}, 1};
            } else if (c < 0x800) {
                out = {{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0}, 2};
            } else {
                // Nothing the code page holds needs four bytes.
                out = {{static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (c & 0x3F))},
                       3};
            }
        }
    }
};
constexpr Utf8Table kUtf8Of1252;

// Text is mostly ASCII, which both directions copy unchanged eight bytes at a time.
// The first high byte of a word is found from its lowest set bit, which needs the bytes in memory order.
static_assert(std::endian::native == std::endian::little, "text conversion reads words little-endian");
constexpr uint64_t kHighBits = 0x8080808080808080ull;

inline uint64_t load64(const unsigned char* p)
{
    uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

// Writes the eight bytes at in to out and says how many of them lead as ASCII: 8 when all do.
inline std::size_t copyAsciiLead(const unsigned char* in, char* out)
{
    const uint64_t word = load64(in);
    std::memcpy(out, &word, 8);
    const uint64_t high = word & kHighBits;
    return high == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(high) / 8);
}

} // namespace

std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& out)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length;
    char32_t c;
    char32_t least;
    if (lead < 0x80) {
        out = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    out = c;
    return length;
}

bool isValidUtf8(std::string_view text)
{
    char32_t ignored;
    for (std::size_t i = 0, length = 0; i < text.size(); i += length)
        if ((length = decodeUtf8(text, i, ignored)) == 0)
            return false;
    return true;
}

char32_t codePointOf1252(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? high1252[byte - 0x80] : byte;
}

int windows1252Of(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (std::size_t i = 0; i < high1252.size(); ++i)
        if (high1252[i] == codePoint)
            return static_cast<int>(0x80 + i);
    return -1;
}

namespace {
unsigned char windows1252Or(char32_t codePoint, unsigned char missing)
{
    const int byte = windows1252Of(codePoint);
    return byte < 0 ? missing : static_cast<unsigned char>(byte);
}
} // namespace

std::string utf8FromWindows1252(std::string_view text)
{
    const std::size_t n = text.size();
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    // Sizing first keeps the output to one allocation: every high byte takes at least two bytes, and
    // of 0x80..0x9F most take three.
    std::size_t length = n;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t word = load64(in + i);
        uint64_t high = word & kHighBits;
        if (high == 0)
            continue;
        length += static_cast<std::size_t>(((high >> 7) * 0x0101010101010101ull) >> 56); // high bytes in the word
        for (uint64_t c1 = high & ~(word << 1) & ~(word << 2); c1 != 0; c1 &= c1 - 1)
            length += kUtf8Of1252.bytes[in[i + static_cast<std::size_t>(std::countr_zero(c1) / 8)]].length - 2u;
    }
    for (; i < n; ++i)
        length += kUtf8Of1252.bytes[in[i]].length - 1u;
    // Two bytes of room past the end: a two-byte sequence is written as its table entry's three.
    std::string out(length + 2, '\0');
    char* o = out.data();
    i = 0;
    while (i + 8 <= n) {
        // Keep the ASCII bytes before the first high byte, convert that one.
        const std::size_t ascii = copyAsciiLead(in + i, o);
        i += ascii, o += ascii;
        if (ascii == 8)
            continue;
        const Utf8Bytes& b = kUtf8Of1252.bytes[in[i++]];
        std::memcpy(o, b.text, 3);
        o += b.length;
    }
    for (; i < n; ++i) {
        const Utf8Bytes& b = kUtf8Of1252.bytes[in[i]];
        std::memcpy(o, b.text, 3);
        o += b.length;
    }
    out.resize(length);
    return out;
}

std::string windows1252FromUtf8(std::string_view text)
{
    const std::size_t n = text.size();
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    // Never longer than the UTF-8, so the output never overtakes the input: eight bytes written at
    // the output position stay inside the buffer whenever eight remain to be read.
    std::string out(n, '\0');
    char* o = out.data();
    std::size_t i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            const std::size_t ascii = copyAsciiLead(in + i, o);
            i += ascii, o += ascii;
            if (ascii == 8)
                continue;
        } else if (in[i] < 0x80) {
            *o++ = static_cast<char>(in[i++]);
            continue;
        }
        // Latin-1 letters, the bulk of what is not ASCII, are two bytes led by C2 or C3.
        const unsigned char lead = in[i];
        if ((lead == 0xC2 || lead == 0xC3) && i + 1 < n && (in[i + 1] & 0xC0) == 0x80) {
            const auto c = static_cast<char32_t>(((lead & 0x1F) << 6) | (in[i + 1] & 0x3F));
            *o++ = c >= 0xA0 ? static_cast<char>(c) : static_cast<char>(windows1252Or(c, '?'));
            i += 2;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = decodeUtf8(text, i, c);
        if (length == 0) {
            *o++ = '?';
            ++i;
            continue;
        }
        *o++ = static_cast<char>(windows1252Or(c, '?'));
        i += length;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

} // namespace vel::platform
