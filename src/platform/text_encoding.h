// Windows-1252 <-> UTF-8 at the edges of the program (clipboard, message boxes, file names, text
// input). Inside, text stays Windows-1252.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vel::platform {

// The code point of a Windows-1252 byte. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls of the same number, as Windows itself converts them, so
// every byte survives a round trip.
char32_t codePointOf1252(unsigned char byte);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int windows1252Of(char32_t codePoint);

// Decodes the well-formed UTF-8 sequence at text[i]; its length, or 0 when malformed there (cut
// short, overlong, a surrogate or beyond U+10FFFF).
std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& out);
bool isValidUtf8(std::string_view text);

std::string utf8FromWindows1252(std::string_view text);
// Code points the code page lacks, and malformed UTF-8 (one '?' for each bad byte), become '?'.
std::string windows1252FromUtf8(std::string_view text);

} // namespace vel::platform
