// Appends to damaged archives. The input is a 2-byte length, that many bytes as the archive file, then
// operations on a writable open of it: add, put, get, flush, close and reopen. The values written are
// remembered; after every flush that succeeds, the bytes on disk must open as an archive holding as
// many items as the open one, the remembered ones unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "fuzz_support.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/stream.h"
#include "value/string.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}
    bool empty() const { return at_ >= end_; }
    uint8_t byte() { return empty() ? 0 : *at_++; }
    std::string bytes(std::size_t n)
    {
        n = std::min<std::size_t>(n, static_cast<std::size_t>(end_ - at_));
        std::string out(reinterpret_cast<const char*>(at_), n);
        at_ += n;
        return out;
    }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

vel::Value makeValue(Input& in)
{
    switch (in.byte() % 5) {
    case 0:
        {
        uint32_t n = in.byte();
        n = n << 24 | static_cast<uint32_t>(in.byte()) << 8 | in.byte();
        return vel::Value::integer(static_cast<int32_t>(n));
    }
    case 1:
        return vel::Value::string(in.bytes(in.byte() * 3u));
    case 2: {
        vel::Value list = vel::ValueList::make();
        for (int n = in.byte() % 8; n > 0; --n)
            list.as<vel::ValueList>()->append(vel::Value::string(in.bytes(in.byte() % 16)));
        return list;
    }
    case 3: {
        vel::Value list = vel::IntList::make(4, 100);
        for (int n = in.byte() % 64; n > 0; --n)
            list.as<vel::IntList>()->appendInt(in.byte());
        return list;
    }
    default:
        return vel::Value::unique(); // cannot be encoded: the add or put must fail and change nothing
    }
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes on disk, read past the writer's lock as a crash would leave them.
void checkOnDisk(const std::string& path, int32_t count, const std::map<int32_t, std::string>& written)
{
    std::string bytes = fileBytes(path);
    vel::Value stream = vel::MemoryStream::overBytes(bytes.data(), static_cast<int64_t>(bytes.size()), false);
    vel::Value archive = vel::Archive::open(stream, false);
    auto* a = vel::asArchive(archive);
    if (!a || a->count() != count)
        std::abort();
    for (const auto& [n, quoted] : written)
        if (vel::quotedForm(a->get(n)) != quoted)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    static const std::string path = "/dev/shm/fuzz_archive_append_" + std::to_string(::getpid()) + ".vel";
    Input in(data, size);
    std::size_t length = in.byte() | in.byte() << 8;
    {
        std::string image = in.bytes(length);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return 0;
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    vel::Value name = vel::Value::string(path);
    vel::Value archive = vel::Archive::open(name, true);
    std::map<int32_t, std::string> written; // item number -> quoted form of what was put there
    for (int steps = 0; steps < 64 && !in.empty() && vel::asArchive(archive); ++steps) {
        auto* a = vel::asArchive(archive);
        switch (in.byte() % 6) {
        case 0: {
            vel::Value v = makeValue(in);
            int32_t n = a->count();
            if (a->add(v))
                written[n] = vel::quotedForm(v);
            break;
        }
        case 1: {
            int32_t n = a->count() > 0 ? in.byte() % (a->count() + 1) : 0; // one past the end on purpose
            vel::Value v = makeValue(in);
            if (a->put(n, v))
                written[n] = vel::quotedForm(v);
            break;
        }
        case 2:
            a->get(in.byte() % (a->count() + 2) - 1);
            break;
        case 3:
            if (a->flush())
                checkOnDisk(path, a->count(), written);
            break;
        default: {
            int32_t count = a->count();
            archive = vel::Value(); // closing flushes
            archive = vel::Archive::open(name, true);
            a = vel::asArchive(archive);
            if (!a || a->count() != count)
                std::abort(); // what was closed must open again, whole
            checkOnDisk(path, count, written);
        }
        }
    }
    archive = vel::Value();
    vel::deleteFile(path);
    return 0;
}
