// The byte layout of an index file's header and tree pages, shared by the parts of BtreeFile
// (docs/index_file_format.md describes the same bytes for readers of the file).
#pragma once

#include <cstdint>
#include <cstring>

#include "index/btree_file.h"
#include "index/page_cache.h"

namespace vel::index {

// Header page fields of our own (see docs/index_file_format.md).
constexpr int kHeaderOrder = 0;
constexpr int kHeaderMagic = 4;
constexpr char kMagic[8] = {'V', 'E', 'L', 'I', 'N', 'D', 'E', 'X'};
constexpr int kHeaderVersion = 12;
constexpr int kHeaderPageSize = 16;
constexpr int kHeaderRoot = 20;
constexpr int kHeaderPageCount = 24;
constexpr int kHeaderFreeList = 28;
constexpr int kHeaderCounter = 32;
constexpr int kHeaderChangeCount = 36;
constexpr int kHeaderDescriptors = 40;
constexpr int kHeaderSegments = 80;
constexpr int kHeaderSegmentsEnd = 560;
constexpr int kFormatVersion = 1;

// Tree page header.
constexpr int kFirstChild = 0;
constexpr int kSibling = 4;
constexpr int kLink = 8;
constexpr int kLevel = 12;
constexpr int kCount = 14;
constexpr int kUsed = 16;
constexpr int kEntries = 18;
constexpr int kMaxEntries = 143;
// A page image may overflow by one entry before it is split.
constexpr int kImageSize = kPageSize + 275;
constexpr int kLastChunkBit = 0x80;
constexpr int kChunkMask = 0x7f;
// Minimum entry lengths (the length byte excluded): key number, chunk byte, record number, a key
// byte at least, and the child link on internal pages.
constexpr int kLeafMinimum = 7;
constexpr int kInternalMinimum = 11;
// Record locks sit far beyond any page so they never collide with the user area.
constexpr int64_t kRecordLockBase = int64_t(1) << 40;
// The write lock: held exclusive by a writer for the length of a transaction, shared by a reader for
// the length of a call. Just below the record locks, far from the user area.
constexpr int64_t kWriteLockOffset = kRecordLockBase - 1;

// A page being changed: room for one entry beyond the page, so an insert can land before the split.
struct BtreeFile::PageImage {
    uint8_t bytes[kImageSize];
    int count = 0;
    int used = kEntries;
    uint16_t offsets[kMaxEntries + 2];

    void index()
    {
        int at = kEntries;
        for (int i = 0; i < count; ++i) {
            offsets[i] = static_cast<uint16_t>(at);
            at += bytes[at] + 1;
        }
        used = at;
    }

    // The page as the cache holds it (already checked when it was read).
    void load(const CachedPage& page)
    {
        std::memcpy(bytes, page.bytes, kPageSize);
        count = page.count;
        index();
    }

    // Puts the entry in at index; the page may overflow until it is split.
    void insert(int at, const uint8_t* entry, int length)
    {
        int from = at < count ? offsets[at] : used;
        std::memmove(bytes + from + length, bytes + from, static_cast<size_t>(used - from));
        std::memcpy(bytes + from, entry, static_cast<size_t>(length));
        count += 1;
        index();
    }

    bool fits() const { return used <= kPageSize && count <= kMaxEntries; }

    void putCounts(const ByteOrder& order)
    {
        order.put16(bytes + kCount, static_cast<uint16_t>(count));
        order.put16(bytes + kUsed, static_cast<uint16_t>(used));
    }

    // Takes the entries first ... end - 1 out and sets the page's count and bytes in use.
    void erase(int first, int end, const ByteOrder& order)
    {
        int from = offsets[first];
        int to = end < count ? offsets[end] : used;
        std::memmove(bytes + from, bytes + to, static_cast<size_t>(used - to));
        std::memset(bytes + used - (to - from), 0, static_cast<size_t>(to - from));
        count -= end - first;
        index();
        putCounts(order);
    }
};

// A reader's call from start to end: the write lock is held shared while it lasts.
struct BtreeFile::ReadScope {
    BtreeFile& file;
    int rc;
    explicit ReadScope(BtreeFile& f) : file(f), rc(f.beginRead()) {}
    // A search or step: the key number, the open block and the opener's slot are checked first.
    ReadScope(BtreeFile& f, int keyNumber) : file(f), rc(f.startRead(keyNumber)) {}
    ~ReadScope()
    {
        if (rc == kOk)
            file.endRead();
    }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;
};

} // namespace vel::index
