#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/headless.h"
#include "platform/text_encoding.h"

namespace vel::platform {

namespace {

MessageBoxAnswer firstAnswer(MessageBoxButtons buttons)
{
    return buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
}

void writeToStandardError(std::string_view caption, std::string_view text)
{
    std::string line = utf8FromWindows1252(caption);
    line += ": ";
    line += utf8FromWindows1252(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// Shows the box; false when the desktop could not.
bool showOnDesktop(const std::string& caption, const std::string& text, MessageBoxButtons buttons,
                   MessageBoxAnswer& answer)
{
    SDL_MessageBoxButtonData data[2] = {};
    int count = 0;
    auto add = [&](MessageBoxAnswer a, const char* label, Uint32 flags) {
        data[count].buttonid = static_cast<int>(a);
        data[count].text = label;
        data[count].flags = flags;
        ++count;
    };
    switch (buttons) {
    case MessageBoxButtons::Ok:
        add(MessageBoxAnswer::Ok, "OK",
            SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
        break;
    case MessageBoxButtons::OkCancel:
        add(MessageBoxAnswer::Ok, "OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
        add(MessageBoxAnswer::Cancel, "Cancelar", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
        break;
    case MessageBoxButtons::YesNo:
        add(MessageBoxAnswer::Yes, "Sim", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
        add(MessageBoxAnswer::No, "Não", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
        break;
    }
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = count;
    box.buttons = data;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0)
        return false;
    // Closing the box without a button counts as its escape button.
    answer = pressed < 0 ? static_cast<MessageBoxAnswer>(data[count - 1].buttonid)
                         : static_cast<MessageBoxAnswer>(pressed);
    return true;
}

} // namespace

MessageBoxAnswer showMessageBox(std::string_view caption, std::string_view text, MessageBoxButtons buttons)
{
    MessageBoxAnswer answer = firstAnswer(buttons);
    if (!headless()) {
        std::string captionUtf8 = utf8FromWindows1252(caption.substr(0, caption.find('\0')));
        std::string textUtf8 = utf8FromWindows1252(text.substr(0, text.find('\0')));
        if (showOnDesktop(captionUtf8, textUtf8, buttons, answer))
            return answer;
    }
    writeToStandardError(caption, text);
    return firstAnswer(buttons);
}

} // namespace vel::platform
