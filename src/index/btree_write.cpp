// Index files: adding, rewriting and removing records, and splitting pages.
#include "index/btree_file.h"

#include <algorithm>
#include <cstring>

#include "index/btree_layout.h"

namespace vel::index {

int BtreeFile::checkWritable() const
{
    if (!isOpen())
        return kNotOpen;
    if (accessMode_ != AccessMode::ReadWrite)
        return kReadOnly;
    return broken_ || cache_->writeBackError(owner_) != kOk ? kWriteFailed : kOk;
}

template <class Body>
int BtreeFile::transaction(Body body)
{
    if (!inWrite_)
        if (int rc = beginWrite())
            return rc;
    int rc = body();
    if (rc != kOk) {
        // The failure's own codes are kept; the roll-back only puts things back.
        int secondary = secondaryError_;
        int32_t page = failedPage_;
        abandonWrite(rc);
        batch_ = false;
        return fail(rc, secondary, page);
    }
    return batch_ ? kOk : commitWrite();
}

int BtreeFile::beginBatch()
{
    if (int rc = checkWritable())
        return fail(rc);
    if (batch_)
        return fail(kOutOfRange);
    if (int rc = beginWrite())
        return rc;
    batch_ = true;
    return succeed();
}

int BtreeFile::commitBatch()
{
    if (!batch_)
        return fail(kOutOfRange);
    batch_ = false;
    int rc = commitWrite();
    return rc == kOk ? succeed() : rc;
}

int BtreeFile::checkRecord(int keyNumber, std::span<const uint8_t> key, const void* data, int32_t length,
                           int* keyLength)
{
    if (keyNumber < 1 || keyNumber > kMaxKeyNumber)
        return fail(kBadKey);
    if (int rc = checkWritable())
        return fail(rc);
    if (length < 0 || (length > 0 && !data) || checkKey(keyNumber, key, keyLength) != kOk ||
        recordChunks(*keyLength, length) < 0)
        return fail(kBadKey);
    return kOk;
}

int BtreeFile::recordChunks(int keyLength, int32_t length) const
{
    int32_t chunkSize = kChunkBase - keyLength;
    if (length == 0)
        return 1;
    // Chunk numbers have seven bits: a record may not need more than 128 chunks.
    int32_t chunks = (length + chunkSize - 1) / chunkSize;
    return chunks > kMaxChunks ? -1 : static_cast<int>(chunks);
}

int BtreeFile::insertIntoPage(std::vector<int32_t>& path, int depth, const uint8_t* entry, int entryLength)
{
    int32_t pageNumber = path[static_cast<size_t>(depth)];
    PageImage image;
    int rc = loadImage(pageNumber, image);
    if (rc != kOk)
        return rc;
    bool internal = order_.get16(image.bytes + kLevel) > 0;

    // Where the entry goes: after every entry that orders before it.
    Entry incoming = entryAt(entry, 0, internal);
    Probe probe{incoming.keyNumber, incoming.key, incoming.keyLength, incoming.record, incoming.chunkByte & kChunkMask};
    int lo = 0, hi = image.count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (compareProbe(probe, entryAt(image.bytes, image.offsets[mid], internal)) > 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    image.insert(lo, entry, entryLength);
    if (image.fits()) {
        image.putCounts(order_);
        return storePage(pageNumber, image);
    }
    if (!internal && (rc = shareWithNeighbour(path, depth, image, lo)) <= 0)
        return rc;
    return splitPage(path, depth, image, lo);
}

int BtreeFile::leafSeparator(const uint8_t* page, int offset, int32_t child, uint8_t* out) const
{
    Entry first = entryAt(page, offset, false);
    int length = 7 + first.keyLength + 4;
    out[0] = static_cast<uint8_t>(length - 1);
    std::memcpy(out + 1, page + offset + 1, 6);
    std::memcpy(out + 7, first.key, static_cast<size_t>(first.keyLength));
    order_.putInt(out + length - 4, child);
    return length;
}

int BtreeFile::shareWithNeighbour(std::vector<int32_t>& path, int depth, PageImage& image, int insertedIndex)
{
    int32_t leafNumber = path[static_cast<size_t>(depth)];
    int n = image.count;
    // Files built in key order fill their last leaf and open a new one: nothing to share there.
    if (depth == 0 || (order_.getInt(image.bytes + kSibling) < 0 && insertedIndex == n - 1))
        return 1;
    int32_t parentNumber = path[static_cast<size_t>(depth - 1)];
    int rc = kOk;
    CachedPage* parent = fetch(parentNumber, &rc);
    if (!parent)
        return rc;
    int slot = slotOf(parent, leafNumber);
    int parentCount = parent->count;
    if (slot == -2)
        return 1;
    int32_t right = slot + 1 < parentCount ? childAt(parent->bytes, slot + 1) : -1;
    int32_t left = slot >= 0 ? childAt(parent->bytes, slot - 1) : -1;

    for (int32_t neighbour : {right, left}) {
        if (neighbour < 0)
            continue;
        bool toRight = neighbour == right;
        CachedPage* cp = fetch(neighbour, &rc);
        if (!cp)
            return rc;
        // Only a leaf that is the chain's next (or previous) page takes entries.
        if (order_.get16(cp->bytes + kLevel) != 0 ||
            (toRight ? order_.getInt(image.bytes + kSibling) != neighbour
                     : order_.getInt(cp->bytes + kSibling) != leafNumber))
            continue;
        PageImage other;
        other.load(*cp);
        // The number of entries to move that leaves the two pages closest in size.
        int best = 0, bestGap = kPageSize * 2;
        for (int k = 1; k < n; ++k) {
            int moved = toRight ? image.used - image.offsets[n - k] : image.offsets[k] - kEntries;
            int mine = image.used - moved, theirs = other.used + moved;
            if (mine > kPageSize || theirs > kPageSize || n - k > kMaxEntries || other.count + k > kMaxEntries)
                continue;
            int gap = mine > theirs ? mine - theirs : theirs - mine;
            if (gap < bestGap) {
                best = k;
                bestGap = gap;
            }
        }
        if (best == 0)
            continue;
        // The moving entries go to the neighbour's near end; the page on the right of the two gets
        // a new separator in the parent.
        if (toRight) {
            int from = image.offsets[n - best];
            int length = image.used - from;
            std::memmove(other.bytes + kEntries + length, other.bytes + kEntries,
                         static_cast<size_t>(other.used - kEntries));
            std::memcpy(other.bytes + kEntries, image.bytes + from, static_cast<size_t>(length));
            other.count += best;
            other.index();
            image.erase(n - best, n, order_);
        } else {
            int length = image.offsets[best] - kEntries;
            std::memcpy(other.bytes + other.used, image.bytes + kEntries, static_cast<size_t>(length));
            other.count += best;
            other.index();
            image.erase(0, best, order_);
        }
        other.putCounts(order_);
        uint8_t separator[260];
        int separatorLength = toRight ? leafSeparator(other.bytes, kEntries, neighbour, separator)
                                      : leafSeparator(image.bytes, kEntries, leafNumber, separator);
        if ((rc = storePage(leafNumber, image)) != kOk || (rc = storePage(neighbour, other)) != kOk)
            return rc;
        return replaceSeparator(path, depth - 1, toRight ? slot + 1 : slot, separator, separatorLength);
    }
    return 1;
}

int BtreeFile::replaceSeparator(std::vector<int32_t>& path, int depth, int index, const uint8_t* entry,
                                int entryLength)
{
    int32_t pageNumber = path[static_cast<size_t>(depth)];
    PageImage image;
    if (int rc = loadImage(pageNumber, image))
        return rc;
    image.erase(index, index + 1, order_);
    image.insert(index, entry, entryLength);
    if (image.fits()) {
        image.putCounts(order_);
        return storePage(pageNumber, image);
    }
    return splitPage(path, depth, image, index);
}

int BtreeFile::splitPage(std::vector<int32_t>& path, int depth, PageImage& image, int insertedIndex)
{
    int32_t leftNumber = path[static_cast<size_t>(depth)];
    int level = order_.get16(image.bytes + kLevel);
    bool internal = level > 0;
    int32_t sibling = order_.getInt(image.bytes + kSibling);
    int n = image.count;

    // Split by bytes; an entry added past the end of the last leaf opens a page of its own, so
    // files built in key order come out full.
    int m;
    if (!internal && sibling < 0 && insertedIndex == n - 1) {
        m = n - 1;
    } else {
        int half = (image.used - kEntries) / 2;
        m = 1;
        while (m < n - 1 && image.offsets[m] - kEntries < half)
            ++m;
    }
    if (internal && m >= n - 1)
        m = n - 2;
    if (m < 1)
        m = 1;

    int rc = kOk;
    int32_t rightNumber = allocatePage(&rc);
    if (rc != kOk)
        return rc;
    uint8_t left[kPageSize] = {};
    uint8_t right[kPageSize] = {};
    std::memcpy(left, image.bytes, kEntries);
    std::memcpy(right, image.bytes, kEntries);
    int leftUsed = image.offsets[m];
    std::memcpy(left + kEntries, image.bytes + kEntries, static_cast<size_t>(leftUsed - kEntries));
    order_.put16(left + kCount, static_cast<uint16_t>(m));
    order_.put16(left + kUsed, static_cast<uint16_t>(leftUsed));

    uint8_t separator[260];
    int separatorLength;
    int rightFrom;
    int rightCount;
    if (internal) {
        // The middle entry moves up; its child becomes the right page's first child.
        const uint8_t* middle = image.bytes + image.offsets[m];
        separatorLength = middle[0] + 1;
        std::memcpy(separator, middle, static_cast<size_t>(separatorLength));
        order_.putInt(right + kFirstChild, order_.getInt(middle + separatorLength - 4));
        rightFrom = image.offsets[m + 1];
        rightCount = n - m - 1;
        order_.putInt(right + kSibling, -1);
        order_.putInt(left + kSibling, -1);
    } else {
        // The right page's first entry, without its data, bounds the two pages.
        separatorLength = leafSeparator(image.bytes, image.offsets[m], rightNumber, separator);
        order_.putInt(right + kFirstChild, -1);
        rightFrom = image.offsets[m];
        rightCount = n - m;
        order_.putInt(right + kSibling, sibling);
        order_.putInt(left + kSibling, rightNumber);
    }
    order_.putInt(separator + separatorLength - 4, rightNumber);
    int rightBytes = image.used - rightFrom;
    std::memcpy(right + kEntries, image.bytes + rightFrom, static_cast<size_t>(rightBytes));
    order_.put16(right + kCount, static_cast<uint16_t>(rightCount));
    order_.put16(right + kUsed, static_cast<uint16_t>(kEntries + rightBytes));
    order_.putInt(right + kLink, -1);

    if ((rc = storePage(rightNumber, right)) != kOk || (rc = storePage(leftNumber, left)) != kOk)
        return rc;
    if (depth > 0)
        return insertIntoPage(path, depth - 1, separator, separatorLength);

    // The root split: a new root above the two halves.
    if (level + 1 > kMaxLevel)
        return fail(kWriteFailed, kTreeDamaged);
    int32_t rootNumber = allocatePage(&rc);
    if (rc != kOk)
        return rc;
    uint8_t root[kPageSize] = {};
    order_.putInt(root + kFirstChild, leftNumber);
    order_.putInt(root + kSibling, -1);
    order_.putInt(root + kLink, -1);
    order_.put16(root + kLevel, static_cast<uint16_t>(level + 1));
    order_.put16(root + kCount, 1);
    std::memcpy(root + kEntries, separator, static_cast<size_t>(separatorLength));
    order_.put16(root + kUsed, static_cast<uint16_t>(kEntries + separatorLength));
    if ((rc = storePage(rootNumber, root)) != kOk)
        return rc;
    root_ = rootNumber;
    return kOk;
}

int BtreeFile::insertEntry(const Probe& probe, const uint8_t* data, int32_t dataLength, int chunkByte)
{
    uint8_t entry[260];
    int length = 7 + probe.keyLength + dataLength;
    entry[0] = static_cast<uint8_t>(length - 1);
    entry[1] = static_cast<uint8_t>(probe.keyNumber);
    entry[2] = static_cast<uint8_t>(chunkByte);
    order_.putInt(entry + 3, probe.record);
    std::memcpy(entry + 7, probe.key, static_cast<size_t>(probe.keyLength));
    if (dataLength > 0)
        std::memcpy(entry + 7 + probe.keyLength, data, static_cast<size_t>(dataLength));
    ++stamp_;
    if (root_ < 0) {
        uint8_t page[kPageSize] = {};
        order_.putInt(page + kFirstChild, -1);
        order_.putInt(page + kSibling, -1);
        order_.putInt(page + kLink, -1);
        order_.put16(page + kUsed, kEntries);
        int rc = kOk;
        int32_t number = allocatePage(&rc);
        if (rc != kOk || (rc = storePage(number, page)) != kOk)
            return rc;
        root_ = number;
    }
    int32_t leaf = -1;
    int index = 0;
    if (int rc = descend(probe, &writePath_, &leaf, &index))
        return rc;
    return insertIntoPage(writePath_, static_cast<int>(writePath_.size()) - 1, entry, length);
}

int BtreeFile::putRecord(int keyNumber, const uint8_t* key, int keyLength, int32_t record, const uint8_t* data,
                         int32_t length)
{
    int chunks = recordChunks(keyLength, length);
    int32_t chunkSize = kChunkBase - keyLength;
    // Chunks are added last to first so the record is never visible without its end.
    for (int k = chunks - 1; k >= 0; --k) {
        int32_t from = k * chunkSize;
        int32_t n = std::min<int32_t>(chunkSize, length - from);
        Probe probe{keyNumber, key, keyLength, record, k};
        int chunkByte = k | (k == chunks - 1 ? kLastChunkBit : 0);
        if (int rc = insertEntry(probe, data ? data + from : nullptr, n < 0 ? 0 : n, chunkByte))
            return rc;
    }
    return kOk;
}

int BtreeFile::removeRecord(int keyNumber, const uint8_t* key, int keyLength, int32_t record)
{
    ++stamp_;
    for (int chunk = 0; chunk < kMaxChunks;) {
        Probe probe{keyNumber, key, keyLength, record, chunk};
        int32_t page = -1;
        int index = 0;
        if (root_ < 0)
            return kOk;
        std::vector<int32_t>& path = writePath_;
        if (int rc = descend(probe, &path, &page, &index))
            return rc;
        CachedPage* cp = nullptr;
        int rc = settle(&page, &index, &cp);
        if (rc == kNoGreater)
            return kOk;
        if (rc != kOk)
            return rc;
        // Remove the run of this record's chunks that lies in this leaf.
        PageImage image;
        image.load(*cp);
        int end = index;
        bool last = false;
        while (end < image.count && !last) {
            Entry e = entryAt(image.bytes, image.offsets[end], false);
            probe.chunk = chunk;
            if (compareProbe(probe, e) != 0)
                break;
            last = (e.chunkByte & kLastChunkBit) != 0;
            ++end;
            ++chunk;
        }
        if (end == index)
            return kOk;
        image.erase(index, end, order_);
        if ((rc = storePage(page, image)) != kOk)
            return rc;
        if (image.count == 0 && page == path.back() && path.size() > 1 && (rc = dropEmptyLeaf(path)) != kOk)
            return rc;
        if (last)
            return kOk;
    }
    return kOk;
}

int32_t BtreeFile::childAt(const uint8_t* page, int slot) const
{
    if (slot < 0)
        return order_.getInt(page + kFirstChild);
    const uint8_t* e = page + kEntries;
    for (int i = 0; i < slot; ++i)
        e += e[0] + 1;
    return order_.getInt(e + e[0] + 1 - 4);
}

// -1 for the first child, the entry's index for another, -2 when the page has no such child.
int BtreeFile::slotOf(const CachedPage* parent, int32_t child) const
{
    for (int slot = -1; slot < parent->count; ++slot)
        if ((slot < 0 ? order_.getInt(parent->bytes + kFirstChild)
                      : entryAt(parent->bytes, parent->offsets[slot], true).child) == child)
            return slot;
    return -2;
}

// Takes one child link out of an internal page: an entry with its right child, or the first child
// when the first entry's child takes its place.
int BtreeFile::removeSlot(int32_t pageNumber, int slot)
{
    PageImage image;
    if (int rc = loadImage(pageNumber, image))
        return rc;
    int entry = slot < 0 ? 0 : slot;
    if (slot < 0)
        order_.putInt(image.bytes + kFirstChild, childAt(image.bytes, 0));
    image.erase(entry, entry + 1, order_);
    return storePage(pageNumber, image);
}

int BtreeFile::dropEmptyLeaf(const std::vector<int32_t>& path)
{
    // The highest page that empties with the leaf: every page above the leaf whose only child is
    // on the path goes too. When that reaches the root the tree keeps its one empty leaf.
    int rc = kOk;
    int top = static_cast<int>(path.size()) - 1;
    std::vector<int> slots(path.size(), -2);
    while (top > 0) {
        CachedPage* parent = fetch(path[static_cast<size_t>(top - 1)], &rc);
        if (!parent)
            return rc;
        slots[static_cast<size_t>(top)] = slotOf(parent, path[static_cast<size_t>(top)]);
        // A path through an internal sibling link: not a parent of ours, leave the leaf as it is.
        if (slots[static_cast<size_t>(top)] == -2)
            return kOk;
        if (parent->count > 0)
            break;
        --top;
    }
    if (top == 0)
        return kOk;

    // The leaf before ours in the chain: the rightmost leaf of the nearest subtree to our left.
    int32_t leaf = path.back();
    CachedPage* cp = fetch(leaf, &rc);
    if (!cp)
        return rc;
    int32_t after = order_.getInt(cp->bytes + kSibling);
    int32_t before = -1;
    for (int depth = static_cast<int>(path.size()) - 1; depth > 0 && before < 0; --depth) {
        CachedPage* parent = fetch(path[static_cast<size_t>(depth - 1)], &rc);
        if (!parent)
            return rc;
        int slot = slotOf(parent, path[static_cast<size_t>(depth)]);
        if (slot < 0)
            continue;
        int32_t page = childAt(parent->bytes, slot - 1);
        for (int steps = 0;; ++steps) {
            CachedPage* down = fetch(page, &rc);
            if (!down)
                return rc;
            if (order_.get16(down->bytes + kLevel) == 0 || steps > kMaxLevel)
                break;
            page = childAt(down->bytes, down->count - 1);
        }
        before = page;
    }
    if (before >= 0) {
        CachedPage* prev = fetch(before, &rc);
        if (!prev)
            return rc;
        // A chain that does not run as the tree does is left for verify to report.
        if (order_.getInt(prev->bytes + kSibling) != leaf)
            return kOk;
        uint8_t bytes[kPageSize];
        std::memcpy(bytes, prev->bytes, kPageSize);
        order_.putInt(bytes + kSibling, after);
        if ((rc = storePage(before, bytes)) != kOk)
            return rc;
    }

    if ((rc = removeSlot(path[static_cast<size_t>(top - 1)], slots[static_cast<size_t>(top)])) != kOk)
        return rc;
    for (size_t depth = static_cast<size_t>(top); depth < path.size(); ++depth)
        if ((rc = releasePage(path[depth])) != kOk)
            return rc;
    // A root left with one child hands the tree to it.
    for (int level = 0; level <= kMaxLevel; ++level) {
        CachedPage* root = fetch(root_, &rc);
        if (!root)
            return rc;
        if (order_.get16(root->bytes + kLevel) == 0 || root->count > 0)
            return kOk;
        int32_t old = root_;
        root_ = order_.getInt(root->bytes + kFirstChild);
        headerChanged_ = true;
        if ((rc = releasePage(old)) != kOk)
            return rc;
    }
    return kOk;
}

int BtreeFile::addKey(int keyNumber, std::span<const uint8_t> key, const void* data, int32_t length)
{
    int keyLength = 0;
    if (int rc = checkRecord(keyNumber, key, data, length, &keyLength))
        return rc;
    const uint8_t* stored = prepareKey(keyNumber, key, keyLength);
    int32_t record = counter_;
    int rc = transaction([&] {
        counter_++;
        headerChanged_ = true;
        return putRecord(keyNumber, stored, keyLength, record, static_cast<const uint8_t*>(data), length);
    });
    if (rc != kOk)
        return rc;
    recordNumber_ = record;
    dataLength_ = length;
    return succeed();
}

int BtreeFile::writeRecord(int keyNumber, std::span<const uint8_t> key, const void* data, int32_t length)
{
    int keyLength = 0;
    if (int rc = checkRecord(keyNumber, key, data, length, &keyLength))
        return rc;
    int32_t record = 0;
    int rc = transaction([&] {
        int found = find(keyNumber, key, 0, nullptr, 0);
        if (found < 0 && found != kNoGreater)
            return found;
        const uint8_t* stored = prepareKey(keyNumber, key, keyLength);
        if (found == kFoundExact || found == kFoundLater) {
            record = recordNumber_;
            if (int r = removeRecord(keyNumber, stored, keyLength, record))
                return r;
        } else {
            record = counter_++;
            headerChanged_ = true;
        }
        return putRecord(keyNumber, stored, keyLength, record, static_cast<const uint8_t*>(data), length);
    });
    if (rc != kOk)
        return rc;
    recordNumber_ = record;
    dataLength_ = length;
    return succeed();
}

int BtreeFile::rewriteRecord(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber, const void* data,
                             int32_t length)
{
    int keyLength = 0;
    if (int rc = checkRecord(keyNumber, key, data, length, &keyLength))
        return rc;
    // Inside one transaction the old record is gone only when the new one is whole.
    int rc = transaction([&] {
        const uint8_t* stored = nullptr;
        if (int r = removeExisting(keyNumber, key, keyLength, recordNumber, &stored))
            return r;
        return putRecord(keyNumber, stored, keyLength, recordNumber, static_cast<const uint8_t*>(data), length);
    });
    if (rc != kOk)
        return rc;
    recordNumber_ = recordNumber;
    dataLength_ = length;
    return succeed();
}

int BtreeFile::deleteRecord(int keyNumber, std::span<const uint8_t> key, int32_t recordNumber)
{
    int keyLength = 0;
    if (int rc = checkRecord(keyNumber, key, nullptr, 0, &keyLength))
        return rc;
    int rc = transaction([&] {
        const uint8_t* stored = nullptr;
        return removeExisting(keyNumber, key, keyLength, recordNumber, &stored);
    });
    return rc != kOk ? rc : succeed();
}

int BtreeFile::removeExisting(int keyNumber, std::span<const uint8_t> key, int keyLength, int32_t recordNumber,
                              const uint8_t** stored)
{
    int rc = find(keyNumber, key, recordNumber, nullptr, 0);
    if (rc < 0)
        return rc;
    if (rc != kFoundExact)
        return fail(kNoGreater);
    *stored = prepareKey(keyNumber, key, keyLength);
    return removeRecord(keyNumber, *stored, keyLength, recordNumber);
}

} // namespace vel::index
