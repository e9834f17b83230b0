#include "controls/list_scroll_bar.h"

#include <algorithm>

#include "controls/library_control.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "runtime/surface.h"

namespace vel {

namespace {

using platform::Rect;

// The plain look, for a bar given a width but no pictures.
constexpr int32_t kTrackColour = 0xDCDCDC, kPartColour = 0xB4B4B4, kEdgeColour = 0x646464, kMarkColour = 0x303030;

void drawImage(DrawingSurface& surface, const Value& image, int x, int y)
{
    velDrawImage(surface.context(), image, x, y);
}

// Images go through the surface's drawing context, which keeps a clip of its own.
class ImageClip {
public:
    ImageClip(DrawingSurface& surface, const Rect& area) : context_(surface.context())
    {
        asDrawingContext(context_)->intersectClip(area);
    }
    ~ImageClip() { asDrawingContext(context_)->resetClip(); }
    ImageClip(const ImageClip&) = delete;
    ImageClip& operator=(const ImageClip&) = delete;

private:
    Value context_;
};

// A small triangle pointing up or down in the middle of the box, drawn as rows.
void drawArrowBox(DrawingSurface& surface, const Rect& box, bool up, bool pressed)
{
    if (box.empty())
        return;
    surface.fill(box, pressed ? kEdgeColour : kPartColour);
    surface.rectangle(box, kEdgeColour, 1);
    const int half = std::max(1, std::min(box.width(), box.height()) / 4);
    const int cx = box.left + box.width() / 2, cy = box.top + box.height() / 2 - half / 2;
    for (int row = 0; row < half; ++row) {
        int spread = up ? row : half - 1 - row;
        surface.fill({cx - spread, cy + row, cx + spread + 1, cy + row + 1}, kMarkColour);
    }
}

} // namespace

ListScrollBar::Images ListScrollBar::imagesOf(const velLibraryControl& control, std::string_view trackKey)
{
    Images images;
    images.track = control.imageProperty(trackKey);
    images.trackTile = control.imageProperty("ScrollBit");
    images.thumb = control.imageProperty("ThumbImage");
    images.thumbHighlight = control.imageProperty("ThumbHighlight");
    if (Value mask = control.imageProperty("ThumbMask"); !mask.isNil()) {
        setImageMask(images.thumb, mask);
        setImageMask(images.thumbHighlight, mask);
    }
    images.upArrow = control.imageProperty("UpArrowImage");
    images.upArrowHighlight = control.imageProperty("UpArrowHighlight");
    images.downArrow = control.imageProperty("DownArrowImage");
    images.downArrowHighlight = control.imageProperty("DownArrowHighlight");
    return images;
}

int ListScrollBar::travel() const
{
    int room = layout_.bar.height() - layout_.thumbHeight - layout_.upArrow.height() - layout_.downArrow.height();
    return std::max(0, room);
}

int ListScrollBar::thumbTop(int32_t top, int32_t count, int32_t visible) const
{
    const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(count) - visible);
    const int64_t line = std::clamp<int64_t>(top, 0, span);
    return layout_.bar.top + layout_.upArrow.height() + static_cast<int>(travel() * line / span);
}

int32_t ListScrollBar::topForThumb(int y, int32_t count, int32_t visible) const
{
    const int room = travel();
    const int64_t span = static_cast<int64_t>(count) - visible;
    if (room <= 0 || span <= 0)
        return 0;
    const int64_t offset = std::clamp<int64_t>(y - layout_.bar.top - layout_.upArrow.height(), 0, room);
    return static_cast<int32_t>((offset * span + room / 2) / room);
}

ListScrollBar::Part ListScrollBar::partAt(int x, int y, int32_t top, int32_t count, int32_t visible) const
{
    if (layout_.upArrow.contains(x, y))
        return Part::UpArrow;
    if (layout_.downArrow.contains(x, y))
        return Part::DownArrow;
    if (!layout_.bar.contains(x, y))
        return Part::None;
    const int thumb = thumbTop(top, count, visible);
    if (y < thumb)
        return Part::PageUp;
    return y < thumb + layout_.thumbHeight ? Part::Thumb : Part::PageDown;
}

void ListScrollBar::draw(DrawingSurface& surface, int32_t top, int32_t count, int32_t visible, Part pressed) const
{
    const Rect& bar = layout_.bar;
    if (bar.empty())
        return;
    const bool pictured = this->pictured();
    // A track picture longer than the bar is cut at its end; a tile repeats down it.
    if (!images_.track.isNil()) {
        ImageClip clip(surface, bar);
        drawImage(surface, images_.track, bar.left, bar.top);
    } else if (Image* tile = asImage(images_.trackTile); tile && tile->height() > 0 && tile->width() > 0) {
        ImageClip clip(surface, bar);
        for (int y = bar.top; y < bar.bottom; y += tile->height())
            for (int x = bar.left; x < bar.right; x += tile->width())
                drawImage(surface, images_.trackTile, x, y);
    } else if (!pictured) {
        surface.fill(bar, kTrackColour);
    }

    auto arrow = [&](const Rect& box, const Value& image, const Value& highlight, int x, int y, bool up, Part part) {
        const Value& shown = pressed == part && !highlight.isNil() ? highlight : image;
        if (!shown.isNil())
            drawImage(surface, shown, x, y);
        else if (!pictured)
            drawArrowBox(surface, box, up, pressed == part);
    };
    arrow(layout_.upArrow, images_.upArrow, images_.upArrowHighlight, layout_.upArrowX, layout_.upArrowY, true,
          Part::UpArrow);
    arrow(layout_.downArrow, images_.downArrow, images_.downArrowHighlight, layout_.downArrowX, layout_.downArrowY,
          false, Part::DownArrow);

    const int thumb = thumbTop(top, count, visible);
    const Value& thumbImage = pressed == Part::Thumb && !images_.thumbHighlight.isNil() ? images_.thumbHighlight
                                                                                        : images_.thumb;
    if (!thumbImage.isNil()) {
        drawImage(surface, thumbImage, bar.left, thumb);
    } else if (!pictured && layout_.thumbHeight > 0) {
        Rect box{bar.left, thumb, bar.right, thumb + layout_.thumbHeight};
        surface.fill(box, pressed == Part::Thumb ? kEdgeColour : kPartColour);
        surface.rectangle(box, kEdgeColour, 1);
    }
}

} // namespace vel
