// Lists (tag 8): value lists hold eight-byte values inline, integer lists hold 32-bit integers. Both
// answer the same operations; integer lists convert with velIntValue on the way in. Results of copy,
// left, right, mid, sort and merge are new lists: nothing is changed in place.
#pragma once

#include "value/value.h"

namespace vel {

enum class ElementKind : int32_t { Integer = 3, Value = 5 };

class List : public Object {
public:
    static constexpr int32_t kDefaultCapacity = 4;
    static constexpr int32_t kDefaultGrowth = 100;

    // Slot order continues the object's: element kind, append integer, append, append if absent,
    // remove last, remove all equal, copy, left, right, mid, get, get integer, index of, sort,
    // sort by column range, sort by column, merge, last index of, set.
    virtual ElementKind elementKind() const = 0;
    virtual void appendInt(int32_t n) = 0;
    virtual void append(const Value& v) = 0;
    virtual void appendIfAbsent(const Value& v);
    virtual Value removeLast() = 0;
    virtual int32_t removeAllEqual(const Value& v) = 0;
    virtual Value copy() const = 0;
    virtual Value left(int32_t n) const;
    virtual Value right(int32_t n) const;
    virtual Value mid(int32_t start, int32_t n) const;
    virtual Value get(int32_t i) const = 0;
    virtual int32_t getInt(int32_t i) const;
    virtual int32_t indexOf(const Value& v, int32_t start) const;
    virtual Value sort(bool descending) const = 0;
    virtual Value sortByColumnRange(int32_t first, int32_t last, bool descending) const = 0;
    virtual Value sortByColumn(int32_t column, bool descending) const = 0;
    virtual Value merge(const List& other, bool descending) const;
    virtual int32_t lastIndexOf(const Value& v, int32_t start) const;
    virtual void set(int32_t i, const Value& v) = 0;

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    int32_t growth() const { return growth_; }

protected:
    List(int32_t capacity, int32_t growth);
    // New capacity for a full list; always at least one more slot.
    int32_t grownCapacity() const;
    bool checkIndex(int32_t i) const;
    // An empty list of the same kind with the given capacity and growth.
    virtual Value makeEmpty(int32_t capacity, int32_t growth) const = 0;
    Value slice(int32_t start, int32_t n) const;

    int32_t capacity_;
    int32_t count_ = 0;
    int32_t growth_;
};

class ValueList final : public List {
public:
    static Value make(int32_t capacity = kDefaultCapacity, int32_t growth = kDefaultGrowth);
    ~ValueList() override;

    Value print(Tag tag, bool quoted) const override;
    ElementKind elementKind() const override { return ElementKind::Value; }
    void appendInt(int32_t n) override { append(Value::integer(n)); }
    void append(const Value& v) override;
    // Takes v over without touching its reference count.
    void append(Value&& v);
    Value removeLast() override;
    int32_t removeAllEqual(const Value& v) override;
    Value copy() const override;
    Value get(int32_t i) const override;
    Value sort(bool descending) const override;
    Value sortByColumnRange(int32_t first, int32_t last, bool descending) const override;
    Value sortByColumn(int32_t column, bool descending) const override;
    void set(int32_t i, const Value& v) override;

    // Unchecked access for code that has already checked the index.
    const Value& at(int32_t i) const { return elements_[i]; }
    const Value* begin() const { return elements_; }
    const Value* end() const { return elements_ + count_; }

protected:
    Value makeEmpty(int32_t capacity, int32_t growth) const override { return make(capacity, growth); }

private:
    ValueList(int32_t capacity, int32_t growth);
    Value sortedWith(int (*compare)(const void*, const void*)) const;
    Value* elements_;
};

class IntList final : public List {
public:
    static Value make(int32_t capacity = kDefaultCapacity, int32_t growth = kDefaultGrowth);
    ~IntList() override;

    Value print(Tag tag, bool quoted) const override;
    ElementKind elementKind() const override { return ElementKind::Integer; }
    void appendInt(int32_t n) override;
    void append(const Value& v) override { appendInt(velIntValue(v)); }
    Value removeLast() override;
    int32_t removeAllEqual(const Value& v) override;
    Value copy() const override;
    Value get(int32_t i) const override;
    int32_t getInt(int32_t i) const override;
    Value sort(bool descending) const override;
    Value sortByColumnRange(int32_t first, int32_t last, bool descending) const override;
    Value sortByColumn(int32_t column, bool descending) const override;
    void set(int32_t i, const Value& v) override;

    int32_t at(int32_t i) const { return elements_[i]; }
    const int32_t* data() const { return elements_; }
    // Room for n more integers, written by the caller, then counted with commitAppended.
    int32_t* reserveTail(int32_t n);
    void commitAppended(int32_t n) { count_ += n; }

protected:
    Value makeEmpty(int32_t capacity, int32_t growth) const override { return make(capacity, growth); }

private:
    IntList(int32_t capacity, int32_t growth);
    int32_t* elements_;
};

inline List* asList(const Value& v) { return v.is(Tag::List) ? v.as<List>() : nullptr; }
inline ValueList* asValueList(const Value& v)
{
    List* l = asList(v);
    return l && l->elementKind() == ElementKind::Value ? static_cast<ValueList*>(l) : nullptr;
}
inline IntList* asIntList(const Value& v)
{
    List* l = asList(v);
    return l && l->elementKind() == ElementKind::Integer ? static_cast<IntList*>(l) : nullptr;
}

} // namespace vel
