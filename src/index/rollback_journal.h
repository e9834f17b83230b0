// The rollback journal of an index file: a side file named "<index file>-journal" that holds the
// original images of the pages a write is about to change, so that a writer that dies (or fails)
// half way leaves a file that can be put back exactly as the last finished write left it.
//
// A writer keeps the journal from its open to its close, empty between writes. Within a write the
// journal is filled before the index is touched: first a block with the index's original header
// page and length, then one record per page changed, each checksummed; the journal reaches the
// disk before the first byte of the index changes. The write is finished when the journal is
// emptied again. docs/index_file_format.md gives the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "index/file_lock.h"
#include "index/page_cache.h"

namespace vel::index {

class RollbackJournal {
public:
    static std::string pathFor(const std::string& indexPath) { return indexPath + "-journal"; }

    // Creates the journal (or empties a stale one) for a writer of indexPath. sync false skips
    // every flush to disk: safe against a killed process, not against a power loss.
    int open(const std::string& indexPath, bool sync);
    // Closes the journal; removes it too when asked (a writer that closed cleanly).
    void close(bool remove);
    bool isOpen() const { return file_.isOpen(); }

    // Starts a write over an index whose header page and file length are these.
    void begin(const uint8_t* header, int64_t indexLength);
    // Keeps a page's original image, once per write; pages past the original length need none.
    bool needs(int32_t page) const;
    int keep(int32_t page, const uint8_t* original);
    // Called before any byte of the index changes: everything kept so far is on disk.
    int prepareIndexWrite();
    // The write is whole in the index: the journal no longer applies.
    int commit();
    bool holdsAnything() const { return written_; }

    // Puts the pages and header a journal holds back into the index through index, and cuts the
    // index to its original length. rolledBack tells whether the journal held a write at all.
    static int rollBack(IndexFileHandle& index, const std::string& journalPath, bool sync, bool* rolledBack);

private:
    int writeStart();

    IndexFileHandle file_;
    std::string path_;
    bool sync_ = true;
    bool inWrite_ = false;
    bool written_ = false;
    bool unsynced_ = false;
    uint32_t nonce_ = 0;
    int64_t end_ = 0;
    int64_t indexLength_ = 0;
    uint8_t header_[kPageSize] = {};
    std::unordered_set<int32_t> kept_;
};

} // namespace vel::index
