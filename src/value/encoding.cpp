#include "value/encoding.h"

#include <bit>
#include <climits>
#include <cstring>
#include <string>
#include <type_traits>

#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/nesting.h"
#include "value/stream.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

static_assert(kEncodingDepthLimit == kNestingLimit, "what can be encoded must print and compare");

namespace {

constexpr int32_t kListKindIntegers = 3;
constexpr int32_t kListKindValues = 5;
constexpr int32_t kDecodedGrowth = 100;
constexpr int32_t kDecodedThreshold = 75;
// Table capacities beyond their entry count cost memory the input does not pay for; a decode may
// claim this many spare slots, plus one per input byte, before capacities are cut to the count.
constexpr int64_t kSpareSlotFloor = 1 << 16;

// ---- encoding ----

class Encoder {
public:
    explicit Encoder(Stream& s) : stream_(s) {}

    bool value(const Value& v);
    bool ok() const { return ok_; }

private:
    bool tag(WireTag t) { return byte(static_cast<uint8_t>(t)); }
    bool byte(uint8_t b) { return ok_ && (ok_ = writeByte(stream_, b)); }
    bool int16(int16_t n) { return ok_ && (ok_ = writeInt16(stream_, n)); }
    bool int32(int32_t n) { return ok_ && (ok_ = writeInt32(stream_, n)); }
    bool bytes(const void* data, int32_t n, const char* message);
    bool refuse(const std::string& message)
    {
        velError(message);
        return ok_ = false;
    }
    bool list(const List& l);
    bool table(const Table& t);
    bool region(const Region& r);
    bool composite(Tag t, const Object* object);

    Stream& stream_;
    bool ok_ = true;
    int depth_ = 0;
};

bool Encoder::bytes(const void* data, int32_t n, const char* message)
{
    if (!ok_)
        return false;
    if (n > 0 && stream_.write(data, n) != n)
        return refuse(message);
    return true;
}

bool Encoder::value(const Value& v)
{
    if (!ok_)
        return false;
    switch (v.tag()) {
    case Tag::Nil:
        return tag(WireTag::Nil);
    case Tag::Boolean:
        return tag(v.asInt() != 0 ? WireTag::True : WireTag::False);
    case Tag::Int: {
        int32_t n = v.asInt();
        if (n >= -127 && n <= 127)
            return tag(WireTag::Int8) && byte(static_cast<uint8_t>(static_cast<int8_t>(n)));
        if (n >= -32767 && n <= 32767)
            return tag(WireTag::Int16) && int16(static_cast<int16_t>(n));
        return tag(WireTag::Int) && int32(n);
    }
    case Tag::Float:
        return tag(WireTag::Float) && (ok_ = writeFloat(stream_, v.asFloat()));
    case Tag::String: {
        const String* s = v.as<String>();
        if (s->length() < 256) {
            if (!tag(WireTag::ShortString) || !byte(static_cast<uint8_t>(s->length())))
                return false;
        } else if (!tag(WireTag::String) || !int32(s->length())) {
            return false;
        }
        return bytes(s->text(), s->length(), "Cannot write VELBYTE to stream");
    }
    case Tag::Buffer: {
        const Buffer* b = v.as<Buffer>();
        return tag(WireTag::Buffer) && int32(b->length()) &&
               bytes(b->bytes(), b->length(), "Cannot write VELBYTE to stream");
    }
    default:
        break;
    }

    // Collections and objects nest; a value that holds itself would otherwise recurse without end.
    if (depth_ >= kEncodingDepthLimit)
        return refuse("Cannot encode values nested more than " + std::to_string(kEncodingDepthLimit) + " deep");
    ++depth_;
    bool done = false;
    switch (v.tag()) {
    case Tag::List:
        done = list(*v.as<List>());
        break;
    case Tag::Table:
        done = table(*v.as<Table>());
        break;
    case Tag::Region:
        done = region(*v.as<Region>());
        break;
    case Tag::Font: {
        const Font* f = v.as<Font>();
        done = tag(WireTag::Font) && value(f->face) && int32(f->size) && int32(f->style);
        break;
    }
    case Tag::TextBlock: {
        const TextBlock* t = v.as<TextBlock>();
        done = tag(WireTag::TextBlock) && int32(t->width) && int32(t->height) && value(t->first) && value(t->second);
        break;
    }
    case Tag::Date: {
        uint32_t low = 0, high = 0;
        v.as<Date>()->toWords(low, high);
        done = tag(WireTag::Date) && int32(static_cast<int32_t>(low)) && int32(static_cast<int32_t>(high));
        break;
    }
    case Tag::Image:
    case Tag::Sound:
    case Tag::Control:
    case Tag::Form:
    case Tag::Reference:
        done = composite(v.tag(), v.object());
        break;
    default:
        done = refuse(std::string("Cannot encode this type: ") + typeName(v.tag()));
        break;
    }
    --depth_;
    return done && ok_;
}

bool Encoder::list(const List& l)
{
    if (l.elementKind() == ElementKind::Integer) {
        const auto& ints = static_cast<const IntList&>(l);
        if (!tag(WireTag::List) || !int32(ints.count()) || !byte(kListKindIntegers))
            return false;
        if constexpr (std::endian::native == std::endian::little)
            return bytes(ints.data(), ints.count() * 4, "Cannot write VELINT to stream");
        for (int32_t i = 0; i < ints.count(); ++i)
            if (!int32(ints.at(i)))
                return false;
        return true;
    }
    const auto& values = static_cast<const ValueList&>(l);
    if (values.capacity() < 256) {
        if (!tag(WireTag::ShortList) || !byte(static_cast<uint8_t>(values.count())))
            return false;
    } else if (!tag(WireTag::List) || !int32(values.count()) || !byte(kListKindValues)) {
        return false;
    }
    for (const Value& element : values)
        if (!value(element))
            return false;
    return true;
}

bool Encoder::table(const Table& t)
{
    if (!tag(WireTag::Table) || !int32(t.capacity()) || !int32(t.count()))
        return false;
    for (int32_t slot = t.firstIndex(); slot >= 0; slot = t.nextIndex(slot))
        if (!value(t.keyRef(slot)) || !value(t.valueRef(slot)))
            return false;
    return true;
}

bool Encoder::region(const Region& r)
{
    if (!tag(WireTag::Region) || !int32(r.left) || !int32(r.top) || !int32(r.right) || !int32(r.bottom))
        return false;
    // The stored outline repeats its first point at the end; the wire form leaves it off.
    auto n = static_cast<int32_t>(r.points.size() > 1 ? r.points.size() - 1 : 0);
    if (!int32(n))
        return false;
    for (int32_t i = 0; i < n; ++i)
        if (!int32(r.points[static_cast<std::size_t>(i)].x) || !int32(r.points[static_cast<std::size_t>(i)].y))
            return false;
    return true;
}

bool Encoder::composite(Tag t, const Object* object)
{
    const auto* c = dynamic_cast<const CompositeObject*>(object);
    if (!c)
        return refuse(std::string("Cannot encode this type: ") + typeName(t));
    WireParts parts = c->wireParts();
    switch (t) {
    case Tag::Image:
        if (!parts.encodable)
            return refuse("Cannot encode context images");
        return tag(WireTag::Image) && value(parts.first) && value(parts.second);
    case Tag::Sound:
        return tag(WireTag::Sound) && value(parts.first) && int32(parts.flag) && value(parts.second);
    case Tag::Control:
        return tag(WireTag::Control) && value(parts.first);
    case Tag::Form:
        return tag(WireTag::Form) && value(parts.first);
    default:
        return tag(WireTag::Reference) && value(parts.first);
    }
}

// ---- decoding ----

class Decoder {
public:
    explicit Decoder(Stream& s) : stream_(s), memory_(dynamic_cast<MemoryStream*>(&s))
    {
        unclaimed_ = stream_.remaining();
        spareSlots_ = kSpareSlotFloor + unclaimed_;
    }

    Value value();
    bool failed() const { return failed_; }

private:
    // A memory stream (index records, archives read whole) is read in place; anything else, and a
    // read that falls short, goes through the stream's own readers and their reports.
    template <typename T, bool (*Read)(Stream&, T&)>
    bool field(T& out)
    {
        if (failed_)
            return false;
        if (const uint8_t* p = inPlace(sizeof(T))) {
            uint32_t u = 0;
            for (int i = static_cast<int>(sizeof(T)) - 1; i >= 0; --i)
                u = (u << 8) | p[i];
            if constexpr (std::is_same_v<T, float>)
                out = std::bit_cast<float>(u);
            else
                out = static_cast<T>(u);
            return true;
        }
        return Read(stream_, out) || fail();
    }
    bool byte(uint8_t& b) { return field<uint8_t, readByte>(b); }
    bool int32(int32_t& n) { return field<int32_t, readInt32>(n); }
    bool int16(int16_t& n) { return field<int16_t, readInt16>(n); }
    bool real(float& f) { return field<float, readFloat>(f); }
    const uint8_t* inPlace(int64_t n) { return memory_ ? memory_->consume(n) : nullptr; }
    int64_t remaining() { return memory_ ? memory_->left() : stream_.remaining(); }
    bool fail() { failed_ = true; return false; }
    bool refuse(const std::string& message)
    {
        velError(message);
        return fail();
    }
    // Out of line, so that the checks on the way of every decode stay small.
    [[gnu::noinline]] bool refuse(const char* message) { return refuse(std::string(message)); }
    // A count of items at least minimumSize bytes each must fit in what remains of the stream.
    bool countFits(int32_t count, int64_t minimumSize, const char* message)
    {
        if (count >= 0 && count * minimumSize <= remaining())
            return true;
        return refuse(message);
    }
    // The same for the elements of a list or table, whose storage is made before they are read: every
    // element in the input belongs to one collection, so all the counts together fit in the input. A
    // count that each nesting level could justify on its own is still refused when the levels above
    // have already claimed the bytes.
    bool claimElements(int32_t count, int64_t minimumSize)
    {
        if (!countFits(count, minimumSize, "Cannot read VELBYTE from stream"))
            return false;
        if (count * minimumSize > unclaimed_)
            return refuse("Cannot read VELBYTE from stream");
        unclaimed_ -= count * minimumSize;
        return true;
    }
    Value body(uint8_t wire);
    Value text(int32_t length);
    Value buffer();
    Value list(int32_t count, int32_t kind);
    Value valueList(int32_t count);
    Value table();
    Value region();

    Stream& stream_;
    MemoryStream* memory_;
    bool failed_ = false;
    int depth_ = 0;
    int64_t unclaimed_;  // input bytes no collection's elements have claimed yet
    int64_t spareSlots_; // table slots beyond the entry counts still allowed
};

Value Decoder::value()
{
    uint8_t wire = 0;
    if (!byte(wire))
        return Value();
    switch (static_cast<WireTag>(wire)) {
    case WireTag::Nil:
        return Value();
    case WireTag::True:
        return Value::boolean(1);
    case WireTag::False:
        return Value::boolean(0);
    case WireTag::Int8: {
        uint8_t b = 0;
        return byte(b) ? Value::integer(static_cast<int8_t>(b)) : Value();
    }
    case WireTag::Int16: {
        int16_t n = 0;
        return int16(n) ? Value::integer(n) : Value();
    }
    case WireTag::Int: {
        int32_t n = 0;
        return int32(n) ? Value::integer(n) : Value();
    }
    case WireTag::Float: {
        float f = 0;
        return real(f) ? Value::real(f) : Value();
    }
    case WireTag::ShortString: {
        uint8_t n = 0;
        return byte(n) ? text(n) : Value();
    }
    case WireTag::String: {
        int32_t n = 0;
        return int32(n) ? text(n) : Value();
    }
    case WireTag::Buffer:
        return buffer();
    default:
        break;
    }
    if (depth_ >= kEncodingDepthLimit) {
        refuse("Cannot decode values nested more than " + std::to_string(kEncodingDepthLimit) + " deep");
        return Value();
    }
    ++depth_;
    Value v = body(wire);
    --depth_;
    return failed_ ? Value() : v;
}

Value Decoder::body(uint8_t wire)
{
    switch (static_cast<WireTag>(wire)) {
    case WireTag::List: {
        int32_t count = 0;
        uint8_t kind = 0;
        if (!int32(count) || !byte(kind))
            return Value();
        return list(count, kind);
    }
    case WireTag::ShortList: {
        uint8_t count = 0;
        return byte(count) ? valueList(count) : Value();
    }
    case WireTag::Table:
        return table();
    case WireTag::Region:
        return region();
    case WireTag::Font: {
        Value face = value();
        int32_t size = 0, style = 0;
        if (!int32(size) || !int32(style))
            return Value();
        return Font::make(face, size, style);
    }
    case WireTag::TextBlock: {
        int32_t width = 0, height = 0;
        if (!int32(width) || !int32(height))
            return Value();
        Value first = value();
        Value second = value();
        return failed_ ? Value() : TextBlock::make(width, height, first, second);
    }
    case WireTag::Image: {
        Value first = value();
        Value second = value();
        return failed_ ? Value() : objectMakers().imageFromParts(first, second);
    }
    case WireTag::Sound: {
        Value first = value();
        int32_t flag = 0;
        if (!int32(flag))
            return Value();
        Value second = value();
        return failed_ ? Value() : objectMakers().soundFromParts(first, flag, second);
    }
    case WireTag::Control: {
        Value properties = value();
        return failed_ ? Value() : objectMakers().control(properties);
    }
    case WireTag::Form: {
        Value properties = value();
        return failed_ ? Value() : objectMakers().form(properties);
    }
    case WireTag::Reference: {
        Value name = value();
        return failed_ ? Value() : objectMakers().reference(name);
    }
    case WireTag::Date: {
        int32_t low = 0, high = 0;
        if (!int32(low) || !int32(high))
            return Value();
        return Date::fromWords(static_cast<uint32_t>(low), static_cast<uint32_t>(high));
    }
    default:
        refuse("Cannot decode this type: " + std::to_string(wire));
        return Value();
    }
}

Value Decoder::text(int32_t length)
{
    if (!countFits(length, 1, "Cannot read VELBYTE from stream"))
        return Value();
    if (const uint8_t* p = inPlace(length)) // no staging copy
        return Value::string(reinterpret_cast<const char*>(p), length);
    std::string staging(static_cast<std::size_t>(length), '\0');
    if (length > 0 && stream_.read(staging.data(), length) != length) {
        refuse("Cannot read VELBYTE from stream");
        return Value();
    }
    return Value::string(staging.data(), length);
}

Value Decoder::buffer()
{
    int32_t length = 0;
    if (!int32(length) || !countFits(length, 1, "Cannot read VELBYTE from stream"))
        return Value();
    Value v = Buffer::make(length);
    Buffer* b = v.as<Buffer>();
    if (length > 0 && stream_.read(b->bytes(), length) != length) {
        refuse("Cannot read VELBYTE from stream");
        return Value();
    }
    b->setLength(length);
    return v;
}

Value Decoder::list(int32_t count, int32_t kind)
{
    if (kind != kListKindIntegers)
        return valueList(count);
    // The block is read in one transfer, whose size must stay a 32-bit count.
    if (count > INT32_MAX / 8 || !countFits(count, 4, "Cannot read IntList from stream")) {
        if (!failed_)
            refuse("Cannot read IntList from stream");
        return Value();
    }
    Value v = IntList::make(count, kDecodedGrowth);
    IntList* ints = v.as<IntList>();
    int32_t* tail = ints->reserveTail(count);
    if (count > 0 && stream_.read(tail, count * 4) != count * 4) {
        refuse("Cannot read IntList from stream");
        return Value();
    }
    if constexpr (std::endian::native != std::endian::little) {
        for (int32_t i = 0; i < count; ++i) {
            auto u = static_cast<uint32_t>(tail[i]);
            tail[i] = static_cast<int32_t>((u >> 24) | ((u >> 8) & 0xff00) | ((u << 8) & 0xff0000) | (u << 24));
        }
    }
    ints->commitAppended(count);
    return v;
}

Value Decoder::valueList(int32_t count)
{
    // Every element takes at least its tag byte.
    if (!claimElements(count, 1))
        return Value();
    Value v = ValueList::make(count, kDecodedGrowth);
    ValueList* values = v.as<ValueList>();
    for (int32_t i = 0; i < count && !failed_; ++i)
        values->append(value());
    return v;
}

Value Decoder::table()
{
    int32_t capacity = 0, count = 0;
    if (!int32(capacity) || !int32(count) || !claimElements(count, 2))
        return Value();
    int64_t spare = static_cast<int64_t>(capacity) - count;
    if (spare > spareSlots_)
        capacity = count;
    else if (spare > 0)
        spareSlots_ -= spare;
    Value v = Table::make(capacity, kDecodedGrowth, kDecodedThreshold);
    Table* t = v.as<Table>();
    for (int32_t i = 0; i < count && !failed_; ++i) {
        Value key = value();
        Value entry = value();
        // Nil marks an empty slot; a table cannot hold it as a key.
        if (!failed_ && !key.isNil())
            t->put(key, entry);
    }
    return v;
}

Value Decoder::region()
{
    int32_t box[4] = {};
    int32_t n = 0;
    for (int32_t& side : box)
        if (!int32(side))
            return Value();
    if (!int32(n) || !countFits(n, 8, "Cannot read VELINT from stream"))
        return Value();
    if (n == 0)
        return Region::rectangle(box[0], box[1], box[2], box[3]);
    std::vector<Region::Point> points(static_cast<std::size_t>(n));
    for (Region::Point& p : points)
        if (!int32(p.x) || !int32(p.y))
            return Value();
    Value v = Region::polygon(points);
    // The box travels with the points; keep it as written.
    Region* r = v.as<Region>();
    r->left = box[0];
    r->top = box[1];
    r->right = box[2];
    r->bottom = box[3];
    return v;
}

} // namespace

bool encode(Stream& stream, const Value& value)
{
    Encoder encoder(stream);
    return encoder.value(value) && encoder.ok();
}

Value decode(Stream& stream, bool* failed)
{
    Decoder decoder(stream);
    Value v = decoder.value();
    if (failed)
        *failed = decoder.failed();
    return decoder.failed() ? Value() : v;
}

std::vector<uint8_t> encodeToBytes(const Value& value, bool* ok)
{
    Value sink = MemoryStream::growable();
    auto* stream = sink.as<MemoryStream>();
    bool done = encode(*stream, value);
    if (ok)
        *ok = done;
    return stream->takeBytes();
}

Value decodeFromBytes(const uint8_t* bytes, std::size_t length)
{
    Value source = MemoryStream::overBytes(bytes, static_cast<int64_t>(length), false);
    return decode(*source.as<MemoryStream>());
}

} // namespace vel
