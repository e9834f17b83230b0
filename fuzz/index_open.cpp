// Opens arbitrary bytes as an index file and walks it every way a reader can: verify, a search, a
// full walk by next and look-ups of the keys met. Every damage must end in an error code.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "index/btree_file.h"
#include "index/value_index.h"
#include "value/error.h"

namespace {

int quiet(const vel::Value&) { return 0; }

std::string scratchFile()
{
    static std::string path = [] {
        char name[] = "/tmp/fuzz-index-XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vel::setErrorHandler(quiet);
    std::string path = scratchFile();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    using namespace vel::index;
    BtreeFile f;
    if (f.open(path, 1) != kOk)
        return 0;
    f.verify();
    uint8_t buffer[512];
    for (int key = 1; key <= 2; ++key) {
        const uint8_t empty[2] = {0, 0};
        int rc = f.find(key, {empty, 2}, 0, buffer, sizeof buffer);
        // Each step moves strictly forward or fails, so the walk is bounded by the entries.
        for (int steps = 0; rc >= 0 && steps < 100000; ++steps)
            rc = f.next(key, buffer, sizeof buffer);
    }
    f.close();

    // The same file through the value index: the count, a walk of keys and values.
    vel::Value index = vel::ValueIndex::make(path, false, false);
    if (vel::ValueIndex* vi = vel::asValueIndex(index)) {
        vi->valuesWithPrefix(vel::Value::string(""));
        vi->keysWithPrefix(vel::Value::string("a"));
    }
    return 0;
}
