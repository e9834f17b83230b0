// Archives (tag 24): a file of encoded values with a directory of their offsets, so that any item is
// one seek away. Layout: the magic "0VEL", the directory offset, the items, then the directory (an
// integer list of item offsets). The directory lives in memory and is written back by flush, which
// destroying a writable archive does.
//
// Nothing on disk that the header reaches is ever overwritten: items and each new directory go past
// the end of what the file held, and only once they are synced does the header's directory offset
// move to the new directory (one 4-byte write, synced). A crash at any moment therefore leaves a file
// that opens as the archive of the last completed flush or of the one in progress. The price is
// dead bytes (replaced items, old directories); compact() rewrites a file without them.
#pragma once

#include <cstdint>
#include <string>

#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class Archive final : public Object, public CollectionProtocol {
public:
    static constexpr int32_t kDirectoryGrowth = 50;
    static constexpr int32_t kHeaderSize = 8;

    // From a writable stream value or a file name (string value), which is created or truncated. The
    // header names no directory (offset 0) until the first flush.
    static Value create(const Value& streamOrName, int32_t directoryCapacity);
    // From a stream value or a file name; nil (after a report) when it cannot be opened or is malformed.
    static Value open(const Value& streamOrName, bool writable);
    ~Archive() override;

    int32_t count() const;
    // Item n, or nil after a report.
    Value get(int32_t n) const;
    // Appends an item; false (after a report) when refused or when the value could not be encoded.
    bool add(const Value& value);
    // Writes a new copy of item n and points the directory at it; the old bytes stay unused.
    bool put(int32_t n, const Value& value);
    // Writes the directory past the end, syncs, then points the header at it and syncs, when it changed.
    bool flush();

    // Rewrites the archive file at path with only the items its directory reaches, back to back, through
    // a temporary file renamed over it. False, with the reason in *error, when it cannot.
    static bool compact(const std::string& path, std::string* error = nullptr);

    bool isWritable() const { return (flags_ & kWritable) != 0; }
    int32_t directoryOffset() const { return directoryOffset_; }
    const Value& directory() const { return directory_; }
    const Value& stream() const { return stream_; }

    // What velCount, velGet, velPut and velAddItem reach.
    int32_t collectionCount() const override { return count(); }
    Value itemAt(int32_t index) const override { return get(index); }
    void putItem(int32_t index, const Value& v) override { put(index, v); }
    void addItem(const Value& v) override { add(v); }

private:
    static constexpr int32_t kWritable = 1;
    static constexpr int32_t kChanged = 2;

    Archive() = default;
    // Encodes the value past everything on disk; its offset, or -1.
    int32_t append(const Value& value);

    char magic_[4] = {};
    int32_t directoryOffset_ = kHeaderSize;
    // Where the next item or directory goes: past every byte the file held when opened or last wrote.
    int64_t appendAt_ = kHeaderSize;
    Value stream_;
    Value directory_;
    int32_t flags_ = 0;
};

inline Archive* asArchive(const Value& v) { return v.is(Tag::Archive) ? v.as<Archive>() : nullptr; }

} // namespace vel
