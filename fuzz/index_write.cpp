// Writes into arbitrary bytes taken as an index file: the first byte says how many operation bytes
// follow, the rest is the file. Each operation adds, rewrites or deletes a record, walks, verifies
// or opens or ends a batch, under a small cache so that pages leave it mid-write. Every damage must
// end in an error code, and a file whose tree was sound before must still be sound after, whatever
// failed in between.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz_support.h"
#include "index/btree_file.h"
#include "index/page_cache.h"

namespace {

using namespace vel::index;

std::string scratchFile()
{
    static std::string path = [] {
        char name[] = "/tmp/fuzz-index-write-XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}

std::vector<uint8_t> keyFor(uint8_t b)
{
    std::string text = "k" + std::to_string(b % 48);
    return {text.begin(), text.end() + 1};
}

void run(BtreeFile& f, const uint8_t* ops, size_t count)
{
    std::vector<uint8_t> data(40000);
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = ops[i];
        std::vector<uint8_t> key = keyFor(b);
        int32_t length = static_cast<int32_t>(b >> 3) * 97 % 9000;
        for (int32_t j = 0; j < length; ++j)
            data[static_cast<size_t>(j)] = static_cast<uint8_t>(b + j);
        switch (b % 7) {
        case 0:
        case 1:
            f.writeRecord(1, key, data.data(), length);
            break;
        case 2:
            if (f.find(1, key, 0, nullptr, 0) == kFoundLater)
                f.rewriteRecord(1, key, f.recordNumber(), data.data(), length);
            break;
        case 3:
            if (f.find(1, key, 0, nullptr, 0) == kFoundLater)
                f.deleteRecord(1, key, f.recordNumber());
            break;
        case 4: {
            int rc = f.find(1, key, 0, data.data(), static_cast<int32_t>(data.size()));
            for (int steps = 0; rc >= 0 && steps < 64; ++steps)
                rc = f.next(1, data.data(), static_cast<int32_t>(data.size()));
            break;
        }
        case 5:
            f.verify();
            break;
        default:
            if (f.beginBatch() != kOk)
                f.commitBatch();
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    vel::fuzzing::installHandlers();
    if (size < 1)
        return 0;
    size_t opCount = std::min<size_t>(input[0] % 64, size - 1);
    const uint8_t* ops = input + 1;
    std::string path = scratchFile();
    ::unlink(RollbackJournal::pathFor(path).c_str());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return 0;
    std::fwrite(input + 1 + opCount, 1, size - 1 - opCount, out);
    std::fclose(out);

    OpenOptions options;
    options.sync = false;
    PageCache cache(8);
    BtreeFile f(cache);
    if (f.open(path, 2, {}, options) != kOk)
        return 0;
    bool soundBefore = f.verify() == kOk && f.keyFormat(1).kind() == kText;
    run(f, ops, opCount);
    f.close();

    if (soundBefore) {
        BtreeFile after(cache);
        if (after.open(path, 1, {}, options) != kOk || after.verify() != kOk) {
            std::fprintf(stderr, "a sound file was left unsound: %d %d at page %d\n", after.lastError(),
                         after.secondaryError(), after.failedPage());
            std::abort();
        }
    }
    return 0;
}
