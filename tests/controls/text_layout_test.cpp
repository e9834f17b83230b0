#include "controls/text_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "runtime/image_context.h"
#include "support/error_capture.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::takeErrors;

// Font 0: every character 6 pixels wide, ascent 8, descent 2; font 1: 9 wide, ascent 12, descent 3.
class FixedMeasure : public LayoutMeasure {
public:
    FixedMeasure()
    {
        small.ascent = 8, small.descent = 2;
        small.advance16.fill(6 * 16);
        large.ascent = 12, large.descent = 3;
        large.advance16.fill(9 * 16);
    }
    const FontMetrics& metrics(const Value& font) override
    {
        return font.is(Tag::Font) && font.as<Font>()->size == 1 ? large : small;
    }
    Value bitmap(std::string_view name) override { return name == "pic" ? ContextImage::make(20, 30) : Value(); }
    FontMetrics small, large;
};

Value rec(std::initializer_list<Value> items)
{
    Value list = ValueList::make();
    for (const Value& v : items)
        asList(list)->append(v);
    return list;
}
Value str(const char* s) { return Value::string(s); }
Value num(int32_t n) { return Value::integer(n); }

Value parseOf(std::initializer_list<Value> records)
{
    Value result = Table::make();
    asTable(result)->put(std::string_view("TextRuns"), rec(records));
    asTable(result)->put(std::string_view("ListFonts"), rec({Font::make(str("Times"), 0, 0), Font::make(str("Times"), 1, 0)}));
    return result;
}

TextLayout lay(const Value& parse, int32_t width = 200, int32_t height = 1000, LayoutOptions options = {})
{
    FixedMeasure measure;
    return layoutText(parse, width, height, options, measure);
}

struct Placed {
    std::string text;
    int32_t x, y;
};
std::vector<Placed> placed(const TextLayout& l)
{
    std::vector<Placed> out;
    for (const LayoutPiece& p : l.pieces)
        out.push_back({std::string(l.textOf(p)), p.x, p.y});
    return out;
}

TEST(TextLayout, WrapsTabsAlignsAndSharesTheBaseline)
{
    struct Case {
        const char* name;
        Value parse;
        int32_t width;
        std::vector<std::pair<std::string, std::pair<int32_t, int32_t>>> expected; // text, (x, y)
    };
    const Case cases[] = {
        {"wrap by chunks", parseOf({rec({num(2), str("aaa bbb-ccc")})}), 50, {{"aaa bbb-", {0, 1}}, {"ccc", {0, 11}}}},
        {"spaces ending a line", parseOf({num(8), rec({num(2), str("aaa  bbb")})}), 40, {{"aaa", {22, 1}}, {"bbb", {22, 11}}}},
        {"long word cut at the edge", parseOf({rec({num(2), str("abcdefghij")})}), 25,
         {{"abcd", {0, 1}}, {"efgh", {0, 11}}, {"ij", {0, 21}}}},
        {"default tab stops every half inch", parseOf({rec({num(2), str("a")}), num(9), rec({num(2), str("b")}), num(9),
                                                       rec({num(2), str("c")})}),
         200, {{"a", {0, 1}}, {"b", {48, 1}}, {"c", {96, 1}}}},
        {"left and right stops in twips", parseOf({rec({num(13), num(1500)}), rec({num(14), num(2880)}), num(9),
                                                   rec({num(2), str("x")}), num(9), rec({num(2), str("yz")})}),
         300, {{"x", {100, 1}}, {"yz", {180, 1}}}},
        {"tab past the edge starts a line", parseOf({rec({num(2), str("abcdefgh")}), num(9), rec({num(2), str("c")})}), 50,
         {{"abcdefgh", {0, 1}}, {"c", {0, 11}}}},
        {"centre and right", parseOf({num(6), rec({num(2), str("ab ")}), num(5), num(8), rec({num(2), str("cd")})}), 100,
         {{"ab", {44, 1}}, {"cd", {88, 11}}}},
        {"shared baseline", parseOf({rec({num(2), str("s")}), rec({num(1), num(1), num(1), num(-1), num(0)}),
                                     rec({num(2), str("L")})}),
         100, {{"s", {0, 5}}, {"L", {6, 1}}}},
        {"escaped letter inside a word", parseOf({rec({num(2), str("ab Merc")}), rec({num(4), num(0xFA)}), rec({num(2), str("rio")})}),
         50, {{"ab", {0, 1}}, {"Merc\xfario", {0, 11}}}},
        {"indents", parseOf({rec({num(18), num(300)}), rec({num(17), num(-150)}), rec({num(2), str("aaaa bbbb")}),
                             num(15), rec({num(2), str("c")})}),
         60, {{"aaaa", {10, 1}}, {"bbbb", {20, 11}}, {"c", {0, 21}}}},
    };
    for (const Case& c : cases) {
        std::vector<Placed> got = placed(lay(c.parse, c.width));
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].text, c.expected[i].first) << c.name;
            EXPECT_EQ(std::make_pair(got[i].x, got[i].y), c.expected[i].second) << c.name << " " << got[i].text;
        }
    }
}

TEST(TextLayout, PagesTitlesAndTheEndlessPage)
{
    Value threeBreaks = parseOf({rec({num(2), str("a")}), num(3), rec({num(2), str("b")}), num(3), num(3)});
    EXPECT_EQ(lay(threeBreaks).pages.size(), 4u);
    EXPECT_EQ(lay(threeBreaks, 200, kEndlessPage).pages.size(), 1u);
    // Lines ten pixels high from y 1: the fourth would pass a foot at 35 and heads the next page.
    TextLayout l = lay(parseOf({rec({num(2), str("a")}), num(5), rec({num(2), str("b")}), num(5), rec({num(2), str("c")}),
                                num(5), rec({num(2), str("d")})}),
                       200, 35);
    ASSERT_EQ(l.pages.size(), 2u);
    EXPECT_EQ(l.pages[1].firstPiece, 3);
    EXPECT_EQ(l.pieces[3].y, 1);
    // A break just after the text ran onto a new page adds no blank page.
    l = lay(parseOf({rec({num(2), str("a")}), num(5), rec({num(2), str("b")}), num(5), rec({num(2), str("c")}), num(5),
                     num(3), rec({num(2), str("d")})}),
            200, 35);
    EXPECT_EQ(l.pages.size(), 2u);
    // A marker at the head of a page names a piece of that page.
    l = lay(parseOf({rec({num(2), str("a")}), num(3), rec({num(16), Value(), str("m:top")}), rec({num(2), str("b")})}));
    EXPECT_EQ(l.pageOf(l.marker("top")), 1);
    LayoutOptions titled;
    titled.title = str("T");
    l = lay(parseOf({rec({num(2), str("a")})}), 200, 100, titled);
    ASSERT_EQ(l.pieces.size(), 2u);
    EXPECT_EQ(l.pieces[1].y, 16); // one and a half lines of title, then one pixel
}

TEST(TextLayout, HotTextBitmapsMarkersBoxesAndUnknownRecords)
{
    LayoutOptions options;
    options.hotColor = 77;
    TextLayout l = lay(parseOf({rec({num(11), str("hot"), Value(), str("go:x")}), rec({num(16), Value(), str("m:first")}),
                                rec({num(16), Value(), str("nocolon")}), rec({num(10), str("pic")}),
                                rec({num(12), Value(), str("picture")}), rec({num(10), str("absent")}),
                                rec({num(21), num(2)}), num(42), rec({num(2), str("end")})}),
                       200, 1000, options);
    EXPECT_EQ(takeErrors(), std::vector<std::string>{"Unknown Intermediate Parse Type"});
    ASSERT_EQ(l.pieces.size(), 5u);
    EXPECT_EQ(l.pieces[0].fore, 77);
    EXPECT_EQ(textOf(l.targets[static_cast<size_t>(l.pieces[0].hot)]), "go:x");
    EXPECT_EQ(l.pieces[1].kind, LayoutPiece::Kind::Bitmap);
    EXPECT_EQ(textOf(l.targets[static_cast<size_t>(l.pieces[1].hot)]), "picture");
    EXPECT_EQ(l.pieces[1].y, 3); // two pixels under the line's top
    EXPECT_EQ(l.pieces[2].kind, LayoutPiece::Kind::Box);
    EXPECT_EQ(l.pieces[2].width, 34); // the line grew to the bitmap's height and four
    EXPECT_EQ(l.marker("first"), 1);
    EXPECT_EQ(l.marker("nocolon"), -1);
    Value table = l.table();
    EXPECT_EQ(asList(asTable(table)->get(std::string_view("Boxes")))->count(), 2);
    EXPECT_EQ(asList(asTable(table)->get(std::string_view("Bitmaps")))->count(), 1);
}

TEST(TextLayout, UnitsAtAnyResolution)
{
    // At more than 1440 dots per inch a twip is below one pixel: no division by zero.
    LayoutOptions fine;
    fine.dotsPerInch = 2000;
    TextLayout l = lay(parseOf({rec({num(13), num(150)}), num(9), rec({num(2), str("a")})}), 400, 100, fine);
    EXPECT_EQ(l.pieces.at(0).x, 150);
    fine.dotsPerInch = 0;
    l = lay(parseOf({num(9), rec({num(2), str("a")})}), 400, 100, fine);
    EXPECT_EQ(l.pieces.at(0).x, 48);
}

// Random record lists laid out at any size: nothing is lost, nothing leaves the view's width, and
// tiny views end.
TEST(TextLayout, RandomRecordsStayInsideTheWidth)
{
    std::mt19937 random(12);
    const char* words[] = {"a", "bb ", "ccc-", " ", "dddddddddddddddddddddd", "e f g ", "\x01\x1f"};
    for (int round = 0; round < 200; ++round) {
        Value runs = ValueList::make();
        int32_t characters = 0;
        for (int i = 0, n = static_cast<int>(random() % 40); i < n; ++i) {
            switch (random() % 9) {
            case 0: asList(runs)->append(rec({num(1), num(static_cast<int32_t>(random() % 3)), num(1), num(-1), num(static_cast<int32_t>(random() % 3))})); break;
            case 1: asList(runs)->appendInt(static_cast<int32_t>(3 + random() % 7)); break;
            case 2: asList(runs)->append(rec({num(static_cast<int32_t>(13 + random() % 2)), num(static_cast<int32_t>(random() % 6000))})); break;
            case 3: asList(runs)->append(rec({num(static_cast<int32_t>(17 + random() % 2)), num(static_cast<int32_t>(random() % 3000) - 1000)})); break;
            case 4: asList(runs)->append(rec({num(21), num(static_cast<int32_t>(random() % 4))})); break;
            default: {
                const char* w = words[random() % 7];
                characters += static_cast<int32_t>(std::count_if(w, w + strlen(w), [](char c) { return c != ' '; }));
                asList(runs)->append(rec({num(random() % 2 ? 2 : 11), str(w), Value(), str("t")}));
            }
            }
        }
        Value parse = parseOf({});
        asTable(parse)->put(std::string_view("TextRuns"), runs);
        const int32_t width = round < 20 ? round % 2 : 9 + static_cast<int32_t>(random() % 400);
        const int32_t height = round < 40 ? round % 2 : static_cast<int32_t>(random() % 500);
        TextLayout l = lay(parse, width, random() % 4 ? height : kEndlessPage);
        int32_t laid = 0;
        for (const LayoutPiece& p : l.pieces) {
            if (p.kind == LayoutPiece::Kind::Text) {
                std::string_view t = l.textOf(p);
                laid += static_cast<int32_t>(std::count_if(t.begin(), t.end(), [](char c) { return c != ' '; }));
            }
            if (width >= 9 && p.kind == LayoutPiece::Kind::Text) {
                EXPECT_TRUE(p.x >= 0 && p.x + p.width <= width)
                    << "round " << round << " '" << l.textOf(p) << "' x " << p.x << " w " << p.width << " of " << width;
            }
        }
        EXPECT_EQ(laid, characters) << "round " << round;
    }
    EXPECT_EQ(takeErrors(), std::vector<std::string>{});
}

} // namespace
} // namespace vel
