// The text notation: reader, printer, their messages, and print-then-read round trips.
#include <gtest/gtest.h>

#include <random>

#include "support/error_capture.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;
class NotationTest : public ErrorCheckedTest {};

Value parse(const std::string& text) { return parseText(text); }
std::string quoted(const Value& v) { return quotedForm(v); }
std::string shown(const Value& v) { return displayForm(v); }

TEST_F(NotationTest, Atoms)
{
    EXPECT_TRUE(parse("TRUE").is(Tag::Boolean));
    EXPECT_EQ(parse("True").asInt(), 1);
    EXPECT_EQ(parse("false").asInt(), 0);
    EXPECT_TRUE(parse("  ; comment\n nil").isNil());
    EXPECT_EQ(parse("red").asInt(), 255);
    EXPECT_EQ(parse("Black").asInt(), 1);
    EXPECT_EQ(parse("DoubleUnderline").asInt(), 8);
    EXPECT_TRUE(parse("3.0").is(Tag::Float));
    EXPECT_TRUE(parse("3").is(Tag::Int));
    EXPECT_EQ(parse("-42").asInt(), -42);
    EXPECT_FLOAT_EQ(parse("1.5e3").asFloat(), 1500.0f);
    EXPECT_EQ(parse("99999999999").asInt(), INT32_MAX);
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(parse("1e5").isNil());
    EXPECT_TRUE(parse("Hello").isNil());
    EXPECT_TRUE(parse("VEL_NIL").isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Undefined constant: '1e5' while parsing 1e5",
                                                   "Undefined constant: 'Hello' while parsing Hello",
                                                   "Undefined constant: 'Vel_nil' while parsing VEL_NIL"}));
}

TEST_F(NotationTest, LongWordsAreCutAt63Bytes)
{
    std::string word(70, 'a');
    Value l = parse("(list " + std::string(63, '1') + std::string(7, '2') + ")");
    EXPECT_EQ(velCount(l), 2);
    EXPECT_EQ(velIntValue(velGet(l, 1)), 2222222);
    errors();
    Reader reader(word);
    reader.read();
    EXPECT_EQ(reader.position(), 63u);
    EXPECT_EQ(errors().front(), "Undefined constant: '" + std::string(63, 'a') + "' while parsing " + word);
}

TEST_F(NotationTest, Strings)
{
    EXPECT_EQ(textOf(parse("\"a\\\"b\\\\c\\n\\r\\t\\x41\\xe9\"")), "a\"b\\c\n\r\tA\xe9");
    EXPECT_EQ(textOf(parse("\"line\nbreak \xe7\"")), "line\nbreak \xe7");
    EXPECT_EQ(velCount(parse("\"\"")), 0);
    EXPECT_TRUE(parse("\"abc").isNil());
    parse("\"a\\qb\"");
    parse("\"\\xZ1\"");
    EXPECT_EQ(errors(), (std::vector<std::string>{"Unterminated string constant: \"abc",
                                                   "Invalid string escape code: '\\q'",
                                                   "Bad character code in string: \\xZ1"}));
    EXPECT_TRUE(parse("\"ends in backslash\\").isNil());
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(NotationTest, ListsAndTables)
{
    Value t = parse("(table (\"a\" 1) (\"a\" 2) (b 3 ignored (x)) ; c\n)");
    ASSERT_TRUE(t.is(Tag::Table));
    EXPECT_EQ(velCount(t), 1);
    EXPECT_EQ(velIntValue(velGet(t, Value::string("a"))), 2);
    auto errs = errors();
    ASSERT_EQ(errs.size(), 1u); // the undefined key b
    EXPECT_EQ(errs[0].rfind("Undefined constant: 'b'", 0), 0u);

    Value l = parse("(\"Foo\" 1 2)");
    EXPECT_EQ(shown(l), "(list Foo 1 2)");
    Value bare = parse("(Foo 1 2)");
    EXPECT_EQ(velCount(bare), 3);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(shown(parse("(LIST 1 (list) \"x\")")), "(list 1 (list) x)");
    Value il = parse("(intlist 1 \"7\" 2.9)");
    EXPECT_EQ(shown(il), "(intlist 1 7 2 )");
    EXPECT_EQ(asList(il)->elementKind(), ElementKind::Integer);

    EXPECT_TRUE(parse("(list 1 2").isNil());
    EXPECT_TRUE(parse("(table (1 2)").isNil());
    parse("(table x (1 2))");
    EXPECT_EQ(errors(), (std::vector<std::string>{"Unterminated list: (list 1 2", "Unterminated table(table (1 2)",
                                                   "Bad table syntax: (table x (1 2))"}));
}

TEST_F(NotationTest, GeometryAndColour)
{
    Value r = parse("(rect 10 20 30 40)");
    EXPECT_EQ(velLeft(r), 10);
    EXPECT_EQ(velTop(r), 20);
    EXPECT_EQ(velWidth(r), 30);
    EXPECT_EQ(velHeight(r), 40);
    EXPECT_EQ(asRegion(r)->right, 40);
    EXPECT_EQ(asRegion(r)->bottom, 60);
    Value p = parse("(point 5 6)");
    EXPECT_EQ(velWidth(p), 0);
    EXPECT_EQ(asRegion(p)->left, 5);
    EXPECT_EQ(parse("(rgb 255 0 0)").asInt(), 255);
    EXPECT_EQ(parse("(rgb 1 2 3)").asInt(), 1 + 2 * 256 + 3 * 65536);
    Value poly = parse("(region (0 0) (100 0) (0 100))");
    EXPECT_EQ(asRegion(poly)->points.size(), 4u);
    EXPECT_EQ(velWidth(poly), 100);
    EXPECT_TRUE(velContainsPoint(poly, 10, 10));
    EXPECT_FALSE(velContainsPoint(poly, 90, 90));
    Value far = parse("(region (5000 6000) (7000 9000) (5000 9000))");
    EXPECT_EQ(velLeft(far), 5000); // the box is the points', whatever the screen size
    EXPECT_EQ(velTop(far), 6000);
    EXPECT_TRUE(errors().empty());
    parse("(point 1)");
    parse("(rect 1 2 3)");
    parse("(rgb 1 2)");
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot read point (two INTS expected) (intlist 1 )",
                                                   "Cannot read rectangle (four INTS expected) (intlist 1 2 3 )",
                                                   "Cannot read color spec (expecting list of 3 INTs): (intlist 1 2 )"}));
}

TEST_F(NotationTest, FontsDatesAndNamedResources)
{
    Value f = parse("(font \"Arial\" 12 \"BOLD\")");
    ASSERT_TRUE(f.is(Tag::Font));
    EXPECT_EQ(f.as<Font>()->style, 2);
    EXPECT_EQ(f.as<Font>()->size, 12);
    EXPECT_EQ(parse("(font \"Times\" 10 italic)").as<Font>()->style, 1);
    EXPECT_EQ(parse("(font \"Times\" 10 \"other\")").as<Font>()->style, 0);
    EXPECT_EQ(parse("(font \"Times\" 10)").as<Font>()->style, 0);
    parse("(font \"Arial\")");
    parse("(font \"Arial\" 10 (list))");
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot read font name (string expected): (list Arial)",
                                                   "Bad font spec: (list Arial 10 (list))"}));

    Value d = parse("(date (\"Year\" 1999) (\"Month\" 12) (\"Day\" 31))");
    ASSERT_TRUE(d.is(Tag::Date));
    EXPECT_EQ(d.as<Date>()->fields[Date::Year], 1999);
    EXPECT_EQ(d.as<Date>()->fields[Date::Hour], Date::kUnspecified);
    EXPECT_EQ(quoted(d), "(date (\"Year\" 1999) (\"Month\" 12) (\"Day\" 31))");
    EXPECT_TRUE(parse("(date (\"Month\" 1))").isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Date must specify a year: (date (\"Month\" 1))"});

    EXPECT_TRUE(parse("(image \"map\")").is(Tag::Image));
    EXPECT_TRUE(parse("(reference \"glob\")").is(Tag::Reference));
    EXPECT_TRUE(parse("(sound \"ding\")").is(Tag::Sound));
    EXPECT_TRUE(parse("(image 1)").isNil());
    EXPECT_TRUE(parse("(reference \"a\" \"b\")").isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Image argument must be a string: (image 1)",
                                                   "Malformed object representation: (reference \"a\" \"b\")"}));
}

Value recordedProperties;
struct RecordingMakers final : ObjectMakers {
    Value form(const Value& properties) const override
    {
        recordedProperties = properties;
        return Value::integer(77);
    }
};

TEST_F(NotationTest, FormsGoThroughTheInstalledMaker)
{
    RecordingMakers makers;
    const ObjectMakers* previous = installObjectMakers(&makers);
    Value v = parse("(form (\"Class\" \"MainForm\") (\"Control List\" (list)))");
    installObjectMakers(previous);
    EXPECT_EQ(v.asInt(), 77);
    EXPECT_EQ(textOf(velGet(recordedProperties, Value::string("Class"))), "MainForm");
    recordedProperties = Value();
    // The placeholder prints the form back as it was written.
    Value placeholder = parse("(form (\"Class\" \"MainForm\"))");
    EXPECT_EQ(quoted(placeholder), "(form (\"Class\" \"MainForm\"))");
    EXPECT_EQ(textOf(velGet(placeholder, Value::string("Class"))), "MainForm");
    velPut(placeholder, Value::string("Origin X"), Value::integer(3));
    EXPECT_TRUE(velContainsKey(placeholder, Value::string("Origin X")));
    EXPECT_TRUE(velPerform(placeholder, Value::string("Draw"), Value()).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Bad type for argument 1 of velPerform(frmOrCtrl,action,data)."});
}

TEST_F(NotationTest, PrinterForms)
{
    EXPECT_EQ(shown(Value()), "VEL_NIL");
    EXPECT_EQ(shown(Value::real(3.0f)), "3");
    EXPECT_EQ(shown(Value::real(0.1f)), "0.1");
    EXPECT_EQ(quoted(Value::string("a\"\\\t\n\r\x01\x7f\xe9z")), "\"a\\\"\\\\\\t\\n\\r\\x01\\x7f\\xe9z\"");
    EXPECT_EQ(textOf(parse(quoted(Value::string("\xe9")))), "\xe9");
    Value empty = ValueList::make();
    EXPECT_EQ(shown(empty), "(list)");
    EXPECT_EQ(quoted(empty), "(list)");
    EXPECT_EQ(quoted(parse("(list 1 (list 2 3) \"x\")")), "(list 1\n      (list 2\n            3)\n      \"x\")");
    EXPECT_EQ(quoted(parse("(intlist 1 2)")), "(intlist 1\n      2)");
    Value t = Table::make(8);
    velPut(t, Value::integer(1), parse("(list 1 2)"));
    velPut(t, Value::integer(2), Value::string("b"));
    EXPECT_EQ(quoted(t), "(table (1 (list 1\n                2))\n       (2 \"b\"))");
    EXPECT_EQ(shown(t), "(table (1 (list 1 2))\n       (2 b))");
    EXPECT_EQ(shown(Table::make()), "(table )");
    EXPECT_EQ(shown(velBuffer(4)), "<buffer object>");
    EXPECT_EQ(quoted(velBuffer(4)), "<buffer>");
    // The indentation is back to nothing after every print.
    EXPECT_TRUE(PrintIndentation::current().empty());
}

// Random values whose quoted form reads back as the same structure.
Value randomValue(std::mt19937& random, int depth)
{
    int kind = static_cast<int>(random() % (depth > 3 ? 5 : 8));
    switch (kind) {
    case 0: return Value::integer(static_cast<int32_t>(random()));
    case 1: return Value::boolean(static_cast<int32_t>(random() % 2));
    case 2: return Value::real(static_cast<float>(static_cast<int>(random() % 20000) - 10000) + 0.5f);
    case 3:
    case 4: {
        std::string s;
        for (unsigned n = random() % 12; n > 0; --n)
            s += static_cast<char>(1 + random() % 255);
        return Value::string(s);
    }
    case 5: {
        Value l = ValueList::make();
        for (unsigned n = random() % 5; n > 0; --n)
            l.as<List>()->append(randomValue(random, depth + 1));
        return l;
    }
    case 6: {
        Value l = IntList::make();
        for (unsigned n = random() % 5; n > 0; --n)
            l.as<List>()->appendInt(static_cast<int32_t>(random()));
        return l;
    }
    default: {
        Value t = Table::make();
        for (unsigned n = random() % 5; n > 0; --n)
            t.as<Table>()->put(randomValue(random, 4), randomValue(random, depth + 1)); // scalar keys
        return t;
    }
    }
}

bool sameStructure(const Value& a, const Value& b)
{
    if (a.tag() != b.tag())
        return false;
    if (List* la = asList(a)) {
        List* lb = asList(b);
        if (la->elementKind() != lb->elementKind() || la->count() != lb->count())
            return false;
        for (int32_t i = 0; i < la->count(); ++i)
            if (!sameStructure(la->get(i), lb->get(i)))
                return false;
        return true;
    }
    if (Table* ta = asTable(a)) {
        Table* tb = asTable(b);
        if (ta->count() != tb->count())
            return false;
        for (int32_t s = ta->firstIndex(); s >= 0; s = ta->nextIndex(s)) {
            const Value& key = ta->keyRef(s);
            if (!tb->contains(key) || !sameStructure(ta->valueRef(s), tb->get(key)))
                return false;
        }
        return true;
    }
    return a == b;
}

TEST_F(NotationTest, QuotedPrintReadsBackTheSameValue)
{
    std::mt19937 random(2024);
    for (int i = 0; i < 2000; ++i) {
        Value v = randomValue(random, 0);
        std::string text = quoted(v);
        Value back = parse(text);
        ASSERT_TRUE(sameStructure(v, back)) << text << "\nread back as\n" << quoted(back);
    }
}

TEST_F(NotationTest, HostileTextStaysInsideAndTerminates)
{
    std::string deep(100000, '(');
    EXPECT_TRUE(parse(deep).isNil());
    EXPECT_FALSE(errors().empty());
    std::mt19937 random(5);
    const char alphabet[] = "()\"\\;x1.\n (table (list (font (rect (date (image";
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        for (unsigned n = random() % 60; n > 0; --n)
            text += alphabet[random() % (sizeof alphabet - 1)];
        Reader reader(text);
        while (reader.moreElements()) {
            std::size_t before = reader.position();
            reader.read();
            ASSERT_GT(reader.position(), before) << text;
            ASSERT_LE(reader.position(), text.size());
        }
    }
    errors();
}

TEST_F(NotationTest, DecodeStringBuiltin)
{
    EXPECT_EQ(velDecodeString(Value::string("(list 1) trailing junk")).as<List>()->count(), 1);
    EXPECT_TRUE(velDecodeString(Value::integer(1)).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Bad type for argument 1 of velDecodeString(stringOrBuf)."});
}

} // namespace
} // namespace vel
