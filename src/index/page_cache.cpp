#include "index/page_cache.h"

#include <algorithm>

#include "index/index_errors.h"

namespace vel::index {

PageCache& processPageCache()
{
    static PageCache cache;
    return cache;
}

uint32_t PageCache::addOwner(PageStore* store)
{
    uint32_t id = nextOwner_++;
    if (nextOwner_ == 0)
        nextOwner_ = 1;
    owners_[id] = Owner{store, 0};
    return id;
}

void PageCache::removeOwner(uint32_t owner)
{
    dropPages(owner);
    owners_.erase(owner);
}

void PageCache::dropPages(uint32_t owner)
{
    for (auto it = map_.begin(); it != map_.end();) {
        if (it->second->owner == owner) {
            CachedPage* e = it->second;
            it = map_.erase(it);
            unlink(e);
            e->owner = 0;
            spare_.push_back(e);
        } else {
            ++it;
        }
    }
    if (auto it = owners_.find(owner); it != owners_.end())
        it->second.writeBackError = 0;
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
    auto it = map_.find(keyOf(owner, page));
    if (it == map_.end())
        return nullptr;
    CachedPage* e = it->second;
    if (newest_ != e) {
        unlink(e);
        pushNewest(e);
    }
    return e;
}

int PageCache::writeBack(CachedPage* e)
{
    auto it = owners_.find(e->owner);
    if (it == owners_.end() || !it->second.store)
        return kWriteFailed;
    int rc = it->second.store->writePage(e->pageNumber, e->bytes);
    if (rc == kOk)
        e->changed = false;
    else if (it->second.writeBackError == 0)
        it->second.writeBackError = rc;
    return rc;
}

CachedPage* PageCache::claim(uint32_t owner, int32_t page)
{
    CachedPage* e = nullptr;
    if (!spare_.empty()) {
        e = spare_.back();
        spare_.pop_back();
    } else if (static_cast<int>(storage_.size()) < capacity_ || !oldest_) {
        storage_.push_back(std::make_unique<CachedPage>());
        e = storage_.back().get();
    } else {
        // A failed write-back is kept as the owner's error, reported when it next writes or closes;
        // holding the page would leave the whole cache stuck.
        e = oldest_;
        if (e->changed)
            writeBack(e);
        map_.erase(keyOf(e->owner, e->pageNumber));
        unlink(e);
    }
    ++misses_;
    e->owner = owner;
    e->pageNumber = page;
    e->changed = false;
    e->count = -1;
    map_[keyOf(owner, page)] = e;
    pushNewest(e);
    return e;
}

void PageCache::discard(CachedPage* e)
{
    map_.erase(keyOf(e->owner, e->pageNumber));
    unlink(e);
    e->owner = 0;
    e->changed = false;
    spare_.push_back(e);
}

int PageCache::flushPage(CachedPage* e)
{
    return e->changed ? writeBack(e) : kOk;
}

int PageCache::flushOwner(uint32_t owner)
{
    std::vector<CachedPage*> dirty;
    for (auto& [key, e] : map_)
        if (e->owner == owner && e->changed)
            dirty.push_back(e);
    std::sort(dirty.begin(), dirty.end(),
              [](const CachedPage* a, const CachedPage* b) { return a->pageNumber < b->pageNumber; });
    int first = kOk;
    for (CachedPage* e : dirty) {
        int rc = writeBack(e);
        if (rc != kOk && first == kOk)
            first = rc;
    }
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
    // Shrinking takes effect as entries are reused; spare entries beyond the limit are let go now.
    while (!spare_.empty() && static_cast<int>(storage_.size()) > capacity_) {
        CachedPage* e = spare_.back();
        spare_.pop_back();
        auto it = std::find_if(storage_.begin(), storage_.end(), [e](auto& p) { return p.get() == e; });
        if (it != storage_.end())
            storage_.erase(it);
    }
}

} // namespace vel::index
