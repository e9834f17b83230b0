#include "runtime/drawing_context.h"

namespace vel {

Value DrawingContext::over(const platform::PixelView& view)
{
    auto* c = new DrawingContext;
    c->setView(view);
    return Value::adopt(Tag::Context, c);
}

Value DrawingContext::memory(int32_t width, int32_t height, int scale)
{
    auto* c = new DrawingContext;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    // Beyond 64 M pixels no picture of the title can justify the memory: such a context stays empty.
    if (scale < 1)
        scale = 1;
    width *= scale;
    height *= scale;
    if (static_cast<int64_t>(width) * height > (int64_t(1) << 26))
        width = height = 0;
    c->owned_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), platform::opaque(0, 0, 0));
    c->setView(platform::PixelView{c->owned_.data(), width, height, width}, scale);
    return Value::adopt(Tag::Context, c);
}

void DrawingContext::intersectClip(const platform::Rect& rect)
{
    platform::Rect shifted{rect.left + originX_, rect.top + originY_, rect.right + originX_, rect.bottom + originY_};
    clip_ = clip_.intersect(shifted);
}

} // namespace vel
