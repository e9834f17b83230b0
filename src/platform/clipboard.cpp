#include "platform/clipboard.h"

#include <SDL.h>

#include "platform/headless.h"
#include "platform/text_encoding.h"

namespace vel::platform {

namespace {

struct MemoryClipboard {
    std::optional<std::string> text;
    std::optional<std::vector<uint8_t>> image;
};

MemoryClipboard& memory()
{
    static MemoryClipboard clipboard;
    return clipboard;
}

// SDL's clipboard needs its video subsystem; before the window exists there is only ours.
bool desktopClipboard()
{
    return !headless() && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

bool clipboardPutText(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    if (desktopClipboard()) {
        memory().image.reset();
        return SDL_SetClipboardText(utf8FromWindows1252(text).c_str()) == 0;
    }
    memory().image.reset();
    memory().text = std::string(text);
    return true;
}

std::optional<std::string> clipboardGetText()
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
    return memory().text;
}

bool clipboardPutImage(const uint8_t* bytes, std::size_t length)
{
    if (!bytes || length == 0)
        return false;
    if (desktopClipboard())
        SDL_SetClipboardText("");
    memory().text.reset();
    memory().image.emplace(bytes, bytes + length);
    return true;
}

std::optional<std::vector<uint8_t>> clipboardGetImage()
{
    return memory().image;
}

} // namespace vel::platform
