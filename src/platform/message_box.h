// Message boxes: SDL's on a desktop; headless, "CAPTION: text" on standard error, answered as if the
// first button were pressed. Caption and text are Windows-1252.
#pragma once

#include <string_view>

namespace vel::platform {

enum class MessageBoxButtons { Ok, OkCancel, YesNo };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

MessageBoxAnswer showMessageBox(std::string_view caption, std::string_view text,
                                MessageBoxButtons buttons = MessageBoxButtons::Ok);

} // namespace vel::platform
