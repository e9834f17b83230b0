// Windows-1252 <-> UTF-8 on arbitrary bytes: every byte string comes back from UTF-8 unchanged, and
// any bytes read as UTF-8 give no more characters than bytes, all of them mappable back. Both
// directions agree with a plain conversion a character at a time (the real ones copy ASCII in words).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

namespace {

std::string plainUtf8(std::string_view bytes)
{
    std::string out;
    for (char ch : bytes) {
        const char32_t c = vel::platform::codePointOf1252(static_cast<unsigned char>(ch));
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string plainWindows1252(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = vel::platform::decodeUtf8(text, i, c);
        const int byte = length ? vel::platform::windows1252Of(c) : -1;
        out += byte < 0 ? '?' : static_cast<char>(byte);
        i += length ? length : 1;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace vel::platform;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::string utf8 = utf8FromWindows1252(bytes);
    if (utf8 != plainUtf8(bytes) || windows1252FromUtf8(bytes) != plainWindows1252(bytes))
        std::abort();
    if (utf8.size() > size * 3 || windows1252FromUtf8(utf8) != bytes)
        std::abort();

    std::string narrowed = windows1252FromUtf8(bytes);
    if (narrowed.size() > size)
        std::abort();
    if (windows1252FromUtf8(utf8FromWindows1252(narrowed)) != narrowed)
        std::abort();
    return 0;
}
