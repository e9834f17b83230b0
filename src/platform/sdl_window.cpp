#include "platform/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/text_encoding.h"

namespace vel::platform {

namespace {

// SDL keys to the window system's virtual-key codes; 0 when the key has none.
int virtualKeyFor(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return vk::F1 + (key - SDLK_F1);
    switch (key) {
    case SDLK_BACKSPACE: return vk::Back;
    case SDLK_TAB: return vk::Tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return vk::Return;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return vk::Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return vk::Control;
    case SDLK_LALT: return vk::Menu; // right Alt is AltGr on Portuguese keyboards: it types, it is no Alt
    case SDLK_ESCAPE: return vk::Escape;
    case SDLK_SPACE: return vk::Space;
    case SDLK_PAGEUP: return vk::Prior;
    case SDLK_PAGEDOWN: return vk::Next;
    case SDLK_END: return vk::End;
    case SDLK_HOME: return vk::Home;
    case SDLK_LEFT: return vk::Left;
    case SDLK_UP: return vk::Up;
    case SDLK_RIGHT: return vk::Right;
    case SDLK_DOWN: return vk::Down;
    case SDLK_INSERT: return vk::Insert;
    case SDLK_DELETE: return vk::Delete;
    default: return 0;
    }
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

std::string noDisplay(const std::string& reason)
{
    return "no display: " + reason + " (use --headless --script FILE to run without one)";
}

SDL_SystemCursor systemCursorFor(CursorShape shape)
{
    switch (shape) {
    case CursorShape::IBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case CursorShape::Wait: return SDL_SYSTEM_CURSOR_WAIT;
    case CursorShape::Hand: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
    }
}

} // namespace

SdlWindow::~SdlWindow()
{
    close();
}

bool SdlWindow::open(const WindowOptions& options, std::string& error)
{
    options_ = options;
    if (options.headless) {
        scale_ = std::clamp(options.scale, 1, 16);
        open_ = true;
        return true;
    }
    // Without a display SDL would fall back to an off-screen driver: an invisible window nobody can use.
    const bool driverNamed = isSet("SDL_VIDEODRIVER");
    if (!driverNamed && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        error = noDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = noDisplay(SDL_GetError());
        return false;
    }
    if (const char* driver = SDL_GetCurrentVideoDriver();
        !driverNamed && driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        const char* display = std::getenv(isSet("DISPLAY") ? "DISPLAY" : "WAYLAND_DISPLAY");
        error = noDisplay(std::string("cannot open display '") + display + "'");
        return false;
    }
    SDL_DisplayMode mode;
    int scale = options.scale;
    if (scale <= 0) {
        scale = 1;
        if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
            while ((scale + 1) * options.mediaWidth <= mode.w - 64 && (scale + 1) * options.mediaHeight <= mode.h - 96)
                ++scale;
    }
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (options.fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    else if (options.maximized)
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_MAXIMIZED;
    std::string title = utf8FromWindows1252(options.title);
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               options.mediaWidth * scale, options.mediaHeight * scale, flags);
    if (!window_) {
        error = SDL_GetError();
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_)
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
        error = SDL_GetError();
        close();
        return false;
    }
    // Sharp pixels: the media area scales by whole numbers where it can (MediaViewport). No logical
    // size is set: SDL would then rewrite the pointer's coordinates behind our back.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    scale_ = scale;
    SDL_StartTextInput();
    open_ = true;
    return true;
}

void SdlWindow::close()
{
    if (texture_)
        SDL_DestroyTexture(texture_);
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    if (window_) {
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    texture_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
    renderer_ = nullptr;
    window_ = nullptr;
    open_ = false;
}

void SdlWindow::present(const PixelView& frame)
{
    if (!renderer_ || !frame.pixels)
        return;
    // The frame may hold the media area at its real resolution (a sharp canvas): the texture follows it.
    if (!texture_ || frame.width != textureWidth_ || frame.height != textureHeight_) {
        if (texture_)
            SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, frame.width,
                                     frame.height);
        if (!texture_)
            return;
        textureWidth_ = frame.width;
        textureHeight_ = frame.height;
    }
    SDL_UpdateTexture(texture_, nullptr, frame.pixels, frame.stride * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const MediaViewport v = viewport();
    const SDL_Rect place{v.x, v.y, v.width, v.height};
    SDL_RenderCopy(renderer_, texture_, nullptr, &place);
    SDL_RenderPresent(renderer_);
}

void SdlWindow::raise()
{
    if (window_)
        SDL_RaiseWindow(window_);
}

void SdlWindow::minimize()
{
    if (window_)
        SDL_MinimizeWindow(window_);
}

void SdlWindow::setCursor(CursorShape shape)
{
    if (!window_ || shape == cursor_)
        return;
    static SDL_Cursor* cursors[4] = {};
    auto index = static_cast<int>(shape);
    if (!cursors[index])
        cursors[index] = SDL_CreateSystemCursor(systemCursorFor(shape));
    SDL_SetCursor(cursors[index]);
    cursor_ = shape;
}

int SdlWindow::fittingScale() const
{
    if (!renderer_)
        return scale_;
    return std::max(1, viewport().width / std::max(1, options_.mediaWidth));
}

MediaViewport SdlWindow::viewport() const
{
    int width = 0, height = 0;
    if (renderer_)
        SDL_GetRendererOutputSize(renderer_, &width, &height);
    return MediaViewport::fit(width, height, options_.mediaWidth, options_.mediaHeight);
}

void SdlWindow::toMedia(int windowX, int windowY, int& x, int& y) const
{
    x = windowX;
    y = windowY;
    if (!renderer_)
        return;
    // Events come in window coordinates, which on a high-density screen are fewer than its pixels.
    int windowWidth = 0, windowHeight = 0, pixelWidth = 0, pixelHeight = 0;
    SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
    SDL_GetRendererOutputSize(renderer_, &pixelWidth, &pixelHeight);
    if (windowWidth > 0 && windowHeight > 0) {
        windowX = static_cast<int>(static_cast<int64_t>(windowX) * pixelWidth / windowWidth);
        windowY = static_cast<int>(static_cast<int64_t>(windowY) * pixelHeight / windowHeight);
    }
    MediaViewport::fit(pixelWidth, pixelHeight, options_.mediaWidth, options_.mediaHeight)
        .toMedia(windowX, windowY, options_.mediaWidth, options_.mediaHeight, x, y);
}

uint32_t SdlWindow::keyState() const
{
    SDL_Keymod mod = SDL_GetModState();
    uint32_t state = buttons_;
    if (mod & KMOD_SHIFT) state |= keystate::Shift;
    if (mod & KMOD_CTRL) state |= keystate::Control;
    if (mod & KMOD_LALT) state |= keystate::Alt;
    return state;
}

void SdlWindow::translate(const SDL_Event& event)
{
    Message m;
    m.time = clock_.now();
    m.state = keyState();
    switch (event.type) {
    case SDL_QUIT:
        m.kind = MessageKind::CloseRequest;
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: m.kind = MessageKind::FocusGained; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: m.kind = MessageKind::FocusLost; break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: m.kind = MessageKind::Expose; break;
        case SDL_WINDOWEVENT_CLOSE: m.kind = MessageKind::CloseRequest; break;
        default: return;
        }
        break;
    case SDL_MOUSEMOTION:
        m.kind = MessageKind::MouseMove;
        toMedia(event.motion.x, event.motion.y, m.x, m.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = event.type == SDL_MOUSEBUTTONDOWN;
        uint32_t bit = event.button.button == SDL_BUTTON_LEFT ? keystate::LeftButton
                       : event.button.button == SDL_BUTTON_RIGHT ? keystate::RightButton : 0;
        if (!bit)
            return;
        buttons_ = down ? (buttons_ | bit) : (buttons_ & ~bit);
        m.state = keyState();
        m.kind = bit == keystate::LeftButton ? (down ? MessageKind::LeftDown : MessageKind::LeftUp)
                                             : (down ? MessageKind::RightDown : MessageKind::RightUp);
        toMedia(event.button.x, event.button.y, m.x, m.y);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        m.virtualKey = virtualKeyFor(event.key.keysym.sym);
        if (!m.virtualKey)
            return;
        m.kind = event.type == SDL_KEYDOWN ? MessageKind::KeyDown : MessageKind::KeyUp;
        pending_.push_back(m);
        // The character messages text input does not give: control characters of their own keys.
        if (event.type == SDL_KEYDOWN) {
            int character = 0;
            switch (m.virtualKey) {
            case vk::Return: character = 13; break;
            case vk::Escape: character = 27; break;
            case vk::Tab: character = 9; break;
            case vk::Back: character = 8; break;
            default:
                if ((m.state & keystate::Control) && !(m.state & keystate::Alt) && m.virtualKey >= 'A' && m.virtualKey <= 'Z')
                    character = m.virtualKey - 'A' + 1;
            }
            if (character) {
                Message c = m;
                c.kind = MessageKind::Character;
                c.character = character;
                pending_.push_back(c);
            }
        }
        return;
    }
    case SDL_TEXTINPUT: {
        std::string text = windows1252FromUtf8(event.text.text);
        for (char ch : text) {
            Message c = m;
            c.kind = MessageKind::Character;
            c.character = static_cast<unsigned char>(ch);
            pending_.push_back(c);
        }
        return;
    }
    default:
        return;
    }
    pending_.push_back(m);
}

bool SdlWindow::poll(Message& out)
{
    if (pending_.empty() && window_) {
        SDL_Event event;
        while (pending_.empty() && SDL_PollEvent(&event))
            translate(event);
    }
    if (pending_.empty())
        return false;
    out = pending_.front();
    pending_.pop_front();
    return true;
}

void SdlWindow::wait(int milliseconds)
{
    if (!window_) {
        clock_.sleep(milliseconds < 0 ? 10 : static_cast<uint32_t>(milliseconds));
        return;
    }
    // Blocks in the window system until input comes or the caller's deadline passes: no polling.
    SDL_Event event;
    if (milliseconds < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, milliseconds))
        translate(event);
}

} // namespace vel::platform
