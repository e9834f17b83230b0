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
Value ints(std::initializer_list<int> values)
{
    Value l = ValueList::make();
    for (int v : values)
        l.as<List>()->appendInt(v);
    return l;
}
std::string show(const Value& v) { return displayForm(v); }

TEST_F(CollectionsTest, StringSlicesAndSearches)
{
    Value hello = str("hello");
    EXPECT_EQ(show(velLeft(hello, -2)), "hel");
    EXPECT_EQ(show(velLeft(hello, -9)), "");
    EXPECT_EQ(show(velLeft(hello, 99)), "hello");
    EXPECT_EQ(show(velRight(hello, 5)), "hello");
    EXPECT_EQ(show(velRight(hello, 6)), "");
    EXPECT_EQ(show(velRight(hello, -1)), "ello");
    EXPECT_EQ(show(velMid(hello, 3, 10)), "lo");
    EXPECT_EQ(show(velMid(hello, 5, 1)), "");
    EXPECT_EQ(show(velMid(hello, -1, 2)), "");
    EXPECT_EQ(show(velMid(hello, 1, 0)), "");
    EXPECT_EQ(velIndexOf(hello, Value::integer('l')), 2);
    EXPECT_EQ(velIndexOf(hello, Value::integer('l'), 3), 3);
    EXPECT_EQ(velIndexOf(hello, str("lo")), 3);
    EXPECT_EQ(velIndexOf(hello, str("x")), -1);
    EXPECT_EQ(velIndexOf(hello, Value::integer('h'), 9), -1);
    EXPECT_EQ(stringLastIndexOf(str("abcabc"), "bc", 0), 4);
    EXPECT_EQ(stringLastIndexOf(str("abcabc"), "bc", 3), 1);
    EXPECT_EQ(stringLastIndexOf(str("abc"), "x", 0), -1);
    EXPECT_EQ(velIndexOf(hello, Value::real(1.0f)), -1);
    EXPECT_EQ(errors(), std::vector<std::string>{"velIndexOf(s,hnd,VELINT): Cannot search for an object of type 4\n"});
}

TEST_F(CollectionsTest, CaseMapsAndPlainText)
{
    EXPECT_EQ(show(stringUpper(str("a\xe9\xf7\x9a\xff" "z"))), "A\xc9\xf7\x8a\x9f" "Z");
    EXPECT_EQ(show(stringLower(str("A\xc9\xd7\x8c" "Z"))), "a\xe9\xd7\x9c" "z");
    EXPECT_EQ(show(stringPlainText(str("Ol\xe1, S\xe3o Jo\xe3o \x93" "x\x94\t\x96\xb2\xe7\xc7\xdf\xa6"))),
              "Ola, Sao Joao \"x\" -2cCB|");
    for (int c = 0x20; c < 0x7F; ++c)
        EXPECT_EQ(plainTextByte(static_cast<unsigned char>(c)), c) << c;
    for (int c = 0; c < 256; ++c)
        EXPECT_LT(plainTextByte(static_cast<unsigned char>(c)), 0x80) << c; // plain text is ASCII
}

TEST_F(CollectionsTest, ConcatenationUsesDisplayForms)
{
    EXPECT_EQ(show(velAdd(str("n="), Value::integer(5))), "n=5");
    EXPECT_EQ(show(velAdd(ints({1, 2}), str("!"))), "(list 1 2)!");
    EXPECT_TRUE(velAdd(Value::integer(1), Value::integer(2)).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Bad type for argument 1 of velAdd(listOrString,listOrString)."});
}

TEST_F(CollectionsTest, CopyIntoCallerArrays)
{
    char out[4];
    EXPECT_TRUE(velGetChars(str("abc"), out, 4));
    EXPECT_STREQ(out, "abc");
    EXPECT_FALSE(velGetChars(str("abcd"), out, 4));
    Value b = Buffer::over("abcdef", 6, true);
    EXPECT_TRUE(velGetChars(b, out, 4));
    EXPECT_STREQ(out, "abc");
}

TEST_F(CollectionsTest, BuffersOwnBorrowAndView)
{
    Value owned = velBuffer(16);
    EXPECT_EQ(velCapacity(owned), 16);
    EXPECT_EQ(velCount(owned), 0);
    owned.as<Buffer>()->setLength(99);
    EXPECT_EQ(velCount(owned), 16);
    char caller[] = "xyz";
    Value borrowed = Buffer::over(caller, 3, false);
    caller[0] = 'X';
    EXPECT_EQ(borrowed.as<Buffer>()->bytes()[0], 'X');
    std::memcpy(owned.as<Buffer>()->bytes(), "0123456789", 10);
    Value view = Buffer::view(owned, 2, 4);
    owned = Value(); // the view keeps the block alive
    EXPECT_EQ(std::string(reinterpret_cast<char*>(view.as<Buffer>()->bytes()), 4), "2345");
    Value copy = velCopy(view);
    EXPECT_EQ(velCount(copy), 4);
    EXPECT_EQ(velCapacity(copy), 4);
    EXPECT_NE(copy.as<Buffer>()->bytes(), view.as<Buffer>()->bytes());
    Value zero = velBuffer(0);
    EXPECT_EQ(velCapacity(zero), 0);
    EXPECT_EQ(errors(), std::vector<std::string>{"velBuffer(VELINT): Cannot allocate buffer object of size 0"});
}

TEST_F(CollectionsTest, ListGrowthAndAccess)
{
    Value l = ValueList::make();
    List* list = l.as<List>();
    EXPECT_EQ(list->capacity(), 4);
    for (int i = 0; i < 5; ++i)
        list->appendInt(i);
    EXPECT_EQ(list->capacity(), 8);
    for (int i = 5; i < 9; ++i)
        list->appendInt(i);
    EXPECT_EQ(list->capacity(), 16);
    Value slow = ValueList::make(10, 10);
    for (int i = 0; i < 11; ++i)
        slow.as<List>()->appendInt(i);
    EXPECT_EQ(slow.as<List>()->capacity(), 11);
    Value tiny = ValueList::make(2, 1); // a growth that adds no slot still grows
    for (int i = 0; i < 5; ++i)
        tiny.as<List>()->appendInt(i);
    EXPECT_EQ(tiny.as<List>()->count(), 5);
    EXPECT_EQ(ValueList::make(0).as<List>()->capacity(), 4);

    EXPECT_TRUE(list->get(9).isNil());
    EXPECT_TRUE(list->get(-1).isNil());
    list->set(20, Value::integer(1));
    EXPECT_EQ(errors(), (std::vector<std::string>{"List index out of range: 9", "List index out of range: -1",
                                                   "List index out of range: 20"}));
    list->set(0, str("zero"));
    EXPECT_EQ(show(list->get(0)), "zero");
    EXPECT_EQ(velIntValue(list->removeLast()), 8);
    EXPECT_EQ(list->count(), 8);
    EXPECT_TRUE(ValueList::make().as<List>()->removeLast().isNil());
}

TEST_F(CollectionsTest, ListSearchAndRemove)
{
    Value l = ints({1, 2, 1, 3, 1});
    List* list = l.as<List>();
    EXPECT_EQ(list->indexOf(Value::integer(1), 1), 2);
    EXPECT_EQ(list->indexOf(Value::real(3.0f), 0), 3);
    EXPECT_EQ(list->indexOf(Value::integer(1), 5), -1);
    EXPECT_EQ(list->lastIndexOf(Value::integer(1), 0), 2); // start 0 stands for count - 1
    EXPECT_EQ(list->lastIndexOf(Value::integer(1), 2), 0);
    EXPECT_EQ(list->lastIndexOf(Value::integer(9), 0), -1);
    list->appendIfAbsent(Value::integer(2));
    list->appendIfAbsent(Value::integer(7));
    EXPECT_EQ(show(l), "(list 1 2 1 3 1 7)");
    EXPECT_EQ(list->removeAllEqual(Value::integer(1)), 3);
    EXPECT_EQ(show(l), "(list 2 3 7)");
}

TEST_F(CollectionsTest, ListSlicesAreNewLists)
{
    Value l = ints({10, 20, 30, 40, 50});
    EXPECT_EQ(show(velLeft(l, 2)), "(list 10 20)");
    EXPECT_EQ(show(velLeft(l, -1)), "(list 10 20 30 40)");
    EXPECT_EQ(show(velLeft(l, -9)), "(list)");
    EXPECT_EQ(show(velRight(l, 2)), "(list 40 50)");
    EXPECT_EQ(show(velRight(l, 5)), "(list)");
    EXPECT_EQ(show(velMid(l, 1, 3)), "(list 20 30 40)");
    EXPECT_EQ(show(velMid(l, 3, 99)), "(list 40 50)");
    EXPECT_EQ(show(velMid(l, 5, 1)), "(list)");
    EXPECT_EQ(show(velMid(l, -2, 1)), "(list)");
    Value copy = velCopy(l);
    copy.as<List>()->appendInt(60);
    EXPECT_EQ(velCount(l), 5);
    EXPECT_EQ(velCount(copy), 6);
}

TEST_F(CollectionsTest, SortsReturnNewSortedLists)
{
    Value l = ValueList::make();
    for (const char* s : {"b", "A", "a"})
        l.as<List>()->append(str(s));
    EXPECT_EQ(show(l.as<List>()->sort(false)), "(list A a b)");
    EXPECT_EQ(show(l.as<List>()->sort(true)), "(list b a A)");
    EXPECT_EQ(show(l), "(list b A a)");
    Value n = ints({3, -1, 2});
    EXPECT_EQ(show(n.as<List>()->sort(false)), "(list -1 2 3)");

    Value rows = ValueList::make();
    auto row = [](int a, const char* b) {
        Value r = ValueList::make();
        r.as<List>()->appendInt(a);
        r.as<List>()->append(Value::string(b));
        return r;
    };
    rows.as<List>()->append(row(2, "x"));
    rows.as<List>()->append(row(1, "z"));
    rows.as<List>()->append(row(2, "a"));
    EXPECT_EQ(show(velSortLists(rows, 1, false)), "(list (list 2 a) (list 2 x) (list 1 z))");
    EXPECT_EQ(show(rows.as<List>()->sortByColumnRange(0, 1, true)), "(list (list 2 x) (list 2 a) (list 1 z))");
}

TEST_F(CollectionsTest, IntegerLists)
{
    Value l = IntList::make();
    IntList* list = l.as<IntList>();
    list->append(str("42"));
    list->append(Value::real(-2.5f));
    list->appendInt(7);
    EXPECT_EQ(show(l), "(intlist 42 -2 7 )");
    EXPECT_EQ(show(list->sort(false)), "(intlist -2 7 42 )");
    EXPECT_EQ(show(list->sort(true)), "(intlist 42 7 -2 )");
    EXPECT_TRUE(list->get(0).is(Tag::Int));
    EXPECT_EQ(list->removeAllEqual(Value::integer(7)), 1);
    EXPECT_TRUE(velSortLists(l, 0, false).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Bad type for argument 1 of velSortLists(lstOfLst,VELINT,VELORDER)."});
    Value twenty = IntList::make();
    for (int i = 1; i <= 20; ++i)
        twenty.as<List>()->appendInt(i);
    EXPECT_EQ(show(twenty), "(intlist 1 2 3 4 5 6 7 8 9 10 11 12  ...)");
}

TEST_F(CollectionsTest, Merge)
{
    Value a = ints({1, 3, 5}), b = ints({3, 4});
    EXPECT_EQ(show(a.as<List>()->merge(*b.as<List>(), false)), "(list 1 3 4 5)");
    Value c = ints({5, 3, 1}), d = ints({4, 3});
    EXPECT_EQ(show(c.as<List>()->merge(*d.as<List>(), true)), "(list 5 4 3 1)");
    Value empty = ValueList::make();
    EXPECT_EQ(show(empty.as<List>()->merge(*b.as<List>(), false)), "(list 3 4)");
}

TEST_F(CollectionsTest, Tokenize)
{
    EXPECT_EQ(show(velTokenize(str("a,,b,"), str(","))), "(list a  b )");
    EXPECT_EQ(velCount(velTokenize(str("a,,b,"), str(","))), 4);
    EXPECT_EQ(velCount(velTokenize(str(""), str(","))), 1);
    EXPECT_EQ(show(velTokenize(str("x y;z"), str(" ;"))), "(list x y z)");
    Value b = Buffer::over("p|q\0r", 5, true);
    EXPECT_EQ(show(velTokenize(b, str("|"))), "(list p q)"); // a zero byte ends the text
    EXPECT_EQ(velCapacity(velTokenize(str("0123456789012345"), str(","))), 14);
    std::string many(256, ',');
    EXPECT_TRUE(velTokenize(str("a"), Value::string(many)).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"velTokenize: Delimiter set too large: " + many});
}

TEST_F(CollectionsTest, TableGrowsOnlyWhenFull)
{
    Value t = Table::make(4, 100, 75);
    Table* table = t.as<Table>();
    EXPECT_EQ(table->threshold(), 3);
    for (int i = 0; i < 4; ++i)
        table->put(Value::integer(i), Value::integer(i * 10));
    EXPECT_EQ(table->capacity(), 4);
    table->put(Value::integer(4), Value::integer(40));
    EXPECT_EQ(table->capacity(), 8);
    EXPECT_EQ(table->threshold(), 6);
    EXPECT_EQ(table->count(), 5);
    // Ints hash to themselves: in a table of 8 the keys sit in their own slots.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(velIntValue(table->keyAt(i)), i);
    EXPECT_EQ(table->firstIndex(), 0);
    EXPECT_EQ(table->nextIndex(4), -1);
    EXPECT_EQ(velFirstIndex(Table::make()), -1);
    EXPECT_EQ(velFirstIndex(ValueList::make()), 0);
}

TEST_F(CollectionsTest, TableProbingDeletedSlotsAndReplacement)
{
    Value t = Table::make(8, 100, 75);
    Table* table = t.as<Table>();
    // 1, 9 and 17 share home slot 1.
    table->put(Value::integer(1), str("a"));
    table->put(Value::integer(9), str("b"));
    table->put(Value::integer(17), str("c"));
    EXPECT_EQ(velIntValue(table->keyAt(3)), 17);
    table->remove(Value::integer(9));
    EXPECT_EQ(table->count(), 2);
    EXPECT_TRUE(table->keyAt(2).isNil());
    EXPECT_EQ(show(table->get(Value::integer(17))), "c"); // found past the deleted slot
    table->put(Value::integer(17), str("C"));           // replaced in place, not in the hole
    EXPECT_EQ(table->count(), 2);
    EXPECT_EQ(show(table->valueAt(3)), "C");
    table->put(Value::integer(9), str("B")); // reuses the first deleted slot on its path
    EXPECT_EQ(velIntValue(table->keyAt(2)), 9);
    EXPECT_EQ(table->count(), 3);
    EXPECT_TRUE(table->keyAt(8).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Table index out of range: 8"});
    // 1.0 does not find the int key 1: the hashes differ.
    EXPECT_FALSE(table->contains(Value::real(1.0f)));
}

TEST_F(CollectionsTest, EqualNumbersMeetOnlyWhereTheirProbePathsCross)
{
    Value t = Table::make(8, 100, 75);
    Table* table = t.as<Table>();
    table->put(Value::integer(8), str("eight")); // slot 0, where the float 1.0 starts probing
    table->put(Value::integer(1), str("one"));   // slot 1
    EXPECT_EQ(show(table->get(Value::real(1.0f))), "one");
    table->put(Value::real(1.0f), str("float")); // replaces the int key's value
    EXPECT_EQ(table->count(), 2);
    EXPECT_EQ(show(table->get(Value::integer(1))), "float");
    Value u = Table::make(8, 100, 75);
    u.as<Table>()->put(Value::integer(1), str("one"));
    EXPECT_FALSE(u.as<Table>()->contains(Value::real(1.0f))); // home slot 0 is empty: absent
}

TEST_F(CollectionsTest, TableWithoutGrowthReportsFull)
{
    Value t = velTable(2, 0, 50);
    velPut(t, Value::integer(1), Value::integer(1));
    velPut(t, Value::integer(2), Value::integer(2));
    velPut(t, Value::integer(3), Value::integer(3));
    EXPECT_EQ(velCount(t), 2);
    EXPECT_TRUE(velTable(0, 100, 75).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Hash table full",
                                                   "velTable(VELINT,VELINT,VELINT): Argument 1 must be greater than zero."}));
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
            table->put(Value::string(key), Value::integer(v));
            model[key] = v;
        }
        ASSERT_EQ(table->count(), static_cast<int32_t>(model.size()));
    }
    int walked = 0;
    for (int32_t slot = table->firstIndex(); slot >= 0; slot = table->nextIndex(slot), ++walked) {
        std::string key(textOf(table->keyRef(slot)));
        ASSERT_EQ(model.count(key), 1u);
        EXPECT_EQ(table->valueRef(slot).asInt(), model[key]);
    }
    EXPECT_EQ(walked, static_cast<int>(model.size()));
    Value copy = velCopy(t);
    EXPECT_EQ(velCount(copy), velCount(t));
    EXPECT_EQ(copy.as<Table>()->capacity(), table->capacity());
    for (auto& [key, v] : model)
        EXPECT_EQ(velIntValue(velGet(copy, Value::string(key))), v);
}

TEST_F(CollectionsTest, BuiltinsRejectWrongTypes)
{
    Value f = Value::real(1.5f);
    EXPECT_EQ(velCount(f), 0);
    EXPECT_EQ(velCapacity(str("x")), 0);
    EXPECT_TRUE(velGet(f, 0).isNil());
    EXPECT_TRUE(velGet(ValueList::make(), str("k")).isNil());
    EXPECT_FALSE(velContainsKey(f, f));
    EXPECT_TRUE(velCopy(f).isNil());
    EXPECT_EQ(velIndexOf(f, f), 0);
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "Bad type for argument 1 of velCount(collection).",
                            "Bad type for argument 1 of velCapacity(collection).",
                            "Bad type for argument 1 of velGet(collection,VELINT).",
                            "Bad type for argument 1 of velGet(tableOrCtrlOrForm,hnd).",
                            "Bad type for argument 1 of velContainsKey(tblOrCtrlOrFrm,obj).",
                            "Bad type for argument 1 of velCopy( LstTblStr ).",
                            "Bad type for argument 1 of velIndexOf(s,hnd [,VELINT]).",
                        }));
}

TEST_F(CollectionsTest, CollectionBuiltinsOnListsAndTables)
{
    Value l = ints({5, 6});
    velAddItem(l, Value::integer(7), 2);
    EXPECT_EQ(show(l), "(list 5 6 7 7)");
    velPut(l, 0, str("x"));
    EXPECT_EQ(show(velGet(l, 0)), "x");
    EXPECT_EQ(velNextIndex(l, 2), 3);
    EXPECT_EQ(velNextIndex(l, 3), -1);
    Value t = Table::make();
    velPut(t, str("k"), Value::integer(1));
    EXPECT_TRUE(velContainsKey(t, str("k")));
    int32_t slot = velFirstIndex(t);
    EXPECT_EQ(show(velGetKey(t, slot)), "k");
    EXPECT_EQ(velIntValue(velGet(t, slot)), 1);
    velRemoveKey(t, str("k"));
    EXPECT_FALSE(velContainsKey(t, str("k")));
    EXPECT_EQ(velCount(t), 0);
}

} // namespace
} // namespace vel
