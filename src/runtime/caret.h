// The text caret: where the application asked for it, whether the window has the focus to show it,
// and its blink phase. The drawing surface draws it.
#pragma once

#include <cstdint>

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

    void show(int x, int y, int width, int height);
    void hide();
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
};

} // namespace vel
