#include "value/table.h"

#include <new>
#include <string>

#include "value/error.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

namespace {
Value* makeSlots(int32_t capacity)
{
    // Zero-filled memory is a row of nil values.
    return allocateArray<Value>(static_cast<std::size_t>(capacity));
}

void releaseSlots(Value* slots, int32_t capacity)
{
    for (int32_t i = 0; i < capacity; ++i)
        slots[i].~Value();
    releaseArray(slots, static_cast<std::size_t>(capacity));
}
} // namespace

const Value& Table::deletedMarker()
{
    static const Value marker = Value::unique();
    return marker;
}

Table::Table(int32_t capacity, int32_t growth, int32_t threshold)
    : capacity_(capacity < 1 ? 1 : capacity), growth_(growth), threshold_(threshold)
{
    deletedMarker();
    keys_ = makeSlots(capacity_);
    values_ = makeSlots(capacity_);
    hashes_ = allocateArray<uint32_t>(static_cast<std::size_t>(capacity_));
}

Value Table::make(int32_t capacity, int32_t growth, int32_t thresholdPercent)
{
    int64_t threshold = static_cast<int64_t>(capacity) * thresholdPercent / 100;
    return Value::adopt(Tag::Table, new Table(capacity, growth, static_cast<int32_t>(threshold)));
}

Table::~Table()
{
    releaseSlots(keys_, capacity_);
    releaseSlots(values_, capacity_);
    releaseArray(hashes_, static_cast<std::size_t>(capacity_));
}

int32_t Table::homeSlot(uint32_t hash) const
{
    int32_t slot = static_cast<int32_t>(hash) % capacity_;
    return slot < 0 ? slot + capacity_ : slot;
}

bool Table::occupied(int32_t slot) const
{
    const Value& k = keys_[slot];
    return !k.isNil() && !(k.is(Tag::Unique) && k.payload() == deletedMarker().payload());
}

// Keys with different hashes can still be equal when one is an int and the other a float.
static bool mayMatch(uint32_t slotHash, uint32_t hash, const Value& k, const Value& key)
{
    if (slotHash == hash)
        return true;
    return (k.is(Tag::Int) && key.is(Tag::Float)) || (k.is(Tag::Float) && key.is(Tag::Int));
}

static bool isDeleted(const Value& k)
{
    return k.is(Tag::Unique) && k.payload() == Table::deletedMarker().payload();
}

int32_t Table::find(const Value& key, uint32_t hash) const
{
    int32_t home = homeSlot(hash);
    int32_t slot = home;
    do {
        const Value& k = keys_[slot];
        if (k.isNil())
            return -1;
        if (mayMatch(hashes_[slot], hash, k, key) && !isDeleted(k) && k == key)
            return slot;
        slot = slot + 1 == capacity_ ? 0 : slot + 1;
    } while (slot != home);
    return -1;
}

void Table::put(const Value& key, const Value& value)
{
    // A nil key would read as an empty slot and leave the count wrong; such entries are not kept.
    if (key.isNil())
        return;
    uint32_t hash = hashValue(key);
    for (;;) {
        int32_t home = homeSlot(hash);
        int32_t slot = home;
        int32_t freeSlot = -1;
        do {
            const Value& k = keys_[slot];
            if (k.isNil()) {
                if (freeSlot < 0)
                    freeSlot = slot;
                break;
            }
            if (isDeleted(k)) {
                if (freeSlot < 0)
                    freeSlot = slot;
            } else if (mayMatch(hashes_[slot], hash, k, key) && k == key) {
                values_[slot] = value;
                return;
            }
            slot = slot + 1 == capacity_ ? 0 : slot + 1;
        } while (slot != home);
        if (freeSlot >= 0) {
            keys_[freeSlot] = key;
            values_[freeSlot] = value;
            hashes_[freeSlot] = hash;
            ++count_;
            return;
        }
        if (!grow()) {
            velError("Hash table full");
            return;
        }
    }
}

bool Table::grow()
{
    if (growth_ <= 0)
        return false;
    int64_t added = static_cast<int64_t>(capacity_) * growth_ / 100;
    if (added < 1)
        added = 1; // a growth too small to add a slot must still make room
    int64_t grown = capacity_ + added;
    if (grown > INT32_MAX / 32)
        fatalExit();
    Value* oldKeys = keys_;
    Value* oldValues = values_;
    uint32_t* oldHashes = hashes_;
    int32_t oldCapacity = capacity_;
    capacity_ = static_cast<int32_t>(grown);
    keys_ = makeSlots(capacity_);
    values_ = makeSlots(capacity_);
    hashes_ = allocateArray<uint32_t>(static_cast<std::size_t>(capacity_));
    threshold_ = static_cast<int32_t>(static_cast<int64_t>(threshold_) * capacity_ / oldCapacity);
    count_ = 0;
    for (int32_t i = 0; i < oldCapacity; ++i) {
        const Value& k = oldKeys[i];
        if (!k.isNil() && !isDeleted(k))
            insertRehashed(k, oldValues[i], oldHashes[i]);
    }
    releaseSlots(oldKeys, oldCapacity);
    releaseSlots(oldValues, oldCapacity);
    releaseArray(oldHashes, static_cast<std::size_t>(oldCapacity));
    return true;
}

// Growth re-puts distinct keys into a larger table, so each goes into the first empty slot on its path.
void Table::insertRehashed(const Value& key, const Value& value, uint32_t hash)
{
    int32_t slot = homeSlot(hash);
    while (!keys_[slot].isNil())
        slot = slot + 1 == capacity_ ? 0 : slot + 1;
    keys_[slot] = key;
    values_[slot] = value;
    hashes_[slot] = hash;
    ++count_;
}

Value Table::get(const Value& key) const
{
    int32_t slot = find(key, hashValue(key));
    return slot < 0 ? Value() : values_[slot];
}

bool Table::contains(const Value& key) const
{
    return find(key, hashValue(key)) >= 0;
}

void Table::remove(const Value& key)
{
    int32_t slot = find(key, hashValue(key));
    if (slot < 0)
        return;
    keys_[slot] = deletedMarker();
    values_[slot] = Value();
    --count_;
}

int32_t Table::nextIndex(int32_t i) const
{
    for (int32_t slot = i < -1 ? 0 : i + 1; slot < capacity_; ++slot)
        if (occupied(slot))
            return slot;
    return -1;
}

Value Table::keyAt(int32_t slot) const
{
    if (slot < 0 || slot >= capacity_) {
        velError("Table index out of range: " + std::to_string(slot));
        return Value();
    }
    return occupied(slot) ? keys_[slot] : Value();
}

Value Table::valueAt(int32_t slot) const
{
    if (slot < 0 || slot >= capacity_) {
        velError("Table index out of range: " + std::to_string(slot));
        return Value();
    }
    return values_[slot];
}

Value Table::copy() const
{
    Value result = Value::adopt(Tag::Table, new Table(capacity_, growth_, threshold_));
    Table* out = result.as<Table>();
    for (int32_t slot = firstIndex(); slot >= 0; slot = nextIndex(slot))
        out->put(keys_[slot], values_[slot]);
    return result;
}

Value Table::get(std::string_view key) const
{
    return get(Value::string(key));
}

void Table::put(std::string_view key, const Value& value)
{
    put(Value::string(key), value);
}

Value Table::print(Tag, bool quoted) const
{
    return vel::print(Value::share(Tag::Table, this), quoted);
}

} // namespace vel
