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
}

void Caret::hide()
{
    shown_ = false;
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
