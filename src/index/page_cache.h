// A cache of index pages shared by the open files handed it. Each entry remembers which open file
// it belongs to, the page number and whether it changed; a changed page goes back to its file when
// its entry is reused or when its owner asks (at commit), and never otherwise.
//
// Whoever owns the process's services creates one cache and hands it to every BtreeFile it opens;
// processPageCache() is the one for callers that have nothing to hand.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vel::index {

constexpr int kPageSize = 1024;

// Where an owner's changed pages go when they leave the cache.
class PageStore {
public:
    // count pages back to back from first, their bytes in one run.
    virtual int writePages(int32_t first, int32_t count, const uint8_t* bytes) = 0;

protected:
    ~PageStore() = default;
};

struct alignas(64) CachedPage {
    uint32_t owner = 0;
    int32_t pageNumber = -1;
    bool changed = false;
    // Set by every look-up: the entry gets a second round before it is reused. A hit writes this
    // byte and nothing else, so look-ups touch no other entry's memory.
    bool recent = false;
    // Filled by the owner after reading: where each entry starts, so searches need not walk the
    // length bytes again. count < 0 means not yet checked. Kept before the bytes, so a search's
    // first touch of the entry brings the table in with the page header.
    int16_t count = -1;
    uint16_t offsets[144];
    uint8_t bytes[kPageSize];

    CachedPage* newer = nullptr;
    CachedPage* older = nullptr;
};

class PageCache {
public:
    static constexpr int kDefaultCapacity = 16384;

    PageCache() = default;
    explicit PageCache(int pages) { setCapacity(pages); }
    ~PageCache();
    PageCache(const PageCache&) = delete;
    PageCache& operator=(const PageCache&) = delete;

    // An owner is one open file; pages are written back through its store.
    uint32_t addOwner(PageStore* store);
    // Forgets the owner's pages without writing them (the caller has flushed what it wanted).
    void removeOwner(uint32_t owner);
    // Forgets the owner's pages, changed or not, and any write-back error: the file on disk is
    // the truth again (another process wrote it, or a failed change was rolled back).
    void dropPages(uint32_t owner);

    // The cached page or null. The pointer stays valid until the next call that may bring in a page.
    // A look-up is an index into the owner's table of pages: no hashing on the read path.
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
    struct Owner {
        PageStore* store = nullptr;
        int writeBackError = 0;
        // The owner's cached pages by page number, null where a page is not cached.
        std::vector<CachedPage*> pages;
    };

    Owner* ownerOf(uint32_t owner);
    CachedPage** slotOf(uint32_t owner, int32_t page);
    void unlink(CachedPage* e);
    void pushNewest(CachedPage* e);
    int writeBack(CachedPage* e);
    // Writes the run of count pages gathered in runBuffer_ from e's page on.
    int writeRun(Owner& o, CachedPage** run, int count);

    int capacity_ = kDefaultCapacity;
    uint32_t nextOwner_ = 1;
    // Node-based, so an Owner stays where it is while others come and go.
    std::unordered_map<uint32_t, Owner> owners_;
    uint32_t lastOwnerId_ = 0;
    Owner* lastOwner_ = nullptr;
    // Entries come from slabs of up to 2 MiB, on huge pages where the system gives them: a search
    // visits pages scattered over the whole cache, and small pages would cost it a TLB miss each.
    CachedPage* newEntry();
    std::vector<void*> slabs_;
    CachedPage* fresh_ = nullptr;
    CachedPage* freshEnd_ = nullptr;
    // Entries handed out and not retired by a shrink.
    int live_ = 0;
    std::vector<CachedPage*> spare_;
    CachedPage* newest_ = nullptr;
    CachedPage* lastFound_ = nullptr;
    CachedPage* oldest_ = nullptr;
    int64_t misses_ = 0;
};

// The cache of files opened by callers that were handed none.
PageCache& processPageCache();

} // namespace vel::index
