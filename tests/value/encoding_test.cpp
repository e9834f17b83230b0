#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/error_capture.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/makers.h"
#include "value/stream.h"
#include "value/string.h"
#include "value/table.h"
#include "value/structural.h"

namespace vel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::ErrorCheckedTest;
using testing_support::structurallyEqual;

Bytes encoded(const Value& v)
{
    bool ok = false;
    Bytes out = encodeToBytes(v, &ok);
    EXPECT_TRUE(ok);
    return out;
}

Value decoded(const Bytes& bytes) { return decodeFromBytes(bytes.data(), bytes.size()); }

Bytes le32(int32_t n)
{
    auto u = static_cast<uint32_t>(n);
    return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
            static_cast<uint8_t>(u >> 24)};
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

class EncodingTest : public ErrorCheckedTest {};

Value listOf(int32_t capacity, std::initializer_list<int> elements, bool integers = false)
{
    Value l = integers ? IntList::make(capacity, 100) : ValueList::make(capacity, 100);
    for (int e : elements)
        l.as<List>()->appendInt(e);
    return l;
}

TEST_F(EncodingTest, KnownValuesHaveKnownBytesAndComeBack)
{
    Value table = Table::make(8);
    table.as<Table>()->put(Value::integer(3), Value::string("c"));
    table.as<Table>()->put(Value::integer(1), Value::string("a"));
    // Grown past 255 slots, a list keeps the long form after it shrinks.
    Value grown = listOf(4, {});
    for (int i = 0; i < 300; ++i)
        grown.as<ValueList>()->appendInt(i);
    while (grown.as<ValueList>()->count() > 2)
        grown.as<ValueList>()->removeLast();
    Value buffer = Buffer::make(10);
    std::memcpy(buffer.as<Buffer>()->bytes(), "xyz", 3);
    buffer.as<Buffer>()->setLength(3);
    int32_t fields[Date::FieldCount] = {1997, 3, 14, 5, Date::kUnspecified, 0, 999, Date::kUnspecified};
    Value props = Table::make(4);
    props.as<Table>()->put("Class", Value::string("Button"));
    const std::string s255(255, 'x'), s256(256, 'y');

    struct Case { Value value; Bytes bytes; };
    const Case cases[] = {
        {Value::integer(127), {32, 127}},
        {Value::integer(-127), {32, 0x81}},
        // -128 and -32768 fit a signed byte and short, yet take the next wider form.
        {Value::integer(-128), {33, 0x80, 0xFF}},
        {Value::integer(32767), {33, 0xFF, 0x7F}},
        {Value::integer(-32767), {33, 0x01, 0x80}},
        {Value::integer(-32768), {3, 0x00, 0x80, 0xFF, 0xFF}},
        {Value::integer(40000), {3, 0x40, 0x9C, 0x00, 0x00}},
        {Value::integer(INT32_MIN), {3, 0x00, 0x00, 0x00, 0x80}},
        {Value(), {0}},
        {Value::boolean(1), {30}},
        {Value::boolean(0), {31}},
        {Value::real(1.0f), {4, 0x00, 0x00, 0x80, 0x3F}},
        {Value::string(""), {34, 0}},
        {Value::string("ab"), {34, 2, 'a', 'b'}},
        {Value::string(s255), cat({{34, 255}, Bytes(s255.begin(), s255.end())})},
        {Value::string(s256), cat({{6}, le32(256), Bytes(s256.begin(), s256.end())})},
        {buffer, cat({{7}, le32(3), {'x', 'y', 'z'}})},
        {listOf(4, {1, 2, 3}), {35, 3, 32, 1, 32, 2, 32, 3}},
        {grown, cat({{8}, le32(2), {5, 32, 0, 32, 1}})},
        {listOf(2, {1, -2}, true), cat({{8}, le32(2), {3}, le32(1), le32(-2)})},
        {table, cat({{9}, le32(8), le32(2), {32, 1, 34, 1, 'a', 32, 3, 34, 1, 'c'}})},
        {Region::rectangle(1, 2, 3, 4), cat({{11}, le32(1), le32(2), le32(3), le32(4), le32(0)})},
        // The closing point is stored but not written.
        {Region::polygon({{0, 0}, {10, 0}, {0, 10}}), cat({{11}, le32(0), le32(0), le32(10), le32(10), le32(3),
                                                           le32(0), le32(0), le32(10), le32(0), le32(0), le32(10)})},
        {Font::make(Value::string("Arial"), 12, 1), cat({{16, 34, 5, 'A', 'r', 'i', 'a', 'l'}, le32(12), le32(1)})},
        {TextBlock::make(5, 6, Value::integer(1), Value()), cat({{17}, le32(5), le32(6), {32, 1, 0}})},
        // 0 marks an unspecified field; fields that can be 0 are stored plus one.
        {Date::make(fields), cat({{29}, le32(1997 | 3 << 16 | 14 << 20 | 6 << 25), le32(1 << 6 | 1000 << 12)})},
        {objectMakers().form(props), cat({{23}, encodeToBytes(props)})},
        {objectMakers().control(props), cat({{22}, encodeToBytes(props)})},
        {objectMakers().reference(Value::string("x")), {26, 34, 1, 'x'}},
        {objectMakers().soundFromParts(Value::string("s"), 7, Value()), cat({{19, 34, 1, 's'}, le32(7), {0}})},
        {objectMakers().imageFromParts(Value::integer(1), Value::integer(2)), {18, 32, 1, 32, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(quotedForm(c.value).substr(0, 60));
        EXPECT_EQ(encoded(c.value), c.bytes);
        EXPECT_TRUE(structurallyEqual(decoded(c.bytes), c.value));
    }
    // Decoded lists get the capacity of their count, so the short form comes back; tables keep theirs.
    EXPECT_EQ(decoded(encoded(grown)).as<List>()->capacity(), 2);
    EXPECT_EQ(decoded(encoded(table)).as<Table>()->threshold(), 6);
    // An unknown element kind reads as values; a nil key is left out rather than counted.
    EXPECT_EQ(decoded(cat({{8}, le32(1), {7, 32, 9}})).as<ValueList>()->at(0).asInt(), 9);
    EXPECT_EQ(decoded(cat({{9}, le32(4), le32(2), {0, 32, 1, 32, 2, 32, 3}})).as<Table>()->count(), 1);
}

// An image drawn into a drawing context.
class ContextImage final : public CompositeObject {
public:
    WireParts wireParts() const override { return {Value(), Value(), 0, false}; }
};

TEST_F(EncodingTest, WhatCannotBeEncodedIsRefusedAndWhatDoesNotFitIsNotWritten)
{
    Value twice = listOf(4, {1}); // inside a collection the refusal fails the whole, once
    twice.as<ValueList>()->append(Value::unique());
    twice.as<ValueList>()->append(Value::unique());
    const std::pair<Value, const char*> cases[] = {
        {Value::unique(), "Cannot encode this type: unique"},
        {MemoryStream::growable(), "Cannot encode this type: stream"},
        {Value::adopt(Tag::Image, new ContextImage), "Cannot encode context images"},
        {Value::adopt(Tag::Archive, new ContextImage), "Cannot encode this type: application-defined"},
        {twice, "Cannot encode this type: unique"},
    };
    for (const auto& [value, message] : cases) {
        bool ok = true;
        encodeToBytes(value, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(errors(), std::vector<std::string>{message});
    }
    // A fixed work buffer covers the first 30000 bytes; the guard after them must stay untouched.
    std::vector<uint8_t> memory(30000 + 64, 0xAB);
    Value stream = MemoryStream::overBytes(memory.data(), 30000, true);
    Value article = ValueList::make();
    for (int i = 0; i < 4; ++i)
        article.as<ValueList>()->append(Value::string(std::string(10000, 'a' + i)));
    EXPECT_FALSE(encode(*stream.as<Stream>(), article));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(std::count(memory.begin() + 30000, memory.end(), 0xAB), 64) << "written past the end";
}

TEST_F(EncodingTest, RandomValuesSurviveARoundTrip)
{
    testing_support::RandomValues random(20240611);
    std::vector<Value> values;
    Value stream = MemoryStream::growable();
    for (int i = 0; i < 3000; ++i) {
        Value v = random.make(3);
        Bytes first = encoded(v);
        ASSERT_TRUE(structurallyEqual(v, decoded(first))) << "value " << i;
        // Bytes need not repeat (a list's capacity shrinks to its count, table slots may move) but the
        // size can only shrink, by the long list form turning short.
        ASSERT_LE(encoded(decoded(first)).size(), first.size()) << "value " << i;
        if (i % 10 == 0) {
            values.push_back(v);
            ASSERT_TRUE(encode(*stream.as<Stream>(), v));
        }
    }
    // Back one after the other: each decode stops at its own end.
    stream.as<Stream>()->seek(0);
    for (const Value& v : values)
        ASSERT_TRUE(structurallyEqual(v, decode(*stream.as<Stream>())));
    EXPECT_TRUE(stream.as<Stream>()->atEnd());
}

// ---- hostile input ----

TEST_F(EncodingTest, UnknownTagsAndCountsTheInputCannotHoldAreRefusedBeforeAllocating)
{
    int64_t before = BlockAllocator::instance().stats().bytesInUse;
    struct Case { Bytes bytes; const char* message; };
    const Case cases[] = {
        {{1, 1, 2, 3}, "Cannot decode this type: 1"},
        {{24, 1, 2, 3}, "Cannot decode this type: 24"},
        {{36, 1, 2, 3}, "Cannot decode this type: 36"},
        {{255, 1, 2, 3}, "Cannot decode this type: 255"},
        // Inside a list an unknown tag ends the decode: what follows cannot be told apart from garbage.
        {{35, 3, 32, 1, 99, 32, 2}, "Cannot decode this type: 99"},
        {cat({{6}, le32(INT32_MAX), {'a'}}), "Cannot read VELBYTE from stream"},
        {cat({{6}, le32(-1)}), "Cannot read VELBYTE from stream"},
        {{34, 10, 'a'}, "Cannot read VELBYTE from stream"},
        {cat({{7}, le32(1 << 30)}), "Cannot read VELBYTE from stream"},
        {cat({{8}, le32(INT32_MAX), {5, 0}}), "Cannot read VELBYTE from stream"},
        {cat({{8}, le32(-5), {5}}), "Cannot read VELBYTE from stream"},
        {cat({{8}, le32(1 << 29), {3}, le32(1)}), "Cannot read IntList from stream"},
        {cat({{8}, le32(2), {3}, le32(1)}), "Cannot read IntList from stream"},
        {{35, 200, 0}, "Cannot read VELBYTE from stream"},
        {cat({{9}, le32(4), le32(INT32_MAX), {0, 0}}), "Cannot read VELBYTE from stream"},
        {cat({{11}, le32(0), le32(0), le32(1), le32(1), le32(INT32_MAX)}), "Cannot read VELINT from stream"},
        {cat({{11}, le32(0), le32(0), le32(1), le32(1), le32(-1)}), "Cannot read VELINT from stream"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(decoded(c.bytes).isNil());
        EXPECT_EQ(errors(), std::vector<std::string>{c.message}) << "first byte " << int(c.bytes[0]);
        EXPECT_EQ(BlockAllocator::instance().stats().bytesInUse, before);
    }
}

TEST_F(EncodingTest, WhatHeadersClaimIsBoundedByTheInput)
{
    // A believable spare capacity is kept: it decides the slot order.
    Value roomy = decoded(cat({{9}, le32(1000), le32(1), {32, 1, 32, 2}}));
    ASSERT_TRUE(roomy.is(Tag::Table));
    EXPECT_EQ(roomy.as<Table>()->capacity(), 1000);

    // Lists nested 500 deep, each claiming as many elements as the bytes after it could hold; and
    // twenty thousand empty tables each claiming a thousand slots. Either would take hundreds of times
    // its size if every header were believed on its own.
    constexpr int32_t kPadding = 1 << 14;
    auto repeat = [](const Bytes& head, const Bytes& part, int times) {
        Bytes out = head;
        for (int i = 0; i < times; ++i)
            out.insert(out.end(), part.begin(), part.end());
        return out;
    };
    Bytes nested = repeat({}, cat({{8}, le32(kPadding), {5}}), 500);
    nested.resize(nested.size() + kPadding, 0);
    Bytes tables = repeat(cat({{8}, le32(20000), {5}}), cat({{9}, le32(1000), le32(0)}), 20000);

    BlockAllocator& allocator = BlockAllocator::instance();
    allocator.resetPeak();
    int64_t before = allocator.stats().bytesInUse;
    EXPECT_TRUE(decoded(nested).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot read VELBYTE from stream"});
    EXPECT_LE(allocator.stats().peakBytesInUse - before, 16 * static_cast<int64_t>(nested.size()));

    // The tables decode; past an allowance of one spare slot per input byte, with the capacity their
    // count needs.
    Value list = decoded(tables);
    ASSERT_TRUE(list.is(Tag::List));
    int64_t slots = 0;
    for (int i = 0; i < 20000; ++i)
        slots += list.as<ValueList>()->at(i).as<Table>()->capacity();
    EXPECT_EQ(list.as<ValueList>()->at(0).as<Table>()->capacity(), 1000);
    EXPECT_LE(slots, (1 << 16) + static_cast<int64_t>(tables.size()) + 20000);
}

TEST_F(EncodingTest, EveryTruncationOfAValidEncodingFailsCleanly)
{
    testing_support::RandomValues random(99);
    for (int i = 0; i < 20; ++i) {
        Value v = ValueList::make();
        for (int k = 0; k < 6; ++k)
            v.as<ValueList>()->append(random.make(2));
        Bytes whole = encoded(v);
        // Every cut near the front, where the headers are; further on a sample keeps the test quick.
        for (std::size_t cut = 0; cut < whole.size(); cut += cut < 512 ? 1 : 1 + cut % 61) {
            Value back = decodeFromBytes(whole.data(), cut);
            ASSERT_TRUE(back.isNil()) << "cut at " << cut;
            ASSERT_EQ(errors().size(), 1u) << "cut at " << cut;
        }
    }
}

TEST_F(EncodingTest, NestingIsBounded)
{
    auto nested = [](int depth) {
        Bytes bytes;
        for (int i = 0; i < depth; ++i)
            bytes.insert(bytes.end(), {35, 1});
        bytes.push_back(0);
        return bytes;
    };
    Value deep = decoded(nested(kEncodingDepthLimit));
    EXPECT_EQ(encoded(deep), nested(kEncodingDepthLimit)); // what decodes at the limit encodes back
    EXPECT_TRUE(decoded(nested(kEncodingDepthLimit + 1)).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot decode values nested more than 512 deep"});
    EXPECT_TRUE(decoded(nested(1000000)).isNil());
    EXPECT_EQ(errors().size(), 1u);
}

int exitCode = 0;
int fatalAnswer(const Value&) { return 1; }
void returningExit(int code) { exitCode = code; }

// A handler that asks for the exit, or none at all, ends in the exit handler; decoding stops even
// when that comes back.
TEST_F(EncodingTest, DecodeTerminatesWhateverTheHandlerAnswers)
{
    ErrorHandler previousError = setErrorHandler(fatalAnswer);
    ExitHandler previousExit = setExitHandler(returningExit);
    const Bytes inputs[] = {{35, 255, 99, 99, 99}, cat({{8}, le32(INT32_MAX), {3}}),
                            cat({{9}, le32(INT32_MAX), le32(INT32_MAX)}), {6, 1}, {4, 1, 2}};
    for (ErrorHandler handler : {fatalAnswer, ErrorHandler{}}) {
        setErrorHandler(handler);
        for (const Bytes& input : inputs) {
            exitCode = 0;
            EXPECT_TRUE(decoded(input).isNil());
            EXPECT_EQ(exitCode, -1);
        }
    }
    setErrorHandler(previousError);
    setExitHandler(previousExit);
}

} // namespace
} // namespace vel
