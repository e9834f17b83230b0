// The rich-text parser: texts in, run records and fonts out, compared in quoted form on one line.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "controls/rtf_parser.h"
#include "support/error_capture.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;

Value request(const Value& buffer, std::initializer_list<std::pair<const char*, Value>> extra = {})
{
    Value r = Table::make();
    asTable(r)->put("Type", Value::string("RTF"));
    asTable(r)->put("Buffer", buffer);
    asTable(r)->put("Font", Font::make(Value::string("Arial"), 9, 0));
    for (const auto& [key, value] : extra)
        asTable(r)->put(key, value);
    return r;
}

std::string oneLine(const Value& v)
{
    std::string text = quotedForm(v), out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') {
            out += text[i];
            continue;
        }
        out += ' ';
        while (i + 1 < text.size() && text[i + 1] == ' ')
            ++i;
    }
    return out;
}

std::string runsOf(std::string_view text, std::initializer_list<std::pair<const char*, Value>> extra = {})
{
    return oneLine(asTable(parseText(request(Value::string(text), extra)))->get("TextRuns"));
}

class RtfParserTest : public ErrorCheckedTest {};

TEST_F(RtfParserTest, ConstructsBecomeTheirRecords)
{
    const std::string hot = "(list 1 1 16711680 -1 0) ";
    const struct {
        std::string text, runs;
    } cases[] = {
        {"", "(list)"},
        {"{\\b Bold} plain", "(list (list 1 1 1 -1 0) (list 2 \"Bold\") (list 1 0 1 -1 0) (list 2 \" plain\"))"},
        {"lost\\qc kept", "(list 6 (list 1 0 1 -1 1) (list 2 \"kept\"))"},
        {"{\\uldb Mapa}!\\{mapa:1\\}", "(list " + hot + "(list 11 \"Mapa\" VEL_NIL \"mapa:1\"))"},
        {"{\\uldb MARKER}!\r\n\\{fim\\}", "(list " + hot + "(list 16 VEL_NIL \"fim\"))"},
        {"{\\uldb Ir}! fim", "(list " + hot + "(list 11 \"Ir\" VEL_NIL \"\") (list 1 0 1 -1 0) (list 2 \"fim\"))"},
        {"{\\uldb Ir}!x", "(list " + hot + "(list 11 \"Ir\" VEL_NIL \"Ir\") (list 1 0 1 -1 0) (list 2 \"x\"))"},
        {"\\b\\i x", "(list (list 1 2 1 -1 0) (list 2 \"x\"))"},
        {"\\p\r\na\nr x", "(list (list 1 0 1 -1 0) 5 (list 2 \"x\"))"},
        {"\\ul x\\ul0 y", "(list (list 1 1 1 -1 0) (list 2 \"x\") (list 1 0 1 -1 0) (list 2 \"y\"))"},
        {"caf\\'E9\\page", "(list (list 1 0 1 -1 0) (list 2 \"caf\") (list 4 233) 3)"},
        {"\\tqr\\tx5040\\tx100\\fi-360\\li720\\box2\\pard\\tab",
         "(list (list 14 5040) (list 13 100) (list 17 -360) (list 18 720) (list 21 2) (list 1 0 1 -1 0) 15 9)"},
        {"\\{bmc foto.bmp\\}", "(list (list 1 0 1 -1 0) (list 10 \"foto.bmp\"))"},
        {"{\\uldb \\{bmc a.bmp\\}}!\\{alvo\\}", "(list " + hot + "(list 10 \"a.bmp\") (list 12 VEL_NIL \"alvo\"))"},
        {"{\\strike Nota}} fim", "(list " + hot + "(list 19 \"Nota\") (list 1 0 1 -1 0) (list 2 \" fim\"))"},
        {"{\\strike {\\uldb Ver}!\\{v\\}}", "(list " + hot + "(list 20 \"Ver\" VEL_NIL \"v\"))"},
        {"\\lquote a\\rquote \\ldblquote\\rdblquote\\emdash\\endash",
         "(list (list 1 0 1 -1 0) (list 2 \"\\x91a\\x92\\x93\\x94\\x97\\x96\"))"},
        // An unknown word runs to the next brace, backslash, tab or line break, spaces included.
        {"\\f0 lost\\fs20 \\line x\r\nkept\\hello{\\height 40 y}", "(list (list 1 0 1 -1 0) (list 2 \"keptello\"))"},
        // Bad input: unclosed or extra groups, and texts that end inside a word, an escape or a target.
        {"}}a}{\\b open", "(list (list 1 0 1 -1 0) (list 2 \"a\") (list 1 1 1 -1 0) (list 2 \"open\"))"},
        {"x\\pa", "(list (list 1 0 1 -1 0) (list 2 \"x\"))"},
        {"x\\'4", "(list (list 1 0 1 -1 0) (list 2 \"x\"))"},
        {"{\\uldb a}!\\{alv", "(list " + hot + "(list 11 \"a\" VEL_NIL \"alv\"))"},
        {std::string("a\0b\x01\tc\x1f", 7), "(list (list 1 0 1 -1 0) (list 2 \"ab\\x01c\\x1f\"))"},
        // Mended: hot text open at the end keeps its text; a bullet leaves what ends its word alone;
        // "\uldb0" brings the plain format back; a style change inside hot text keeps the hot colour;
        // a number past 32 bits does not wrap.
        {"{\\uldb open", "(list " + hot + "(list 11 \"open\" VEL_NIL \"open\"))"},
        {"\\bullet\\tab x\\bullet\r\nItem",
         "(list (list 1 0 1 -1 0) (list 2 \"\\x95\") 9 (list 2 \"x\\x95Item\"))"},
        {"\\uldb a\\uldb0!\\{t\\} b", "(list " + hot + "(list 11 \"a\" VEL_NIL \"t\") (list 1 0 1 -1 0) (list 2 \"b\"))"},
        {"{\\uldb a \\b b}!\\{t\\}", "(list (list 1 2 16711680 -1 0) (list 11 \"a b\" VEL_NIL \"t\"))"},
        {"\\tx123456789012345678901234567890", "(list (list 13 2147483647))"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runsOf(c.text), c.runs) << c.text;
}

TEST_F(RtfParserTest, RequestKeysAndFonts)
{
    Value result = parseText(request(Value::string("{\\b\\i x}{\\ul y}")));
    EXPECT_EQ(oneLine(asTable(result)->get("ListFonts")),
              "(list (font \"Arial\" 9 0) (font \"Arial\" 9 2) (font \"Arial\" 9 3) (font \"Arial\" 9 4))");
    EXPECT_EQ(oneLine(asTable(parseText(request(Value::string(""))))->get("ListFonts")), "(list (font \"Arial\" 9 0))");
    // A buffer reads as a string does; the colours and alignment start every format record.
    const char bytes[] = "ab";
    EXPECT_EQ(oneLine(asTable(parseText(request(Buffer::over(bytes, 2, true),
                                                {{"ForeColor", Value::integer(5)}, {"Align", Value::integer(2)},
                                                 {"BackColor", Value::integer(7)}})))->get("TextRuns")),
              "(list (list 1 0 5 7 2) (list 2 \"ab\"))");
    // Styles named by "HotStyle" make hot text of their own.
    EXPECT_EQ(runsOf("{\\b Ver}!\\{x\\}", {{"HotStyle", Value::integer(2)}, {"HotColor", Value::integer(9)}}),
              "(list (list 1 1 9 -1 0) (list 11 \"Ver\" VEL_NIL \"x\"))");
}

TEST_F(RtfParserTest, EveryMessage)
{
    Value bad = request(Value::string("x"));
    asTable(bad)->put("Type", Value::string("HTML"));
    EXPECT_TRUE(parseText(bad).isNil());
    EXPECT_EQ(runsOf("\\'zz"), "(list (list 1 0 1 -1 0) (list 4 83))"); // 35 * 16 + 35, kept to a byte
    EXPECT_EQ(oneLine(parseText(request(Value::integer(3)))), oneLine(parseText(request(Value::string("")))));
    Value faceless = request(Value::string("a"));
    asTable(faceless)->put("Font", Font::make(Value::integer(1), 9, 0));
    EXPECT_EQ(oneLine(asTable(parseText(faceless))->get("TextRuns")), "(list (list 1 0 1 -1 0) (list 2 \"a\"))");
    EXPECT_EQ(errors(), (std::vector<std::string>{"Invalid parse type: HTML", "Bad hex character while parsing rtf",
                                                  "Bad hex character while parsing rtf",
                                                  "Bad buffer or string passed to parseRTF::init()",
                                                  "Warning: font problem"}));
}

// Texts cut at random from every construct: each record has its shape, format records name fonts
// of the list, and nothing is nil.
TEST_F(RtfParserTest, RandomTextsGiveWellFormedRecords)
{
    const std::string pieces[] = {"{", "}", "\\b ", "\\b0 ", "\\i ", "\\ul0 ", "\\plain ", "\\par\r\n", "\\pard ",
                                  "\\page ", "\\qc ", "\\ql ", "\\qr ", "\\tab ", "\\tqr", "\\tx720 ", "\\fi-200 ",
                                  "\\li400 ", "\\box3 ", "\\fs24 ", "\\emdash ", "\\bullet\t", "\\'e3", "\\'g",
                                  "{\\uldb ", "}!\\{alvo\\}", "\\uldb0 ", "{\\strike ", "\\{bmc f.bmp\\}", "marker",
                                  "\\height 5", "\\line ", "palavra ", "\\", "!", " ", "\n", std::string(1, '\0')};
    std::mt19937 random(12);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (int n = random() % 40; n > 0; --n)
            text += pieces[random() % std::size(pieces)];
        text.resize(random() % (text.size() + 1));
        Value result = parseText(request(Value::string(text), {{"HotStyle", Value::integer(round % 3 ? 0 : 4)}}));
        const int32_t fonts = asValueList(asTable(result)->get("ListFonts"))->count();
        for (const Value& run : *asValueList(asTable(result)->get("TextRuns"))) {
            ASSERT_FALSE(run.isNil()) << text;
            if (run.is(Tag::Int)) {
                EXPECT_NE(std::string_view("\3\5\6\7\x8\x9\xf").find(char(run.asInt())), std::string_view::npos);
                continue;
            }
            const ValueList& r = *asValueList(run);
            const int32_t code = r.at(0).asInt();
            const int arity[] = {0, 5, 2, 0, 2, 0, 0, 0, 0, 0, 2, 4, 3, 2, 2, 0, 3, 2, 2, 2, 4, 2};
            ASSERT_TRUE(code > 0 && code <= 21 && (r.count() == arity[code] || (code == 12 && r.count() == 2)))
                << oneLine(run) << " from " << text;
            if (code == kRunFormat) {
                EXPECT_LT(r.at(1).asInt(), fonts);
            } else if (code == kRunCharacter) {
                EXPECT_TRUE(r.at(1).asInt() >= 0 && r.at(1).asInt() <= 255);
            }
        }
        errors();
    }
}

} // namespace
} // namespace vel
