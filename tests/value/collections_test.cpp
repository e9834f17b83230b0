// Strings, buffers, lists, integer lists, tables and the collection builtins.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "support/error_capture.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;
class CollectionsTest : public ErrorCheckedTest {};

Value str(const char* s) { return Value::string(s); }
Value n(int32_t i) { return Value::integer(i); }
Value ints(std::initializer_list<int> values, bool integerList = false)
{
    Value l = integerList ? IntList::make() : ValueList::make();
    for (int v : values)
        l.as<List>()->appendInt(v);
    return l;
}
std::string show(const Value& v) { return displayForm(v); }

// Builtins on strings and lists whose results print: each row is what a script would see.
TEST_F(CollectionsTest, SlicesSearchesSortsAndTokens)
{
    Value hello = str("hello"), l = ints({10, 20, 30, 40, 50}), search = ints({1, 2, 1, 3, 1});
    Value words = ValueList::make(), rows = ValueList::make();
    for (const char* w : {"b", "A", "a"})
        words.as<List>()->append(str(w));
    for (auto [a, b] : {std::pair{2, "x"}, {1, "z"}, {2, "a"}}) {
        Value r = ints({a});
        r.as<List>()->append(str(b));
        rows.as<List>()->append(r);
    }
    Value intList = IntList::make();
    intList.as<IntList>()->append(str("42"));
    intList.as<IntList>()->append(Value::real(-2.5f));
    intList.as<IntList>()->appendInt(7);
    Value table = Table::make();
    velPut(table, str("k"), n(1));

    const std::pair<Value, const char*> cases[] = {
        {velLeft(hello, -2), "hel"},
        {velLeft(hello, -9), ""},
        {velLeft(hello, 99), "hello"},
        {velRight(hello, 6), ""},
        {velRight(hello, -1), "ello"},
        {velMid(hello, 3, 10), "lo"},
        {velMid(hello, 5, 1), ""},
        {velMid(hello, -1, 2), ""},
        {velLeft(l, -1), "(list 10 20 30 40)"},
        {velLeft(l, -9), "(list)"},
        {velRight(l, 2), "(list 40 50)"},
        {velRight(l, 5), "(list)"},
        {velMid(l, 3, 99), "(list 40 50)"},
        {velMid(l, -2, 1), "(list)"},
        {n(velIndexOf(hello, n('l'), 3)), "3"},
        {n(velIndexOf(hello, str("lo"))), "3"},
        {n(velIndexOf(hello, n('h'), 9)), "-1"},
        {n(stringLastIndexOf(str("abcabc"), "bc", 0)), "4"},
        {n(stringLastIndexOf(str("abcabc"), "bc", 3)), "1"},
        {n(search.as<List>()->indexOf(n(1), 1)), "2"},
        {n(search.as<List>()->indexOf(Value::real(3.0f), 0)), "3"},
        {n(search.as<List>()->indexOf(n(1), 5)), "-1"},
        {n(search.as<List>()->lastIndexOf(n(1), 0)), "2"}, // start 0 stands for count - 1
        {n(search.as<List>()->lastIndexOf(n(1), 2)), "0"},
        {n(velNextIndex(l, 3)), "4"},
        {n(velNextIndex(l, 4)), "-1"},
        {n(velFirstIndex(ValueList::make())), "0"},
        {n(velFirstIndex(Table::make())), "-1"},
        {velGetKey(table, velFirstIndex(table)), "k"},
        {velGet(table, velFirstIndex(table)), "1"},
        {stringUpper(str("a\xe9\xf7\x9a\xff" "z")), "A\xc9\xf7\x8a\x9f" "Z"},
        {stringLower(str("A\xc9\xd7\x8c" "Z")), "a\xe9\xd7\x9c" "z"},
        {stringPlainText(str("Ol\xe1, S\xe3o \x93" "x\x94\t\x96\xb2\xe7\xc7\xdf\xa6")), "Ola, Sao \"x\" -2cCB|"},
        {velAdd(str("n="), n(5)), "n=5"},
        {velAdd(ints({1, 2}), str("!")), "(list 1 2)!"},
        {words.as<List>()->sort(false), "(list A a b)"},
        {words.as<List>()->sort(true), "(list b a A)"},
        {words, "(list b A a)"}, // sorts make new lists
        {velSortLists(rows, 1, false), "(list (list 2 a) (list 2 x) (list 1 z))"},
        {rows.as<List>()->sortByColumnRange(0, 1, true), "(list (list 2 x) (list 2 a) (list 1 z))"},
        {intList, "(intlist 42 -2 7 )"},
        {intList.as<List>()->sort(true), "(intlist 42 7 -2 )"},
        {ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, true), "(intlist 1 2 3 4 5 6 7 8 9 10 11 12  ...)"},
        {ints({1, 3, 5}).as<List>()->merge(*ints({3, 4}).as<List>(), false), "(list 1 3 4 5)"},
        {ints({5, 3, 1}).as<List>()->merge(*ints({4, 3}).as<List>(), true), "(list 5 4 3 1)"},
        {ValueList::make().as<List>()->merge(*ints({3, 4}).as<List>(), false), "(list 3 4)"},
        {velTokenize(str("a,,b,"), str(",")), "(list a  b )"},
        {velTokenize(str(""), str(",")), "(list )"},
        {velTokenize(str("x y;z"), str(" ;")), "(list x y z)"},
        {velTokenize(Buffer::over("p|q\0r", 5, true), str("|")), "(list p q)"}, // a zero byte ends the text
    };
    for (const auto& [result, expected] : cases)
        EXPECT_EQ(show(result), expected);
    EXPECT_EQ(velCount(velTokenize(str("a,,b,"), str(","))), 4);
    EXPECT_EQ(velCapacity(velTokenize(str("0123456789012345"), str(","))), 14);
    for (int c = 0; c < 256; ++c)
        EXPECT_LT(plainTextByte(static_cast<unsigned char>(c)), 0x80) << c; // plain text is ASCII

    // Bad arguments give nothing; a delimiter set past 255 bytes is refused.
    Value f = Value::real(1.5f);
    EXPECT_EQ(velIndexOf(hello, Value::real(1.0f)) + velIndexOf(f, f), -1);
    EXPECT_TRUE(velAdd(n(1), n(2)).isNil() && velSortLists(intList, 0, false).isNil());
    EXPECT_TRUE(velTokenize(str("a"), Value::string(std::string(256, ','))).isNil());
    EXPECT_EQ(velCount(f) + velCapacity(str("x")), 0);
    EXPECT_TRUE(velGet(f, 0).isNil() && velGet(ValueList::make(), str("k")).isNil() && velCopy(f).isNil());
    EXPECT_FALSE(velContainsKey(f, f));
    EXPECT_EQ(errors().size(), 11u);
}

TEST_F(CollectionsTest, CallerArraysAndBuffers)
{
    char out[4];
    EXPECT_TRUE(velGetChars(str("abc"), out, 4));
    EXPECT_STREQ(out, "abc");
    EXPECT_FALSE(velGetChars(str("abcd"), out, 4));
    EXPECT_TRUE(velGetChars(Buffer::over("abcdef", 6, true), out, 4));
    EXPECT_STREQ(out, "abc");

    Value owned = velBuffer(16);
    owned.as<Buffer>()->setLength(99);
    EXPECT_EQ(velCount(owned), 16);
    std::memcpy(owned.as<Buffer>()->bytes(), "0123456789", 10);
    Value view = Buffer::view(owned, 2, 4);
    owned = Value(); // the view keeps the block alive
    EXPECT_EQ(std::string(reinterpret_cast<char*>(view.as<Buffer>()->bytes()), 4), "2345");
    Value copy = velCopy(view);
    EXPECT_EQ(velCapacity(copy), 4);
    EXPECT_NE(copy.as<Buffer>()->bytes(), view.as<Buffer>()->bytes());
    EXPECT_EQ(velCapacity(velBuffer(0)), 0);
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(CollectionsTest, ListsGrowAndChangeInPlace)
{
    Value tiny = ValueList::make(2, 1); // a growth that adds no slot still grows
    List* list = tiny.as<List>();
    for (int i = 0; i < 9; ++i)
        list->appendInt(i);
    EXPECT_EQ(list->count(), 9);
    EXPECT_TRUE(list->get(9).isNil() && list->get(-1).isNil());
    list->set(20, n(1));
    EXPECT_EQ(errors().size(), 3u);
    EXPECT_EQ(velIntValue(list->removeLast()), 8);
    EXPECT_TRUE(ValueList::make().as<List>()->removeLast().isNil());

    Value s = ints({1, 2, 1, 3, 1});
    s.as<List>()->appendIfAbsent(n(2));
    s.as<List>()->appendIfAbsent(n(7));
    EXPECT_EQ(s.as<List>()->removeAllEqual(n(1)), 3);
    velAddItem(s, n(7), 2);
    velPut(s, 0, str("x"));
    Value copy = velCopy(s);
    copy.as<List>()->appendInt(60);
    EXPECT_EQ(show(s), "(list x 3 7 7 7)");
}

TEST_F(CollectionsTest, TablesGrowOnlyWhenFullAndProbeLinearly)
{
    Value t = Table::make(4, 100, 75);
    Table* table = t.as<Table>();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(table->capacity(), 4); // still 4 once full
        table->put(n(i), n(i * 10));
    }
    EXPECT_EQ(table->capacity(), 8);
    EXPECT_EQ(table->threshold(), 6);
    Value full = velTable(2, 0, 50);
    for (int i = 1; i <= 3; ++i)
        velPut(full, n(i), n(i));
    EXPECT_EQ(velCount(full), 2);
    EXPECT_TRUE(velTable(0, 100, 75).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Hash table full", "velTable(VELINT,VELINT,VELINT): Argument 1 must be greater than zero."}));

    Value p = Table::make(8, 100, 75);
    Table* probed = p.as<Table>();
    for (int k : {1, 9, 17}) // one home slot
        probed->put(n(k), n(k));
    probed->remove(n(9));
    EXPECT_TRUE(probed->keyAt(2).isNil());
    EXPECT_EQ(probed->get(n(17)).asInt(), 17); // found past the deleted slot
    probed->put(n(17), str("C"));            // replaced in place, not in the hole
    EXPECT_EQ(show(probed->valueAt(3)), "C");
    probed->put(n(9), str("B")); // reuses the first deleted slot on its path
    EXPECT_EQ(velIntValue(probed->keyAt(2)), 9);
    EXPECT_TRUE(probed->keyAt(8).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Table index out of range: 8"});

    // The float 1.0 hashes apart from the int 1 but equals it: it finds it only where probing meets it.
    EXPECT_FALSE(probed->contains(Value::real(1.0f))); // home slot 0 is empty: absent
    probed->put(n(8), str("eight"));                   // slot 0, where 1.0 starts probing
    probed->put(Value::real(1.0f), str("float"));      // replaces the int key's value
    EXPECT_EQ(probed->count(), 4);
    EXPECT_EQ(show(probed->get(n(1))), "float");
}

TEST_F(CollectionsTest, TableAgainstAMapUnderRandomOperations)
{
    std::mt19937 random(7);
    Value t = Table::make();
    Table* table = t.as<Table>();
    std::map<std::string, int> model;
    for (int step = 0; step < 20000; ++step) {
        std::string key = "k" + std::to_string(random() % 300);
        if (random() % 3 == 0) {
            table->remove(Value::string(key));
            model.erase(key);
        } else {
            int v = static_cast<int>(random() % 1000);
            table->put(Value::string(key), n(v));
            model[key] = v;
        }
        ASSERT_EQ(table->count(), static_cast<int32_t>(model.size()));
    }
    Value copy = velCopy(t);
    EXPECT_EQ(copy.as<Table>()->capacity(), table->capacity());
    int walked = 0;
    for (int32_t slot = table->firstIndex(); slot >= 0; slot = table->nextIndex(slot), ++walked) {
        std::string key(textOf(table->keyRef(slot)));
        ASSERT_EQ(model.count(key), 1u);
        EXPECT_EQ(table->valueRef(slot).asInt(), model[key]);
        EXPECT_EQ(velIntValue(velGet(copy, table->keyRef(slot))), model[key]);
    }
    EXPECT_EQ(walked, static_cast<int>(model.size()));
    EXPECT_EQ(velCount(copy), velCount(t));
}

} // namespace
} // namespace vel
