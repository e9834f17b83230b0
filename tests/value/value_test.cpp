// Values: handles and ownership, comparisons, conversions, the error path and the block allocator.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST_F(ValueTest, EqualityOrderingAndCollation)
{
    Value l1 = ValueList::make(), l2 = ValueList::make(), prefix = ValueList::make();
    l1.as<List>()->appendInt(1);
    l2.as<List>()->appendInt(1);
    l2.as<List>()->appendInt(5);
    Value u1 = Value::unique(), u2 = Value::unique();
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
    Value held = str("abc"), copy = held;
    copy = copy; // self-assignment keeps the count
    EXPECT_EQ(held.object()->referenceCount(), 2);
    Value moved = std::move(copy);
    EXPECT_TRUE(copy.isNil());
    moved = Value();
    EXPECT_EQ(held.object()->referenceCount(), 1);
    EXPECT_EQ(hashValue(Value::integer(-5)), 5u);
    EXPECT_NE(hashValue(Value::integer(1)), hashValue(Value::real(1.0f)));
    // Strings hash by their bytes, read as signed: table slot order in files depends on it.
    EXPECT_EQ(hashValue(str("k\xe9y")), 4294095614u);
}

TEST_F(ValueTest, TruthAndConversions)
{
    struct Case { Value v; bool truth; int32_t integer; double real; int32_t boolean; };
    const Case cases[] = {
        {Value::integer(2), true, 2, 2.0, 2},
        {Value::boolean(0), false, 0, 0.0, 0},
        {Value::real(-2.7f), false, -2, -2.7f, -2},
        {Value::real(1e20f), false, INT32_MAX, 1e20f, INT32_MAX}, // saturates rather than misbehave
        {str(" 42abc"), false, 42, 42.0, 42},
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
    EXPECT_TRUE(isTrue(Value::unique()) && isTrue(ValueList::make()));
    EXPECT_TRUE(errors().empty());
    // Other types are bad arguments that convert to zero.
    EXPECT_EQ(velIntValue(ValueList::make()) + velFloatValue(Value()) + velBool(Table::make()).asInt(), 0);
    EXPECT_EQ(errors().size(), 3u);
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
        bool reports;   // once, for the list
        bool tablesToo; // ordering and the rest do not look inside tables
    };
    const Case cases[] = {
        {"display", [](const Value& v) { displayForm(v); }, true, true},
        {"quoted", [](const Value& v) { vel::print(v, true); }, true, true},
        {"order", [](const Value& v) { EXPECT_EQ(compareValues(v, v), 0); }, true, false},
        {"collate", [](const Value& v) { collateValues(v, v); }, true, false},
        {"encode", [](const Value& v) { encodeToBytes(v); }, true, true},
        {"equal and hash", [](const Value& v) { EXPECT_TRUE(v == v); EXPECT_EQ(hashValue(v), hashValue(v)); }, false, false},
        {"copy", [](const Value& v) { EXPECT_FALSE(velCopy(v) == v); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.operation(list);
        EXPECT_EQ(errors().size(), c.reports ? 1u : 0u);
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

TEST_F(ValueTest, AllocatorZeroesReusedBlocksAndKeepsAFewChunksWhenAllIsFree)
{
    if (BlockAllocator::routesToSystem())
        GTEST_SKIP() << "the system allocator serves this build";
    BlockAllocator a;
    constexpr int kKept = BlockAllocator::kKeptChunks;
    std::vector<std::size_t> sizes = {10, 32, 200, 4096, 5000};
    sizes.resize(sizes.size() + 16 * kKept, 4000); // 16 blocks of 4096 bytes a chunk: kKept + 1 chunks of that class
    std::vector<void*> blocks;
    for (std::size_t n : sizes)
        std::memset(blocks.emplace_back(a.allocate(n)), 0xAB, n);
    EXPECT_EQ(a.stats().chunkCount, kKept + 4); // the large block is not a chunk
    a.release(blocks[2], 200);
    auto* again = static_cast<unsigned char*>(a.allocate(200));
    EXPECT_EQ(std::count(again, again + 200, 0), 200);
    blocks[2] = again;
    for (std::size_t i = 1; i < blocks.size(); ++i)
        a.release(blocks[i], sizes[i]);
    EXPECT_EQ(a.stats().chunkCount, kKept + 4); // a live 16-byte block keeps every chunk
    a.release(blocks[0], 10);
    EXPECT_EQ(a.stats().chunkCount, kKept);
    EXPECT_EQ(a.stats().bytesInUse, 0);
    EXPECT_EQ(a.stats().peakBytesInUse, 10 + 32 + 200 + 4096 + 5000 + 16 * kKept * 4000);
    // The kept chunks still hold old bytes; they are cut again and their blocks handed out zeroed.
    for (std::size_t n : {10, 4000}) {
        auto* reused = static_cast<unsigned char*>(a.allocate(n));
        EXPECT_EQ(std::count(reused, reused + n, 0), static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(a.stats().chunkCount, kKept);
        a.release(reused, n);
    }
}

} // namespace
} // namespace vel
