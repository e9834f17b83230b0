// The value handle: a type tag and either an immediate datum (nil, unique, boolean, int, float) or a
// counted reference to a shared object. Copies share the object; the last release destroys it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "value/allocator.h"

namespace vel {

enum class Tag : int32_t {
    Nil = 0,
    Unique = 1,
    Boolean = 2,
    Int = 3,
    Float = 4,
    Class = 5,
    String = 6,
    Buffer = 7,
    List = 8,
    Table = 9,
    Stream = 10,
    Region = 11,
    Cursor = 12,
    Tag13 = 13,
    Context = 14,
    Palette = 15,
    Font = 16,
    TextBlock = 17,
    Image = 18,
    Sound = 19,
    Movie = 20,
    Control = 22,
    Form = 23,
    Archive = 24,
    ValueIndex = 25,
    Reference = 26,
    Date = 29,
};

constexpr bool isObjectTag(Tag t) { return static_cast<int32_t>(t) >= 5; }
// The name used in messages and in the default printed form.
const char* typeName(Tag t);

class Value;

// Base of every shared object. Slot order of the virtual operations: hash, destroy, print.
class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    virtual uint32_t hash() const;
    virtual ~Object() = default;
    // The printed form as a string value; the base gives "<type object>" or, quoted, "<type>".
    virtual Value print(Tag tag, bool quoted) const;

    static void* operator new(std::size_t n) { return BlockAllocator::instance().allocate(n); }
    static void operator delete(void* p, std::size_t n) { BlockAllocator::instance().release(p, n); }

    int32_t referenceCount() const { return references_; }

private:
    friend class Value;
    int32_t references_ = 0;
};

// On a 64-bit machine the handle is two machine words: the 32-bit tag (padded) and a word for the
// payload, which must hold an object pointer.
class Value {
public:
    Value() noexcept : tag_(Tag::Nil) { bits_.pointer = nullptr; }
    Value(const Value& other) noexcept : tag_(other.tag_), bits_(other.bits_) { retain(); }
    Value(Value&& other) noexcept : tag_(other.tag_), bits_(other.bits_)
    {
        other.tag_ = Tag::Nil;
        other.bits_.pointer = nullptr;
    }
    ~Value() { release(); }
    Value& operator=(const Value& other) noexcept
    {
        // Take the new reference before dropping the old one: self-assignment stays harmless.
        Value copy(other);
        swap(copy);
        return *this;
    }
    Value& operator=(Value&& other) noexcept
    {
        Value moved(static_cast<Value&&>(other));
        swap(moved);
        return *this;
    }
    void swap(Value& other) noexcept
    {
        Tag t = tag_; tag_ = other.tag_; other.tag_ = t;
        Bits b = bits_; bits_ = other.bits_; other.bits_ = b;
    }

    static Value nil() { return Value(); }
    static Value unique();
    static Value boolean(int32_t truth) { return immediate(Tag::Boolean, truth); }
    static Value integer(int32_t n) { return immediate(Tag::Int, n); }
    static Value real(float f)
    {
        Value v;
        v.tag_ = Tag::Float;
        v.bits_.pointer = nullptr;
        v.bits_.real = f;
        return v;
    }
    static Value string(const char* text);
    static Value string(const char* text, int32_t length);
    static Value string(std::string_view text) { return string(text.data(), static_cast<int32_t>(text.size())); }
    // A value of tag t around a newly made object: its count becomes 1.
    static Value adopt(Tag t, Object* object)
    {
        Value v;
        v.tag_ = t;
        v.bits_.pointer = object;
        object->references_ = 1;
        return v;
    }

    // Another reference to an object some value already holds.
    static Value share(Tag t, const Object* object)
    {
        Value v;
        v.tag_ = t;
        v.bits_.pointer = const_cast<Object*>(object);
        v.retain();
        return v;
    }

    Tag tag() const { return tag_; }
    bool isNil() const { return tag_ == Tag::Nil; }
    bool isObject() const { return isObjectTag(tag_); }
    bool is(Tag t) const { return tag_ == t; }
    // The 32-bit payload of an immediate value (for a float, its bit pattern).
    int32_t payload() const { return bits_.word; }
    int32_t asInt() const { return bits_.word; }
    float asFloat() const { return bits_.real; }
    Object* object() const { return isObject() ? bits_.pointer : nullptr; }
    template <typename T>
    T* as() const { return static_cast<T*>(object()); }

private:
    static Value immediate(Tag t, int32_t word)
    {
        Value v;
        v.tag_ = t;
        v.bits_.pointer = nullptr;
        v.bits_.word = word;
        return v;
    }
    void retain() const
    {
        if (isObject())
            ++bits_.pointer->references_;
    }
    void release()
    {
        if (isObject() && --bits_.pointer->references_ == 0)
            delete bits_.pointer;
    }

    Tag tag_;
    union Bits {
        Object* pointer;
        int32_t word;
        float real;
    } bits_;
};

// Scalar conversions; each reports a bad argument 1 with its signature for other tags.
int32_t velIntValue(const Value& numberOrString);
double velFloatValue(const Value& numberOrString);
Value velBool(const Value& stringOrBoolOrInt);
// The truth test used wherever a value serves as a condition.
bool isTrue(const Value& v);

// Equality, plain ordering, collating ordering and hash of the value model.
bool operator==(const Value& a, const Value& b);
inline bool operator!=(const Value& a, const Value& b) { return !(a == b); }
int32_t compareValues(const Value& a, const Value& b);
int32_t collateValues(const Value& a, const Value& b);
int32_t collateText(const char* a, int32_t aLength, const char* b, int32_t bLength);
uint32_t hashValue(const Value& v);
uint32_t hashText(const char* text, int32_t length);

// Windows-1252 case maps.
unsigned char toUpper1252(unsigned char c);
unsigned char toLower1252(unsigned char c);

} // namespace vel
