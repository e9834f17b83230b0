// Index files: finding a key and stepping from it in key order.
#include "index/btree_file.h"

#include <algorithm>
#include <cstring>

#include "index/btree_layout.h"

namespace vel::index {

int BtreeFile::leafSlot(const Probe& probe, const CachedPage* cp) const
{
    int lo = 0, hi = cp->count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (compareProbeAt(probe, cp->bytes, cp->offsets[mid], false) > 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int BtreeFile::descend(const Probe& probe, std::vector<int32_t>* path, int32_t* leaf, int* index)
{
    int32_t page = root_;
    int expected = -1;
    int32_t moves = 0;
    int rc = kOk;
    if (path)
        path->clear();
    for (;;) {
        CachedPage* cp = fetch(page, &rc);
        if (!cp)
            return rc;
        const uint8_t* b = cp->bytes;
        int level = order_.get16(b + kLevel);
        if (expected >= 0 && level != expected)
            return fail(kReadShort, kTreeDamaged, page);
        int count = cp->count;
        if (level == 0) {
            if (path)
                path->push_back(page);
            *leaf = page;
            *index = leafSlot(probe, cp);
            return kOk;
        }
        // The first entry that orders after the probe.
        int lo = 0, hi = count;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (compareProbeAt(probe, b, cp->offsets[mid], true) >= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        int32_t sibling = order_.getInt(b + kSibling);
        if (lo == count && sibling >= 0) {
            if (++moves > pageCount_)
                return fail(kReadShort, kTreeDamaged, page);
            page = sibling;
            expected = level;
            continue;
        }
        int32_t child = lo == 0 ? order_.getInt(b + kFirstChild) : childOf(b, cp->offsets[lo - 1]);
        if (path)
            path->push_back(page);
        page = child;
        expected = level - 1;
    }
}

// Moves a leaf position that lies past its page's last entry on to the first entry of a later
// leaf. Answers kNoGreater at the end of the tree.
int BtreeFile::settle(int32_t* page, int* index, CachedPage** entryPage)
{
    int rc = kOk;
    CachedPage* cp = fetch(*page, &rc);
    if (!cp)
        return rc;
    int32_t steps = 0;
    while (*index >= cp->count) {
        int32_t sibling = order_.getInt(cp->bytes + kSibling);
        if (sibling < 0)
            return kNoGreater;
        if (++steps > pageCount_)
            return fail(kReadShort, kTreeDamaged, *page);
        int32_t from = *page;
        cp = fetch(sibling, &rc);
        if (!cp)
            return rc;
        if (order_.get16(cp->bytes + kLevel) != 0)
            return fail(kReadShort, kTreeDamaged, from);
        *page = sibling;
        *index = 0;
    }
    *entryPage = cp;
    return kOk;
}

int BtreeFile::locate(const Probe& probe, int32_t* page, int* index)
{
    // A probe that falls between the first and last entries of the leaf the last search ended on
    // belongs to that leaf: no descent is needed.
    if (lastPage_.page >= 0 && lastPage_.stamp == stamp_) {
        CachedPage* cp = cache_->find(owner_, lastPage_.page);
        int n = cp ? cp->count : 0;
        if (n > 0) {
            const uint8_t* b = cp->bytes;
            if (compareProbeAt(probe, b, cp->offsets[0], false) >= 0 &&
                compareProbeAt(probe, b, cp->offsets[n - 1], false) <= 0) {
                *page = lastPage_.page;
                *index = leafSlot(probe, cp);
                return kOk;
            }
        }
    }
    if (root_ < 0)
        return kNoGreater;
    return descend(probe, nullptr, page, index);
}

void BtreeFile::keepLastPage(CachedPage* cp)
{
    lastPage_.page = cp->pageNumber;
    lastPage_.stamp = stamp_;
}

void BtreeFile::remember(const Entry& e, int32_t page, int index)
{
    std::memcpy(foundKey_, e.key, static_cast<size_t>(e.keyLength));
    foundKeyLength_ = e.keyLength;
    if (order_.differsFromHost())
        reverseKeyNumbers(formats_[e.keyNumber], foundKey_, e.keyLength);
    recordNumber_ = e.record;
    Position& pos = positions_[e.keyNumber];
    pos.page = page;
    pos.index = index;
    pos.stamp = stamp_;
    pos.valid = true;
}

// Gathers the chunks of the record whose first entry is at (page, index).
int BtreeFile::readRecordAt(int32_t page, int index, const Entry& first, void* data, int32_t size)
{
    // Most records are one chunk, already in hand.
    if (first.chunkByte == kLastChunkBit) {
        dataLength_ = first.dataLength;
        if (!data || first.dataLength <= size) {
            if (data && first.dataLength > 0)
                std::memcpy(data, first.data, static_cast<size_t>(first.dataLength));
            return kOk;
        }
    }
    // The identity of the record, copied: the pages holding it may leave the cache as we go.
    uint8_t key[256];
    std::memcpy(key, first.key, static_cast<size_t>(first.keyLength));
    Probe id{first.keyNumber, key, first.keyLength, first.record, 0};
    int32_t total = 0;
    bool truncated = false;
    for (int chunk = 0;; ++chunk) {
        if (chunk > kMaxChunks - 1)
            return fail(kReadShort, kTreeDamaged, page);
        CachedPage* cp = nullptr;
        int rc = settle(&page, &index, &cp);
        if (rc != kOk)
            return rc == kNoGreater ? fail(kReadShort, kTreeDamaged, page) : rc;
        Entry e = entryAt(cp->bytes, cp->offsets[index], false);
        id.chunk = chunk;
        if (compareProbe(id, e) != 0)
            return fail(kReadShort, kTreeDamaged, page);
        if (data) {
            int32_t room = size - total;
            int32_t n = std::min<int32_t>(room, e.dataLength);
            if (n > 0)
                std::memcpy(static_cast<uint8_t*>(data) + total, e.data, static_cast<size_t>(n));
            if (n < e.dataLength)
                truncated = true;
        }
        total += e.dataLength;
        if (e.chunkByte & kLastChunkBit)
            break;
        ++index;
    }
    dataLength_ = data && truncated ? size : total;
    return truncated ? fail(kReadShort, kBufferTooSmall, page) : kOk;
}

int BtreeFile::startRead(int keyNumber)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (!isOpen())
        return fail(kNotOpen);
    if (ensureLock() != kOk)
        return fail(kLockFailed, handle_.systemError());
    return beginRead();
}

int BtreeFile::find(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber, void* data, int32_t size)
{
    ReadScope scope(*this, keyNumber);
    if (scope.rc != kOk)
        return scope.rc;
    int length = 0;
    if (checkKey(keyNumber, key, &length) != kOk)
        return fail(kBadKey);
    if (data && size < 0)
        return fail(kOutOfRange);
    Probe probe{keyNumber, prepareKey(keyNumber, key, length), length, recordNumber, 0};
    dataLength_ = 0;
    positions_[keyNumber].valid = false;

    int32_t page = -1;
    int index = 0;
    int rc = locate(probe, &page, &index);
    if (rc != kOk)
        return rc == kNoGreater ? succeed(kNoGreater) : rc;
    CachedPage* cp = nullptr;
    rc = settle(&page, &index, &cp);
    if (rc != kOk)
        return rc == kNoGreater ? succeed(kNoGreater) : rc;
    Entry e = entryAt(cp->bytes, cp->offsets[index], false);
    if (e.keyNumber != keyNumber)
        return succeed(kNoGreater);
    keepLastPage(cp);
    remember(e, page, index);
    bool unknown = false;
    int result = kFoundGreater;
    if (compareKeys(formats_[keyNumber], probe.key, probe.keyLength, e.key, e.keyLength, order_, &unknown) == 0)
        result = e.record == recordNumber && (e.chunkByte & kChunkMask) == 0 ? kFoundExact : kFoundLater;
    // The record is read for the next greater key too: walks that start there want it.
    if ((rc = readRecordAt(page, index, e, data, size)) != kOk)
        return rc;
    return succeed(result);
}

int BtreeFile::next(int keyNumber, void* data, int32_t size)
{
    ReadScope scope(*this, keyNumber);
    if (scope.rc != kOk)
        return scope.rc;
    Position& pos = positions_[keyNumber];
    if (!pos.valid)
        return succeed(kNoGreater);
    uint8_t key[256];
    std::memcpy(key, foundKey_, static_cast<size_t>(foundKeyLength_));
    int keyLength = foundKeyLength_;
    if (order_.differsFromHost())
        reverseKeyNumbers(formats_[keyNumber], key, keyLength);
    // Past every chunk of the current record: chunk numbers stop at 127.
    Probe past{keyNumber, key, keyLength, recordNumber_, kMaxChunks};
    // The position is the current record's first chunk, which orders before past.
    int32_t page = pos.page;
    int index = pos.index + 1;
    int rc = kOk;
    if (pos.stamp != stamp_) {
        rc = locate(past, &page, &index);
        if (rc != kOk)
            return rc == kNoGreater ? succeed(kNoGreater) : rc;
    }
    pos.valid = false;
    CachedPage* cp = nullptr;
    for (int steps = 0;; ++steps) {
        if (steps > kMaxChunks + kMaxEntries)
            return fail(kReadShort, kTreeDamaged, page);
        rc = settle(&page, &index, &cp);
        if (rc != kOk)
            return rc == kNoGreater ? succeed(kNoGreater) : rc;
        Entry e = entryAt(cp->bytes, cp->offsets[index], false);
        if (compareProbe(past, e) > 0) {
            ++index;
            continue;
        }
        if (e.keyNumber != keyNumber)
            return succeed(kNoGreater);
        if ((e.chunkByte & kChunkMask) != 0)
            return fail(kReadShort, kTreeDamaged, page);
        keepLastPage(cp);
        remember(e, page, index);
        rc = readRecordAt(page, index, e, data, size);
        return rc == kOk ? succeed() : rc;
    }
}

} // namespace vel::index
