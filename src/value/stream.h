// Streams (tag 10): byte transfer for the encoding, archives and data files. The buffered stream reads
// and writes through a 2048-byte buffer filled and emptied by its device; file streams are the device
// the system uses, memory streams serve encodings held in memory.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class Stream : public Object, public CollectionProtocol {
public:
    static constexpr int32_t kBufferSize = 2048;
    static constexpr int32_t kTextBufferSize = 4096;
    enum Mode : int32_t { Read = 1, Write = 2, Text = 4, Create = 8 };

    // Slot order continues the object's: is writable, is open, at end, size, tell, seek, read byte,
    // read, write byte, write, flush, set buffer, then the device operations.
    virtual bool isWritable() const;
    virtual bool isOpen() const;
    virtual bool atEnd();
    virtual int64_t size();
    virtual int64_t tell();
    virtual bool seek(int64_t position);
    // The byte, or -1 when none can be read.
    virtual int readByte();
    virtual int32_t read(void* out, int32_t n);
    virtual bool writeByte(uint8_t b);
    virtual int32_t write(const void* bytes, int32_t n);
    virtual bool flush();
    // Takes a buffer value as the I/O buffer (nil restores a fresh one of the standard size).
    virtual void setBuffer(const Value& buffer);

    // Untranslated transfer at the device's position.
    virtual int32_t rawRead(void* out, int32_t n) = 0;
    virtual int32_t rawWrite(const void* bytes, int32_t n) = 0;
    // The transfer the buffer uses: raw, or through line-end translation in text mode.
    virtual int32_t deviceRead(void* out, int32_t n);
    virtual int32_t deviceWrite(const void* bytes, int32_t n);
    virtual bool deviceSeek(int64_t position) = 0;
    virtual bool deviceFlush();
    // Puts what the device holds on stable storage; devices without one have nothing to do.
    virtual bool deviceSync();

    // Flushes, then syncs: when it answers true the bytes written so far survive a crash.
    bool sync();

    // velCount of a stream is its size.
    int32_t collectionCount() const override;

    int32_t mode() const { return mode_; }
    // Bytes between the position and the end: what a count read from the stream can claim at most.
    int64_t remaining() { int64_t r = size() - tell(); return r > 0 ? r : 0; }

protected:
    // An unbuffered stream (one that overrides every transfer) skips the I/O buffer.
    explicit Stream(int32_t mode, bool buffered = true);
    // Concrete streams call this from their destructor, while their device still works.
    void closeBuffer();

    int32_t mode_;
    // Size of the device's contents and the device's own position (raw bytes in text mode).
    int64_t deviceSize_ = 0;
    int64_t devicePosition_ = 0;

private:
    bool fill();
    bool emptyBuffer();

    Value ioBuffer_;
    uint8_t* buffer_ = nullptr;
    int32_t bufferCapacity_ = 0;
    int32_t bufferLength_ = 0;  // valid bytes held
    int32_t bufferPosition_ = 0; // the stream's position inside them
    int64_t bufferStart_ = 0;    // stream position of the buffer's first byte
    bool dirty_ = false;         // the buffer holds written bytes the device has not seen
    std::vector<uint8_t> textBuffer_;
};

class FileStream final : public Stream {
public:
    static constexpr std::size_t kNameLimit = 255;

    // Nil when the file cannot be opened; unless quiet, reports "velFileStream: Cannot open " + name.
    static Value open(std::string_view name, int32_t mode, bool quiet);
    ~FileStream() override;

    bool isOpen() const override { return descriptor_ >= 0; }
    int32_t rawRead(void* out, int32_t n) override;
    int32_t rawWrite(const void* bytes, int32_t n) override;
    bool deviceSeek(int64_t position) override;
    bool deviceSync() override;

private:
    FileStream(int descriptor, int32_t mode, int64_t size);
    int descriptor_;
};

// A stream over bytes in memory, unbuffered: over a fixed range (reads and writes stop at its end),
// over a buffer value (up to its capacity; writes set its length) or over storage that grows.
class MemoryStream final : public Stream {
public:
    static Value overBytes(const void* bytes, int64_t length, bool writable);
    static Value overBuffer(const Value& buffer, bool writable);
    static Value growable();

    bool atEnd() override { return position_ >= length_; }
    int64_t size() override { return length_; }
    int64_t tell() override { return position_; }
    bool seek(int64_t position) override;
    int readByte() override { return position_ < length_ ? data()[position_++] : -1; }
    int32_t read(void* out, int32_t n) override;
    bool writeByte(uint8_t b) override;
    int32_t write(const void* bytes, int32_t n) override;
    bool flush() override { return true; }
    void setBuffer(const Value&) override {}
    int32_t rawRead(void* out, int32_t n) override { return read(out, n); }
    int32_t rawWrite(const void* bytes, int32_t n) override { return write(bytes, n); }
    int32_t deviceRead(void* out, int32_t n) override { return read(out, n); }
    int32_t deviceWrite(const void* bytes, int32_t n) override { return write(bytes, n); }
    bool deviceSeek(int64_t position) override { return seek(position); }

    // The bytes written or held, from the start.
    const uint8_t* data() const { return fixed_ ? fixed_ : storage_.data(); }
    int64_t length() const { return length_; }
    int64_t left() const { return length_ > position_ ? length_ - position_ : 0; }
    // The next n bytes in place, moving past them; null, and no move, when fewer remain.
    const uint8_t* consume(int64_t n)
    {
        if (n > length_ - position_)
            return nullptr;
        const uint8_t* p = data() + position_;
        position_ += n;
        return p;
    }
    std::vector<uint8_t> takeBytes();

private:
    explicit MemoryStream(int32_t mode) : Stream(mode, false) {}
    // Room for n more bytes at the position; the count that fits.
    int64_t makeRoom(int64_t n);
    void wrote(int64_t n);

    uint8_t* fixed_ = nullptr;
    int64_t capacity_ = 0;
    bool grows_ = false;
    std::vector<uint8_t> storage_;
    Value buffer_; // the buffer value a stream over a buffer keeps alive and keeps the length of
    int64_t length_ = 0;
    int64_t position_ = 0;
};

inline Stream* asStream(const Value& v) { return v.is(Tag::Stream) ? v.as<Stream>() : nullptr; }

// Fixed-size transfers, little-endian. Each reports a short transfer with the system's message and
// answers false (a read gives 0 then).
bool writeInt32(Stream& s, int32_t n);
bool writeInt16(Stream& s, int16_t n);
bool writeByte(Stream& s, uint8_t b);
bool writeFloat(Stream& s, float f);
bool readInt32(Stream& s, int32_t& out);
bool readInt16(Stream& s, int16_t& out);
bool readByte(Stream& s, uint8_t& out);
bool readFloat(Stream& s, float& out);

// "velWrite(stream,bufOrString)": true when more than 0 bytes were written.
Value velWrite(const Value& stream, const Value& bufOrString);
// Reads up to the buffer's capacity; the buffer's length becomes the count read, which is returned.
int32_t readIntoBuffer(const Value& stream, const Value& buffer);
Value fileStream(std::string_view name, int32_t mode, bool quiet);
bool fileExists(std::string_view name);
bool deleteFile(std::string_view name);

} // namespace vel
