// Strings (tag 6): immutable Windows-1252 byte texts, always NUL-terminated. Every "change" makes a
// new string.
#pragma once

#include <string>
#include <string_view>

#include "value/value.h"

namespace vel {

class String final : public Object {
public:
    String(const char* text, int32_t length);
    ~String() override;

    uint32_t hash() const override;
    Value print(Tag tag, bool quoted) const override;

    int32_t length() const { return length_; }
    const char* text() const { return text_; }
    std::string_view view() const { return {text_, static_cast<std::size_t>(length_)}; }
    unsigned char at(int32_t i) const { return static_cast<unsigned char>(text_[i]); }

private:
    int32_t length_;
    char* text_;
    // Strings never change, so their hash is worked out once, on first use.
    mutable uint32_t hash_ = 0;
    mutable bool hashed_ = false;
};

// Access to a string value's text; an empty view for anything else.
std::string_view textOf(const Value& v);
inline String* asString(const Value& v) { return v.is(Tag::String) ? v.as<String>() : nullptr; }

Value concat(std::string_view a, std::string_view b);
Value stringLeft(const Value& s, int32_t n);
Value stringRight(const Value& s, int32_t n);
Value stringMid(const Value& s, int32_t start, int32_t n);
int32_t stringIndexOfChar(const Value& s, unsigned char c, int32_t start);
int32_t stringIndexOf(const Value& s, std::string_view needle, int32_t start);
// Searches backwards from start (0 means the last byte) for where needle's bytes match, or -1.
int32_t stringLastIndexOf(const Value& s, std::string_view needle, int32_t start);
Value stringUpper(const Value& s);
Value stringLower(const Value& s);
// Accented letters and typographic signs become plain ASCII, control characters spaces.
Value stringPlainText(const Value& s);
unsigned char plainTextByte(unsigned char c);
// Copies with the terminator only when length < size.
bool stringCopyTo(const Value& s, char* out, int32_t size);

} // namespace vel
