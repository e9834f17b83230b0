// The text caret: where the application asked for it, whether the window has the focus to show it,
// and its blink phase. Whoever shows it draws it (lit or not) and is told, through the event
// fetch's idle work, each time the blink turns it on or off.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/pixels.h"

namespace vel {

namespace platform {
class Clock;
}

class Caret {
public:
    // The blink runs on the clock.
    explicit Caret(platform::Clock& clock) : clock_(clock) {}

    // The window system's blink period: on for this long, then off for as long.
    static constexpr uint32_t BlinkMilliseconds = 530;

    // Shown anew (a key, a click, a move) it starts lit.
    void show(int x, int y, int width, int height);
    void hide();
    // Who draws the caret: `paint` runs when the blink changes what should be seen, until the
    // caret is hidden or another owner takes it. `owner` only identifies the caller.
    void setPainter(const void* owner, std::function<void()> paint);
    // Hides the caret when `owner` holds it (an owner going away).
    void release(const void* owner);
    // The idle work's step: repaints when the phase has turned since the last paint. Milliseconds
    // until the next turn, or platform::NothingDue when nothing blinks.
    uint32_t blink();
    // The window's focus: losing it hides and destroys the caret; regaining it re-creates a caret
    // the application still shows.
    void focusGained();
    void focusLost();

    bool shown() const { return shown_; }
    bool visible() const { return shown_ && focused_; }
    const platform::Rect& rect() const { return rect_; }
    // Whether a visible caret is in the lit half of its blink now (it starts lit when shown).
    bool lit() const;

private:
    platform::Clock& clock_;
    platform::Rect rect_;
    bool shown_ = false;
    bool focused_ = true;
    uint32_t since_ = 0;
    const void* owner_ = nullptr;
    std::function<void()> paint_;
    bool paintedLit_ = false;
};

} // namespace vel
