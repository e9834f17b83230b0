#include "platform/text_encoding.h"

#include <array>
#include <cstdint>

namespace vel::platform {

namespace {

// 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> high1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Nothing the code page holds needs four bytes.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
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

std::string utf8FromWindows1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char ch : text)
        appendUtf8(out, codePointOf1252(static_cast<unsigned char>(ch)));
    return out;
}

std::string windows1252FromUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c = 0;
        std::size_t length = decodeUtf8(text, i, c);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        int byte = windows1252Of(c);
        out += byte < 0 ? '?' : static_cast<char>(byte);
        i += length;
    }
    return out;
}

} // namespace vel::platform
