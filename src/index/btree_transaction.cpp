// Index files: transactions. A writer holds the write lock exclusive for the length of each write
// call; the pages it changes are journaled before they are changed, the journal reaches the disk
// before the index does, and the write ends with the header (whose change count moves) and an
// emptied journal. Readers hold the write lock shared for the length of each call and catch up
// with the change count. Freed pages form a chain through their link field.
#include "index/btree_file.h"

#include <cstring>
#include <sys/stat.h>

#include "index/btree_layout.h"

namespace vel::index {

int BtreeFile::beginWrite()
{
    if (int rc = handle_.lock(kWriteLockOffset, 1, true, true))
        return fail(rc, handle_.systemError());
    inWrite_ = true;
    saved_ = Saved{root_, pageCount_, counter_, freeHead_};
    uint8_t header[kPageSize];
    composeHeader(header, markSet_);
    journal_.begin(header, handle_.size());
    return kOk;
}

int BtreeFile::commitWrite()
{
    int rc = cache_->flushOwner(owner_);
    if (rc == kOk)
        rc = cache_->writeBackError(owner_);
    if (rc == kOk) {
        ++changeCount_;
        rc = journal_.prepareIndexWrite();
        if (rc == kOk)
            rc = writeHeader(markSet_);
        if (rc == kOk && sync_)
            rc = handle_.flushToDisk();
    }
    if (rc == kOk)
        rc = journal_.commit();
    if (rc != kOk) {
        --changeCount_;
        return abandonWrite(fail(kWriteFailed, handle_.systemError()));
    }
    inWrite_ = false;
    handle_.unlock(kWriteLockOffset, 1);
    return kOk;
}

int BtreeFile::abandonWrite(int code)
{
    // What the cache holds of this write is forgotten; what reached the file is put back.
    forgetPages();
    if (journal_.holdsAnything()) {
        bool rolledBack = false;
        if (RollbackJournal::rollBack(handle_, RollbackJournal::pathFor(path_), sync_, &rolledBack) != kOk ||
            journal_.commit() != kOk)
            broken_ = true;
    } else {
        journal_.commit();
    }
    root_ = saved_.root;
    pageCount_ = saved_.pageCount;
    counter_ = saved_.counter;
    freeHead_ = saved_.freeHead;
    inWrite_ = false;
    handle_.unlock(kWriteLockOffset, 1);
    return code;
}

void BtreeFile::forgetPages()
{
    cache_->dropPages(owner_);
    ++stamp_;
    lastPage_.page = -1;
}

int BtreeFile::keepOriginal(int32_t page)
{
    if (!inWrite_ || !journal_.needs(page))
        return kOk;
    // Pages are clean when a write begins, so the cached copy, or else the file, is the original.
    if (CachedPage* cp = cache_->find(owner_, page); cp && !cp->changed)
        return journal_.keep(page, cp->bytes);
    uint8_t original[kPageSize];
    if (int rc = handle_.readAt((int64_t(page) + 1) * kPageSize, original, kPageSize))
        return rc;
    return journal_.keep(page, original);
}

int BtreeFile::writePages(int32_t first, int32_t count, const uint8_t* bytes)
{
    if (int rc = journal_.prepareIndexWrite())
        return rc;
    return handle_.writeAt((int64_t(first) + 1) * kPageSize, bytes, count * kPageSize);
}

int BtreeFile::beginRead()
{
    // A writer's own cache is the file: no other process writes while it holds the mark.
    if (accessMode_ == AccessMode::ReadWrite)
        return kOk;
    if (readDepth_ > 0) {
        ++readDepth_;
        return kOk;
    }
    int rc = catchUp();
    if (rc == kOk)
        readDepth_ = 1;
    return rc;
}

int BtreeFile::catchUp()
{
    for (int attempt = 0;; ++attempt) {
        if (handle_.lock(kWriteLockOffset, 1, false, true) != kOk)
            return fail(kLockFailed, handle_.systemError());
        uint8_t header[kPageSize];
        if (int rc = handle_.readAt(0, header, kPageSize)) {
            handle_.unlock(kWriteLockOffset, 1);
            return fail(rc, rc == kReadShort ? kNotAnIndex : handle_.systemError());
        }
        // With the write lock shared, no writer is inside a transaction: a journal with anything
        // in it was left by one that died half way.
        if (order_.get16(header + kInUseOffset) == kInUseMark) {
            struct stat st {};
            if (::stat(RollbackJournal::pathFor(path_).c_str(), &st) == 0 && st.st_size > 0) {
                handle_.unlock(kWriteLockOffset, 1);
                if (attempt > 0)
                    return fail(kInUse);
                recoverJournal();
                continue;
            }
        }
        if (order_.get32(header + kHeaderChangeCount) != changeCount_ ||
            order_.getInt(header + kHeaderPageCount) != pageCount_ || order_.getInt(header + kHeaderRoot) != root_) {
            if (int rc = loadHeaderFields(header, handle_.size())) {
                handle_.unlock(kWriteLockOffset, 1);
                return rc;
            }
            forgetPages();
        }
        return kOk;
    }
}

void BtreeFile::endRead()
{
    if (accessMode_ != AccessMode::ReadWrite && readDepth_ > 0 && --readDepth_ == 0)
        handle_.unlock(kWriteLockOffset, 1);
}

int BtreeFile::beginReadBatch()
{
    int rc = startRead(1);
    return rc == kOk ? succeed() : rc;
}

int BtreeFile::endReadBatch()
{
    if (!isOpen())
        return fail(kNotOpen);
    if (accessMode_ != AccessMode::ReadWrite && readDepth_ == 0)
        return fail(kOutOfRange);
    endRead();
    return succeed();
}

int32_t BtreeFile::allocatePage(int* rc)
{
    headerChanged_ = true;
    if (freeHead_ < 0) {
        *rc = kOk;
        return pageCount_++;
    }
    int32_t page = freeHead_;
    CachedPage* cp = fetch(page, rc);
    if (!cp)
        return -1;
    int32_t next = order_.getInt(cp->bytes + kLink);
    if (next < -1 || next >= pageCount_ || next == page || cp->count != 0) {
        *rc = fail(kReadShort, kTreeDamaged, page);
        return -1;
    }
    freeHead_ = next;
    *rc = kOk;
    return page;
}

int BtreeFile::releasePage(int32_t page)
{
    // A free page reads as an empty leaf whose link names the next free page.
    uint8_t bytes[kPageSize] = {};
    order_.putInt(bytes + kFirstChild, -1);
    order_.putInt(bytes + kSibling, -1);
    order_.putInt(bytes + kLink, freeHead_);
    order_.put16(bytes + kUsed, kEntries);
    if (int rc = storePage(page, bytes))
        return rc;
    freeHead_ = page;
    headerChanged_ = true;
    return kOk;
}

} // namespace vel::index
