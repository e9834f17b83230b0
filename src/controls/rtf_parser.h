// The rich-text parser: article texts, captions and help texts are a small dialect of RTF with
// help-file conventions for hot text ("{\uldb text}!\{target\}") and bitmaps ("\{bmc name\}"). The
// parser turns such a text into run records and the list of fonts they use; the text view lays the
// records out. Nothing here knows about geometry: numbers are passed on as written (twips).
//
// Request (a table): "Type" = "RTF"; "Buffer" (string or buffer, Windows-1252); "Font" (the base
// font); optional "Align" (0), "ForeColor" (1), "BackColor" (-1), "HotStyle" (0), "HotColor" (0xFF0000).
// Result (a table): "TextRuns", the records in text order, and "ListFonts", the fonts that format
// records name by 0-based index, each (face, size, style) once, the base font first.
//
// A record without operands is a bare integer, one with operands a list that starts with the code:
//   1  [1, font index, foreground colour, background colour, alignment]  character format changed
//   2  [2, text]                        plain text
//   3  3                                \page
//   4  [4, character code]              \'hh
//   5  5                                \par
//   6  6                                \qc (alignment 1)
//   7  7                                \ql (alignment 0)
//   8  8                                \qr (alignment 2)
//   9  9                                \tab
//   10 [10, bitmap name]                {bmc name\}
//   11 [11, hot text, nil, target]      double-underlined hot text
//   12 [12, nil, target]                double-underlined bitmap (the last bitmap becomes hot)
//   13 [13, position]                  \txN
//   14 [14, position]                  \tqr\txN (right-aligned stop)
//   15 15                               \pard
//   16 [16, nil, marker name]           double-underlined hot text that reads "marker"
//   17 [17, number]                     \fiN (may be negative)
//   18 [18, number]                     \liN (may be negative)
//   19 [19, hot text]                   struck-out hot text
//   20 [20, hot text, nil, target]      double-underlined hot text inside struck-out text
//   21 [21, number]                     \boxN
// Consecutive format records collapse into the last; a format record at the end is dropped.
// Style bits of the fonts: 1 italic, 2 bold, 4 underline, 8 hot text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace vel {

enum RunCode : int32_t {
    kRunFormat = 1,
    kRunText = 2,
    kRunPage = 3,
    kRunCharacter = 4,
    kRunParagraph = 5,
    kRunCentre = 6,
    kRunLeft = 7,
    kRunRight = 8,
    kRunTab = 9,
    kRunBitmap = 10,
    kRunHotText = 11,
    kRunHotBitmap = 12,
    kRunTabStop = 13,
    kRunRightTabStop = 14,
    kRunParagraphReset = 15,
    kRunMarker = 16,
    kRunFirstIndent = 17,
    kRunLeftIndent = 18,
    kRunStrikeText = 19,
    kRunHotTextInStrike = 20,
    kRunBox = 21,
};

enum FontStyleBit : int32_t { kStyleItalic = 1, kStyleBold = 2, kStyleUnderline = 4, kStyleHot = 8 };

// The records of one parse held compactly, for a reader that walks them once (the text view lays
// them out without a value per record); toValue() gives them as parseText does.
struct RichRun {
    int32_t code = 0;
    // Format: font index, foreground, background, alignment; \'hh, \tx, \fi, \li, \box: the number.
    int32_t numbers[4] = {};
    uint8_t given = 0;             // bit i: numbers[i] is there (records read from values may lack one)
    int32_t textStart = 0;         // the text, or a bitmap's name, in RichText::text
    int32_t textLength = -1;       // -1: the record has no text
    int32_t target = -1;           // hot text's target or a marker's name in RichText::targets; -1: none
};

struct RichText {
    std::vector<RichRun> runs;
    std::string text;
    std::vector<Value> targets;
    Value fonts; // "ListFonts"

    std::string_view textOf(const RichRun& run) const
    {
        return run.textLength < 0 ? std::string_view()
                                  : std::string_view(text).substr(static_cast<std::size_t>(run.textStart),
                                                                  static_cast<std::size_t>(run.textLength));
    }
    Value target(const RichRun& run) const
    {
        return run.target >= 0 ? targets[static_cast<std::size_t>(run.target)] : Value();
    }
    // {"TextRuns", "ListFonts"}: the records as values.
    Value toValue() const;
};

// Parses by the request's "Type"; anything but "RTF" reports "Invalid parse type: " + the type and
// gives nil.
Value parseText(const Value& request);
// The same parse into the compact form; false, the error reported, when parseText would give nil.
bool parseRichText(const Value& request, RichText& out);

// The parsers' common base: the base operations do nothing and give nil.
class parseBase {
public:
    virtual ~parseBase() = default;
    virtual Value init(const Value& request);
    virtual Value parse();
};

// One parse of one text: init with the request, then parse once.
class parseRTF final : public parseBase {
public:
    Value init(const Value& request) override;
    Value parse() override;
    // Parses once into the compact form instead; false before a usable init.
    bool parseInto(RichText& out);

private:
    struct Group {
        int32_t fontIndex, foreColor, backColor, align;
    };

    // Reading: every primitive but skipWord passes over CR and LF as if they were absent; -1 is the end.
    int peek(int ahead) const;
    void skip(int count);
    int next();
    bool startsWith(std::string_view word) const;
    // To the next CR, LF, tab, brace or backslash: a space does not end a word.
    void skipWord();
    // A control word's first bytes, line breaks passed over, read once and then matched against
    // each word it may be.
    void readWordStart();
    bool wordIs(std::string_view word) const;
    int letter(std::size_t i) const; // -1 past the text's end
    int32_t readNumber(bool signedNumber);

    // Records.
    bool run();
    // The new record, for the caller to fill at once; it replaces a format record just before it.
    RichRun& emit(int32_t code);
    void emitNumber(int32_t code, int32_t n);
    void emitText(int32_t code, std::string_view text);
    void setText(RichRun& record, std::string_view text);
    void emitFormatIfChanged();
    void flushText();
    int32_t fontIndexFor(const Value& face, int32_t size, int32_t style);
    int32_t colorOutsideHotText() const;

    // The constructs of the text.
    void controlWord();
    bool wordWithNumber(int letters, int32_t code, bool signedNumber);
    void changeStyle(int32_t bit, bool set);
    void startHotText(bool strike);
    void endDoubleUnderline(bool clearHotBit);
    void endStrike();
    void hexCharacter();
    void bitmapReference();
    void pushGroup();
    void popGroup();

    Value source_; // keeps the bytes alive
    const unsigned char* position_ = nullptr;
    const unsigned char* end_ = nullptr;
    std::string text_;
    char word_[10] = {};
    std::size_t wordLength_ = 0;

    Value face_;
    int32_t size_ = 0, style_ = 0, fontIndex_ = 0;
    int32_t normalColor_ = 1, hotColor_ = 0xFF0000, color_ = 1, backColor_ = -1, align_ = 0, hotStyle_ = 0;
    bool formatChanged_ = true, doubleUnderline_ = false, strike_ = false, bitmapInHotText_ = false;
    bool rightTabStop_ = false;
    std::vector<Group> groups_;
    RichText out_;
    bool ready_ = false;
    int32_t lastCode_ = 0;
};

} // namespace vel
