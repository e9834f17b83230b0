// Index files: pages through the cache, entries inside them, and keys in their stored form.
#include "index/btree_file.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>

#include "index/btree_layout.h"

namespace vel::index {

BtreeFile::Entry BtreeFile::entryAt(const uint8_t* page, int offset, bool internal) const
{
    Entry e;
    const uint8_t* p = page + offset;
    int total = p[0] + 1;
    e.keyNumber = p[1];
    e.chunkByte = p[2];
    e.record = order_.getInt(p + 3);
    e.key = p + 7;
    int avail = total - 7 - (internal ? 4 : 0);
    e.keyLength = storedKeyLength(formats_[e.keyNumber], e.key, avail);
    e.data = e.key + e.keyLength;
    e.dataLength = internal ? 0 : avail - e.keyLength;
    e.child = internal ? order_.getInt(p + total - 4) : -1;
    return e;
}

// Checks a page as it comes from the file and notes where its entries start. Everything a search
// later relies on is proven here: lengths inside the page, keys that end inside their entries.
int BtreeFile::parsePage(CachedPage* cp)
{
    const uint8_t* b = cp->bytes;
    int level = order_.get16(b + kLevel);
    int count = order_.get16(b + kCount);
    int used = order_.get16(b + kUsed);
    if (level > kMaxLevel || count > kMaxEntries)
        return kPageDamaged;
    bool internal = level > 0;
    int32_t firstChild = order_.getInt(b + kFirstChild);
    int32_t sibling = order_.getInt(b + kSibling);
    if ((internal && (firstChild < 0 || firstChild >= pageCount_)) || sibling < -1 || sibling >= pageCount_)
        return kPageDamaged;
    int at = kEntries;
    int minimum = internal ? kInternalMinimum : kLeafMinimum;
    for (int i = 0; i < count; ++i) {
        if (at >= kPageSize)
            return kPageDamaged;
        int length = b[at];
        if (length < minimum || at + length + 1 > kPageSize)
            return kPageDamaged;
        int keyNumber = b[at + 1];
        if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
            return kPageDamaged;
        Entry e = entryAt(b, at, internal);
        if (e.keyLength < 0 || e.keyLength > kMaxStoredKey)
            return kPageDamaged;
        if (internal && (e.child < 0 || e.child >= pageCount_))
            return kPageDamaged;
        cp->offsets[i] = static_cast<uint16_t>(at);
        at += length + 1;
    }
    if (used != at)
        return kPageDamaged;
    cp->count = static_cast<int16_t>(count);
    return kOk;
}

CachedPage* BtreeFile::fetch(int32_t page, int* rc)
{
    if (page < 0 || page >= pageCount_) {
        *rc = fail(kReadShort, kPageUnreadable, page);
        return nullptr;
    }
    PageCache& cache = *cache_;
    if (CachedPage* cp = cache.find(owner_, page)) {
        // A search reads a few entries one after another, each likely a miss: asking for the whole
        // page at once turns those waits into one. Steps along one page need not ask again.
        if (cp != lastFetched_) {
            const char* at = reinterpret_cast<const char*>(cp);
            for (size_t line = 0; line < sizeof(CachedPage); line += 64)
                __builtin_prefetch(at + line);
            lastFetched_ = cp;
        }
        return cp;
    }
    CachedPage* cp = cache.claim(owner_, page);
    if (!cp) {
        *rc = fail(kWriteFailed, handle_.systemError());
        return nullptr;
    }
    int r = kOk;
    if (const uint8_t* mapped = mappedPage(page))
        std::memcpy(cp->bytes, mapped, kPageSize);
    else
        r = handle_.readAt((int64_t(page) + 1) * kPageSize, cp->bytes, kPageSize);
    if (r != kOk) {
        cache.discard(cp);
        *rc = fail(r, r == kReadShort ? kPageUnreadable : handle_.systemError(), page);
        return nullptr;
    }
    if (parsePage(cp) != kOk) {
        cache.discard(cp);
        *rc = fail(kReadShort, kPageDamaged, page);
        return nullptr;
    }
    *rc = kOk;
    return cp;
}

const uint8_t* BtreeFile::mappedPage(int32_t page)
{
    if (accessMode_ != AccessMode::ReadOnly)
        return nullptr;
    int64_t end = (int64_t(page) + 2) * kPageSize;
    if (end > mapLength_) {
        // The file grew since it was mapped (or was never mapped): map it again, whole.
        unmap();
        int64_t size = handle_.size();
        if (size < end)
            return nullptr;
        void* at = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, handle_.descriptor(), 0);
        if (at == MAP_FAILED)
            return nullptr;
        map_ = static_cast<const uint8_t*>(at);
        mapLength_ = size;
    }
    return map_ + end - kPageSize;
}

void BtreeFile::unmap()
{
    if (map_)
        ::munmap(const_cast<uint8_t*>(map_), static_cast<size_t>(mapLength_));
    map_ = nullptr;
    mapLength_ = 0;
}

CachedPage* BtreeFile::placePage(int32_t pageNumber, const uint8_t* bytes, int* rc)
{
    if ((*rc = keepOriginal(pageNumber)) != kOk) {
        *rc = fail(*rc, handle_.systemError());
        return nullptr;
    }
    PageCache& cache = *cache_;
    CachedPage* cp = cache.find(owner_, pageNumber);
    if (!cp && !(cp = cache.claim(owner_, pageNumber))) {
        *rc = fail(kWriteFailed, handle_.systemError());
        return nullptr;
    }
    std::memcpy(cp->bytes, bytes, kPageSize);
    cp->changed = true;
    return cp;
}

int BtreeFile::storePage(int32_t pageNumber, const uint8_t* bytes)
{
    int rc = kOk;
    CachedPage* cp = placePage(pageNumber, bytes, &rc);
    if (!cp)
        return rc;
    if (parsePage(cp) != kOk) {
        cache_->discard(cp);
        return fail(kReadShort, kPageDamaged, pageNumber);
    }
    return kOk;
}

int BtreeFile::loadImage(int32_t pageNumber, PageImage& image)
{
    int rc = kOk;
    CachedPage* cp = fetch(pageNumber, &rc);
    if (cp)
        image.load(*cp);
    return rc;
}

int BtreeFile::storePage(int32_t pageNumber, const PageImage& image)
{
    int rc = kOk;
    CachedPage* cp = placePage(pageNumber, image.bytes, &rc);
    if (!cp)
        return rc;
    // An image's entries were checked when its page was read, or made here: its table is the page's.
    std::memcpy(cp->offsets, image.offsets, sizeof(uint16_t) * static_cast<size_t>(image.count));
    cp->count = static_cast<int16_t>(image.count);
    return kOk;
}

int BtreeFile::compareProbe(const Probe& probe, const Entry& e) const
{
    if (probe.keyNumber != e.keyNumber)
        return probe.keyNumber < e.keyNumber ? -1 : 1;
    bool unknown = false;
    int c = compareKeys(formats_[probe.keyNumber], probe.key, probe.keyLength, e.key, e.keyLength, order_, &unknown);
    if (c != 0)
        return c;
    if (probe.record != e.record)
        return probe.record < e.record ? -1 : 1;
    return probe.chunk - (e.chunkByte & kChunkMask);
}

int BtreeFile::compareProbeAt(const Probe& probe, const uint8_t* page, int offset, bool internal) const
{
    const uint8_t* p = page + offset;
    if (probe.keyNumber != p[1])
        return probe.keyNumber < p[1] ? -1 : 1;
    const KeyFormat& format = formats_[probe.keyNumber];
    int kind = format.kind();
    // Text and fixed-size keys compare without their lengths; parsePage proved they end in the entry.
    if (kind == kCompound || kind == kCounted || kind >= 11)
        return compareProbe(probe, entryAt(page, offset, internal));
    bool unknown = false;
    if (int c = compareKeys(format, probe.key, probe.keyLength, p + 7, 0, order_, &unknown))
        return c;
    int32_t record = order_.getInt(p + 3);
    if (probe.record != record)
        return probe.record < record ? -1 : 1;
    return probe.chunk - (p[2] & kChunkMask);
}

int32_t BtreeFile::childOf(const uint8_t* page, int offset) const
{
    const uint8_t* p = page + offset;
    return order_.getInt(p + p[0] + 1 - 4);
}

int BtreeFile::checkKey(int keyNumber, std::span<const uint8_t> key, int* storedLength) const
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return kBadKey;
    int avail = static_cast<int>(std::min<size_t>(key.size(), kMaxStoredKey + 1));
    int length = storedKeyLength(formats_[keyNumber], key.data(), avail);
    if (length < 0 || length > kMaxStoredKey)
        return kBadKey;
    *storedLength = length;
    return kOk;
}

// Numbers in keys travel in the host's order; the tree holds them in the file's.
const uint8_t* BtreeFile::prepareKey(int keyNumber, std::span<const uint8_t> key, int length)
{
    if (!order_.differsFromHost())
        return key.data();
    std::memcpy(probeKey_, key.data(), static_cast<size_t>(length));
    reverseKeyNumbers(formats_[keyNumber], probeKey_, length);
    return probeKey_;
}

std::string_view BtreeFile::keyText() const
{
    const char* text = reinterpret_cast<const char*>(foundKey_);
    int n = foundKeyLength_;
    while (n > 0 && text[n - 1] == 0)
        --n;
    return {text, static_cast<size_t>(n)};
}

} // namespace vel::index
