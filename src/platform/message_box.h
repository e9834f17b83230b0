// Message boxes: SDL's on a desktop; headless, "CAPTION: text" on standard error, answered as if the
// first button were pressed. Caption and text are Windows-1252. The whole text always goes to standard
// error once; a box shows at most about 400 characters of it, wrapped to the screen. While a box is up,
// SIGTERM and SIGINT close it (and reach the program as they would without it), and the process that
// shows it never outlives the program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vel::platform {

enum class MessageBoxButtons { Ok, OkCancel, YesNo };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

MessageBoxAnswer showMessageBox(std::string_view caption, std::string_view text,
                                MessageBoxButtons buttons = MessageBoxButtons::Ok);

// What a box shows of a text: at most kBoxCharacters of it, then "...", in lines of at most
// `columns` characters broken at blanks where there are any (Windows-1252 in and out).
inline constexpr std::size_t kBoxCharacters = 400;
std::string boxText(std::string_view text, std::size_t columns);

} // namespace vel::platform
