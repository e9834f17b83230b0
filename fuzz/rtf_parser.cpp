// The rich-text parser on arbitrary bytes, read from a buffer that is exactly as long as the input so
// that the sanitizer sees any read past the text: every record must have its shape, every format
// record must name a font of the list, and the list must hold each font once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "controls/rtf_parser.h"
#include "fuzz_support.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/table.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Operands after the code: -1 for a string, 0 for nil, 1 for an integer.
bool hasShape(const vel::ValueList& record, std::initializer_list<int> operands)
{
    if (record.count() != static_cast<int32_t>(operands.size()) + 1)
        return false;
    int32_t i = 1;
    for (int kind : operands) {
        const vel::Value& v = record.at(i++);
        if (!(kind < 0 ? v.is(vel::Tag::String) : kind == 0 ? v.isNil() : v.is(vel::Tag::Int)))
            return false;
    }
    return true;
}

bool wellFormed(const vel::ValueList& r, int32_t fonts)
{
    switch (r.at(0).asInt()) {
    case vel::kRunFormat: return hasShape(r, {1, 1, 1, 1}) && r.at(1).asInt() >= 0 && r.at(1).asInt() < fonts;
    case vel::kRunCharacter: return hasShape(r, {1}) && r.at(1).asInt() >= 0 && r.at(1).asInt() <= 255;
    case vel::kRunText: case vel::kRunBitmap: case vel::kRunStrikeText: return hasShape(r, {-1});
    case vel::kRunHotText: case vel::kRunHotTextInStrike: return hasShape(r, {-1, 0, -1});
    case vel::kRunHotBitmap: return hasShape(r, {0}) || hasShape(r, {0, -1});
    case vel::kRunMarker: return hasShape(r, {0, -1});
    case vel::kRunTabStop: case vel::kRunRightTabStop: case vel::kRunFirstIndent: case vel::kRunLeftIndent:
    case vel::kRunBox: return hasShape(r, {1});
    default: return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    if (size > (1u << 20))
        return 0;
    vel::Value request = vel::Table::make();
    vel::Table& keys = *vel::asTable(request);
    keys.put("Type", vel::Value::string("RTF"));
    keys.put("Buffer", vel::Buffer::over(data, static_cast<int32_t>(size), false));
    keys.put("Font", vel::Font::make(vel::Value::string("Times New Roman"), 9, 0));
    keys.put("HotStyle", vel::Value::integer(size > 0 ? data[0] & 7 : 0));
    vel::Value result = vel::parseText(request);
    const vel::ValueList& fonts = *vel::asValueList(vel::asTable(result)->get("ListFonts"));
    for (int32_t i = 0; i < fonts.count(); ++i)
        for (int32_t j = 0; j < i; ++j) {
            const auto *a = fonts.at(i).as<vel::Font>(), *b = fonts.at(j).as<vel::Font>();
            check(!(a->face == b->face && a->size == b->size && a->style == b->style));
        }
    for (const vel::Value& run : *vel::asValueList(vel::asTable(result)->get("TextRuns"))) {
        if (run.is(vel::Tag::Int)) {
            const int32_t code = run.asInt();
            check(code == 3 || code == 5 || (code >= 6 && code <= 9) || code == 15);
        } else {
            const vel::ValueList* record = vel::asValueList(run);
            check(record && record->count() > 0 && wellFormed(*record, fonts.count()));
        }
    }
    return 0;
}
