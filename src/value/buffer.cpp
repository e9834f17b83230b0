#include "value/buffer.h"

#include <cstring>

namespace vel {

Value Buffer::make(int32_t capacity)
{
    auto* b = new Buffer;
    if (capacity > 0) {
        b->capacity_ = capacity;
        b->data_ = allocateArray<unsigned char>(static_cast<std::size_t>(capacity));
    }
    return Value::adopt(Tag::Buffer, b);
}

Value Buffer::over(const void* bytes, int32_t length, bool copy)
{
    if (length < 0)
        length = 0;
    if (copy) {
        Value v = make(length);
        Buffer* b = v.as<Buffer>();
        if (length > 0)
            std::memcpy(b->data_, bytes, static_cast<std::size_t>(length));
        b->length_ = length;
        return v;
    }
    auto* b = new Buffer;
    b->capacity_ = b->length_ = length;
    b->data_ = static_cast<unsigned char*>(const_cast<void*>(bytes));
    b->owner_ = Value::boolean(0); // the caller's memory is never freed here
    return Value::adopt(Tag::Buffer, b);
}

Value Buffer::view(const Value& buffer, int32_t offset, int32_t length)
{
    Buffer* source = asBuffer(buffer);
    auto* b = new Buffer;
    b->owner_ = buffer;
    if (source) {
        // Keep the view inside the source's block.
        int32_t available = source->capacity_ - source->offset_;
        if (offset < 0) offset = 0;
        if (offset > available) offset = available;
        if (length < 0) length = 0;
        if (length > available - offset) length = available - offset;
        b->data_ = source->data_ + source->offset_;
        b->offset_ = offset;
        b->length_ = b->capacity_ = length;
    }
    return Value::adopt(Tag::Buffer, b);
}

Buffer::~Buffer()
{
    if (owner_.isNil())
        releaseArray(data_, static_cast<std::size_t>(capacity_));
}

Value Buffer::print(Tag tag, bool quoted) const
{
    return Object::print(tag, quoted);
}

bool Buffer::copyTo(char* out, int32_t size) const
{
    if (size <= 0)
        return false;
    int32_t n = length_ < size - 1 ? length_ : size - 1;
    if (n > 0)
        std::memcpy(out, bytes(), static_cast<std::size_t>(n));
    out[n] = '\0';
    return true;
}

} // namespace vel
