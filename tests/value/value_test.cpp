// Values: handles and ownership, comparisons, conversions, the error path and the block allocator.
#include <gtest/gtest.h>

#include <functional>

#include "support/error_capture.h"
#include "value/allocator.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ErrorCheckedTest;

class ValueTest : public ErrorCheckedTest {};

Value str(const char* s) { return Value::string(s); }

TEST_F(ValueTest, HandleIsTwoWordsAndSharesObjects)
{
    static_assert(sizeof(Value) == 2 * sizeof(void*));
    Value a = str("abc");
    EXPECT_EQ(a.object()->referenceCount(), 1);
    {
        Value b = a;
        EXPECT_EQ(a.object()->referenceCount(), 2);
        b = b; // self-assignment keeps the count
        EXPECT_EQ(a.object()->referenceCount(), 2);
    }
    EXPECT_EQ(a.object()->referenceCount(), 1);
    Value moved = std::move(a);
    EXPECT_TRUE(a.isNil());
    EXPECT_EQ(moved.object()->referenceCount(), 1);
}

TEST_F(ValueTest, UniquesCountUpAndPrint)
{
    Value u1 = Value::unique();
    Value u2 = Value::unique();
    EXPECT_EQ(u2.payload(), u1.payload() + 1);
    EXPECT_EQ(displayForm(u1), "#<unique " + std::to_string(u1.payload()) + ">");
    EXPECT_FALSE(u1 == u2);
}

TEST_F(ValueTest, EqualityAcrossNumbersAndObjects)
{
    EXPECT_TRUE(Value::integer(3) == Value::real(3.0f));
    EXPECT_TRUE(Value::real(3.0f) == Value::integer(3));
    EXPECT_FALSE(Value::integer(3) == Value::real(3.5f));
    EXPECT_EQ(compareValues(Value::integer(3), Value::real(3.5f)), 0);
    EXPECT_EQ(compareValues(Value::integer(1), Value::real(1.5f)), 0);
    EXPECT_LT(compareValues(Value::integer(1), Value::real(2.5f)), 0);
    EXPECT_TRUE(str("abc") == str("abc"));
    EXPECT_FALSE(str("abc") == str("ABC"));
    Value l1 = ValueList::make(), l2 = ValueList::make();
    l1.as<List>()->appendInt(1);
    l2.as<List>()->appendInt(1);
    EXPECT_FALSE(l1 == l2);
    EXPECT_TRUE(l1 == l1);
    EXPECT_FALSE(Value::integer(1) == Value::boolean(1));
    EXPECT_FALSE(Value() == Value::integer(0));
    EXPECT_TRUE(Value() == Value());
}

TEST_F(ValueTest, PlainOrderingByTagThenContents)
{
    EXPECT_LT(compareValues(Value(), Value::unique()), 0);
    EXPECT_LT(compareValues(Value::boolean(1), Value::integer(-5)), 0);
    EXPECT_LT(compareValues(Value::integer(100), str("a")), 0);
    EXPECT_LT(compareValues(str("zzz"), ValueList::make()), 0);
    EXPECT_EQ(compareValues(str("b"), str("a")), 1);
    EXPECT_EQ(compareValues(str("a"), str("ab")), -1);
    EXPECT_EQ(compareValues(str("\xe9"), str("z")), 1); // unsigned bytes
    EXPECT_EQ(compareValues(Value::integer(7), Value::integer(3)), 4);
    // Lists compare element by element; a prefix compares equal.
    Value a = ValueList::make(), b = ValueList::make();
    a.as<List>()->appendInt(1);
    b.as<List>()->appendInt(1);
    b.as<List>()->appendInt(2);
    EXPECT_EQ(compareValues(a, b), 0);
    a.as<List>()->appendInt(5);
    EXPECT_GT(compareValues(a, b), 0);
}

TEST_F(ValueTest, CollationSkipsPunctuationAndPutsPrefixesLast)
{
    EXPECT_GT(collateValues(str("abc"), str("abcd")), 0);
    EXPECT_EQ(collateValues(str("a b"), str("ab")), 0);
    EXPECT_EQ(collateValues(str("a-b."), str("ab")), 0);
    EXPECT_LT(collateValues(str("A"), str("a")), 0);
    EXPECT_LT(collateValues(str("a"), str("b")), 0);
    EXPECT_LT(collateValues(str("e"), str("\xe9")), 0);      // é follows e
    EXPECT_LT(collateValues(str("\xe9"), str("f")), 0);      // and precedes f
    EXPECT_LT(collateValues(str("\xc9"), str("\xe9")), 0);   // É before é
    EXPECT_LT(collateValues(str("9"), str("A")), 0);
    EXPECT_EQ(collateValues(str(""), str(" ")), 0);
    // Byte 0x10 is not skipped.
    EXPECT_NE(collateValues(str("a\x10"), str("a")), 0);
}

TEST_F(ValueTest, HashesFollowTheirRules)
{
    EXPECT_EQ(hashValue(Value::integer(-5)), 5u);
    EXPECT_EQ(hashValue(Value::integer(7)), 7u);
    EXPECT_NE(hashValue(Value::integer(1)), hashValue(Value::real(1.0f)));
    EXPECT_EQ(hashValue(str("abc")), hashValue(str("abc")));
    // h = h ^ (((2c ^ h) << 4) ^ (h >> 2)) over signed bytes
    int32_t h = 0;
    for (signed char c : std::string("k\xe9y")) {
        int32_t mixed = static_cast<int32_t>(static_cast<uint32_t>((2 * c) ^ h) << 4);
        h = h ^ (mixed ^ (h >> 2));
    }
    EXPECT_EQ(hashValue(str("k\xe9y")), static_cast<uint32_t>(h));
    Value t1 = Table::make(), t2 = Table::make();
    EXPECT_NE(hashValue(t1), hashValue(t2));
}

TEST_F(ValueTest, TruthTest)
{
    EXPECT_FALSE(isTrue(Value()));
    EXPECT_TRUE(isTrue(Value::integer(2)));
    EXPECT_FALSE(isTrue(Value::boolean(0)));
    EXPECT_FALSE(isTrue(Value::real(1.0f)));
    EXPECT_TRUE(isTrue(str("yes")));
    EXPECT_TRUE(isTrue(str("True")));
    EXPECT_FALSE(isTrue(str("1")));
    EXPECT_FALSE(isTrue(str("")));
    EXPECT_TRUE(isTrue(Value::unique()));
    EXPECT_TRUE(isTrue(ValueList::make()));
}

TEST_F(ValueTest, Conversions)
{
    EXPECT_EQ(velIntValue(Value::real(-2.7f)), -2);
    EXPECT_EQ(velIntValue(str(" 42abc")), 42);
    EXPECT_EQ(velIntValue(str("-17")), -17);
    EXPECT_EQ(velIntValue(str("abc")), 0);
    EXPECT_EQ(velIntValue(Value::boolean(1)), 1);
    EXPECT_EQ(velIntValue(Value::real(1e20f)), INT32_MAX); // saturates rather than misbehave
    EXPECT_DOUBLE_EQ(velFloatValue(str("2.5x")), 2.5);
    EXPECT_DOUBLE_EQ(velFloatValue(Value::integer(3)), 3.0);
    EXPECT_EQ(velBool(str("true")).asInt(), 0);
    EXPECT_EQ(velBool(str("1")).asInt(), 1);
    EXPECT_EQ(velBool(Value::real(2.9f)).asInt(), 2);
    EXPECT_TRUE(velBool(Value::integer(5)).is(Tag::Boolean));
}

TEST_F(ValueTest, BadArgumentsReportAndFallBack)
{
    EXPECT_EQ(velIntValue(ValueList::make()), 0);
    EXPECT_EQ(velFloatValue(Value()), 0.0);
    EXPECT_EQ(velBool(Table::make()).asInt(), 0);
    EXPECT_EQ(errors(), (std::vector<std::string>{"Bad type for argument 1 of velIntValue(numberOrString).",
                                                   "Bad type for argument 1 of velFloatValue(numberOrString).",
                                                   "Bad type for argument 1 of velBool(stringOrBoolOrInt)."}));
}

int exitCode = 0;
int answerOne(const Value&) { return 1; }
void rememberExit(int code) { exitCode = code; }

TEST_F(ValueTest, NonzeroHandlerAnswerCallsTheExitHandler)
{
    ErrorHandler previousError = setErrorHandler(answerOne);
    ExitHandler previousExit = setExitHandler(rememberExit);
    exitCode = 0;
    velError("boom");
    EXPECT_EQ(exitCode, -1);
    setErrorHandler(nullptr);
    exitCode = 0;
    velError("no handler");
    EXPECT_EQ(exitCode, -1);
    setErrorHandler(previousError);
    setExitHandler(previousExit);
}

TEST_F(ValueTest, NonStringMessageIsReplaced)
{
    velError(Value::integer(3));
    EXPECT_EQ(errors(), std::vector<std::string>{"Bogus argument passed to velError()"});
}

TEST_F(ValueTest, TypeNames)
{
    EXPECT_STREQ(typeName(Tag::Nil), "VEL_NIL");
    EXPECT_STREQ(typeName(Tag::Table), "table");
    EXPECT_STREQ(typeName(Tag::Movie), "movie");
    EXPECT_STREQ(typeName(Tag::Form), "application-defined");
    EXPECT_STREQ(typeName(static_cast<Tag>(99)), "application-defined");
}

TEST_F(ValueTest, CollectionsThatHoldThemselvesAreRefusedNotRecursedForever)
{
    // Held twice, so that an operation that merely stopped at the limit would still take 2^512 steps.
    Value list = ValueList::make();
    list.as<ValueList>()->append(list);
    list.as<ValueList>()->append(list);
    Value table = Table::make(4, 100, 75);
    table.as<Table>()->put(Value::string("me"), table);
    table.as<Table>()->put(Value::string("again"), table);
    struct Case {
        const char* what;
        std::function<void(const Value&)> operation;
        const char* listReport; // what the list gives; tables are only followed by print and encode
    };
    const Case cases[] = {
        {"display", [](const Value& v) { displayForm(v); }, "Cannot print values nested more than 512 deep"},
        {"quoted", [](const Value& v) { print(v, true); }, "Cannot print values nested more than 512 deep"},
        {"order", [](const Value& v) { EXPECT_EQ(compareValues(v, v), 0); }, "Cannot compare values nested more than 512 deep"},
        {"collate", [](const Value& v) { collateValues(v, v); }, "Cannot compare values nested more than 512 deep"},
        {"encode", [](const Value& v) { encodeToBytes(v); }, "Cannot encode values nested more than 512 deep"},
        {"equal and hash", [](const Value& v) { EXPECT_TRUE(v == v); EXPECT_EQ(hashValue(v), hashValue(v)); }, nullptr},
        {"copy", [](const Value& v) { EXPECT_FALSE(velCopy(v) == v); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.operation(list);
        EXPECT_EQ(errors(), c.listReport ? std::vector<std::string>{c.listReport} : std::vector<std::string>{});
        c.operation(table);
        bool followed = std::string(c.what) == "display" || std::string(c.what) == "quoted" || std::string(c.what) == "encode";
        EXPECT_EQ(errors().size(), followed ? 1u : 0u);
    }
    // Once the report is made, deep but finite nesting prints whole again.
    Value nested = ValueList::make();
    for (int i = 0; i < 100; ++i) {
        Value outer = ValueList::make();
        outer.as<ValueList>()->append(nested);
        nested = outer;
    }
    std::string expected = "(list)";
    for (int i = 0; i < 100; ++i)
        expected = "(list " + expected + ")";
    EXPECT_EQ(displayForm(nested), expected);
    // Break the cycles so that both are freed.
    list.as<ValueList>()->removeAllEqual(list);
    table.as<Table>()->remove(Value::string("me"));
    table.as<Table>()->remove(Value::string("again"));
}

class AllocatorTest : public ErrorCheckedTest {
protected:
    void SetUp() override
    {
        ErrorCheckedTest::SetUp();
        if (BlockAllocator::routesToSystem())
            GTEST_SKIP() << "the system allocator serves this build";
    }
};

TEST_F(AllocatorTest, ClassesCountBytesAndZeroFill)
{
    BlockAllocator a;
    void* small = a.allocate(10);
    void* medium = a.allocate(32);
    void* big = a.allocate(200);
    void* page = a.allocate(4096);
    void* large = a.allocate(5000);
    EXPECT_EQ(a.stats().liveBlocks[0], 1);
    EXPECT_EQ(a.stats().liveBlocks[1], 1);
    EXPECT_EQ(a.stats().liveBlocks[2], 1);
    EXPECT_EQ(a.stats().liveBlocks[3], 1);
    EXPECT_EQ(a.stats().largeBlocks, 1);
    EXPECT_EQ(a.stats().chunkCount, 4); // one chunk per class used; the large block is not one
    EXPECT_EQ(a.stats().bytesInUse, 10 + 32 + 200 + 4096 + 5000);
    std::memset(big, 0xAB, 200);
    a.release(big, 200);
    auto* again = static_cast<unsigned char*>(a.allocate(200));
    EXPECT_EQ(again, big); // the free list hands the last freed block back first
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(again[i], 0);
    a.release(again, 200);
    a.release(small, 10);
    a.release(medium, 32);
    a.release(page, 4096);
    EXPECT_EQ(a.stats().peakBytesInUse, 10 + 32 + 200 + 4096 + 5000);
    a.release(large, 5000);
    EXPECT_EQ(a.stats().bytesInUse, 0);
}

TEST_F(AllocatorTest, ChunksAreReturnedWhenEveryBlockIsFree)
{
    BlockAllocator a;
    std::vector<void*> blocks;
    for (int i = 0; i < 40; ++i) // 16 blocks of 4096 bytes a chunk: three chunks
        blocks.push_back(a.allocate(4000));
    EXPECT_EQ(a.stats().chunkCount, 3);
    EXPECT_EQ(static_cast<char*>(blocks[1]) - static_cast<char*>(blocks[0]), 4096); // first block first
    void* other = a.allocate(16);
    for (void* b : blocks)
        a.release(b, 4000);
    EXPECT_EQ(a.stats().chunkCount, 4); // a live 16-byte block keeps every chunk
    a.release(other, 16);
    EXPECT_EQ(a.stats().chunkCount, 0);
    void* fresh = a.allocate(16);
    EXPECT_EQ(a.stats().chunkCount, 1);
    a.release(fresh, 16);
}

} // namespace
} // namespace vel
