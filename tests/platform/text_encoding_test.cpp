#include <gtest/gtest.h>

#include <string>

#include "platform/text_encoding.h"

namespace vel::platform {
namespace {

bool undefinedIn1252(unsigned b)
{
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// Decodes UTF-8 the slow way, to check the converter's output independently.
std::u32string decode(const std::string& utf8)
{
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
        for (int k = 1; k < n; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8.at(i + k)) & 0x3F);
        out += c;
        i += n;
    }
    return out;
}

TEST(TextEncoding, EveryDefinedByteSurvivesTheRoundTripAndSoDoTheUndefinedOnes)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string utf8 = utf8FromWindows1252(all);
    std::u32string points = decode(utf8);
    ASSERT_EQ(points.size(), 256u);
    for (unsigned b = 0; b < 256; ++b) {
        if (b < 0x80 || b >= 0xA0)
            EXPECT_EQ(points[b], b) << b; // ASCII and Latin-1 keep their numbers
        else if (undefinedIn1252(b))
            EXPECT_EQ(points[b], b) << b; // the C1 control of the same number
        else
            EXPECT_GT(points[b], 0xFFu) << b; // typographic signs from elsewhere in Unicode
        EXPECT_EQ(windows1252Of(points[b]), static_cast<int>(b));
    }
    EXPECT_EQ(windows1252FromUtf8(utf8), all);
}

TEST(TextEncoding, TheTypographicRowMapsToItsUnicodeSigns)
{
    EXPECT_EQ(utf8FromWindows1252("\x80"), "\xE2\x82\xAC");         // euro sign
    EXPECT_EQ(utf8FromWindows1252("\x93x\x94"), "\xE2\x80\x9Cx\xE2\x80\x9D"); // curly quotes
    EXPECT_EQ(utf8FromWindows1252("\x9F"), "\xC5\xB8");             // Y with diaeresis
    EXPECT_EQ(utf8FromWindows1252("N\xE3o"), "N\xC3\xA3o");
    EXPECT_EQ(windows1252FromUtf8("Informa\xC3\xA7\xC3\xA3o \xE2\x80\x94 \xE2\x84\xA2"), "Informa\xE7\xE3o \x97 \x99");
    EXPECT_EQ(utf8FromWindows1252(""), "");
}

TEST(TextEncoding, WhatTheCodePageLacksBecomesAQuestionMark)
{
    EXPECT_EQ(windows1252Of(0x80), -1);  // the C1 control 0x80: its byte is the euro sign
    EXPECT_EQ(windows1252Of(0x100), -1); // A with macron
    EXPECT_EQ(windows1252Of(0x110000), -1);
    EXPECT_EQ(windows1252FromUtf8("a\xC4\x80" "b"), "a?b");
    EXPECT_EQ(windows1252FromUtf8("\xE4\xB8\xAD\xE6\x96\x87"), "??"); // two CJK characters
    EXPECT_EQ(windows1252FromUtf8("\xF0\x9F\x98\x80!"), "?!");        // an emoji, four bytes
}

TEST(TextEncoding, MalformedUtf8GivesOneQuestionMarkPerBadByte)
{
    EXPECT_EQ(windows1252FromUtf8("\xC3"), "?");                 // cut short at the end
    EXPECT_EQ(windows1252FromUtf8("\xE2\x82" "A"), "??A");       // cut short before a letter
    EXPECT_EQ(windows1252FromUtf8("\xC0\xAF"), "??");            // overlong slash
    EXPECT_EQ(windows1252FromUtf8("\xE0\x80\xAF"), "???");       // overlong in three bytes
    EXPECT_EQ(windows1252FromUtf8("\xED\xA0\x80"), "???");       // a surrogate
    EXPECT_EQ(windows1252FromUtf8("\xF4\x90\x80\x80"), "????");  // beyond the last code point
    EXPECT_EQ(windows1252FromUtf8("\x80\xBF\xFE\xFF"), "????");  // stray continuations and never-bytes
    EXPECT_EQ(windows1252FromUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
} // namespace vel::platform
