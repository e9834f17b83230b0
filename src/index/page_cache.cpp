#include "index/page_cache.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "index/index_errors.h"

namespace vel::index {

PageCache& processPageCache()
{
    static PageCache cache;
    return cache;
}

PageCache::~PageCache()
{
    for (void* slab : slabs_)
        std::free(slab);
}

CachedPage* PageCache::newEntry()
{
    if (fresh_ == freshEnd_) {
        constexpr size_t kHuge = size_t(2) << 20;
        size_t wanted = static_cast<size_t>(capacity_ > live_ ? capacity_ - live_ : 1) * sizeof(CachedPage);
        size_t bytes = wanted >= kHuge ? kHuge : (wanted + 4095) / 4096 * 4096;
        void* slab = std::aligned_alloc(bytes == kHuge ? kHuge : 4096, bytes);
        if (!slab)
            return nullptr;
        if (bytes == kHuge)
            ::madvise(slab, bytes, MADV_HUGEPAGE);
        slabs_.push_back(slab);
        fresh_ = static_cast<CachedPage*>(slab);
        freshEnd_ = fresh_ + bytes / sizeof(CachedPage);
    }
    ++live_;
    return new (fresh_++) CachedPage;
}

uint32_t PageCache::addOwner(PageStore* store)
{
    uint32_t id = nextOwner_++;
    if (nextOwner_ == 0)
        nextOwner_ = 1;
    owners_[id] = Owner{store, 0, {}};
    return id;
}

void PageCache::removeOwner(uint32_t owner)
{
    dropPages(owner);
    owners_.erase(owner);
    lastOwner_ = nullptr;
    lastOwnerId_ = 0;
}

PageCache::Owner* PageCache::ownerOf(uint32_t owner)
{
    if (owner != lastOwnerId_ || !lastOwner_) {
        auto it = owners_.find(owner);
        if (it == owners_.end())
            return nullptr;
        lastOwnerId_ = owner;
        lastOwner_ = &it->second;
    }
    return lastOwner_;
}

CachedPage** PageCache::slotOf(uint32_t owner, int32_t page)
{
    Owner* o = ownerOf(owner);
    if (!o || page < 0 || static_cast<size_t>(page) >= o->pages.size())
        return nullptr;
    return &o->pages[static_cast<size_t>(page)];
}

void PageCache::dropPages(uint32_t owner)
{
    Owner* o = ownerOf(owner);
    if (!o)
        return;
    for (CachedPage* e : o->pages) {
        if (!e)
            continue;
        unlink(e);
        e->owner = 0;
        spare_.push_back(e);
    }
    o->pages.clear();
    o->writeBackError = 0;
}

void PageCache::unlink(CachedPage* e)
{
    if (e->newer) e->newer->older = e->older; else if (newest_ == e) newest_ = e->older;
    if (e->older) e->older->newer = e->newer; else if (oldest_ == e) oldest_ = e->newer;
    e->newer = e->older = nullptr;
}

void PageCache::pushNewest(CachedPage* e)
{
    e->older = newest_;
    e->newer = nullptr;
    if (newest_) newest_->newer = e;
    newest_ = e;
    if (!oldest_) oldest_ = e;
}

CachedPage* PageCache::find(uint32_t owner, int32_t page)
{
    CachedPage** slot = slotOf(owner, page);
    CachedPage* e = slot ? *slot : nullptr;
    if (e) {
        e->recent = true;
        lastFound_ = e;
    }
    return e;
}

int PageCache::writeBack(CachedPage* e)
{
    Owner* o = ownerOf(e->owner);
    if (!o || !o->store)
        return kWriteFailed;
    int rc = o->store->writePages(e->pageNumber, 1, e->bytes);
    if (rc == kOk)
        e->changed = false;
    else if (o->writeBackError == 0)
        o->writeBackError = rc;
    return rc;
}

CachedPage* PageCache::claim(uint32_t owner, int32_t page)
{
    CachedPage* e = nullptr;
    if (!spare_.empty()) {
        e = spare_.back();
        spare_.pop_back();
    } else if (live_ < capacity_ || !oldest_) {
        if (!(e = newEntry()))
            return nullptr;
    } else {
        // A failed write-back is kept as the owner's error, reported when it next writes or closes;
        // holding the page would leave the whole cache stuck.
        // The oldest entry not looked up since its last round; at most one pass clears them all.
        // The page found last is never the one reused: its caller may still be reading it.
        e = oldest_;
        while ((e->recent || e == lastFound_) && e != newest_) {
            e->recent = false;
            unlink(e);
            pushNewest(e);
            e = oldest_;
        }
        if (e->changed)
            writeBack(e);
        if (CachedPage** slot = slotOf(e->owner, e->pageNumber))
            *slot = nullptr;
        unlink(e);
    }
    ++misses_;
    e->owner = owner;
    e->pageNumber = page;
    e->changed = false;
    e->recent = false;
    e->count = -1;
    Owner& o = owners_[owner];
    if (static_cast<size_t>(page) >= o.pages.size())
        o.pages.resize(static_cast<size_t>(page) + 1 + o.pages.size() / 4, nullptr);
    o.pages[static_cast<size_t>(page)] = e;
    pushNewest(e);
    return e;
}

void PageCache::discard(CachedPage* e)
{
    if (CachedPage** slot = slotOf(e->owner, e->pageNumber))
        *slot = nullptr;
    unlink(e);
    e->owner = 0;
    e->changed = false;
    spare_.push_back(e);
}

int PageCache::flushPage(CachedPage* e)
{
    return e->changed ? writeBack(e) : kOk;
}

int PageCache::writeRun(Owner& o, CachedPage** run, int count)
{
    if (count == 1)
        return writeBack(run[0]);
    // Pages next to each other in the file go in one write: a commit after a large batch would
    // otherwise make a system call for every page.
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * kPageSize);
    for (int i = 0; i < count; ++i)
        std::memcpy(bytes.data() + static_cast<size_t>(i) * kPageSize, run[i]->bytes, kPageSize);
    int rc = o.store ? o.store->writePages(run[0]->pageNumber, count, bytes.data()) : kWriteFailed;
    if (rc != kOk) {
        if (o.writeBackError == 0)
            o.writeBackError = rc;
        return rc;
    }
    for (int i = 0; i < count; ++i)
        run[i]->changed = false;
    return kOk;
}

int PageCache::flushOwner(uint32_t owner)
{
    Owner* o = ownerOf(owner);
    if (!o)
        return kOk;
    // The table is in page order already; writing back touches no entry of it.
    constexpr int kLongestRun = 64;
    CachedPage* run[kLongestRun];
    int length = 0;
    int first = kOk;
    auto flush = [&] {
        if (length > 0) {
            int rc = writeRun(*o, run, length);
            if (rc != kOk && first == kOk)
                first = rc;
        }
        length = 0;
    };
    for (CachedPage* e : o->pages) {
        if (!e || !e->changed) {
            flush();
            continue;
        }
        if (length == kLongestRun)
            flush();
        run[length++] = e;
    }
    flush();
    return first;
}

int PageCache::writeBackError(uint32_t owner) const
{
    auto it = owners_.find(owner);
    return it == owners_.end() ? kOk : it->second.writeBackError;
}

void PageCache::setCapacity(int pages)
{
    capacity_ = pages < 8 ? 8 : pages;
    // Shrinking takes effect as entries are reused; spare entries beyond the limit retire now.
    while (!spare_.empty() && live_ > capacity_) {
        spare_.pop_back();
        --live_;
    }
}

} // namespace vel::index
