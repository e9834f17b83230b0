// Value indexes (tag 25): a persistent map from text keys to values over an index file. A key is
// its display form (cut to 239 bytes when longer than 240), a record is the value's binary encoding.
// The collection builtins reach it through CollectionProtocol.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "index/btree_file.h"
#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class ValueIndex final : public Object, public CollectionProtocol {
public:
    static constexpr int32_t kWorkSize = 30000;
    static constexpr std::string_view kCountKey = "__VEL_INDEX_COUNT__";
    static constexpr std::size_t kKeyLimit = 240;
    static constexpr std::size_t kKeyCut = 239;

    // Creates the file (create true), opens it for writing (writable true; the tree is verified
    // first) or opens it read-only. Nil after reporting when that fails.
    static Value make(std::string_view fileName, bool create, bool writable);
    // The same with the file's pages kept in the cache given (the engine's).
    static Value make(std::string_view fileName, bool create, bool writable, index::PageCache& cache);
    // True when the file opens read-only as an index file; reports nothing.
    static bool isIndexFile(std::string_view fileName);
    // The key text a value is stored under.
    static std::string keyText(const Value& key);

    ~ValueIndex() override;

    bool contains(const Value& key) const;
    // The value stored under the key; nil when absent or stored empty.
    Value get(const Value& key) const;
    void put(const Value& key, const Value& value);
    int32_t count() const { return count_; }

    // Decides after each item whether the walk stops there; receives the key string and the item.
    using StopTest = std::function<bool(const Value& key, const Value& item)>;
    // The values (or the key strings) of the keys that begin with the prefix's key text, in key
    // order; nil when there is none.
    Value valuesWithPrefix(const Value& prefix, const StopTest& stop = {}) const;
    Value keysWithPrefix(const Value& prefix, const StopTest& stop = {}) const;

    bool readOnly() const { return readOnly_; }
    index::BtreeFile& file() const { return file_; }

    int32_t collectionCount() const override { return count_; }
    Value getKey(const Value& key) const override { return get(key); }
    void putKey(const Value& key, const Value& v) override { put(key, v); }
    bool containsKey(const Value& key) const override { return contains(key); }

private:
    ValueIndex();
    explicit ValueIndex(index::PageCache& cache);
    static Value open(ValueIndex* made, std::string_view fileName, bool create, bool writable);
    bool findText(std::string_view text) const;
    Value decodeWork() const;
    Value walk(const Value& prefix, bool values, const StopTest& stop) const;
    bool store(std::string_view text, const Value& value, bool* added);
    int32_t readCount();

    mutable index::BtreeFile file_;
    bool readOnly_ = true;
    uint8_t* work_ = nullptr;
    int32_t count_ = 0;
    mutable int lastFind_ = index::kNoGreater;
};

inline ValueIndex* asValueIndex(const Value& v)
{
    return v.is(Tag::ValueIndex) ? v.as<ValueIndex>() : nullptr;
}

} // namespace vel
