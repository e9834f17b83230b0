#include "value/stream.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "value/buffer.h"
#include "value/error.h"
#include "value/string.h"

namespace vel {

// ---- the buffered stream ----

Stream::Stream(int32_t mode, bool buffered) : mode_(mode)
{
    // Create implies write, and write means read and write.
    if (mode_ & Create)
        mode_ |= Write;
    if (mode_ & Write)
        mode_ |= Read;
    if (buffered)
        setBuffer(Value());
}

bool Stream::isWritable() const { return (mode_ & Write) != 0; }

bool Stream::isOpen() const { return true; }

bool Stream::atEnd()
{
    if (!dirty_ && bufferPosition_ < bufferLength_)
        return false;
    if (mode_ & Text)
        return devicePosition_ >= deviceSize_;
    return tell() >= size();
}

int64_t Stream::size()
{
    if (!dirty_)
        return deviceSize_;
    if (mode_ & Text)
        return deviceSize_ + bufferLength_;
    return std::max(deviceSize_, bufferStart_ + bufferLength_);
}

int32_t Stream::collectionCount() const
{
    int64_t n = const_cast<Stream*>(this)->size();
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

int64_t Stream::tell() { return bufferStart_ + bufferPosition_; }

bool Stream::seek(int64_t position)
{
    if (position < 0)
        return false;
    // Archives hop between nearby items; a target inside the bytes already read costs nothing.
    if (!dirty_ && !(mode_ & Text) && position >= bufferStart_ && position <= bufferStart_ + bufferLength_) {
        bufferPosition_ = static_cast<int32_t>(position - bufferStart_);
        return true;
    }
    bool ok = emptyBuffer();
    bufferStart_ = position;
    return deviceSeek(position) && ok;
}

int Stream::readByte()
{
    if (dirty_ || bufferPosition_ >= bufferLength_) {
        if (!fill())
            return -1;
    }
    return buffer_[bufferPosition_++];
}

int32_t Stream::read(void* out, int32_t n)
{
    auto* to = static_cast<uint8_t*>(out);
    int32_t done = 0;
    while (done < n) {
        if (!dirty_ && bufferPosition_ < bufferLength_) {
            int32_t k = std::min(n - done, bufferLength_ - bufferPosition_);
            std::memcpy(to + done, buffer_ + bufferPosition_, static_cast<std::size_t>(k));
            bufferPosition_ += k;
            done += k;
            continue;
        }
        if (n - done >= bufferCapacity_ && !(mode_ & Text)) {
            // A large block goes straight to the caller instead of through the buffer.
            emptyBuffer();
            int64_t position = tell();
            if (devicePosition_ != position && !deviceSeek(position))
                break;
            int32_t k = deviceRead(to + done, n - done);
            if (k <= 0)
                break;
            bufferStart_ += k;
            done += k;
            continue;
        }
        if (!fill())
            break;
    }
    return done;
}

bool Stream::writeByte(uint8_t b)
{
    if (!isWritable())
        return false;
    if (!dirty_ || bufferPosition_ == bufferCapacity_) {
        if (!emptyBuffer())
            return false;
    }
    buffer_[bufferPosition_++] = b;
    bufferLength_ = bufferPosition_;
    dirty_ = true;
    return true;
}

int32_t Stream::write(const void* bytes, int32_t n)
{
    if (!isWritable() || n <= 0)
        return 0;
    const auto* from = static_cast<const uint8_t*>(bytes);
    int32_t done = 0;
    if (!dirty_ && !emptyBuffer())
        return 0;
    while (done < n) {
        if (bufferPosition_ == 0 && n - done >= bufferCapacity_ && !(mode_ & Text)) {
            int64_t position = tell();
            if (devicePosition_ != position && !deviceSeek(position))
                break;
            int32_t k = deviceWrite(from + done, n - done);
            if (k > 0) {
                bufferStart_ += k;
                done += k;
            }
            break;
        }
        if (bufferPosition_ == bufferCapacity_) {
            if (!emptyBuffer())
                break;
            continue;
        }
        int32_t k = std::min(n - done, bufferCapacity_ - bufferPosition_);
        std::memcpy(buffer_ + bufferPosition_, from + done, static_cast<std::size_t>(k));
        bufferPosition_ += k;
        bufferLength_ = bufferPosition_;
        dirty_ = true;
        done += k;
    }
    return done;
}

bool Stream::flush()
{
    bool ok = emptyBuffer();
    return deviceFlush() && ok;
}

void Stream::setBuffer(const Value& buffer)
{
    emptyBuffer();
    Buffer* b = asBuffer(buffer);
    if (b && b->capacity() > 0) {
        ioBuffer_ = buffer;
    } else {
        ioBuffer_ = Buffer::make(kBufferSize);
        b = ioBuffer_.as<Buffer>();
    }
    buffer_ = b->bytes();
    bufferCapacity_ = b->capacity();
}

int32_t Stream::deviceRead(void* out, int32_t n)
{
    if (!(mode_ & Text))
        return rawRead(out, n);
    textBuffer_.resize(kTextBufferSize);
    auto* to = static_cast<uint8_t*>(out);
    int32_t produced = 0;
    // A stretch of nothing but carriage returns yields no byte; read on until one comes or the file ends.
    while (produced == 0 && n > 0) {
        int32_t got = rawRead(textBuffer_.data(), std::min(n, kTextBufferSize));
        if (got <= 0)
            break;
        for (int32_t i = 0; i < got; ++i)
            if (textBuffer_[static_cast<std::size_t>(i)] != '\r')
                to[produced++] = textBuffer_[static_cast<std::size_t>(i)];
    }
    return produced;
}

int32_t Stream::deviceWrite(const void* bytes, int32_t n)
{
    if (!(mode_ & Text))
        return rawWrite(bytes, n);
    textBuffer_.resize(kTextBufferSize);
    const auto* from = static_cast<const uint8_t*>(bytes);
    int32_t held = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (held >= kTextBufferSize - 1) {
            if (rawWrite(textBuffer_.data(), held) != held)
                return 0;
            held = 0;
        }
        if (from[i] == '\n')
            textBuffer_[static_cast<std::size_t>(held++)] = '\r';
        textBuffer_[static_cast<std::size_t>(held++)] = from[i];
    }
    if (held > 0 && rawWrite(textBuffer_.data(), held) != held)
        return 0;
    return n;
}

bool Stream::deviceFlush() { return true; }

bool Stream::deviceSync() { return true; }

bool Stream::sync()
{
    return flush() && deviceSync();
}

void Stream::closeBuffer() { emptyBuffer(); }

bool Stream::fill()
{
    if (!emptyBuffer())
        return false;
    int64_t position = tell();
    if (!(mode_ & Text) && devicePosition_ != position && !deviceSeek(position))
        return false;
    int32_t got = deviceRead(buffer_, bufferCapacity_);
    bufferStart_ = position;
    bufferPosition_ = 0;
    bufferLength_ = got > 0 ? got : 0;
    return got > 0;
}

bool Stream::emptyBuffer()
{
    bool ok = true;
    if (dirty_) {
        if (!(mode_ & Text) && devicePosition_ != bufferStart_)
            ok = deviceSeek(bufferStart_);
        ok = ok && deviceWrite(buffer_, bufferLength_) == bufferLength_;
        dirty_ = false;
    }
    bufferStart_ += bufferPosition_;
    bufferPosition_ = bufferLength_ = 0;
    return ok;
}

// ---- file streams ----

namespace {
// Readers share a file; a writer has it alone: while a stream writes, no other may open the file, and a
// stream may not open for writing a file another has open. Open-file-description locks, so two streams
// in one process conflict as two in different processes do, and in the same family as the index's.
bool lockWholeFile(int fd, bool exclusive)
{
    struct flock whole {};
    whole.l_type = exclusive ? F_WRLCK : F_RDLCK;
    whole.l_whence = SEEK_SET;
    whole.l_start = 0;
    whole.l_len = 0; // to the end, however far the file grows
    return ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
}
} // namespace

FileStream::FileStream(int descriptor, int32_t mode, int64_t size) : Stream(mode), descriptor_(descriptor)
{
    deviceSize_ = size;
}

FileStream::~FileStream()
{
    closeBuffer();
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

Value FileStream::open(std::string_view name, int32_t mode, bool quiet)
{
    auto fail = [&]() {
        if (!quiet)
            velError("velFileStream: Cannot open " + std::string(name));
        return Value();
    };
    if (name.empty() || name.size() > kNameLimit || name.find('\0') != std::string_view::npos)
        return fail();
    bool writes = (mode & (Write | Create)) != 0;
    int flags = (writes ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (mode & Create)
        flags |= O_CREAT;
    std::string path(name);
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return fail();
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !lockWholeFile(fd, writes)) {
        ::close(fd);
        return fail();
    }
    // Truncate only once the lock is ours, so a file another holder has open is never emptied under it.
    if ((mode & Create) && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return fail();
    }
    int64_t size = (mode & Create) ? 0 : static_cast<int64_t>(info.st_size);
    return Value::adopt(Tag::Stream, new FileStream(fd, mode, size));
}

int32_t FileStream::rawRead(void* out, int32_t n)
{
    auto* to = static_cast<char*>(out);
    int32_t done = 0;
    while (done < n) {
        ssize_t k = ::read(descriptor_, to + done, static_cast<std::size_t>(n - done));
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            break;
        done += static_cast<int32_t>(k);
    }
    devicePosition_ += done;
    return done;
}

int32_t FileStream::rawWrite(const void* bytes, int32_t n)
{
    if (!isWritable())
        return 0;
    const auto* from = static_cast<const char*>(bytes);
    int32_t done = 0;
    while (done < n) {
        ssize_t k = ::write(descriptor_, from + done, static_cast<std::size_t>(n - done));
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            break;
        done += static_cast<int32_t>(k);
    }
    devicePosition_ += done;
    deviceSize_ = std::max(deviceSize_, devicePosition_);
    return done;
}

bool FileStream::deviceSeek(int64_t position)
{
    if (::lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) < 0)
        return false;
    devicePosition_ = position;
    return true;
}

bool FileStream::deviceSync()
{
    return ::fdatasync(descriptor_) == 0;
}

// ---- memory streams ----

Value MemoryStream::overBytes(const void* bytes, int64_t length, bool writable)
{
    auto* s = new MemoryStream(writable ? Read | Write : Read);
    s->fixed_ = static_cast<uint8_t*>(const_cast<void*>(bytes));
    s->capacity_ = s->length_ = length < 0 ? 0 : length;
    return Value::adopt(Tag::Stream, s);
}

Value MemoryStream::overBuffer(const Value& buffer, bool writable)
{
    Buffer* b = asBuffer(buffer);
    if (!b)
        return Value();
    auto* s = new MemoryStream(writable ? Read | Write : Read);
    s->buffer_ = buffer;
    s->fixed_ = b->bytes();
    s->capacity_ = b->capacity();
    s->length_ = b->length();
    return Value::adopt(Tag::Stream, s);
}

Value MemoryStream::growable()
{
    auto* s = new MemoryStream(Read | Write);
    s->grows_ = true;
    return Value::adopt(Tag::Stream, s);
}

bool MemoryStream::seek(int64_t position)
{
    if (position < 0 || (!grows_ && position > capacity_))
        return false;
    position_ = position;
    return true;
}

int32_t MemoryStream::read(void* out, int32_t n)
{
    int64_t k = std::min<int64_t>(n, length_ - position_);
    if (k <= 0)
        return 0;
    std::memcpy(out, data() + position_, static_cast<std::size_t>(k));
    position_ += k;
    return static_cast<int32_t>(k);
}

int64_t MemoryStream::makeRoom(int64_t n)
{
    if (!grows_)
        return std::clamp<int64_t>(capacity_ - position_, 0, n);
    int64_t needed = position_ + n;
    if (needed > static_cast<int64_t>(storage_.size()))
        storage_.resize(static_cast<std::size_t>(std::max<int64_t>(needed, 2 * static_cast<int64_t>(storage_.size()))));
    return n;
}

void MemoryStream::wrote(int64_t n)
{
    position_ += n;
    if (position_ > length_) {
        length_ = position_;
        if (Buffer* b = asBuffer(buffer_))
            b->setLength(static_cast<int32_t>(length_));
    }
}

bool MemoryStream::writeByte(uint8_t b)
{
    if (!(mode_ & Write) || makeRoom(1) < 1)
        return false;
    (fixed_ ? fixed_ : storage_.data())[position_] = b;
    wrote(1);
    return true;
}

int32_t MemoryStream::write(const void* bytes, int32_t n)
{
    if (!(mode_ & Write) || n <= 0)
        return 0;
    int64_t k = makeRoom(n);
    if (k > 0)
        std::memcpy((fixed_ ? fixed_ : storage_.data()) + position_, bytes, static_cast<std::size_t>(k));
    wrote(k);
    return static_cast<int32_t>(k);
}

std::vector<uint8_t> MemoryStream::takeBytes()
{
    storage_.resize(static_cast<std::size_t>(length_));
    std::vector<uint8_t> out;
    out.swap(storage_);
    length_ = position_ = 0;
    return out;
}

// ---- fixed-size transfers ----

bool writeInt32(Stream& s, int32_t n)
{
    auto u = static_cast<uint32_t>(n);
    uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                    static_cast<uint8_t>(u >> 24)};
    if (s.write(b, 4) == 4)
        return true;
    velError("Cannot write VELINT to stream");
    return false;
}

bool writeInt16(Stream& s, int16_t n)
{
    auto u = static_cast<uint16_t>(n);
    uint8_t b[2] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)};
    if (s.write(b, 2) == 2)
        return true;
    velError("Cannot write VELINT to stream");
    return false;
}

bool writeByte(Stream& s, uint8_t b)
{
    if (s.writeByte(b))
        return true;
    velError("Cannot write VELBYTE to stream");
    return false;
}

bool writeFloat(Stream& s, float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                    static_cast<uint8_t>(u >> 24)};
    if (s.write(b, 4) == 4)
        return true;
    velError("Cannot write VELFLOAT to stream");
    return false;
}

namespace {
uint32_t littleEndian32(const uint8_t* b)
{
    return b[0] | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}
} // namespace

bool readInt32(Stream& s, int32_t& out)
{
    uint8_t b[4];
    if (s.read(b, 4) != 4) {
        out = 0;
        velError("Cannot read VELINT from stream");
        return false;
    }
    out = static_cast<int32_t>(littleEndian32(b));
    return true;
}

bool readInt16(Stream& s, int16_t& out)
{
    uint8_t b[2];
    if (s.read(b, 2) != 2) {
        out = 0;
        velError("Cannot read VELINT from stream");
        return false;
    }
    out = static_cast<int16_t>(b[0] | (b[1] << 8));
    return true;
}

bool readByte(Stream& s, uint8_t& out)
{
    int c = s.readByte();
    if (c < 0) {
        out = 0;
        velError("Cannot read VELBYTE from stream");
        return false;
    }
    out = static_cast<uint8_t>(c);
    return true;
}

bool readFloat(Stream& s, float& out)
{
    uint8_t b[4];
    if (s.read(b, 4) != 4) {
        out = 0.0f;
        velError("Cannot read VELFLOAT from stream");
        return false;
    }
    uint32_t u = littleEndian32(b);
    std::memcpy(&out, &u, 4);
    return true;
}

// ---- builtins and file helpers ----

Value velWrite(const Value& stream, const Value& bufOrString)
{
    static constexpr const char* kSignature = "velWrite(stream,bufOrString)";
    Stream* s = asStream(stream);
    if (!s) {
        badArgument(kSignature, 1);
        return Value::boolean(0);
    }
    int32_t written = 0;
    if (const Buffer* b = asBuffer(bufOrString))
        written = s->write(b->bytes(), b->length());
    else if (const String* text = asString(bufOrString))
        written = s->write(text->text(), text->length());
    else
        badArgument(kSignature, 2);
    return Value::boolean(written > 0);
}

int32_t readIntoBuffer(const Value& stream, const Value& buffer)
{
    Stream* s = asStream(stream);
    Buffer* b = asBuffer(buffer);
    if (!b)
        return 0;
    int32_t got = s ? s->read(b->bytes(), b->capacity()) : 0;
    b->setLength(got > 0 ? got : 0);
    return b->length();
}

Value fileStream(std::string_view name, int32_t mode, bool quiet)
{
    return FileStream::open(name, mode, quiet);
}

bool fileExists(std::string_view name)
{
    if (name.find('\0') != std::string_view::npos)
        return false;
    struct stat info {};
    return ::stat(std::string(name).c_str(), &info) == 0;
}

bool deleteFile(std::string_view name)
{
    if (name.empty() || name.find('\0') != std::string_view::npos)
        return false;
    return ::unlink(std::string(name).c_str()) == 0;
}

} // namespace vel
