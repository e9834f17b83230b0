// Rich text on arbitrary bytes, parsed and laid out at any width from 1 to 2000 pixels and any
// height: the layout must end, lose no piece, and keep every piece on a page it lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "controls/rtf_parser.h"
#include "controls/text_layout.h"
#include "fuzz_support.h"
#include "value/data_objects.h"
#include "value/string.h"
#include "value/table.h"

namespace {

// Widths from 0 to 15 pixels by character (up to 23 in bold), two heights: no screen needed.
constexpr int32_t kWidest = 23;

class BytesMeasure final : public vel::LayoutMeasure {
public:
    BytesMeasure()
    {
        small_.ascent = 9, small_.descent = 3;
        large_.ascent = 20, large_.descent = 5;
        for (int c = 0; c < 256; ++c) {
            small_.advance16[static_cast<std::size_t>(c)] = static_cast<uint16_t>((c * 7 % 16) * 16);
            large_.advance16[static_cast<std::size_t>(c)] = static_cast<uint16_t>((c * 7 % 16) * 24);
        }
    }
    const vel::FontMetrics& metrics(const vel::Value& font) override
    {
        return font.is(vel::Tag::Font) && font.as<vel::Font>()->style & 2 ? large_ : small_;
    }

private:
    vel::FontMetrics small_, large_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace vel;
    fuzzing::installHandlers();
    if (size < 3)
        return 0;
    const int32_t width = 1 + (data[0] | data[1] << 8) % 2000;
    const int32_t height = data[2] & 1 ? kEndlessPage : data[2] * 4;
    Value request = Table::make();
    asTable(request)->put(std::string_view("Type"), Value::string("RTF"));
    asTable(request)->put(std::string_view("Buffer"), Value::string(reinterpret_cast<const char*>(data + 3),
                                                                     static_cast<int32_t>(size - 3)));
    asTable(request)->put(std::string_view("Font"), Font::make(Value::string("Times New Roman"), 9, 0));
    BytesMeasure measure;
    TextLayout layout = layoutText(parseText(request), width, height, LayoutOptions{}, measure);
    // The view lays out the compact records: the same layout as from the records as values.
    RichText records;
    parseRichText(request, records);
    const TextLayout direct = layoutText(records, width, height, LayoutOptions{}, measure);
    if (direct.text != layout.text || direct.pieces.size() != layout.pieces.size() || direct.pages.size() != layout.pages.size())
        std::abort();
    for (size_t i = 0; i < layout.pieces.size(); ++i) {
        const LayoutPiece &a = layout.pieces[i], &b = direct.pieces[i];
        if (a.x != b.x || a.y != b.y || a.width != b.width || a.textStart != b.textStart || a.hot != b.hot)
            std::abort();
    }
    int32_t counted = 0;
    for (const LayoutPage& page : layout.pages) {
        if (page.firstPiece != counted || page.pieceCount < 0)
            std::abort();
        counted += page.pieceCount;
    }
    if (counted != static_cast<int32_t>(layout.pieces.size()))
        std::abort();
    for (const LayoutPiece& p : layout.pieces) {
        // A piece leaves the width only where one character is wider than the line.
        if (p.kind == LayoutPiece::Kind::Text && (p.x < 0 || (width >= kWidest && p.x + p.width > width)))
            std::abort();
    }
    (void)layout.table();
    return 0;
}
