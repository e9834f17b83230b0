// The reader of the text notation: one element from a byte text, the cursor left after it. Errors go
// through velError; when the handler lets the reader go on it stays inside the text and terminates.
#pragma once

#include <string_view>

#include "value/value.h"

namespace vel {

class Reader {
public:
    static constexpr std::size_t kWordLimit = 63;

    // The text ends at its length or at its first zero byte, whichever comes first.
    explicit Reader(std::string_view text);

    // Reads one element. Returns nil (and reports) at the end of the text.
    Value read();
    // Skips white space and comments; true when an element may follow.
    bool moreElements();
    std::size_t position() const { return position_; }

    // The process-wide table of named constants ("nil", "true", "red" ...).
    static const Value& constants();

private:
    enum class Stop { Element, CloseParen, End };
    Stop skipBlank();
    Value readElement();
    Value readString(std::size_t start);
    Value readCompound(std::size_t start);
    Value readAtom(std::size_t start);
    std::string_view readWord(bool wholeLowerCase);
    Value readTable(std::size_t start);
    Value readList(std::size_t start, bool integers);
    Value readPointRectRgb(std::size_t start, int kind);
    Value readRegion(std::size_t start);
    Value readFont(std::size_t start);
    Value readSingleString(std::size_t start, std::string_view keyword);
    Value readDate(std::size_t start);
    void skipToEntryEnd();
    std::string_view from(std::size_t start) const { return text_.substr(start); }

    std::string_view text_;
    std::size_t position_ = 0;
    char word_[kWordLimit + 1] = {};
    int depth_ = 0;
};

// Reads the first element of a text with the constants table.
Value parseText(std::string_view text);
// "velDecodeString(stringOrBuf)".
Value velDecodeString(const Value& stringOrBuf);

} // namespace vel
