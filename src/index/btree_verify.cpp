// Index files: walking the whole tree to prove it sound, and recovering a file left in use.
#include "index/btree_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "index/btree_layout.h"

namespace vel::index {

struct BtreeFile::VerifyState {
    const Progress* progress;
    int32_t pagesRead = 0;
    std::vector<uint8_t> visited;
    std::vector<int32_t> leaves;
    // The last leaf entry seen, for order across leaves and chunk runs.
    std::vector<uint8_t> previous;
    bool havePrevious = false;
    bool recordOpen = false;
    int expectedChunk = 0;
    int32_t highestRecord = 0;
};

int BtreeFile::verifyPage(VerifyState& st, int32_t page, int level, const std::vector<uint8_t>* low,
                          const std::vector<uint8_t>* high)
{
    if (page < 0 || page >= pageCount_)
        return fail(kReadShort, kPageUnreadable, page);
    if (st.visited[static_cast<size_t>(page)])
        return fail(kReadShort, kTreeDamaged, page);
    st.visited[static_cast<size_t>(page)] = 1;
    int rc = kOk;
    CachedPage* cp = fetch(page, &rc);
    if (!cp)
        return rc;
    ++st.pagesRead;
    if (*st.progress)
        (*st.progress)(st.pagesRead);
    // Copy: the children's reads may take this page's cache entry.
    std::vector<uint8_t> bytes(cp->bytes, cp->bytes + kPageSize);
    std::vector<uint16_t> offsets(cp->offsets, cp->offsets + cp->count);
    const uint8_t* b = bytes.data();
    int count = cp->count;
    if (order_.get16(b + kLevel) != level)
        return fail(kReadShort, kTreeDamaged, page);
    bool internal = level > 0;

    auto probeOf = [&](const uint8_t* raw, const Entry& e) {
        return Probe{raw[1], e.key, e.keyLength, e.record, e.chunkByte & kChunkMask};
    };
    // Bounds arrive as stored separator entries (internal form).
    for (int i = 0; i < count; ++i) {
        const uint8_t* raw = b + offsets[static_cast<size_t>(i)];
        Entry e = entryAt(b, offsets[static_cast<size_t>(i)], internal);
        Probe p = probeOf(raw, e);
        if (i > 0) {
            Entry before = entryAt(b, offsets[static_cast<size_t>(i - 1)], internal);
            if (compareProbe(p, before) <= 0)
                return fail(kReadShort, kTreeDamaged, page);
        }
        if (low && compareProbe(p, entryAt(low->data(), 0, true)) < 0)
            return fail(kReadShort, kTreeDamaged, page);
        if (high && compareProbe(p, entryAt(high->data(), 0, true)) >= 0)
            return fail(kReadShort, kTreeDamaged, page);
    }

    if (!internal) {
        st.leaves.push_back(page);
        for (int i = 0; i < count; ++i) {
            const uint8_t* raw = b + offsets[static_cast<size_t>(i)];
            Entry e = entryAt(b, offsets[static_cast<size_t>(i)], false);
            int chunk = e.chunkByte & kChunkMask;
            if (st.havePrevious) {
                Entry before = entryAt(st.previous.data(), 0, false);
                if (compareProbe(probeOf(raw, e), before) <= 0)
                    return fail(kReadShort, kTreeDamaged, page);
                bool sameRecord = before.keyNumber == e.keyNumber && before.record == e.record &&
                                  before.keyLength == e.keyLength &&
                                  std::memcmp(before.key, e.key, static_cast<size_t>(e.keyLength)) == 0;
                if (st.recordOpen && (!sameRecord || chunk != st.expectedChunk))
                    return fail(kReadShort, kTreeDamaged, page);
            }
            if (!st.recordOpen && chunk != 0)
                return fail(kReadShort, kTreeDamaged, page);
            st.recordOpen = (e.chunkByte & kLastChunkBit) == 0;
            st.highestRecord = std::max(st.highestRecord, e.record);
            st.expectedChunk = chunk + 1;
            st.previous.assign(raw, raw + raw[0] + 1);
            st.havePrevious = true;
        }
        return kOk;
    }

    // Children: the first child is bounded by (low, entry 0), child i by (entry i, entry i+1).
    std::vector<uint8_t> lowCopy, highCopy;
    for (int i = -1; i < count; ++i) {
        int32_t child;
        const std::vector<uint8_t>* childLow = low;
        const std::vector<uint8_t>* childHigh = high;
        if (i >= 0) {
            const uint8_t* raw = b + offsets[static_cast<size_t>(i)];
            lowCopy.assign(raw, raw + raw[0] + 1);
            childLow = &lowCopy;
            child = entryAt(b, offsets[static_cast<size_t>(i)], true).child;
        } else {
            child = order_.getInt(b + kFirstChild);
        }
        if (i + 1 < count) {
            const uint8_t* raw = b + offsets[static_cast<size_t>(i + 1)];
            highCopy.assign(raw, raw + raw[0] + 1);
            childHigh = &highCopy;
        }
        std::vector<uint8_t> l = childLow ? *childLow : std::vector<uint8_t>{};
        std::vector<uint8_t> h = childHigh ? *childHigh : std::vector<uint8_t>{};
        if ((rc = verifyPage(st, child, level - 1, childLow ? &l : nullptr, childHigh ? &h : nullptr)) != kOk)
            return rc;
    }
    return kOk;
}

int BtreeFile::verify(const Progress& progress)
{
    if (!isOpen())
        return fail(kNotOpen);
    failedPage_ = -1;
    if (cache_->writeBackError(owner_) != kOk)
        return fail(kWriteFailed, handle_.systemError());
    ReadScope scope(*this);
    if (scope.rc != kOk)
        return scope.rc;
    if (root_ < 0)
        return succeed();
    VerifyState st;
    st.progress = &progress;
    st.visited.assign(static_cast<size_t>(pageCount_), 0);
    int rc = kOk;
    CachedPage* rootPage = fetch(root_, &rc);
    if (!rootPage)
        return rc;
    int level = order_.get16(rootPage->bytes + kLevel);
    if (order_.getInt(rootPage->bytes + kSibling) != -1)
        return fail(kReadShort, kTreeDamaged, root_);
    if ((rc = verifyPage(st, root_, level, nullptr, nullptr)) != kOk)
        return rc;
    if (st.recordOpen)
        return fail(kReadShort, kTreeDamaged, st.leaves.back());
    // The leaf chain must visit the leaves in tree order and end after the last.
    for (size_t i = 0; i < st.leaves.size(); ++i) {
        CachedPage* cp = fetch(st.leaves[i], &rc);
        if (!cp)
            return rc;
        int32_t sibling = order_.getInt(cp->bytes + kSibling);
        int32_t expected = i + 1 < st.leaves.size() ? st.leaves[i + 1] : -1;
        if (sibling != expected)
            return fail(kReadShort, kTreeDamaged, st.leaves[i]);
    }
    if ((rc = verifyFreeChain(st)) != kOk)
        return rc;
    highestRecord_ = st.highestRecord;
    return succeed();
}

// Free pages are empty leaves outside the tree, chained through their link to -1.
int BtreeFile::verifyFreeChain(VerifyState& st)
{
    int rc = kOk;
    for (int32_t page = freeHead_; page >= 0;) {
        if (page >= pageCount_ || st.visited[static_cast<size_t>(page)])
            return fail(kReadShort, kTreeDamaged, page);
        st.visited[static_cast<size_t>(page)] = 1;
        CachedPage* cp = fetch(page, &rc);
        if (!cp)
            return rc;
        if (cp->count != 0 || order_.get16(cp->bytes + kLevel) != 0)
            return fail(kReadShort, kTreeDamaged, page);
        int32_t next = order_.getInt(cp->bytes + kLink);
        if (next < -1)
            return fail(kReadShort, kTreeDamaged, page);
        page = next;
    }
    return kOk;
}

int BtreeFile::recover(const std::string& path, bool* wasMarked, const Progress& progress)
{
    OpenOptions options;
    options.ignoreInUseMark = true;
    int rc = open(path, 2, {}, options);
    if (rc != kOk)
        return rc;
    *wasMarked = markFound_;
    // A writer that still lives holds its slot: its mark is not ours to clear.
    if (handle_.lock(kLockAreaOffset, kUserSlots, true, false) != kOk) {
        close();
        return fail(kLockFailed);
    }
    lockState_ = LockState::Exclusive;
    rc = verify(progress);
    if (rc != kOk) {
        int secondary = secondaryError_;
        int32_t page = failedPage_;
        close();
        return fail(rc, secondary, page);
    }
    if (markFound_) {
        // Records the dead writer added in pages it did write may lie beyond the header's counter.
        if (highestRecord_ >= counter_)
            counter_ = highestRecord_ + 1;
        rc = writeHeader(false);
        if (rc == kOk)
            rc = handle_.flushToDisk();
    }
    close();
    return rc == kOk ? succeed() : fail(rc, handle_.systemError());
}

} // namespace vel::index
