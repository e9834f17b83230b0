#include "value/archive.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "value/encoding.h"
#include "value/error.h"
#include "value/file_replacement.h"
#include "value/list.h"
#include "value/stream.h"
#include "value/string.h"

namespace vel {

namespace {
constexpr char kMagic[4] = {'0', 'V', 'E', 'L'};

// The stream an archive works on: the given stream, or the named file opened with the given mode.
Value streamFor(const Value& streamOrName, int32_t mode)
{
    if (streamOrName.is(Tag::Stream))
        return streamOrName;
    if (streamOrName.is(Tag::String))
        return fileStream(textOf(streamOrName), mode, false);
    velError(std::string("Cannot open archive on a value of type ") + typeName(streamOrName.tag()));
    return Value();
}
} // namespace

Value Archive::create(const Value& streamOrName, int32_t directoryCapacity)
{
    if (const Stream* given = asStream(streamOrName); given && !given->isWritable()) {
        velError("Cannot create archive from read-only stream");
        return Value();
    }
    Value streamValue = streamFor(streamOrName, Stream::Read | Stream::Write | Stream::Create);
    Stream* stream = asStream(streamValue);
    if (!stream)
        return Value();
    if (!stream->seek(0) || stream->write(kMagic, 4) != 4) {
        velError("Cannot write VELINT to stream");
        return Value();
    }
    // No directory yet: until the first flush writes one, the file must not open as an archive, least
    // of all one whose directory is whatever the first item happens to be.
    if (!writeInt32(*stream, 0))
        return Value();
    auto* archive = new Archive;
    std::memcpy(archive->magic_, kMagic, 4);
    archive->stream_ = streamValue;
    archive->directory_ = IntList::make(directoryCapacity, kDirectoryGrowth);
    archive->directoryOffset_ = kHeaderSize;
    archive->flags_ = kWritable | kChanged;
    return Value::adopt(Tag::Archive, archive);
}

Value Archive::open(const Value& streamOrName, bool writable)
{
    if (const Stream* given = asStream(streamOrName); given && writable && !given->isWritable()) {
        velError("Cannot create writable archive from read-only stream");
        return Value();
    }
    Value streamValue = streamFor(streamOrName, writable ? Stream::Read | Stream::Write : Stream::Read);
    Stream* stream = asStream(streamValue);
    if (!stream)
        return Value();
    char magic[4] = {};
    if (!stream->seek(0) || stream->read(magic, 4) != 4 || std::memcmp(magic, kMagic, 4) != 0) {
        velError("Version mismatch -- cannot open archive");
        return Value();
    }
    int32_t directoryOffset = 0;
    if (!readInt32(*stream, directoryOffset))
        return Value();
    // The directory must lie inside the file, after the header, or its decode would read whatever follows.
    if (directoryOffset < kHeaderSize || directoryOffset >= stream->size()) {
        velError("Archive directory offset outside the file: " + std::to_string(directoryOffset));
        return Value();
    }
    stream->seek(directoryOffset);
    Value directory = decode(*stream);
    if (!asIntList(directory)) {
        velError("Archive directory is not a list of offsets");
        return Value();
    }
    auto* archive = new Archive;
    std::memcpy(archive->magic_, magic, 4);
    archive->stream_ = streamValue;
    archive->directory_ = directory;
    archive->directoryOffset_ = directoryOffset;
    archive->appendAt_ = stream->size();
    archive->flags_ = writable ? kWritable : 0;
    return Value::adopt(Tag::Archive, archive);
}

Archive::~Archive()
{
    flush();
}

int32_t Archive::count() const
{
    return directory_.as<IntList>()->count();
}

Value Archive::get(int32_t n) const
{
    const IntList* directory = directory_.as<IntList>();
    if (n < 0 || n >= directory->count()) {
        velError("Index out of range: " + std::to_string(n));
        return Value();
    }
    Stream* stream = stream_.as<Stream>();
    int32_t offset = directory->at(n);
    if (offset < kHeaderSize || offset >= stream->size()) {
        velError("Archive item offset outside the file: " + std::to_string(offset));
        return Value();
    }
    stream->seek(offset);
    return decode(*stream);
}

int32_t Archive::append(const Value& value)
{
    Stream* stream = stream_.as<Stream>();
    if (appendAt_ > INT32_MAX || !stream->seek(appendAt_))
        return -1;
    // A value that fails to encode leaves its partial bytes past appendAt_, where the next write goes;
    // the directory never points at them.
    if (!encode(*stream, value))
        return -1;
    int64_t end = stream->tell();
    if (end > INT32_MAX) {
        velError("Archive too large: item offsets are 32-bit");
        return -1;
    }
    auto offset = static_cast<int32_t>(appendAt_);
    appendAt_ = end;
    flags_ |= kChanged;
    return offset;
}

bool Archive::add(const Value& value)
{
    if (!isWritable()) {
        velError("Cannot add item to read-only archive");
        return false;
    }
    int32_t offset = append(value);
    if (offset < 0)
        return false;
    directory_.as<IntList>()->appendInt(offset);
    return true;
}

bool Archive::put(int32_t n, const Value& value)
{
    if (!isWritable()) {
        velError("Cannot put to read-only archive");
        return false;
    }
    IntList* directory = directory_.as<IntList>();
    if (n < 0 || n >= directory->count()) {
        velError("Index out of range: " + std::to_string(n));
        return false;
    }
    int32_t offset = append(value);
    if (offset < 0)
        return false;
    directory->set(n, Value::integer(offset));
    return true;
}

bool Archive::flush()
{
    if (!isWritable() || !(flags_ & kChanged))
        return true;
    Stream* stream = stream_.as<Stream>();
    if (appendAt_ > INT32_MAX) {
        velError("Archive too large: item offsets are 32-bit");
        return false;
    }
    auto directoryAt = static_cast<int32_t>(appendAt_);
    if (!stream->seek(directoryAt) || !encode(*stream, directory_) || !stream->sync())
        return false;
    // From here the new directory is on disk, and the header may come to name it: nothing may write
    // over it again, whether or not the header write below completes.
    appendAt_ = stream->tell();
    if (!stream->seek(4) || !writeInt32(*stream, directoryAt) || !stream->sync())
        return false;
    directoryOffset_ = directoryAt;
    flags_ &= ~kChanged;
    return true;
}

bool Archive::compact(const std::string& path, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    Value source = open(Value::string(path), false);
    const Archive* archive = asArchive(source);
    if (!archive)
        return fail("cannot open archive " + path);
    Stream* in = archive->stream_.as<Stream>();
    const IntList* directory = archive->directory_.as<IntList>();
    // Each item is copied as the bytes it was written as; decoding it only measures where it ends.
    Value copy = MemoryStream::growable();
    auto* out = copy.as<MemoryStream>();
    Value newDirectory = IntList::make(directory->count() > 0 ? directory->count() : 1, kDirectoryGrowth);
    bool ok = out->write(kMagic, 4) == 4 && writeInt32(*out, kHeaderSize);
    std::vector<uint8_t> item;
    for (int32_t n = 0; ok && n < directory->count(); ++n) {
        int32_t offset = directory->at(n);
        bool failed = offset < kHeaderSize || offset >= in->size() || !in->seek(offset);
        if (!failed)
            decode(*in, &failed);
        if (failed)
            return fail("archive item " + std::to_string(n) + " cannot be read: " + path);
        item.resize(static_cast<std::size_t>(in->tell() - offset));
        auto length = static_cast<int32_t>(item.size());
        newDirectory.as<IntList>()->appendInt(static_cast<int32_t>(out->tell()));
        ok = in->seek(offset) && in->read(item.data(), length) == length && out->write(item.data(), length) == length;
    }
    int64_t directoryAt = out->tell();
    ok = ok && directoryAt <= INT32_MAX && encode(*out, newDirectory) && out->seek(4) &&
         writeInt32(*out, static_cast<int32_t>(directoryAt));
    if (!ok)
        return fail("cannot compact archive " + path);
    // The source stays open, so its shared lock keeps writers out until the copy has replaced it.
    std::string reason;
    if (!replaceFile(path, std::string_view(reinterpret_cast<const char*>(out->data()), static_cast<std::size_t>(out->length())), &reason))
        return fail(reason);
    return true;
}

} // namespace vel
