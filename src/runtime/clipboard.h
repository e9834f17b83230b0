// The clipboard as the runtime sees it: string values in, string values (or nil) out.
#pragma once

#include "value/value.h"

namespace vel {

namespace platform {
class Clipboard;
}

// Puts a string's text; anything else leaves the clipboard as it is.
void clipboardPutText(platform::Clipboard& clipboard, const Value& text);
// The clipboard's plain text as a string, or nil when it holds none.
Value clipboardGetText(const platform::Clipboard& clipboard);
// Puts an image's device-independent bitmap, given as a buffer of its bytes.
void clipboardPutImage(platform::Clipboard& clipboard, const Value& dib);

} // namespace vel
