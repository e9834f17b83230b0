// Opens arbitrary bytes as an archive file and reads its items, then adds and replaces items in a
// writable open and reopens the result. The error handler answers 0 so every fallback path runs.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "value/archive.h"
#include "fuzz_support.h"
#include "value/error.h"
#include "value/stream.h"
#include "value/string.h"

namespace {
// Each item read may decode up to the rest of the file; a few hundred cover every shape.
constexpr int32_t kItemsRead = 256;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    static const std::string path = [] {
        return "/dev/shm/fuzz_archive_" + std::to_string(::getpid()) + ".vel";
    }();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    vel::Value name = vel::Value::string(path);
    int32_t count = -1;
    {
        vel::Value archive = vel::Archive::open(name, false);
        if (auto* a = vel::asArchive(archive)) {
            count = a->count();
            for (int32_t i = 0; i < count && i < kItemsRead; ++i)
                a->get(i);
            a->get(count); // out of range on purpose
        }
    }
    if (count >= 0) {
        {
            vel::Value archive = vel::Archive::open(name, true);
            if (auto* a = vel::asArchive(archive)) {
                if (count > 0)
                    a->put(0, a->get(0));
                a->add(vel::Value::string("added"));
            }
        }
        vel::Value reopened = vel::Archive::open(name, false);
        auto* a = vel::asArchive(reopened);
        if (!a || a->count() != count + 1 || vel::textOf(a->get(count)) != "added")
            std::abort(); // a rewritten archive must open with the added item in place
    }
    vel::deleteFile(path);
    return 0;
}
