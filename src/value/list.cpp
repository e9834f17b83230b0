#include "value/list.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "value/error.h"
#include "value/printer.h"
#include "value/table.h"

namespace vel {

namespace {

void reportIndex(int32_t i)
{
    velError("List index out of range: " + std::to_string(i));
}

// The comparison of the collection sorts: strings collate, everything else orders plainly.
int32_t sortCompare(const Value& a, const Value& b)
{
    return a.is(Tag::String) ? collateValues(a, b) : compareValues(a, b);
}

Value columnOf(const Value& row, int32_t column)
{
    if (List* l = asList(row))
        return column >= 0 && column < l->count() ? l->get(column) : Value();
    if (Table* t = asTable(row))
        return column >= 0 && column < t->capacity() ? t->valueRef(column) : Value();
    return Value();
}

// Sorts do not nest, so the columns of the sort under way can live here.
struct SortState {
    int32_t first = 0;
    int32_t last = 0;
    bool descending = false;
};
SortState sortState;

int compareElements(const void* pa, const void* pb)
{
    const auto& a = *static_cast<const Value*>(pa);
    const auto& b = *static_cast<const Value*>(pb);
    return sortState.descending ? sortCompare(b, a) : sortCompare(a, b);
}

int compareColumns(const void* pa, const void* pb)
{
    const auto& a = *static_cast<const Value*>(pa);
    const auto& b = *static_cast<const Value*>(pb);
    for (int32_t c = sortState.first; c <= sortState.last; ++c) {
        int32_t r = sortState.descending ? sortCompare(columnOf(b, c), columnOf(a, c))
                                         : sortCompare(columnOf(a, c), columnOf(b, c));
        if (r != 0)
            return r;
    }
    return 0;
}

int compareIntegers(const void* pa, const void* pb)
{
    auto a = static_cast<uint32_t>(*static_cast<const int32_t*>(pa));
    auto b = static_cast<uint32_t>(*static_cast<const int32_t*>(pb));
    return static_cast<int32_t>(sortState.descending ? b - a : a - b);
}

} // namespace

// ---- List ----

List::List(int32_t capacity, int32_t growth) : capacity_(capacity <= 0 ? kDefaultCapacity : capacity), growth_(growth)
{
}

int32_t List::grownCapacity() const
{
    int64_t added = static_cast<int64_t>(capacity_) * growth_ / 100;
    if (added < 1)
        added = 1; // a growth too small to add a slot would never make room
    int64_t grown = capacity_ + added;
    if (grown > INT32_MAX / 16)
        fatalExit();
    return static_cast<int32_t>(grown);
}

bool List::checkIndex(int32_t i) const
{
    if (i >= 0 && i < count_)
        return true;
    reportIndex(i);
    return false;
}

void List::appendIfAbsent(const Value& v)
{
    if (indexOf(v, 0) < 0)
        append(v);
}

Value List::slice(int32_t start, int32_t n) const
{
    if (start < 0 || start >= count_ || n <= 0)
        return makeEmpty(kDefaultCapacity, kDefaultGrowth);
    if (n > count_ - start)
        n = count_ - start;
    Value result = makeEmpty(n, growth_);
    List* out = result.as<List>();
    for (int32_t i = 0; i < n; ++i)
        out->append(get(start + i));
    return result;
}

Value List::left(int32_t n) const
{
    return slice(0, n);
}

Value List::right(int32_t n) const
{
    if (n >= count_)
        return makeEmpty(kDefaultCapacity, kDefaultGrowth);
    return slice(count_ - n, n);
}

Value List::mid(int32_t start, int32_t n) const
{
    return slice(start, n);
}

int32_t List::getInt(int32_t i) const
{
    if (!checkIndex(i))
        return 0;
    return velIntValue(get(i));
}

int32_t List::indexOf(const Value& v, int32_t start) const
{
    if (start < 0)
        start = 0;
    for (int32_t i = start; i < count_; ++i)
        if (get(i) == v)
            return i;
    return -1;
}

int32_t List::lastIndexOf(const Value& v, int32_t start) const
{
    if (start == 0)
        start = count_ - 1;
    if (start > count_)
        start = count_;
    for (int32_t i = start - 1; i >= 0; --i)
        if (get(i) == v)
            return i;
    return -1;
}

Value List::merge(const List& other, bool descending) const
{
    Value result = makeEmpty(capacity_ > other.capacity_ ? capacity_ : other.capacity_, growth_);
    List* out = result.as<List>();
    int32_t i = 0, j = 0;
    while (i < count_ && j < other.count_) {
        Value a = get(i), b = other.get(j);
        int32_t r = descending ? sortCompare(b, a) : sortCompare(a, b);
        if (r < 0) {
            out->append(a);
            ++i;
        } else if (r == 0) {
            out->append(b);
            ++i;
            ++j;
        } else {
            out->append(b);
            ++j;
        }
    }
    for (; i < count_; ++i)
        out->append(get(i));
    for (; j < other.count_; ++j)
        out->append(other.get(j));
    return result;
}

// ---- ValueList ----

ValueList::ValueList(int32_t capacity, int32_t growth) : List(capacity, growth)
{
    elements_ = allocateArray<Value>(static_cast<std::size_t>(capacity_));
    // Zero-filled memory is a row of nil values.
}

Value ValueList::make(int32_t capacity, int32_t growth)
{
    return Value::adopt(Tag::List, new ValueList(capacity, growth));
}

ValueList::~ValueList()
{
    for (int32_t i = 0; i < count_; ++i)
        elements_[i].~Value();
    releaseArray(elements_, static_cast<std::size_t>(capacity_));
}

void ValueList::append(const Value& v)
{
    append(Value(v));
}

void ValueList::append(Value&& v)
{
    if (count_ == capacity_) {
        int32_t grown = grownCapacity();
        Value* bigger = allocateArray<Value>(static_cast<std::size_t>(grown));
        std::memcpy(static_cast<void*>(bigger), elements_, sizeof(Value) * static_cast<std::size_t>(count_));
        releaseArray(elements_, static_cast<std::size_t>(capacity_));
        elements_ = bigger;
        capacity_ = grown;
    }
    new (&elements_[count_]) Value(static_cast<Value&&>(v));
    ++count_;
}

Value ValueList::removeLast()
{
    if (count_ == 0)
        return Value();
    --count_;
    Value last = static_cast<Value&&>(elements_[count_]);
    elements_[count_].~Value();
    return last;
}

int32_t ValueList::removeAllEqual(const Value& v)
{
    int32_t kept = 0;
    for (int32_t i = 0; i < count_; ++i) {
        if (elements_[i] == v)
            continue;
        if (kept != i)
            elements_[kept] = static_cast<Value&&>(elements_[i]);
        ++kept;
    }
    for (int32_t i = kept; i < count_; ++i)
        elements_[i] = Value();
    int32_t removed = count_ - kept;
    count_ = kept;
    return removed;
}

Value ValueList::copy() const
{
    Value result = make(capacity_, growth_);
    auto* out = result.as<ValueList>();
    for (int32_t i = 0; i < count_; ++i)
        new (&out->elements_[i]) Value(elements_[i]);
    out->count_ = count_;
    return result;
}

Value ValueList::get(int32_t i) const
{
    if (!checkIndex(i))
        return Value();
    return elements_[i];
}

void ValueList::set(int32_t i, const Value& v)
{
    if (checkIndex(i))
        elements_[i] = v;
}

Value ValueList::sortedWith(int (*compare)(const void*, const void*)) const
{
    Value result = copy();
    auto* out = result.as<ValueList>();
    // Values are relocatable handles: qsort may move their bytes.
    std::qsort(static_cast<void*>(out->elements_), static_cast<std::size_t>(count_), sizeof(Value), compare);
    return result;
}

Value ValueList::sort(bool descending) const
{
    sortState = {0, 0, descending};
    return sortedWith(compareElements);
}

Value ValueList::sortByColumnRange(int32_t first, int32_t last, bool descending) const
{
    sortState = {first, last, descending};
    return sortedWith(compareColumns);
}

Value ValueList::sortByColumn(int32_t column, bool descending) const
{
    return sortByColumnRange(column, column, descending);
}

// ---- IntList ----

IntList::IntList(int32_t capacity, int32_t growth) : List(capacity, growth)
{
    elements_ = allocateArray<int32_t>(static_cast<std::size_t>(capacity_));
}

Value IntList::make(int32_t capacity, int32_t growth)
{
    return Value::adopt(Tag::List, new IntList(capacity, growth));
}

IntList::~IntList()
{
    releaseArray(elements_, static_cast<std::size_t>(capacity_));
}

int32_t* IntList::reserveTail(int32_t n)
{
    if (n > capacity_ - count_) {
        int64_t needed = static_cast<int64_t>(count_) + n;
        if (needed > INT32_MAX / 8)
            fatalExit();
        auto* bigger = allocateArray<int32_t>(static_cast<std::size_t>(needed));
        std::memcpy(bigger, elements_, sizeof(int32_t) * static_cast<std::size_t>(count_));
        releaseArray(elements_, static_cast<std::size_t>(capacity_));
        elements_ = bigger;
        capacity_ = static_cast<int32_t>(needed);
    }
    return elements_ + count_;
}

void IntList::appendInt(int32_t n)
{
    if (count_ == capacity_) {
        int32_t grown = grownCapacity();
        auto* bigger = allocateArray<int32_t>(static_cast<std::size_t>(grown));
        std::memcpy(bigger, elements_, sizeof(int32_t) * static_cast<std::size_t>(count_));
        releaseArray(elements_, static_cast<std::size_t>(capacity_));
        elements_ = bigger;
        capacity_ = grown;
    }
    elements_[count_++] = n;
}

Value IntList::removeLast()
{
    if (count_ == 0)
        return Value();
    return Value::integer(elements_[--count_]);
}

int32_t IntList::removeAllEqual(const Value& v)
{
    int32_t kept = 0;
    for (int32_t i = 0; i < count_; ++i)
        if (!(Value::integer(elements_[i]) == v))
            elements_[kept++] = elements_[i];
    int32_t removed = count_ - kept;
    count_ = kept;
    return removed;
}

Value IntList::copy() const
{
    Value result = make(capacity_, growth_);
    auto* out = result.as<IntList>();
    std::memcpy(out->elements_, elements_, sizeof(int32_t) * static_cast<std::size_t>(count_));
    out->count_ = count_;
    return result;
}

Value IntList::get(int32_t i) const
{
    if (!checkIndex(i))
        return Value();
    return Value::integer(elements_[i]);
}

int32_t IntList::getInt(int32_t i) const
{
    return checkIndex(i) ? elements_[i] : 0;
}

void IntList::set(int32_t i, const Value& v)
{
    if (checkIndex(i))
        elements_[i] = velIntValue(v);
}

Value IntList::sort(bool descending) const
{
    Value result = copy();
    sortState = {0, 0, descending};
    std::qsort(result.as<IntList>()->elements_, static_cast<std::size_t>(count_), sizeof(int32_t), compareIntegers);
    return result;
}

Value IntList::sortByColumnRange(int32_t, int32_t, bool) const
{
    badArgument("velSortLists(lstOfLst,VELINT,VELORDER)");
    return Value();
}

Value IntList::sortByColumn(int32_t, bool) const
{
    badArgument("velSortLists(lstOfLst,VELINT,VELORDER)");
    return Value();
}

Value ValueList::print(Tag, bool quoted) const
{
    return vel::print(Value::share(Tag::List, this), quoted);
}

Value IntList::print(Tag, bool quoted) const
{
    return vel::print(Value::share(Tag::List, this), quoted);
}

} // namespace vel
