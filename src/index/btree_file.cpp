// Index files: the control block's result bookkeeping. The operations live beside it, one file
// per concern: btree_open (create, open, header, close, locks), btree_pages, btree_search,
// btree_write and btree_verify.
#include "index/btree_file.h"

namespace vel::index {

BtreeFile::BtreeFile() : cache_(&processPageCache()) {}

BtreeFile::BtreeFile(PageCache& cache) : cache_(&cache) {}

BtreeFile::~BtreeFile()
{
    if (isOpen())
        close();
}

int BtreeFile::fail(int code, int secondary, int32_t page)
{
    lastError_ = code;
    secondaryError_ = secondary;
    if (page >= 0)
        failedPage_ = page;
    return code;
}

int BtreeFile::succeed(int code)
{
    lastError_ = code;
    secondaryError_ = 0;
    return code;
}

int BtreeFile::checkOpen() const { return isOpen() ? kOk : kNotOpen; }

} // namespace vel::index
