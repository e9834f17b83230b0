#include "runtime/clipboard.h"

#include "platform/clipboard.h"
#include "value/buffer.h"
#include "value/string.h"

namespace vel {

void clipboardPutText(platform::Clipboard& clipboard, const Value& text)
{
    if (text.is(Tag::String))
        clipboard.putText(textOf(text));
}

Value clipboardGetText(const platform::Clipboard& clipboard)
{
    auto text = clipboard.getText();
    if (!text)
        return Value::nil();
    return Value::string(*text);
}

void clipboardPutImage(platform::Clipboard& clipboard, const Value& dib)
{
    if (Buffer* buffer = asBuffer(dib))
        clipboard.putImage(buffer->bytes(), static_cast<std::size_t>(buffer->length()));
}

} // namespace vel
