#include "runtime/caret.h"

#include <algorithm>

#include "platform/clock.h"

namespace vel {

void Caret::show(int x, int y, int width, int height)
{
    // A caret of no width is the system's one-pixel bar.
    rect_ = platform::Rect::sized(x, y, std::max(width, 1), std::max(height, 1));
    shown_ = true;
    since_ = clock_.now();
    paintedLit_ = focused_;
}

void Caret::hide()
{
    shown_ = false;
    owner_ = nullptr;
    paint_ = nullptr;
}

void Caret::setPainter(const void* owner, std::function<void()> paint)
{
    owner_ = owner;
    paint_ = std::move(paint);
}

void Caret::release(const void* owner)
{
    if (owner_ == owner && owner)
        hide();
}

uint32_t Caret::blink()
{
    if (!shown_ || !paint_)
        return platform::NothingDue;
    const bool now = lit();
    if (now != paintedLit_) {
        paintedLit_ = now;
        // The painter may hide the caret or show it elsewhere: work on a copy.
        std::function<void()> paint = paint_;
        paint();
    }
    if (!focused_)
        return platform::NothingDue;
    return BlinkMilliseconds - (clock_.now() - since_) % BlinkMilliseconds;
}

void Caret::focusGained()
{
    focused_ = true;
    since_ = clock_.now();
}

void Caret::focusLost()
{
    focused_ = false;
}

bool Caret::lit() const
{
    if (!visible())
        return false;
    return ((clock_.now() - since_) / BlinkMilliseconds) % 2 == 0;
}

} // namespace vel
