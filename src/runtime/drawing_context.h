// The drawing context (tag 14): pixels to draw into, a clip and an origin. Drawing adds the origin
// to every coordinate it is given and touches only pixels inside the clip; reading an area back
// (captures, copies from a context) uses the pixels' own coordinates. The drawing surface derives
// from it; a memory context owns its pixels.
// A context may hold `scale` x `scale` real pixels per pixel (the surface of a window shown sharp at
// 2x, 3x...): its coordinates, clip and bounds are then in the larger pixels, and view() gives the
// real ones.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/pixels.h"
#include "value/value.h"

namespace vel {

namespace platform {
class Canvas;
}

class DrawingContext : public Object {
public:
    // A context over pixels that someone else keeps alive for as long as the context.
    static Value over(const platform::PixelView& view);
    // A context owning width x height opaque black pixels (each `scale` x `scale` real ones).
    static Value memory(int32_t width, int32_t height, int scale = 1);

    const platform::PixelView& view() const { return view_; }
    int scale() const { return scale_; }
    platform::Rect bounds() const { return {0, 0, view_.width / scale_, view_.height / scale_}; }
    // The clip, always inside the bounds.
    const platform::Rect& clip() const { return clip_; }
    void setClip(const platform::Rect& clip) { clip_ = clip.intersect(bounds()); }
    // Narrows the clip by a rectangle given in drawing coordinates (the origin is added).
    void intersectClip(const platform::Rect& rect);
    void resetClip() { clip_ = bounds(); }
    int32_t originX() const { return originX_; }
    int32_t originY() const { return originY_; }
    void setOrigin(int32_t x, int32_t y) { originX_ = x, originY_ = y; }

    // Told after pixels inside `area` (pixel coordinates) were drawn.
    virtual void changed(const platform::Rect& area) {}
    // A context over a page drawn as vectors: its view has the page's size but no pixels, and
    // pictures are placed on this canvas instead.
    virtual platform::Canvas* vectorPage() { return nullptr; }

protected:
    DrawingContext() = default;
    // For a derived context whose pixels move (a surface made again): resets the clip.
    void setView(const platform::PixelView& view, int scale = 1)
    {
        view_ = view;
        scale_ = scale > 0 ? scale : 1;
        clip_ = bounds();
    }

private:
    platform::PixelView view_;
    platform::Rect clip_;
    int scale_ = 1;
    int32_t originX_ = 0, originY_ = 0;
    std::vector<uint32_t> owned_;
};

inline DrawingContext* asDrawingContext(const Value& v)
{
    return v.is(Tag::Context) ? dynamic_cast<DrawingContext*>(v.object()) : nullptr;
}

} // namespace vel
