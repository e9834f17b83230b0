#include "platform/clipboard.h"

#include <SDL.h>

#include "platform/headless.h"
#include "platform/text_encoding.h"

namespace vel::platform {

namespace {

// SDL's clipboard needs its video subsystem; before the window exists there is only ours.
bool desktopClipboard()
{
    return !headless() && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

bool Clipboard::putText(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    image_.reset();
    if (desktopClipboard())
        return SDL_SetClipboardText(utf8FromWindows1252(text).c_str()) == 0;
    text_ = std::string(text);
    return true;
}

std::optional<std::string> Clipboard::getText() const
{
    if (desktopClipboard()) {
        if (!SDL_HasClipboardText())
            return std::nullopt;
        char* utf8 = SDL_GetClipboardText();
        if (!utf8)
            return std::nullopt;
        std::string text = windows1252FromUtf8(utf8);
        SDL_free(utf8);
        return text;
    }
    return text_;
}

bool Clipboard::putImage(const uint8_t* bytes, std::size_t length)
{
    if (!bytes || length == 0)
        return false;
    if (desktopClipboard())
        SDL_SetClipboardText("");
    text_.reset();
    image_.emplace(bytes, bytes + length);
    return true;
}

} // namespace vel::platform
