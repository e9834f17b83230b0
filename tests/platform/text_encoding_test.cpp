// Windows-1252 <-> UTF-8: every byte survives the round trip; what the code page lacks and malformed
// UTF-8 become question marks, one per bad byte.
#include <gtest/gtest.h>

#include <string>

#include "platform/text_encoding.h"

namespace vel::platform {
namespace {

TEST(TextEncoding, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = utf8FromWindows1252(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(windows1252FromUtf8(utf8), all);
    // The five bytes the code page leaves undefined are the C1 controls of the same number.
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(codePointOf1252(b), b);
    EXPECT_EQ(windows1252Of(0x80), -1); // the C1 control 0x80: its byte is the euro sign
    // At every place in and across the eight-byte blocks that ASCII is copied in.
    for (std::size_t at = 0; at < 20; ++at) {
        for (unsigned char b : {0x80, 0x81, 0x9F, 0xE9}) {
            std::string text(20, 'x'), cutShort(20, 'x');
            text[at] = static_cast<char>(b);
            cutShort[at] = '\xC3';
            const std::string expected = text.substr(0, at) + utf8FromWindows1252(text.substr(at, 1)) + text.substr(at + 1);
            EXPECT_EQ(utf8FromWindows1252(text), expected) << at;
            EXPECT_EQ(windows1252FromUtf8(expected), text) << at;
            EXPECT_EQ(windows1252FromUtf8(cutShort)[at], '?') << at;
        }
    }
}

TEST(TextEncoding, ConversionsBothWaysAndWhatCannotBeConverted)
{
    const struct {
        std::string utf8;
        std::string windows1252;
        bool valid;
    } cases[] = {
        {"\xE2\x82\xAC", "\x80", true},                        // euro sign
        {"\xE2\x80\x9Cx\xE2\x80\x9D", "\x93x\x94", true},      // curly quotes
        {"\xC5\xB8", "\x9F", true},                            // Y with diaeresis
        {"Informa\xC3\xA7\xC3\xA3o \xE2\x80\x94 \xE2\x84\xA2", "Informa\xE7\xE3o \x97 \x99", true},
        {"a\xC4\x80" "b", "a?b", true},                        // A with macron
        {"\xE4\xB8\xAD\xE6\x96\x87", "??", true},              // two CJK characters
        {"\xF0\x9F\x98\x80!", "?!", true},                     // an emoji, four bytes
        {"\xC3", "?", false},                                  // cut short at the end
        {"\xE2\x82" "A", "??A", false},                        // cut short before a letter
        {"\xC0\xAF", "??", false},                             // overlong slash
        {"\xE0\x80\xAF", "???", false},                        // overlong in three bytes
        {"\xED\xA0\x80", "???", false},                        // a surrogate
        {"\xF4\x90\x80\x80", "????", false},                   // beyond the last code point
        {"\x80\xBF\xFE\xFF", "????", false},                   // stray continuations and never-bytes
        {std::string("a\0b", 3), std::string("a\0b", 3), true},
        {"", "", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(windows1252FromUtf8(c.utf8), c.windows1252) << c.utf8;
        EXPECT_EQ(isValidUtf8(c.utf8), c.valid) << c.utf8;
        if (c.windows1252.find('?') == std::string::npos) {
            EXPECT_EQ(utf8FromWindows1252(c.windows1252), c.utf8) << c.utf8;
        }
    }
}

} // namespace
} // namespace vel::platform
