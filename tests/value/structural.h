// Test helpers for the value tests: structural equality (value equality compares lists and tables by
// identity), a generator of random encodable values, and a fixture with a scratch file.
#pragma once

#include <cstring>
#include <iterator>
#include <random>
#include <string>

#include "support/error_capture.h"
#include "support/scratch_dir.h"

#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::testing_support {

// Containers compare element by element: decoding gives a list the capacity of its count and may
// settle a table key in another slot. A leaf compares by its encoding, which holds every field.
inline bool structurallyEqual(const Value& a, const Value& b)
{
    if (a.tag() != b.tag())
        return false;
    switch (a.tag()) {
    case Tag::List: {
        const List* x = a.as<List>();
        const List* y = b.as<List>();
        if (x->elementKind() != y->elementKind() || x->count() != y->count())
            return false;
        for (int32_t i = 0; i < x->count(); ++i)
            if (!structurallyEqual(x->get(i), y->get(i)))
                return false;
        return true;
    }
    case Tag::Table: {
        const Table* x = a.as<Table>();
        const Table* y = b.as<Table>();
        if (x->count() != y->count() || x->capacity() != y->capacity())
            return false;
        for (int32_t i = x->firstIndex(); i >= 0; i = x->nextIndex(i))
            if (!y->contains(x->keyRef(i)) || !structurallyEqual(x->valueRef(i), y->get(x->keyRef(i))))
                return false;
        return true;
    }
    case Tag::TextBlock: {
        const TextBlock* x = a.as<TextBlock>();
        const TextBlock* y = b.as<TextBlock>();
        return x->width == y->width && x->height == y->height && structurallyEqual(x->first, y->first) &&
               structurallyEqual(x->second, y->second);
    }
    case Tag::Date: // fields outside their packed widths would encode alike
        return std::memcmp(a.as<Date>()->fields, b.as<Date>()->fields, sizeof(Date::fields)) == 0;
    case Tag::Image:
    case Tag::Sound:
    case Tag::Control:
    case Tag::Form:
    case Tag::Reference: {
        const auto* x = dynamic_cast<const CompositeObject*>(a.object());
        const auto* y = dynamic_cast<const CompositeObject*>(b.object());
        if (!x || !y)
            return false;
        WireParts p = x->wireParts(), q = y->wireParts();
        return p.flag == q.flag && p.encodable == q.encodable && structurallyEqual(p.first, q.first) &&
               structurallyEqual(p.second, q.second);
    }
    default:
        return encodeToBytes(a) == encodeToBytes(b);
    }
}

// Random values of every encodable kind, with sizes around the compact forms' limits.
class RandomValues {
public:
    explicit RandomValues(uint32_t seed) : random_(seed) {}

    Value make(int depth)
    {
        switch (below(depth <= 0 ? 7 : 17)) {
        case 0: return Value();
        case 1: return Value::boolean(below(2));
        case 2: return Value::integer(interestingInt());
        case 3: {
            uint32_t bits = static_cast<uint32_t>(random_());
            float f;
            std::memcpy(&f, &bits, 4);
            return Value::real(below(2) ? f : static_cast<float>(interestingInt()) / 8.0f);
        }
        case 4: return Value::string(text(interestingLength()));
        case 5: {
            std::string bytes = text(interestingLength());
            Value b = Buffer::make(static_cast<int32_t>(bytes.size()) + below(5));
            if (!bytes.empty())
                std::memcpy(b.as<Buffer>()->bytes(), bytes.data(), bytes.size());
            b.as<Buffer>()->setLength(static_cast<int32_t>(bytes.size()));
            return b;
        }
        case 6: {
            int32_t fields[Date::FieldCount] = {below(4000) - 1000, below(13) - 1, below(32) - 1, below(24) - 1,
                                                below(60) - 1,      below(60) - 1, below(1000) - 1, below(1000) - 1};
            return Date::make(fields);
        }
        case 7:
        case 8: { // capacities on both sides of the short-list limit
            Value l = ValueList::make(1 + below(300));
            for (int32_t i = 0, count = below(4) == 0 ? 250 + below(12) : below(6); i < count; ++i)
                l.as<ValueList>()->append(make(i < 8 ? depth - 1 : 0));
            return l;
        }
        case 9: {
            Value l = IntList::make(1 + below(10));
            for (int32_t i = 0, count = below(600); i < count; ++i)
                l.as<IntList>()->appendInt(interestingInt());
            return l;
        }
        case 10:
        case 11: {
            Value t = Table::make(1 + below(40));
            Table* table = t.as<Table>();
            int32_t count = below(12);
            for (int32_t i = 0; i < count; ++i)
                table->put(below(2) ? Value::string(text(1 + below(10))) : Value::integer(interestingInt()),
                           make(depth - 1));
            if (count > 2) // a deleted slot the encoding must skip
                table->remove(table->keyRef(table->firstIndex()));
            return t;
        }
        case 12: {
            if (below(2))
                return Region::rectangle(interestingInt(), interestingInt(), interestingInt(), interestingInt());
            std::vector<Region::Point> points(static_cast<std::size_t>(1 + below(8)));
            for (auto& p : points)
                p = {interestingInt(), interestingInt()};
            return Region::polygon(points);
        }
        case 13: return Font::make(Value::string(text(below(20))), interestingInt(), below(16));
        case 14: return TextBlock::make(interestingInt(), interestingInt(), make(depth - 1), make(depth - 1));
        case 15: {
            Value props = Table::make(8);
            props.as<Table>()->put("Class", Value::string(text(6)));
            props.as<Table>()->put("Hot Spot", Region::rectangle(1, 2, 3, 4));
            return below(2) ? objectMakers().form(props) : objectMakers().control(props);
        }
        default:
            switch (below(3)) {
            case 0: return objectMakers().reference(Value::string(text(8)));
            case 1: return objectMakers().imageFromParts(Value::string(text(8)), make(0));
            default: return objectMakers().soundFromParts(Value::string(text(8)), interestingInt(), make(0));
            }
        }
    }

private:
    int32_t below(int32_t n) { return static_cast<int32_t>(random_() % static_cast<uint32_t>(n)); }
    int32_t interestingInt()
    {
        static const int32_t edges[] = {0,      1,      -1,     126,    127,   128,       -126,     -127,
                                        -128,   -129,   32766,  32767,  32768, -32766,    -32767,   -32768,
                                        -32769, 40000,  255,    INT32_MAX, INT32_MIN};
        if (below(2))
            return edges[below(static_cast<int32_t>(std::size(edges)))];
        return static_cast<int32_t>(random_()) >> below(31);
    }
    int32_t interestingLength()
    {
        static const int32_t edges[] = {0, 1, 254, 255, 256, 257, 1000};
        return below(3) ? below(20) : edges[below(static_cast<int32_t>(std::size(edges)))];
    }
    std::string text(int32_t n) // every byte value, NUL included
    {
        std::string s(static_cast<std::size_t>(n), '\0');
        for (char& c : s)
            c = static_cast<char>(random_());
        return s;
    }

    std::mt19937 random_;
};

// One scratch file, in a folder of its own gone after the test.
class ScratchFileTest : public ErrorCheckedTest {
protected:
    std::string fileContents() const { return dir_.read("file"); }
    void writeFile(const std::string& bytes) const { dir_.write("file", bytes); }

    ScratchDirectory dir_;
    std::string path_ = dir_ / "file";
};

} // namespace vel::testing_support
