#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/error_capture.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/list.h"
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

TEST_F(EncodingTest, IntegersTakeTheSmallestFormThatHoldsThem)
{
    EXPECT_EQ(encoded(Value::integer(127)), (Bytes{32, 127}));
    EXPECT_EQ(encoded(Value::integer(-127)), (Bytes{32, 0x81}));
    EXPECT_EQ(encoded(Value::integer(0)), (Bytes{32, 0}));
    // -128 and -32768 fit a signed byte and short, yet take the next wider form.
    EXPECT_EQ(encoded(Value::integer(-128)), (Bytes{33, 0x80, 0xFF}));
    EXPECT_EQ(encoded(Value::integer(128)), (Bytes{33, 0x80, 0x00}));
    EXPECT_EQ(encoded(Value::integer(32767)), (Bytes{33, 0xFF, 0x7F}));
    EXPECT_EQ(encoded(Value::integer(-32767)), (Bytes{33, 0x01, 0x80}));
    EXPECT_EQ(encoded(Value::integer(-32768)), (Bytes{3, 0x00, 0x80, 0xFF, 0xFF}));
    EXPECT_EQ(encoded(Value::integer(40000)), (Bytes{3, 0x40, 0x9C, 0x00, 0x00}));
    EXPECT_EQ(encoded(Value::integer(INT32_MIN)), (Bytes{3, 0x00, 0x00, 0x00, 0x80}));

    for (int32_t n : {-128, -127, 127, 128, -32768, -32767, 32767, 32768, INT32_MIN, INT32_MAX}) {
        Value back = decoded(encoded(Value::integer(n)));
        ASSERT_TRUE(back.is(Tag::Int));
        EXPECT_EQ(back.asInt(), n);
    }
}

TEST_F(EncodingTest, ScalarsAndStrings)
{
    EXPECT_EQ(encoded(Value()), (Bytes{0}));
    EXPECT_EQ(encoded(Value::boolean(1)), (Bytes{30}));
    EXPECT_EQ(encoded(Value::boolean(-5)), (Bytes{30}));
    EXPECT_EQ(encoded(Value::boolean(0)), (Bytes{31}));
    EXPECT_EQ(encoded(Value::real(1.0f)), (Bytes{4, 0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(encoded(Value::string("")), (Bytes{34, 0}));
    EXPECT_EQ(encoded(Value::string("ab")), (Bytes{34, 2, 'a', 'b'}));

    Bytes b255 = encoded(Value::string(std::string(255, 'x')));
    ASSERT_EQ(b255.size(), 257u);
    EXPECT_EQ(b255[0], 34);
    EXPECT_EQ(b255[1], 255);
    Bytes b256 = encoded(Value::string(std::string(256, 'y')));
    ASSERT_EQ(b256.size(), 261u);
    EXPECT_EQ(Bytes(b256.begin(), b256.begin() + 5), cat({{6}, le32(256)}));

    Value t = decoded({30});
    ASSERT_TRUE(t.is(Tag::Boolean));
    EXPECT_EQ(t.asInt(), 1);
    EXPECT_EQ(decoded({31}).asInt(), 0);
    Value empty = decoded({6, 0, 0, 0, 0});
    ASSERT_TRUE(empty.is(Tag::String));
    EXPECT_EQ(textOf(empty), "");
}

TEST_F(EncodingTest, BuffersWriteTheirLengthNotTheirCapacity)
{
    Value b = Buffer::make(10);
    std::memcpy(b.as<Buffer>()->bytes(), "xyz", 3);
    b.as<Buffer>()->setLength(3);
    EXPECT_EQ(encoded(b), cat({{7}, le32(3), {'x', 'y', 'z'}}));
    Value back = decoded(encoded(b));
    ASSERT_TRUE(back.is(Tag::Buffer));
    EXPECT_EQ(back.as<Buffer>()->length(), 3);
}

TEST_F(EncodingTest, ListFormFollowsCapacity)
{
    Value small = ValueList::make(4);
    for (int i = 1; i <= 3; ++i)
        small.as<ValueList>()->appendInt(i);
    EXPECT_EQ(encoded(small), (Bytes{35, 3, 32, 1, 32, 2, 32, 3}));

    // Grown past 255 slots, a list keeps the long form even after it shrinks.
    Value grown = ValueList::make(4);
    for (int i = 0; i < 300; ++i)
        grown.as<ValueList>()->appendInt(i);
    while (grown.as<ValueList>()->count() > 2)
        grown.as<ValueList>()->removeLast();
    ASSERT_GE(grown.as<ValueList>()->capacity(), 256);
    EXPECT_EQ(encoded(grown), cat({{8}, le32(2), {5, 32, 0, 32, 1}}));

    Value ints = IntList::make(2);
    ints.as<IntList>()->appendInt(1);
    ints.as<IntList>()->appendInt(-2);
    EXPECT_EQ(encoded(ints), cat({{8}, le32(2), {3}, le32(1), le32(-2)}));

    // Decoded lists get exactly the capacity the count asks for, so the form survives a round trip.
    Value back = decoded(encoded(grown));
    EXPECT_EQ(back.as<List>()->capacity(), 2);
    Value backInts = decoded(encoded(ints));
    ASSERT_NE(asIntList(backInts), nullptr);
    EXPECT_EQ(backInts.as<IntList>()->at(1), -2);
    // An unknown element kind reads as values.
    Value odd = decoded(cat({{8}, le32(1), {7, 32, 9}}));
    ASSERT_NE(asValueList(odd), nullptr);
    EXPECT_EQ(odd.as<ValueList>()->at(0).asInt(), 9);
}

TEST_F(EncodingTest, TablesWriteCapacityCountAndSlotsInOrder)
{
    Value t = Table::make(8);
    t.as<Table>()->put(Value::integer(3), Value::string("c"));
    t.as<Table>()->put(Value::integer(1), Value::string("a"));
    EXPECT_EQ(encoded(t), cat({{9}, le32(8), le32(2), {32, 1, 34, 1, 'a', 32, 3, 34, 1, 'c'}}));

    Value back = decoded(encoded(t));
    ASSERT_TRUE(back.is(Tag::Table));
    EXPECT_EQ(back.as<Table>()->capacity(), 8);
    EXPECT_EQ(back.as<Table>()->growth(), 100);
    EXPECT_EQ(back.as<Table>()->threshold(), 6);
    EXPECT_TRUE(structurallyEqual(t, back));

    // A nil key cannot live in a table (nil marks a free slot): it is left out rather than counted.
    Value nilKey = decoded(cat({{9}, le32(4), le32(2), {0, 32, 1, 32, 2, 32, 3}}));
    ASSERT_TRUE(nilKey.is(Tag::Table));
    EXPECT_EQ(nilKey.as<Table>()->count(), 1);
}

TEST_F(EncodingTest, DataObjects)
{
    EXPECT_EQ(encoded(Region::rectangle(1, 2, 3, 4)), cat({{11}, le32(1), le32(2), le32(3), le32(4), le32(0)}));
    Value triangle = Region::polygon({{0, 0}, {10, 0}, {0, 10}});
    // The closing point is stored but not written.
    EXPECT_EQ(encoded(triangle), cat({{11}, le32(0), le32(0), le32(10), le32(10), le32(3), le32(0), le32(0),
                                      le32(10), le32(0), le32(0), le32(10)}));
    Value back = decoded(encoded(triangle));
    ASSERT_TRUE(back.is(Tag::Region));
    EXPECT_EQ(back.as<Region>()->points.size(), 4u);
    EXPECT_TRUE(back.as<Region>()->containsPoint(2, 2));
    EXPECT_FALSE(back.as<Region>()->containsPoint(9, 9));

    EXPECT_EQ(encoded(Font::make(Value::string("Arial"), 12, 1)),
              cat({{16, 34, 5, 'A', 'r', 'i', 'a', 'l'}, le32(12), le32(1)}));
    EXPECT_EQ(encoded(TextBlock::make(5, 6, Value::integer(1), Value())), cat({{17}, le32(5), le32(6), {32, 1, 0}}));

    int32_t fields[Date::FieldCount] = {1997, 3, 14, Date::kUnspecified, Date::kUnspecified, Date::kUnspecified,
                                        Date::kUnspecified, Date::kUnspecified};
    Value date = Date::make(fields);
    uint32_t low = 0, high = 0;
    date.as<Date>()->toWords(low, high);
    EXPECT_EQ(encoded(date), cat({{29}, le32(static_cast<int32_t>(low)), le32(static_cast<int32_t>(high))}));
    Value dateBack = decoded(encoded(date));
    ASSERT_TRUE(dateBack.is(Tag::Date));
    EXPECT_EQ(dateBack.as<Date>()->fields[Date::Day], 14);
    EXPECT_EQ(dateBack.as<Date>()->fields[Date::Hour], Date::kUnspecified);
}

// What the makers were handed, for checking that decode passes the decoded parts on.
Value lastProperties;
Value recordingForm(const Value& properties)
{
    lastProperties = properties;
    return placeholderMakers().form(properties);
}

TEST_F(EncodingTest, RuntimeObjectsGoThroughTheirPartsAndMakers)
{
    Value props = Table::make(4);
    props.as<Table>()->put("Class", Value::string("Button"));
    Value form = objectMakers().form(props);
    Bytes bytes = encoded(form);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes[0], 23);
    EXPECT_EQ(Bytes(bytes.begin() + 1, bytes.end()), encoded(props));
    EXPECT_EQ(encoded(objectMakers().control(props))[0], 22);
    EXPECT_EQ(encoded(objectMakers().reference(Value::string("x"))), (Bytes{26, 34, 1, 'x'}));
    EXPECT_EQ(encoded(objectMakers().soundFromParts(Value::string("s"), 7, Value())),
              cat({{19, 34, 1, 's'}, le32(7), {0}}));
    EXPECT_EQ(encoded(objectMakers().imageFromParts(Value::integer(1), Value::integer(2))), (Bytes{18, 32, 1, 32, 2}));

    ObjectMakers makers{};
    makers.form = recordingForm;
    ObjectMakers previous = installObjectMakers(makers);
    Value back = decoded(bytes);
    installObjectMakers(previous);
    EXPECT_TRUE(back.is(Tag::Form));
    ASSERT_TRUE(lastProperties.is(Tag::Table));
    EXPECT_EQ(textOf(lastProperties.as<Table>()->get("Class")), "Button");
    lastProperties = Value();
}

// An image drawn into a drawing context.
class ContextImage final : public CompositeObject {
public:
    WireParts wireParts() const override
    {
        WireParts parts;
        parts.encodable = false;
        return parts;
    }
};

TEST_F(EncodingTest, ValuesWithoutEncodingAreRefused)
{
    struct Case {
        Value value;
        const char* message;
    };
    Case cases[] = {
        {Value::unique(), "Cannot encode this type: unique"},
        {MemoryStream::growable(), "Cannot encode this type: stream"},
        {Value::adopt(Tag::Image, new ContextImage), "Cannot encode context images"},
        {Value::adopt(Tag::Archive, new ContextImage), "Cannot encode this type: application-defined"},
    };
    for (const Case& c : cases) {
        bool ok = true;
        encodeToBytes(c.value, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(errors(), std::vector<std::string>{c.message});
    }

    // Inside a collection the refusal fails the whole encoding, once.
    Value list = ValueList::make();
    list.as<ValueList>()->appendInt(1);
    list.as<ValueList>()->append(Value::unique());
    list.as<ValueList>()->append(Value::unique());
    bool ok = true;
    encodeToBytes(list, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(EncodingTest, AFixedWorkBufferRefusesWhatDoesNotFit)
{
    // The stream covers the first 30000 bytes; the guard after them must stay untouched.
    std::vector<uint8_t> memory(30000 + 64, 0xAB);
    Value stream = MemoryStream::overBytes(memory.data(), 30000, true);
    Value article = ValueList::make();
    for (int i = 0; i < 4; ++i)
        article.as<ValueList>()->append(Value::string(std::string(10000, 'a' + i)));
    EXPECT_FALSE(encode(*stream.as<Stream>(), article));
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot write VELBYTE to stream"});
    for (std::size_t i = 30000; i < memory.size(); ++i)
        ASSERT_EQ(memory[i], 0xAB) << "written past the end at " << i;

    // A fixed-size field that does not fit reports its own message.
    uint8_t four[4];
    Value tight = MemoryStream::overBytes(four, 4, true);
    EXPECT_FALSE(encode(*tight.as<Stream>(), Value::integer(100000)));
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot write VELINT to stream"});
}

TEST_F(EncodingTest, RandomValuesSurviveARoundTrip)
{
    testing_support::RandomValues random(20240611);
    for (int i = 0; i < 3000; ++i) {
        Value v = random.make(3);
        Bytes first = encoded(v);
        Value back = decoded(first);
        ASSERT_TRUE(structurallyEqual(v, back)) << "value " << i;
        // Bytes need not repeat (a list's capacity shrinks to its count, table slots may move) but the
        // size can only shrink, by the long list form turning short.
        ASSERT_LE(encoded(back).size(), first.size()) << "value " << i;
    }
}

TEST_F(EncodingTest, RoundTripThroughABufferedFile)
{
    std::string path = ::testing::TempDir() + "encoding_round_trip.bin";
    testing_support::RandomValues random(7);
    std::vector<Value> values;
    {
        Value out = fileStream(path, Stream::Create, false);
        ASSERT_TRUE(out.is(Tag::Stream));
        for (int i = 0; i < 200; ++i) {
            values.push_back(random.make(2));
            ASSERT_TRUE(encode(*out.as<Stream>(), values.back()));
        }
    }
    Value in = fileStream(path, Stream::Read, false);
    ASSERT_TRUE(in.is(Tag::Stream));
    for (const Value& v : values)
        ASSERT_TRUE(structurallyEqual(v, decode(*in.as<Stream>())));
    EXPECT_TRUE(in.as<Stream>()->atEnd());
    in = Value();
    deleteFile(path);
}

// ---- hostile input ----

TEST_F(EncodingTest, UnknownTagsAreReported)
{
    for (uint8_t tag : {1, 2, 5, 10, 24, 36, 200, 255}) {
        EXPECT_TRUE(decoded({tag, 1, 2, 3}).isNil());
        EXPECT_EQ(errors(), std::vector<std::string>{"Cannot decode this type: " + std::to_string(tag)});
    }
    // Inside a list the unknown tag ends the decode: what follows cannot be told apart from garbage.
    EXPECT_TRUE(decoded({35, 3, 32, 1, 99, 32, 2}).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot decode this type: 99"});
}

TEST_F(EncodingTest, CountsThatTheRemainingBytesCannotHoldAreRefusedBeforeAllocating)
{
    int64_t before = BlockAllocator::instance().stats().bytesInUse;
    struct Case {
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
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
        for (int i = 0; i < depth; ++i) {
            bytes.push_back(35);
            bytes.push_back(1);
        }
        bytes.push_back(0);
        return bytes;
    };
    Value deep = decoded(nested(kEncodingDepthLimit));
    EXPECT_TRUE(deep.is(Tag::List));
    EXPECT_TRUE(decoded(nested(kEncodingDepthLimit + 1)).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot decode values nested more than 512 deep"});
    EXPECT_TRUE(decoded(nested(1000000)).isNil());
    EXPECT_EQ(errors().size(), 1u);

    // What decodes at the limit encodes back.
    Bytes again = encoded(deep);
    EXPECT_EQ(again, nested(kEncodingDepthLimit));
}

int fatalAnswer(const Value&) { return 1; }
void returningExit(int) {}

TEST_F(EncodingTest, DecodeTerminatesWhateverTheHandlerAnswers)
{
    // A handler that asks for the exit, with an exit handler that comes back anyway.
    ErrorHandler previousError = setErrorHandler(fatalAnswer);
    ExitHandler previousExit = setExitHandler(returningExit);
    const Bytes inputs[] = {
        {35, 255, 99, 99, 99},
        cat({{8}, le32(INT32_MAX), {3}}),
        cat({{9}, le32(INT32_MAX), le32(INT32_MAX)}),
        {6, 1},
        {4, 1, 2},
    };
    for (const Bytes& input : inputs)
        EXPECT_TRUE(decoded(input).isNil());
    setErrorHandler(previousError);
    setExitHandler(previousExit);
}

} // namespace
} // namespace vel
