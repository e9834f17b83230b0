#include "value/string.h"

#include <algorithm>
#include <cstring>

#include "value/printer.h"

namespace vel {

String::String(const char* text, int32_t length) : length_(length < 0 ? 0 : length)
{
    text_ = allocateArrayUninitialized<char>(static_cast<std::size_t>(length_) + 1);
    if (length_ > 0)
        std::memcpy(text_, text, static_cast<std::size_t>(length_));
    text_[length_] = '\0';
}

String::~String()
{
    releaseArray(text_, static_cast<std::size_t>(length_) + 1);
}

uint32_t String::hash() const
{
    if (!hashed_) {
        hash_ = hashText(text_, length_);
        hashed_ = true;
    }
    return hash_;
}

Value String::print(Tag, bool quoted) const
{
    if (!quoted)
        return Value::string(view());
    return Value::string(quoteText(view()));
}

std::string_view textOf(const Value& v)
{
    String* s = asString(v);
    return s ? s->view() : std::string_view();
}

Value concat(std::string_view a, std::string_view b)
{
    auto length = static_cast<int32_t>(a.size() + b.size());
    std::string joined;
    joined.reserve(static_cast<std::size_t>(length));
    joined.append(a);
    joined.append(b);
    return Value::string(joined);
}

Value stringLeft(const Value& s, int32_t n)
{
    std::string_view t = textOf(s);
    if (n <= 0)
        return Value::string("", 0);
    return Value::string(t.substr(0, static_cast<std::size_t>(n)));
}

Value stringRight(const Value& s, int32_t n)
{
    std::string_view t = textOf(s);
    if (n <= 0 || static_cast<std::size_t>(n) > t.size())
        return Value::string("", 0);
    return Value::string(t.substr(t.size() - static_cast<std::size_t>(n)));
}

Value stringMid(const Value& s, int32_t start, int32_t n)
{
    std::string_view t = textOf(s);
    if (start < 0 || static_cast<std::size_t>(start) >= t.size() || n <= 0)
        return Value::string("", 0);
    return Value::string(t.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(n)));
}

int32_t stringIndexOfChar(const Value& s, unsigned char c, int32_t start)
{
    std::string_view t = textOf(s);
    if (start < 0)
        start = 0;
    if (static_cast<std::size_t>(start) >= t.size())
        return -1;
    std::size_t at = t.find(static_cast<char>(c), static_cast<std::size_t>(start));
    return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

int32_t stringIndexOf(const Value& s, std::string_view needle, int32_t start)
{
    std::string_view t = textOf(s);
    if (start < 0)
        start = 0;
    if (static_cast<std::size_t>(start) > t.size())
        return -1;
    std::size_t at = t.find(needle, static_cast<std::size_t>(start));
    return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

int32_t stringLastIndexOf(const Value& s, std::string_view needle, int32_t start)
{
    std::string_view t = textOf(s);
    if (t.empty() || needle.size() > t.size())
        return -1;
    std::size_t from = (start <= 0 || static_cast<std::size_t>(start) >= t.size()) ? t.size() - 1
                                                                                      : static_cast<std::size_t>(start);
    std::size_t at = t.rfind(needle, from);
    return at == std::string_view::npos ? -1 : static_cast<int32_t>(at);
}

namespace {
Value mapped(const Value& s, unsigned char (*map)(unsigned char))
{
    std::string out(textOf(s));
    for (char& c : out)
        c = static_cast<char>(map(static_cast<unsigned char>(c)));
    return Value::string(out);
}

struct PlainTextTable {
    unsigned char map[256];
    constexpr PlainTextTable() : map()
    {
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<unsigned char>(i);
        auto range = [this](int from, int to, char c) {
            for (int i = from; i <= to; ++i)
                map[i] = static_cast<unsigned char>(c);
        };
        range(0x00, 0x1F, ' '); range(0x7F, 0x81, ' '); range(0x83, 0x89, ' '); range(0x8B, 0x8B, ' ');
        range(0x8D, 0x90, ' '); range(0x95, 0x95, ' '); range(0x98, 0x99, ' '); range(0x9B, 0x9B, ' ');
        range(0x9D, 0x9E, ' '); range(0xA0, 0xA5, ' '); range(0xA7, 0xB1, ' '); range(0xB5, 0xB8, ' ');
        range(0xBA, 0xBF, ' '); range(0xDE, 0xDE, ' '); range(0xF0, 0xF0, ' '); range(0xFE, 0xFE, ' ');
        range(0x93, 0x94, '"');
        range(0x82, 0x82, '\''); range(0x91, 0x92, '\''); range(0xB4, 0xB4, '\'');
        range(0x96, 0x97, '-');
        range(0xF7, 0xF7, '/');
        range(0xB9, 0xB9, '1'); range(0xB2, 0xB2, '2'); range(0xB3, 0xB3, '3');
        range(0xC0, 0xC6, 'A'); range(0xDF, 0xDF, 'B'); range(0xC7, 0xC7, 'C'); range(0xD0, 0xD0, 'D');
        range(0xC8, 0xCB, 'E'); range(0xCC, 0xCF, 'I'); range(0xD1, 0xD1, 'N');
        range(0x8C, 0x8C, 'O'); range(0xD2, 0xD6, 'O'); range(0xD8, 0xD8, 'O');
        range(0x8A, 0x8A, 'S'); range(0xD9, 0xDC, 'U'); range(0xD7, 0xD7, 'X');
        range(0x9F, 0x9F, 'Y'); range(0xDD, 0xDD, 'Y');
        range(0xE0, 0xE6, 'a'); range(0xE7, 0xE7, 'c'); range(0xE8, 0xEB, 'e'); range(0xEC, 0xEF, 'i');
        range(0xF1, 0xF1, 'n'); range(0x9C, 0x9C, 'o'); range(0xF2, 0xF6, 'o'); range(0xF8, 0xF8, 'o');
        range(0x9A, 0x9A, 's'); range(0xF9, 0xFC, 'u'); range(0xFD, 0xFD, 'y'); range(0xFF, 0xFF, 'y');
        range(0xA6, 0xA6, '|');
    }
};
constexpr PlainTextTable kPlainText;
} // namespace

unsigned char plainTextByte(unsigned char c)
{
    return kPlainText.map[c];
}

Value stringUpper(const Value& s) { return mapped(s, toUpper1252); }
Value stringLower(const Value& s) { return mapped(s, toLower1252); }
Value stringPlainText(const Value& s) { return mapped(s, plainTextByte); }

bool stringCopyTo(const Value& s, char* out, int32_t size)
{
    std::string_view t = textOf(s);
    if (static_cast<int64_t>(t.size()) >= size)
        return false;
    std::memcpy(out, t.data(), t.size());
    out[t.size()] = '\0';
    return true;
}

} // namespace vel
