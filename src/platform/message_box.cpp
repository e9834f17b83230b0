#include "platform/message_box.h"

#include <SDL.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <mutex>
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

// Lines of a box: beyond this many the text is cut as if it were too long.
constexpr std::size_t kBoxLines = 16;
// A generous average glyph width of the toolkit's box font, and the margins around the text.
constexpr int kGlyphWidth = 9, kBoxMargins = 120;

std::size_t screenColumns()
{
    SDL_DisplayMode mode;
    int width = SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.w : 800;
    return static_cast<std::size_t>(std::clamp((width - kBoxMargins) / kGlyphWidth, 20, 80));
}

// SDL shows a desktop box from a child process and waits for it, deaf to signals meanwhile. The
// fork handler below marks every child made while a box is up: it dies with this process, leaves
// SIGTERM and SIGINT at their defaults, and sends its process id here, so that a SIGTERM or SIGINT
// arriving meanwhile can end it; the wait then returns and the signal is passed on.
int boxPidPipe[2] = {-1, -1};
volatile sig_atomic_t boxShowing = 0;
volatile sig_atomic_t boxSignal = 0;
volatile pid_t boxPid = 0;
pid_t boxParent = 0;

void markBoxChild()
{
    if (!boxShowing)
        return;
    boxShowing = 0;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != boxParent)
        ::_exit(1);
    struct sigaction plain = {};
    plain.sa_handler = SIG_DFL;
    ::sigaction(SIGTERM, &plain, nullptr);
    ::sigaction(SIGINT, &plain, nullptr);
    pid_t self = ::getpid();
    (void)!::write(boxPidPipe[1], &self, sizeof self);
}

void closeBoxOnSignal(int signal)
{
    boxSignal = signal;
    // A box already closed (and its process reaped) is left alone: its id may be another's by now.
    if (!boxShowing)
        return;
    if (boxPid <= 0) {
        // The child may be a moment away from telling its id.
        pid_t pid = 0;
        struct pollfd ready = {boxPidPipe[0], POLLIN, 0};
        if (::poll(&ready, 1, 500) == 1 && ::read(boxPidPipe[0], &pid, sizeof pid) == sizeof pid)
            boxPid = pid;
    }
    if (boxPid > 0)
        ::kill(boxPid, SIGKILL);
}

// For the length of one desktop box: the handlers above in place, then the earlier ones back, and a
// signal that came meanwhile raised again for them.
class BoxGuard {
public:
    BoxGuard()
    {
        static std::once_flag registered;
        std::call_once(registered, [] { ::pthread_atfork(nullptr, nullptr, markBoxChild); });
        if (::pipe2(boxPidPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            boxPidPipe[0] = boxPidPipe[1] = -1;
        boxPid = 0;
        boxSignal = 0;
        boxParent = ::getpid();
        struct sigaction closing = {};
        closing.sa_handler = closeBoxOnSignal;
        ::sigemptyset(&closing.sa_mask);
        ::sigaction(SIGTERM, &closing, &previousTerm_);
        ::sigaction(SIGINT, &closing, &previousInt_);
        boxShowing = 1;
    }
    ~BoxGuard()
    {
        boxShowing = 0;
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        ::sigaction(SIGINT, &previousInt_, nullptr);
        for (int& end : boxPidPipe) {
            if (end >= 0)
                ::close(end);
            end = -1;
        }
        if (boxSignal)
            ::raise(boxSignal);
    }
    BoxGuard(const BoxGuard&) = delete;
    BoxGuard& operator=(const BoxGuard&) = delete;
    void closed() { boxShowing = 0; }
    bool interrupted() const { return boxSignal != 0; }

private:
    struct sigaction previousTerm_ = {}, previousInt_ = {};
};

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
    BoxGuard guard;
    int shown = SDL_ShowMessageBox(&box, &pressed);
    guard.closed();
    // Closing the box without a button, or a signal closing it, counts as its escape button.
    if (shown != 0 || guard.interrupted())
        pressed = -1;
    answer = pressed < 0 ? static_cast<MessageBoxAnswer>(data[count - 1].buttonid)
                         : static_cast<MessageBoxAnswer>(pressed);
    return shown == 0 || guard.interrupted();
}

} // namespace

std::string boxText(std::string_view text, std::size_t columns)
{
    columns = std::max<std::size_t>(columns, 1);
    std::string out;
    std::size_t lineStart = 0, lines = 1, used = 0;
    bool cut = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (used == kBoxCharacters || (text[i] == '\n' && lines == kBoxLines)) {
            cut = true;
            break;
        }
        ++used;
        if (text[i] == '\n') {
            out += '\n';
            lineStart = out.size();
            ++lines;
            continue;
        }
        if (out.size() - lineStart == columns) {
            if (lines == kBoxLines) {
                cut = true;
                break;
            }
            if (text[i] == ' ') {
                out += '\n';
                lineStart = out.size();
                ++lines;
                continue;
            }
            // Broken at the line's last blank when it has one, otherwise where it is full.
            std::size_t blank = out.find_last_of(' ');
            if (blank != std::string::npos && blank > lineStart) {
                out[blank] = '\n';
                lineStart = blank + 1;
            } else {
                out += '\n';
                lineStart = out.size();
            }
            ++lines;
        }
        out += text[i];
    }
    // Three dots rather than the ellipsis character: a box drawn with a core X font shows no other.
    if (cut)
        out += "...";
    return out;
}

MessageBoxAnswer showMessageBox(std::string_view caption, std::string_view text, MessageBoxButtons buttons)
{
    caption = caption.substr(0, caption.find('\0'));
    text = text.substr(0, text.find('\0'));
    writeToStandardError(caption, text);
    MessageBoxAnswer answer = firstAnswer(buttons);
    if (!headless() && showOnDesktop(utf8FromWindows1252(caption), utf8FromWindows1252(boxText(text, screenColumns())),
                                     buttons, answer))
        return answer;
    return firstAnswer(buttons);
}

} // namespace vel::platform
