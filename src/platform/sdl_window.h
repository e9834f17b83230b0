// The program's one window on a desktop: SDL2 delivers input, which becomes window-system messages
// in media-area pixels, and the presented frame is scaled into the window (sharp integer scaling by
// default). Headless runs have no window at all: presenting keeps the frame for screenshots only.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/media_viewport.h"
#include "platform/message.h"
#include "platform/pixels.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace vel::platform {

struct WindowOptions {
    std::string title = "Orvale Vanta";
    int mediaWidth = 640;
    int mediaHeight = 480;
    int scale = 0;          // 0: the largest integer scale that fits the screen
    bool fullscreen = false;
    bool maximized = false; // borderless, covering the screen, media area centred
    bool headless = false;
};

enum class CursorShape { Arrow, IBeam, Wait, Hand };

class Clock;

class SdlWindow final : public MessageSource {
public:
    // Messages are stamped with the clock's time, and waiting without a window waits on it.
    explicit SdlWindow(Clock& clock) : clock_(clock) {}
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // False with a reason when the window cannot be made; "no display: ..." when there is no
    // display to show it on (SDL's off-screen drivers count only when SDL_VIDEODRIVER names them).
    bool open(const WindowOptions& options, std::string& error);
    void close();
    bool isOpen() const { return open_; }
    bool headless() const { return options_.headless; }
    // The whole-number scale the window was opened at (--scale, or the largest the screen holds).
    int scale() const { return scale_; }
    // The largest whole-number scale the window holds now (at least 1): it changes when the window
    // is resized, maximised or made full-screen.
    int fittingScale() const;

    // Shows the frame (the media area) in the window.
    void present(const PixelView& frame);
    void raise();
    void minimize();
    void setCursor(CursorShape shape);

    bool poll(Message& out) override;
    void wait(int milliseconds) override;

private:
    void translate(const SDL_Event& event);
    MediaViewport viewport() const;
    void toMedia(int windowX, int windowY, int& x, int& y) const;
    uint32_t keyState() const;

    Clock& clock_;
    WindowOptions options_;
    bool open_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    int scale_ = 1;
    std::deque<Message> pending_;
    uint32_t buttons_ = 0;
    CursorShape cursor_ = CursorShape::Arrow;
};

} // namespace vel::platform
