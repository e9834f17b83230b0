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
#include "value/structural.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;
class NotationTest : public ErrorCheckedTest {};

Value parse(const std::string& text) { return parseText(text); }
std::string quoted(const Value& v) { return quotedForm(v); }
std::string shown(const Value& v) { return displayForm(v); }

// Each text read alone: the type and quoted form it reads as ("" when nil), and the report it makes.
TEST_F(NotationTest, WhatTextReadsAs)
{
    const std::string a63(63, 'a'), a70(70, 'a');
    struct Case { std::string text, reads, report; };
    const Case cases[] = {
        {"TRUE", "boolean true", ""},
        {"  ; comment\n nil", "", ""},
        {"red", "int 255", ""},
        {"3.0", "float 3", ""},
        {"-42", "int -42", ""},
        {"1.5e3", "float 1500", ""},
        {"99999999999", "int 2147483647", ""},
        {"1e5", "", "Undefined constant: '1e5' while parsing 1e5"},
        {"VEL_NIL", "", "Undefined constant: 'Vel_nil' while parsing VEL_NIL"},
        {a70, "", "Undefined constant: '" + a63 + "' while parsing " + a70}, // words are cut at 63 bytes
        {"\"a\\\"b\\\\c\\n\\r\\t\\x41\\xe9\"", "string \"a\\\"b\\\\c\\n\\r\\tA\\xe9\"", ""},
        {"\"abc", "", "Unterminated string constant: \"abc"},
        {"\"a\\qb\"", "string \"ab\"", "Invalid string escape code: '\\q'"},
        {"\"\\xZ1\"", "string \"Z1\"", "Bad character code in string: \\xZ1"},
        {"\"ends in backslash\\", "", "Unterminated string constant: \"ends in backslash\\"},
        {"(table (\"a\" 1) (\"a\" 2) (\"b\" 3 ignored (x)) ; c\n)", "table (table (\"a\" 2)\n       (\"b\" 3))", ""},
        {"(\"Foo\" 1 2)", "list (list \"Foo\"\n      1\n      2)", ""},
        {"(LIST 1 (list) \"x\")", "list (list 1\n      (list)\n      \"x\")", ""},
        {"(intlist 1 \"7\" 2.9)", "list (intlist 1\n      7\n      2)", ""},
        {"(list 1 2", "", "Unterminated list: (list 1 2"},
        {"(table (1 2)", "", "Unterminated table(table (1 2)"},
        {"(table x (1 2))", "table (table (1 2))", "Bad table syntax: (table x (1 2))"},
        {"(rect 10 20 30 40)", "region (rect 10 20 30 40)", ""},
        {"(point 5 6)", "region (rect 5 6 0 0)", ""},
        {"(rgb 1 2 3)", "int 197121", ""},
        {"(region (0 0) (100 0) (0 100))", "region (region (0 0) (100 0) (0 100))", ""},
        {"(rect 1 2 3)", "", "Cannot read rectangle (four INTS expected) (intlist 1 2 3 )"},
        {"(font \"Arial\" 12 \"BOLD\")", "application-defined (font \"Arial\" 12 2)", ""},
        {"(font \"Times\" 10 italic)", "application-defined (font \"Times\" 10 1)", ""},
        {"(font \"Arial\")", "", "Cannot read font name (string expected): (list Arial)"},
        {"(font \"Arial\" 10 (list))", "", "Bad font spec: (list Arial 10 (list))"},
        {"(date (\"Year\" 1999) (\"Month\" 12) (\"Day\" 31))",
         "application-defined (date (\"Year\" 1999) (\"Month\" 12) (\"Day\" 31))", ""},
        {"(date (\"Month\" 1))", "", "Date must specify a year: (date (\"Month\" 1))"},
        {"(image 1)", "", "Image argument must be a string: (image 1)"},
        {"(reference \"a\" \"b\")", "", "Malformed object representation: (reference \"a\" \"b\")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Value v = parse(c.text);
        EXPECT_EQ(v.isNil() ? "" : std::string(typeName(v.tag())) + " " + quoted(v), c.reads);
        std::vector<std::string> reports = errors();
        EXPECT_EQ(reports.empty() ? "" : reports.front(), c.report);
    }
    // Undefined words inside a list report and read as nothing; the rest of the list stays.
    EXPECT_EQ(velCount(parse("(Foo 1 2)")), 3);
    EXPECT_EQ(errors().size(), 1u);
    Value poly = parse("(region (5000 6000) (7000 9000) (5000 9000))");
    EXPECT_EQ(std::make_pair(velLeft(poly), velHeight(poly)), std::make_pair(5000, 3000)); // whatever the screen
    EXPECT_TRUE(velContainsPoint(poly, 5100, 8900));
    EXPECT_FALSE(velContainsPoint(poly, 6900, 6100));
    EXPECT_TRUE(parse("(image \"map\")").is(Tag::Image) && parse("(reference \"glob\")").is(Tag::Reference) &&
                parse("(sound \"ding\")").is(Tag::Sound));
    EXPECT_EQ(velDecodeString(Value::string("(list 1) trailing junk")).as<List>()->count(), 1);
    EXPECT_TRUE(velDecodeString(Value::integer(1)).isNil());
    EXPECT_EQ(errors().size(), 1u);
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
    // Without a maker, a placeholder keeps the properties and prints the form back as it was written.
    Value placeholder = parse("(form (\"Class\" \"MainForm\"))");
    EXPECT_EQ(quoted(placeholder), "(form (\"Class\" \"MainForm\"))");
    velPut(placeholder, Value::string("Origin X"), Value::integer(3));
    EXPECT_TRUE(velContainsKey(placeholder, Value::string("Origin X")));
    EXPECT_TRUE(velPerform(placeholder, Value::string("Draw"), Value()).isNil());
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(NotationTest, PrinterForms)
{
    Value t = Table::make(8);
    velPut(t, Value::integer(1), parse("(list 1 2)"));
    velPut(t, Value::integer(2), Value::string("b"));
    const std::pair<std::string, const char*> cases[] = {
        {shown(Value()), "VEL_NIL"},
        {shown(Value::real(3.0f)) + " " + shown(Value::real(0.1f)), "3 0.1"},
        {quoted(Value::string("a\"\\\t\n\r\x01\x7f\xe9z")), "\"a\\\"\\\\\\t\\n\\r\\x01\\x7f\\xe9z\""},
        {shown(ValueList::make()) + quoted(ValueList::make()), "(list)(list)"},
        {quoted(parse("(list 1 (list 2 3) \"x\")")), "(list 1\n      (list 2\n            3)\n      \"x\")"},
        {quoted(t), "(table (1 (list 1\n                2))\n       (2 \"b\"))"},
        {shown(t), "(table (1 (list 1 2))\n       (2 b))"},
        {shown(Table::make()), "(table )"},
        {shown(velBuffer(4)) + quoted(velBuffer(4)), "<buffer object><buffer>"},
    };
    for (const auto& [printed, expected] : cases)
        EXPECT_EQ(printed, expected);
    // The indentation is back to nothing after every print.
    EXPECT_TRUE(PrintIndentation::current().empty());
}

// Random values whose quoted form reads back as the same structure: no buffers, floats that print exactly.
Value randomValue(std::mt19937& random, int depth)
{
    switch (random() % (depth > 3 ? 4 : 7)) {
    case 0: return Value::integer(static_cast<int32_t>(random()));
    case 1: return Value::boolean(static_cast<int32_t>(random() % 2));
    case 2: return Value::real(static_cast<float>(static_cast<int>(random() % 20000) - 10000) + 0.5f);
    case 3: {
        std::string s(random() % 12, '\0');
        for (char& c : s)
            c = static_cast<char>(1 + random() % 255);
        return Value::string(s);
    }
    case 4:
    case 5: {
        bool integers = random() % 3 == 0;
        Value l = integers ? IntList::make() : ValueList::make();
        for (unsigned n = random() % 5; n > 0; --n)
            l.as<List>()->append(integers ? Value::integer(static_cast<int32_t>(random())) : randomValue(random, depth + 1));
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

TEST_F(NotationTest, QuotedPrintReadsBackTheSameValue)
{
    std::mt19937 random(2024);
    for (int i = 0; i < 2000; ++i) {
        Value v = randomValue(random, 0);
        std::string text = quoted(v);
        Value back = parse(text);
        ASSERT_TRUE(testing_support::structurallyEqual(v, back)) << text << "\nread back as\n" << quoted(back);
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

} // namespace
} // namespace vel
