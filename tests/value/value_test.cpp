// Values: handles and ownership, comparisons, conversions, the error path and the block allocator.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

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

TEST_F(ValueTest, CopiesShareObjectsAndCountReferences)
{
    Value a = str("abc");
    {
        Value b = a;
        b = b; // self-assignment keeps the count
        EXPECT_EQ(a.object()->referenceCount(), 2);
    }
    Value moved = std::move(a);
    EXPECT_TRUE(a.isNil());
    EXPECT_EQ(moved.object()->referenceCount(), 1);
}

TEST_F(ValueTest, EqualityOrderingAndCollation)
{
    Value l1 = ValueList::make(), l2 = ValueList::make(), prefix = ValueList::make();
    l1.as<List>()->appendInt(1);
    l2.as<List>()->appendInt(1);
    l2.as<List>()->appendInt(5);
    Value u1 = Value::unique(), u2 = Value::unique();
    EXPECT_EQ(u2.payload(), u1.payload() + 1);
    struct Case {
        Value a, b;
        bool equal;
        int order;   // sign of the plain ordering
        int collate; // sign of the collating ordering
    };
    const Case cases[] = {
        {Value::integer(3), Value::real(3.0f), true, 0, 0},
        {Value::integer(3), Value::real(3.5f), false, 0, 0}, // the difference truncates toward zero
        {Value::integer(1), Value::real(2.5f), false, -1, -1},
        {Value::integer(7), Value::integer(3), false, 1, 1},
        {Value::integer(1), Value::boolean(1), false, 1, 1}, // different tags order by tag
        {Value(), Value::integer(0), false, -1, -1},
        {Value(), Value(), true, 0, 0},
        {u1, u2, false, 0, 0},
        {Value::integer(100), str("a"), false, -1, -1},
        {str("abc"), str("abc"), true, 0, 0},
        {str("abc"), str("ABC"), false, 1, 1},
        {str("\xe9"), str("z"), false, 1, -1}, // plain: unsigned bytes; collated: é before f
        {str("a"), str("ab"), false, -1, 1},   // collated: a prefix sorts after
        {str("a-b."), str("ab"), false, -1, 0}, // collation skips punctuation
        {str("A"), str("a"), false, -1, -1},
        {str("\xc9"), str("\xe9"), false, -1, -1},
        {str("9"), str("A"), false, -1, -1},
        {str("a\x10"), str("a"), false, 1, -1}, // byte 0x10 is not skipped
        {l1, l2, false, 0, 0},                  // lists: by element, a prefix equal, by identity for ==
        {l1, l1, true, 0, 0},
        {str("zzz"), prefix, false, -1, -1},
    };
    auto sign = [](int32_t n) { return (n > 0) - (n < 0); };
    for (const Case& c : cases) {
        SCOPED_TRACE(quotedForm(c.a) + " against " + quotedForm(c.b));
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.b == c.a, c.equal);
        EXPECT_EQ(sign(compareValues(c.a, c.b)), c.order);
        EXPECT_EQ(sign(collateValues(c.a, c.b)), c.collate);
    }
    l1.as<List>()->appendInt(6);
    EXPECT_GT(compareValues(l1, l2), 0);
}

TEST_F(ValueTest, HashesFollowTheirRules)
{
    EXPECT_EQ(hashValue(Value::integer(-5)), 5u);
    EXPECT_NE(hashValue(Value::integer(1)), hashValue(Value::real(1.0f)));
    // Strings hash by their bytes, read as signed: table slot order in files depends on it.
    EXPECT_EQ(hashValue(str("k\xe9y")), 4294095614u);
    EXPECT_NE(hashValue(Table::make()), hashValue(Table::make()));
}

TEST_F(ValueTest, TruthAndConversions)
{
    struct Case {
        Value v;
        bool truth;
        int32_t integer;
        double real;
        int32_t boolean;
    };
    const Case cases[] = {
        {Value::integer(2), true, 2, 2.0, 2},
        {Value::boolean(0), false, 0, 0.0, 0},
        {Value::real(-2.7f), false, -2, -2.7f, -2},
        {Value::real(1e20f), false, INT32_MAX, 1e20f, INT32_MAX}, // saturates rather than misbehave
        {str(" 42abc"), false, 42, 42.0, 42},
        {str("-17"), false, -17, -17.0, -17},
        {str("2.5x"), false, 2, 2.5, 2},
        {str("yes"), true, 0, 0.0, 0},
        {str("True"), true, 0, 0.0, 0}, // "true" is false as a boolean: atol reads 0
        {str(""), false, 0, 0.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(quotedForm(c.v));
        EXPECT_EQ(isTrue(c.v), c.truth);
        EXPECT_EQ(velIntValue(c.v), c.integer);
        EXPECT_DOUBLE_EQ(velFloatValue(c.v), c.real);
        EXPECT_EQ(velBool(c.v).asInt(), c.boolean);
        EXPECT_TRUE(velBool(c.v).is(Tag::Boolean));
    }
    EXPECT_FALSE(isTrue(Value()));
    EXPECT_TRUE(isTrue(Value::unique()));
    EXPECT_TRUE(isTrue(ValueList::make()));
    EXPECT_TRUE(errors().empty());

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

TEST_F(ValueTest, TheErrorPath)
{
    velError(Value::integer(3));
    EXPECT_EQ(errors(), std::vector<std::string>{"Bogus argument passed to velError()"});
    // A nonzero answer, or no handler at all, ends in the exit handler.
    ErrorHandler previousError = setErrorHandler(answerOne);
    ExitHandler previousExit = setExitHandler(rememberExit);
    velError("boom");
    EXPECT_EQ(exitCode, -1);
    setErrorHandler(nullptr);
    exitCode = 0;
    velError("no handler");
    EXPECT_EQ(exitCode, -1);
    setErrorHandler(previousError);
    setExitHandler(previousExit);
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
    const std::string print = "Cannot print values nested more than 512 deep";
    const std::string compare = "Cannot compare values nested more than 512 deep";
    struct Case {
        const char* what;
        std::function<void(const Value&)> operation;
        std::string report; // what the list gives
        bool tablesToo;     // ordering and the rest do not look inside tables
    };
    const Case cases[] = {
        {"display", [](const Value& v) { displayForm(v); }, print, true},
        {"quoted", [](const Value& v) { vel::print(v, true); }, print, true},
        {"order", [](const Value& v) { EXPECT_EQ(compareValues(v, v), 0); }, compare, false},
        {"collate", [](const Value& v) { collateValues(v, v); }, compare, false},
        {"encode", [](const Value& v) { encodeToBytes(v); }, "Cannot encode values nested more than 512 deep", true},
        {"equal and hash", [](const Value& v) { EXPECT_TRUE(v == v); EXPECT_EQ(hashValue(v), hashValue(v)); }, "", false},
        {"copy", [](const Value& v) { EXPECT_FALSE(velCopy(v) == v); }, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.operation(list);
        EXPECT_EQ(errors(), c.report.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.report});
        c.operation(table);
        EXPECT_EQ(errors().size(), c.tablesToo ? 1u : 0u);
    }
    // Once the report is made, nesting prints whole again.
    Value nested = ValueList::make();
    nested.as<ValueList>()->append(ValueList::make());
    EXPECT_EQ(displayForm(nested), "(list (list))");
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

TEST_F(AllocatorTest, CountsBlocksZeroFillsAndGivesChunksBackWhenAllIsFree)
{
    BlockAllocator a;
    const std::size_t sizes[] = {10, 32, 200, 4096, 5000};
    std::vector<void*> blocks;
    for (std::size_t n : sizes) {
        blocks.push_back(a.allocate(n));
        std::memset(blocks.back(), 0xAB, n);
    }
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(a.stats().liveBlocks[c], 1);
    EXPECT_EQ(a.stats().largeBlocks, 1);
    EXPECT_EQ(a.stats().chunkCount, 4); // one chunk per class used; the large block is not one
    EXPECT_EQ(a.stats().bytesInUse, 10 + 32 + 200 + 4096 + 5000);
    a.release(blocks[2], 200);
    auto* again = static_cast<unsigned char*>(a.allocate(200));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(again[i], 0);
    blocks[2] = again;
    for (int i = 0; i < 40; ++i) // 16 blocks of 4096 bytes a chunk: two more chunks
        blocks.push_back(a.allocate(4000));
    EXPECT_EQ(a.stats().chunkCount, 6);
    for (std::size_t i = 1; i < blocks.size(); ++i)
        a.release(blocks[i], i < std::size(sizes) ? sizes[i] : 4000);
    EXPECT_EQ(a.stats().chunkCount, 6); // a live 16-byte block keeps every chunk
    a.release(blocks[0], 10);
    EXPECT_EQ(a.stats().chunkCount, 0);
    EXPECT_EQ(a.stats().bytesInUse, 0);
    EXPECT_EQ(a.stats().peakBytesInUse, 10 + 32 + 200 + 4096 + 5000 + 40 * 4000);
}

} // namespace
} // namespace vel
