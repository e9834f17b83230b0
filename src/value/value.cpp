#include "value/value.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "value/error.h"
#include "value/list.h"
#include "value/nesting.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

namespace {
int32_t uniqueCounter = 0;

// Collation weights of Windows-1252 bytes; 126 and above are skipped, except the terminator 179.
constexpr unsigned char kCollationWeights[256] = {
    179, 179, 139, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 138,
    125, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154,
    155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170,
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   171, 172, 173, 174, 175, 176,
    177, 10,  26,  28,  32,  34,  44,  46,  48,  50,  60,  62,  64,  66,  68,  72,
    88,  90,  92,  94,  99,  101, 111, 113, 115, 117, 123, 180, 181, 182, 183, 184,
    185, 11,  27,  29,  33,  35,  45,  47,  49,  51,  61,  63,  65,  67,  69,  73,
    89,  91,  93,  95,  100, 102, 112, 114, 116, 118, 124, 186, 187, 188, 189, 190,
    191, 192, 193, 194, 195, 196, 197, 198, 199, 200, 96,  201, 86,  202, 203, 204,
    205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 97,  215, 87,  216, 217, 218,
    219, 220, 221, 222, 223, 224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 234,
    235, 236, 237, 238, 239, 240, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250,
    12,  14,  16,  18,  20,  22,  24,  30,  36,  38,  40,  42,  52,  54,  56,  58,
    251, 70,  74,  76,  78,  80,  82,  252, 84,  103, 105, 107, 109, 121, 253, 98,
    13,  15,  17,  19,  21,  23,  25,  31,  37,  39,  41,  43,  53,  55,  57,  59,
    254, 71,  75,  77,  79,  81,  83,  178, 85,  104, 106, 108, 110, 122, 255, 120,
};
constexpr int kSkippedWeight = 126;
constexpr int kTerminatorWeight = 179;

int32_t truncateToInt(double d)
{
    // Out-of-range doubles would be undefined behaviour to convert; saturate instead.
    if (std::isnan(d))
        return 0;
    if (d >= 2147483647.0)
        return INT32_MAX;
    if (d <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(d);
}

int32_t atolRule(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    uint32_t n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        n = n * 10 + static_cast<uint32_t>(s[i] - '0'); // wraps as a 32-bit long would
    return static_cast<int32_t>(negative ? 0u - n : n);
}

int32_t listCompare(const Value& a, const Value& b, int32_t (*element)(const Value&, const Value&))
{
    List* la = a.as<List>();
    List* lb = b.as<List>();
    int32_t n = la->count() < lb->count() ? la->count() : lb->count();
    for (int32_t i = 0; i < n; ++i) {
        int32_t r = element(la->get(i), lb->get(i));
        if (r != 0)
            return r;
    }
    return 0;
}

int32_t compareWith(const Value& a, const Value& b, bool collate)
{
    Tag ta = a.tag(), tb = b.tag();
    if (ta == Tag::Int && tb == Tag::Float)
        return truncateToInt(static_cast<double>(a.asInt()) - static_cast<double>(b.asFloat()));
    if (ta == Tag::Float && tb == Tag::Int)
        return truncateToInt(static_cast<double>(a.asFloat()) - static_cast<double>(b.asInt()));
    if (ta != tb)
        return static_cast<int32_t>(ta) - static_cast<int32_t>(tb);
    switch (ta) {
    case Tag::Boolean:
    case Tag::Int:
        return static_cast<int32_t>(static_cast<uint32_t>(a.asInt()) - static_cast<uint32_t>(b.asInt()));
    case Tag::Float:
        return truncateToInt(static_cast<double>(a.asFloat()) - static_cast<double>(b.asFloat()));
    case Tag::String: {
        String* sa = a.as<String>();
        String* sb = b.as<String>();
        if (collate)
            return collateText(sa->text(), sa->length(), sb->text(), sb->length());
        int32_t n = sa->length() < sb->length() ? sa->length() : sb->length();
        int r = std::memcmp(sa->text(), sb->text(), static_cast<std::size_t>(n));
        if (r == 0)
            r = sa->length() < sb->length() ? -1 : (sa->length() > sb->length() ? 1 : 0);
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    case Tag::List: {
        NestingGuard guard("compare");
        return NestingGuard::abandoned() ? 0 : listCompare(a, b, collate ? collateValues : compareValues);
    }
    default:
        return 0;
    }
}
} // namespace

const char* typeName(Tag t)
{
    switch (t) {
    case Tag::Nil: return "VEL_NIL";
    case Tag::Unique: return "unique";
    case Tag::Boolean: return "boolean";
    case Tag::Int: return "int";
    case Tag::Float: return "float";
    case Tag::String: return "string";
    case Tag::Buffer: return "buffer";
    case Tag::List: return "list";
    case Tag::Table: return "table";
    case Tag::Stream: return "stream";
    case Tag::Region: return "region";
    case Tag::Cursor: return "cursor";
    case Tag::Image: return "image";
    case Tag::Sound: return "sound";
    case Tag::Movie: return "movie";
    default: return "application-defined";
    }
}

NestingGuard::NestingGuard(const char* verb)
{
    if (++depth_ > kNestingLimit && !abandoned_) {
        abandoned_ = true;
        velError(std::string("Cannot ") + verb + " values nested more than " + std::to_string(kNestingLimit) + " deep");
    }
}

NestingGuard::~NestingGuard()
{
    if (--depth_ == 0)
        abandoned_ = false;
}

uint32_t Object::hash() const
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
}

Value Object::print(Tag tag, bool quoted) const
{
    std::string text = "<";
    text += typeName(tag);
    text += quoted ? ">" : " object>";
    return Value::string(text);
}

Value Value::unique()
{
    return immediate(Tag::Unique, ++uniqueCounter);
}

Value Value::string(const char* text)
{
    return string(text, static_cast<int32_t>(std::strlen(text)));
}

Value Value::string(const char* text, int32_t length)
{
    return adopt(Tag::String, new String(text, length));
}

int32_t velIntValue(const Value& v)
{
    switch (v.tag()) {
    case Tag::Boolean:
    case Tag::Int:
        return v.asInt();
    case Tag::Float:
        return truncateToInt(v.asFloat());
    case Tag::String:
        return atolRule(v.as<String>()->view());
    default:
        badArgument("velIntValue(numberOrString)");
        return 0;
    }
}

double velFloatValue(const Value& v)
{
    switch (v.tag()) {
    case Tag::Boolean:
    case Tag::Int:
        return v.asInt();
    case Tag::Float:
        return v.asFloat();
    case Tag::String:
        return std::atof(v.as<String>()->text());
    default:
        badArgument("velFloatValue(numberOrString)");
        return 0.0;
    }
}

Value velBool(const Value& v)
{
    switch (v.tag()) {
    case Tag::Boolean:
    case Tag::Int:
        return Value::boolean(v.asInt());
    case Tag::Float:
        return Value::boolean(truncateToInt(v.asFloat()));
    case Tag::String:
        return Value::boolean(atolRule(v.as<String>()->view()));
    default:
        badArgument("velBool(stringOrBoolOrInt)");
        return Value::boolean(0);
    }
}

bool isTrue(const Value& v)
{
    switch (v.tag()) {
    case Tag::Nil:
        return false;
    case Tag::Boolean:
    case Tag::Int:
        return v.asInt() != 0;
    case Tag::Float:
        return false;
    case Tag::String: {
        String* s = v.as<String>();
        if (s->length() == 0)
            return false;
        char c = s->text()[0];
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    default:
        return true;
    }
}

bool operator==(const Value& a, const Value& b)
{
    Tag ta = a.tag(), tb = b.tag();
    if (ta == tb) {
        switch (ta) {
        case Tag::Float:
            return !(a.asFloat() < b.asFloat()) && !(a.asFloat() > b.asFloat());
        case Tag::String: {
            String* sa = a.as<String>();
            String* sb = b.as<String>();
            return sa == sb || (sa->length() == sb->length() &&
                                std::memcmp(sa->text(), sb->text(), static_cast<std::size_t>(sa->length())) == 0);
        }
        default:
            return a.isObject() ? a.object() == b.object() : a.payload() == b.payload();
        }
    }
    if (ta == Tag::Int && tb == Tag::Float)
        return !(double(a.asInt()) < double(b.asFloat())) && !(double(a.asInt()) > double(b.asFloat()));
    if (ta == Tag::Float && tb == Tag::Int)
        return !(double(a.asFloat()) < double(b.asInt())) && !(double(a.asFloat()) > double(b.asInt()));
    return false;
}

int32_t compareValues(const Value& a, const Value& b)
{
    return compareWith(a, b, false);
}

int32_t collateValues(const Value& a, const Value& b)
{
    return compareWith(a, b, true);
}

int32_t collateText(const char* a, int32_t aLength, const char* b, int32_t bLength)
{
    auto weight = [](char c) { return static_cast<int>(kCollationWeights[static_cast<unsigned char>(c)]); };
    int32_t i = 0, j = 0;
    for (;;) {
        while (i < aLength && weight(a[i]) >= kSkippedWeight)
            ++i;
        while (j < bLength && weight(b[j]) >= kSkippedWeight)
            ++j;
        // A string that has ended offers its terminator, so a prefix sorts after the longer string.
        int wa = i < aLength ? weight(a[i]) : kTerminatorWeight;
        int wb = j < bLength ? weight(b[j]) : kTerminatorWeight;
        if (wa != wb)
            return wa - wb;
        if (i >= aLength)
            return 0;
        ++i;
        ++j;
    }
}

uint32_t hashText(const char* text, int32_t length)
{
    int32_t h = 0;
    for (int32_t i = 0; i < length; ++i) {
        int32_t c = static_cast<signed char>(text[i]);
        uint32_t mixed = (static_cast<uint32_t>(2 * c) ^ static_cast<uint32_t>(h)) << 4;
        h = h ^ static_cast<int32_t>(mixed ^ static_cast<uint32_t>(h >> 2));
    }
    return static_cast<uint32_t>(h);
}

uint32_t hashValue(const Value& v)
{
    if (v.isObject())
        return v.object()->hash();
    int32_t word = v.payload();
    return static_cast<uint32_t>(word < 0 ? -static_cast<int64_t>(word) : word);
}

unsigned char toUpper1252(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 32);
    if (c == 0x9A) return 0x8A;
    if (c == 0x9C) return 0x8C;
    if (c == 0xFF) return 0x9F;
    return c;
}

unsigned char toLower1252(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 32);
    if (c == 0x8A) return 0x9A;
    if (c == 0x8C) return 0x9C;
    if (c == 0x9F) return 0xFF;
    return c;
}

} // namespace vel
