// The image scroll bar of a list box: where its arrows, track and thumb lie, which part a point is
// on, where the thumb stands for a top line and which top line a dragged thumb stands for, and
// drawing it from its images (or, given a width but no images, from plain shapes).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/pixels.h"
#include "value/value.h"

namespace vel {

class DrawingSurface;
class velLibraryControl;

class ListScrollBar {
public:
    enum class Part { None, UpArrow, DownArrow, PageUp, PageDown, Thumb };

    struct Images {
        Value track, trackTile, thumb, thumbHighlight, upArrow, upArrowHighlight, downArrow, downArrowHighlight;
    };
    // A control's pictures for its bar: the track under `trackKey`, "ScrollBit", "ThumbImage" and
    // "ThumbHighlight" (both with "ThumbMask"), the arrows and their highlights.
    static Images imagesOf(const velLibraryControl& control, std::string_view trackKey);
    struct Layout {
        platform::Rect bar;               // the clickable strip
        platform::Rect upArrow, downArrow; // clickable arrows
        int upArrowX = 0, upArrowY = 0, downArrowX = 0, downArrowY = 0; // where their images go
        int thumbHeight = 0;
    };

    ListScrollBar() = default;
    ListScrollBar(const Layout& layout, const Images& images) : layout_(layout), images_(images) {}

    const Layout& layout() const { return layout_; }
    int width() const { return layout_.bar.width(); }
    // Plain shapes cover the whole bar; pictures may let the list show through.
    bool pictured() const { return !images_.track.isNil() || !images_.trackTile.isNil() || !images_.thumb.isNil(); }

    // The room the thumb travels in; 0 when the bar is too short for it.
    int travel() const;
    // The thumb's top for the first shown line; lines past `count - visible` are clamped.
    int thumbTop(int32_t top, int32_t count, int32_t visible) const;
    // The first shown line for a thumb whose top is at y.
    int32_t topForThumb(int y, int32_t count, int32_t visible) const;
    Part partAt(int x, int y, int32_t top, int32_t count, int32_t visible) const;

    // `pressed` shows that part's highlight (the thumb's while dragged).
    void draw(DrawingSurface& surface, int32_t top, int32_t count, int32_t visible, Part pressed) const;

private:
    Layout layout_;
    Images images_;
};

} // namespace vel
