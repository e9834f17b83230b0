#include "runtime/clipboard.h"

#include "platform/clipboard.h"
#include "value/buffer.h"
#include "value/string.h"

namespace vel {

void clipboardPutText(const Value& text)
{
    if (text.is(Tag::String))
        platform::clipboardPutText(textOf(text));
}

Value clipboardGetText()
{
    auto text = platform::clipboardGetText();
    if (!text)
        return Value::nil();
    return Value::string(*text);
}

void clipboardPutImage(const Value& dib)
{
    if (Buffer* buffer = asBuffer(dib))
        platform::clipboardPutImage(buffer->bytes(), static_cast<std::size_t>(buffer->length()));
}

} // namespace vel
