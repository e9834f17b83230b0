// The rich-text layout engine: the run records of a parse (see rtf_parser.h) laid out into lines
// and pages inside a page rectangle. Pieces keep their place in compact arrays, their text in one
// string; table() gives the layout as a value ("Pages", "Fonts", "Bitmaps", "Markers", "Boxes") for
// those who want it. Coordinates are pixels from the page rectangle's top-left corner, each page
// starting again at 0; the drawer adds where the region stands.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "controls/rtf_parser.h"
#include "value/value.h"

namespace vel {

// A font's measures at one resolution: advance widths in sixteenths of a pixel, so that a long run
// adds up as the font engine draws it.
struct FontMetrics {
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t leading = 0;
    std::array<uint16_t, 256> advance16{};

    int32_t height() const { return ascent + descent + leading; }
    int32_t width(std::string_view text) const;
};

// What the layout asks of the world: fonts measured, and bitmaps named in the text.
class LayoutMeasure {
public:
    virtual ~LayoutMeasure() = default;
    // A font value, or nil for the default face; the reference stays valid while this object lives.
    virtual const FontMetrics& metrics(const Value& font) = 0;
    // The named bitmap as an image, or nil when it cannot be had.
    virtual Value bitmap(std::string_view name) { return Value(); }
};

// A page this tall holds any text: the scrolling view's one endless page, where page breaks end
// paragraphs instead.
constexpr int32_t kEndlessPage = 0x7FFFFFF;

struct LayoutOptions {
    int32_t foreColor = 1;
    int32_t backColor = -1;
    int32_t hotColor = 255;
    int32_t dotsPerInch = 96;
    Value title;     // a string, or nil for none
    Value titleFont; // nil: the first font of the text
    bool noBitmaps = false;
    bool noBoxes = false;

    // From a table with the keys "ForeColor", "BackColor", "HotColor", "DPI", "Title", "TitleFont",
    // "NoBitmaps" and "NoBoxes"; absent keys keep their defaults.
    static LayoutOptions fromTable(const Value& table);
};

struct LayoutPiece {
    enum class Kind : uint8_t { Text, Bitmap, Box };
    Kind kind = Kind::Text;
    int16_t font = -1; // index in the layout's fonts; -1 for the default face
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t textStart = 0, textLength = 0; // Text: the characters; Bitmap: index in bitmaps
    int32_t fore = 1, back = -1;
    int32_t hot = -1; // index in targets when the piece is hot
};

struct LayoutPage {
    int32_t firstPiece = 0;
    int32_t pieceCount = 0;
    int32_t bottom = 0; // the lowest line's bottom
};

class TextLayout {
public:
    std::vector<LayoutPiece> pieces;
    std::vector<LayoutPage> pages;
    std::string text;
    std::vector<Value> targets;
    std::vector<Value> bitmaps;
    Value fonts; // the list of font values the pieces name
    std::unordered_map<std::string, int32_t> markers;

    std::string_view textOf(const LayoutPiece& piece) const
    {
        return std::string_view(text).substr(static_cast<size_t>(piece.textStart), static_cast<size_t>(piece.textLength));
    }
    Value font(int32_t index) const;
    // The page holding a piece (0 when there is none).
    int32_t pageOf(int32_t piece) const;
    // The run a marker names, or -1.
    int32_t marker(std::string_view name) const;
    // The layout as a table of values.
    Value table() const;
};

// Lays out a parse result {"TextRuns", "ListFonts"} inside `width` x `height` pixels. A record the
// engine does not know is reported ("Unknown Intermediate Parse Type") and passed over.
TextLayout layoutText(const Value& parseResult, int32_t width, int32_t height, const LayoutOptions& options,
                      LayoutMeasure& measure);
// The same for a parse kept compactly (parseRichText).
TextLayout layoutText(const RichText& parse, int32_t width, int32_t height, const LayoutOptions& options,
                      LayoutMeasure& measure);

} // namespace vel
