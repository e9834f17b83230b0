// The process-wide cache of index pages. Each entry remembers which open file it belongs to, the
// page number and whether it changed; a changed page goes back to its file when its entry is
// reused, when its owner asks (rewrite, close) and never otherwise.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vel::index {

class IndexFileHandle;

constexpr int kPageSize = 1024;

struct CachedPage {
    uint32_t owner = 0;
    int32_t pageNumber = -1;
    bool changed = false;
    uint8_t bytes[kPageSize];
    // Filled by the owner after reading: where each entry starts, so searches need not walk the
    // length bytes again. count < 0 means not yet checked.
    int16_t count = -1;
    uint16_t offsets[144];

    CachedPage* newer = nullptr;
    CachedPage* older = nullptr;
};

class PageCache {
public:
    static constexpr int kDefaultCapacity = 16384;

    static PageCache& instance();

    // An owner is one open file; pages are written back through its handle.
    uint32_t addOwner(IndexFileHandle* handle);
    // Forgets the owner's pages without writing them (the caller has flushed what it wanted).
    void removeOwner(uint32_t owner);

    // The cached page or null. The pointer stays valid until the next call that may bring in a page.
    CachedPage* find(uint32_t owner, int32_t page);
    // An entry for the page, possibly by evicting (and writing back) the least recently used one;
    // its bytes are the caller's to fill.
    CachedPage* claim(uint32_t owner, int32_t page);
    void discard(CachedPage* entry);

    // Writes the owner's changed pages in page order; 0 or the first write error.
    int flushOwner(uint32_t owner);
    int flushPage(CachedPage* entry);
    // The first error met while writing back one of the owner's pages on eviction, or 0.
    int writeBackError(uint32_t owner) const;

    void setCapacity(int pages);
    int capacity() const { return capacity_; }
    int64_t reads() const { return misses_; }

private:
    PageCache() = default;
    static uint64_t keyOf(uint32_t owner, int32_t page) { return uint64_t(owner) << 32 | uint32_t(page); }
    void unlink(CachedPage* e);
    void pushNewest(CachedPage* e);
    int writeBack(CachedPage* e);

    struct Owner {
        IndexFileHandle* handle = nullptr;
        int writeBackError = 0;
    };

    int capacity_ = kDefaultCapacity;
    uint32_t nextOwner_ = 1;
    std::unordered_map<uint32_t, Owner> owners_;
    std::unordered_map<uint64_t, CachedPage*> map_;
    std::vector<std::unique_ptr<CachedPage>> storage_;
    std::vector<CachedPage*> spare_;
    CachedPage* newest_ = nullptr;
    CachedPage* oldest_ = nullptr;
    int64_t misses_ = 0;
};

} // namespace vel::index
