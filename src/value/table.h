// Hash tables (tag 9): parallel key and value arrays with linear probing. A slot is empty when its
// key is nil and deleted when its key is the process-wide deleted marker. A table grows only when a
// put finds every slot taken.
#pragma once

#include "value/value.h"

namespace vel {

class Table final : public Object {
public:
    static constexpr int32_t kDefaultCapacity = 4;
    static constexpr int32_t kDefaultGrowth = 100;
    static constexpr int32_t kDefaultThresholdPercent = 75;

    static Value make(int32_t capacity = kDefaultCapacity, int32_t growth = kDefaultGrowth,
                      int32_t thresholdPercent = kDefaultThresholdPercent);
    ~Table() override;
    Value print(Tag tag, bool quoted) const override;

    void put(const Value& key, const Value& value);
    Value get(const Value& key) const;
    bool contains(const Value& key) const;
    void remove(const Value& key);
    int32_t firstIndex() const { return nextIndex(-1); }
    int32_t nextIndex(int32_t i) const;
    Value keyAt(int32_t slot) const;
    Value valueAt(int32_t slot) const;
    Value copy() const;

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    int32_t growth() const { return growth_; }
    int32_t threshold() const { return threshold_; }
    // Unchecked slot access for walks over first/next index.
    const Value& keyRef(int32_t slot) const { return keys_[slot]; }
    const Value& valueRef(int32_t slot) const { return values_[slot]; }

    // Convenience for string keys.
    Value get(std::string_view key) const;
    void put(std::string_view key, const Value& value);

    static const Value& deletedMarker();

private:
    Table(int32_t capacity, int32_t growth, int32_t threshold);
    int32_t find(const Value& key, uint32_t hash) const;
    void insertRehashed(const Value& key, const Value& value, uint32_t hash);
    int32_t homeSlot(uint32_t hash) const;
    bool occupied(int32_t slot) const;
    bool grow();

    int32_t capacity_;
    int32_t count_ = 0;
    int32_t growth_;
    int32_t threshold_;
    Value* keys_;
    Value* values_;
    // The hash of each occupied slot's key, so that probing compares keys only when hashes agree.
    uint32_t* hashes_;
};

inline Table* asTable(const Value& v) { return v.is(Tag::Table) ? v.as<Table>() : nullptr; }

} // namespace vel
