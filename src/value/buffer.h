// Byte buffers (tag 7): a data block with capacity, length in use and a start offset. A buffer owns
// its block, borrows caller memory (owner false) or views another buffer (owner is that buffer).
#pragma once

#include "value/value.h"

namespace vel {

class Buffer final : public Object {
public:
    // New: a zero-filled block of capacity bytes, length 0.
    static Value make(int32_t capacity);
    // Over caller memory: a copy of the bytes (copy true) or the caller's pointer kept as it is.
    static Value over(const void* bytes, int32_t length, bool copy);
    // A view of another buffer's bytes from offset, length bytes long.
    static Value view(const Value& buffer, int32_t offset, int32_t length);

    ~Buffer() override;
    Value print(Tag tag, bool quoted) const override;

    int32_t capacity() const { return capacity_; }
    int32_t length() const { return length_; }
    void setLength(int32_t n) { length_ = n < 0 ? 0 : (n > capacity_ ? capacity_ : n); }
    unsigned char* bytes() const { return data_ + offset_; }
    // Copies min(length, size - 1) bytes and a terminator.
    bool copyTo(char* out, int32_t size) const;

private:
    Buffer() = default;
    int32_t capacity_ = 0;
    int32_t length_ = 0;
    int32_t offset_ = 0;
    unsigned char* data_ = nullptr;
    Value owner_;
};

inline Buffer* asBuffer(const Value& v) { return v.is(Tag::Buffer) ? v.as<Buffer>() : nullptr; }

} // namespace vel
