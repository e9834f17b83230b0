#include "runtime/surface.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sdl_window.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/string.h"

namespace vel {

using platform::Rect;

namespace {
uint32_t pixelOf(int32_t colorRef)
{
    return platform::fromColorRef(colorRef) & 0x00FFFFFF;
}

// The off-screen canvas as a drawing context: what images draw is marked for cairo and for the next
// update.
class SurfaceContext final : public DrawingContext {
public:
    explicit SurfaceContext(DrawingSurface& surface) : surface_(surface) { follow(); }
    // After the surface changed its canvas.
    void follow() { setView(surface_.offscreen().pixels(), surface_.scale()); }
    void changed(const Rect& area) override
    {
        surface_.offscreen().changed();
        surface_.invalidate(area);
    }

private:
    DrawingSurface& surface_;
};

// A printed page as a drawing context. A page drawn as vectors has its size but no pixels: pictures
// are placed on it whole.
class PageContext final : public DrawingContext {
public:
    explicit PageContext(platform::Canvas& page) : page_(page)
    {
        setView(page.vector() ? platform::PixelView{nullptr, page.width(), page.height(), 0} : page.pixels());
    }
    void changed(const Rect&) override { page_.changed(); }
    platform::Canvas* vectorPage() override { return page_.vector() ? &page_ : nullptr; }

private:
    platform::Canvas& page_;
};
} // namespace

void DrawingSurface::redirect(platform::Canvas* page, int dotsPerInch)
{
    target_ = page ? page : offscreen_.get();
    dotsPerInch_ = page ? dotsPerInch : 96;
    clipped_ = false;
    clip_ = Rect{};
    target_->resetClip();
    target_->setFont(fontSpecFor(font_, dotsPerInch_));
    printContext_ = page ? Value::adopt(Tag::Context, new PageContext(*page)) : Value();
}

Value DrawingSurface::context()
{
    if (printing()) {
        auto* page = printContext_.as<DrawingContext>();
        target_->pixels();
        page->setOrigin(originX_, originY_);
        return printContext_;
    }
    if (context_.isNil())
        context_ = Value::adopt(Tag::Context, new SurfaceContext(*this));
    auto* c = context_.as<DrawingContext>();
    // Cairo may have drawn since: let the pixels settle before anyone reads or writes them.
    offscreen_->pixels();
    c->setOrigin(originX_, originY_);
    return context_;
}

void DrawingSurface::setBackgroundImage(const Value& image)
{
    backgroundImage_ = image;
    redrawBackground();
    update();
}

void DrawingSurface::redrawBackground()
{
    originX_ = originY_ = 0;
    offscreen_->resetClip();
    offscreen_->fill({0, 0, width_, height_}, pixelOf(background_));
    if (!backgroundImage_.isNil())
        velDrawImage(context(), backgroundImage_, 0, 0);
    invalidateAll();
}

DrawingSurface::DrawingSurface(int width, int height, platform::SdlWindow* window, int scale)
    : width_(width), height_(height), offscreen_(std::make_unique<platform::Canvas>(width, height, scale)),
      frame_(std::make_unique<platform::Canvas>(width, height, scale)), window_(window)
{
    target_ = offscreen_.get();
    offscreen_->fill({0, 0, width, height}, 0);
    frame_->fill({0, 0, width, height}, 0);
}

DrawingSurface::~DrawingSurface() = default;

void DrawingSurface::rescale(int scale)
{
    scale = std::clamp(scale, 1, platform::kLargestCanvasScale);
    if (scale == offscreen_->scale())
        return;
    // One canvas at a time, so that three are held at most, not four: the frame starts from the new
    // off-screen canvas, which the next update copies to it anyway.
    const Rect all{0, 0, width_, height_};
    auto offscreen = std::make_unique<platform::Canvas>(width_, height_, scale);
    offscreen->copyFrom(*offscreen_, all, 0, 0);
    if (target_ == offscreen_.get())
        target_ = offscreen.get();
    offscreen_ = std::move(offscreen);
    frame_.reset();
    frame_ = std::make_unique<platform::Canvas>(width_, height_, scale);
    frame_->copyFrom(*offscreen_, all, 0, 0);
    frameForeign_ = false;
    offscreen_->setFont(fontSpecFor(font_));
    if (clipped_ && !printing())
        offscreen_->setClip(clip_);
    if (!context_.isNil())
        static_cast<SurfaceContext*>(context_.as<DrawingContext>())->follow();
}

Rect DrawingSurface::toSurface(const Rect& r) const
{
    return {r.left + originX_, r.top + originY_, r.right + originX_, r.bottom + originY_};
}

namespace {
Rect bounding(const Rect& a, const Rect& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
// Beyond this many separate areas the copies cost more in calls than they save in pixels.
constexpr std::size_t kMostInvalidAreas = 8;
} // namespace

void DrawingSurface::invalidate(const Rect& r)
{
    if (printing())
        return;
    Rect area = r.intersect({0, 0, width_, height_});
    if (area.empty())
        return;
    // Overlapping areas become one, and again with whatever the union overlaps then.
    for (std::size_t i = 0; i < invalid_.size();) {
        if (invalid_[i].intersect(area).empty()) {
            ++i;
            continue;
        }
        area = bounding(area, invalid_[i]);
        invalid_.erase(invalid_.begin() + static_cast<std::ptrdiff_t>(i));
        i = 0;
    }
    invalid_.push_back(area);
    if (invalid_.size() > kMostInvalidAreas) {
        for (const Rect& other : invalid_)
            area = bounding(area, other);
        invalid_.assign(1, area);
    }
}

void DrawingSurface::drawn(const Rect& area)
{
    invalidate(clipped_ ? area.intersect(clip_) : area);
}

void DrawingSurface::invalidateAll()
{
    invalidate({0, 0, width_, height_});
}

void DrawingSurface::update()
{
    if (invalid_.empty() && !frameMoved_)
        return;
    frameMoved_ = false;
    for (const Rect& area : invalid_) {
        frame_->copyFrom(*offscreen_, area, area.left, area.top);
        if (area.left == 0 && area.top == 0 && area.right == width_ && area.bottom == height_)
            frameForeign_ = false;
    }
    invalid_.clear();
    if (afterUpdate_)
        afterUpdate_();
    present();
}

void DrawingSurface::present()
{
    if (window_)
        window_->present(frame_->pixels());
}

void DrawingSurface::fill(const Rect& r, int32_t colorRef)
{
    Rect area = toSurface(r);
    target_->fill(area, pixelOf(colorRef));
    drawn(area);
}

void DrawingSurface::fill(std::span<const Rect> rects, int32_t colorRef)
{
    std::vector<Rect> areas;
    areas.reserve(rects.size());
    for (const Rect& r : rects) {
        areas.push_back(toSurface(r));
        drawn(areas.back());
    }
    target_->fill(areas, pixelOf(colorRef));
}

int DrawingSurface::pixelHeightForPoints(int points, int dotsPerInch)
{
    int height = (-36 - dotsPerInch * points) / 72;
    return height < 0 ? -height : height;
}

platform::FontSpec DrawingSurface::fontSpecFor(const Value& font, int dotsPerInch)
{
    platform::FontSpec spec;
    if (!font.is(Tag::Font)) {
        spec.pixelHeight = pixelHeightForPoints(10, dotsPerInch);
        return spec;
    }
    const Font* f = font.as<Font>();
    spec.face = std::string(textOf(f->face));
    spec.pixelHeight = pixelHeightForPoints(f->size, dotsPerInch);
    spec.italic = (f->style & 1) != 0;
    spec.bold = (f->style & 2) != 0;
    spec.underline = (f->style & 12) != 0;
    return spec;
}

bool DrawingSurface::selectFont(const Value& font)
{
    if (font.is(Tag::Font)) {
        const Font* f = font.as<Font>();
        // A face name the platform cannot hold, or a size that gives no glyphs, has no font.
        if (textOf(f->face).size() > 32 || f->size <= 0 || f->size > 1000) {
            velError("Cannot find font: " + std::string(textOf(f->face)) + " of size " + std::to_string(f->size) +
                     " with style " + std::to_string(f->style));
            return false;
        }
    } else if (!font.isNil()) {
        velError("Cannot select font:");
        return false;
    }
    font_ = font;
    target_->setFont(fontSpecFor(font, dotsPerInch_));
    return true;
}

platform::TextMetrics DrawingSurface::measureText(std::string_view text)
{
    return target_->measure(text);
}

void DrawingSurface::textOut(int x, int y, std::string_view text)
{
    platform::TextMetrics m = target_->measure(text);
    Rect area = toSurface(Rect::sized(x, y, m.width, m.height));
    target_->drawText(area.left, area.top, text, pixelOf(textColor_),
                         textBackground_ < 0 ? -1 : static_cast<int64_t>(pixelOf(static_cast<int32_t>(textBackground_))));
    drawn(area);
}

int DrawingSurface::drawTextInRect(const Rect& r, std::string_view text, int format)
{
    Rect area = toSurface(r);
    // Break into lines: at line feeds, and at spaces where a word would cross the right edge.
    std::vector<std::string> lines;
    std::string current;
    int currentWidth = 0;
    const int spaceWidth = target_->measure(" ").width;
    auto flush = [&] {
        lines.push_back(current);
        current.clear();
        currentWidth = 0;
    };
    std::size_t i = 0;
    while (i <= text.size()) {
        if (i == text.size() || text[i] == '\n') {
            if (!current.empty() && current.back() == '\r')
                current.pop_back();
            flush();
            ++i;
            if (i > text.size())
                break;
            continue;
        }
        if ((format & text_format::SingleLine) || !(format & text_format::WordBreak)) {
            current += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\n')
            ++end;
        std::string_view word = text.substr(i, end - i);
        // Widths add up word by word, so each word is measured once.
        int wordWidth = target_->measure(word).width;
        if (!current.empty() && currentWidth + spaceWidth + wordWidth > area.width())
            flush();
        if (!current.empty()) {
            current += ' ';
            currentWidth += spaceWidth;
        }
        current += word;
        currentWidth += wordWidth;
        i = end;
        if (i < text.size() && text[i] == ' ')
            ++i;
    }
    if (format & text_format::SingleLine) {
        std::string joined;
        for (auto& l : lines)
            joined += l;
        lines = {joined};
    }
    int lineHeight = target_->measure("Ag").height;
    int total = lineHeight * static_cast<int>(lines.size());
    int y = area.top;
    if (format & text_format::VCenter)
        y = area.top + (area.height() - total) / 2;
    else if (format & text_format::Bottom)
        y = area.bottom - total;
    target_->setClip(clipped_ ? area.intersect(clip_) : area);
    for (const std::string& l : lines) {
        int w = target_->measure(l).width;
        int x = (format & text_format::Center) ? area.left + (area.width() - w) / 2
                : (format & text_format::Right) ? area.right - w
                                                : area.left;
        target_->drawText(x, y, l, pixelOf(textColor_),
                             textBackground_ < 0 ? -1 : static_cast<int64_t>(pixelOf(static_cast<int32_t>(textBackground_))));
        y += lineHeight;
    }
    if (clipped_)
        target_->setClip(clip_);
    else
        target_->resetClip();
    invalidate(area);
    return total;
}

void DrawingSurface::rectangle(const Rect& r, int32_t colorRef, int penWidth)
{
    Rect area = toSurface(r);
    target_->frame(area, pixelOf(colorRef), penWidth);
    drawn(area);
}

void DrawingSurface::line(int x0, int y0, int x1, int y1, int32_t colorRef, int penWidth)
{
    target_->line(x0 + originX_, y0 + originY_, x1 + originX_, y1 + originY_, pixelOf(colorRef), penWidth);
    int pad = std::max(1, penWidth);
    drawn({std::min(x0, x1) + originX_ - pad, std::min(y0, y1) + originY_ - pad,
                std::max(x0, x1) + originX_ + pad + 1, std::max(y0, y1) + originY_ + pad + 1});
}

void DrawingSurface::copyArea(const Rect& from, int x, int y)
{
    Rect source = toSurface(from);
    target_->copyFrom(*target_, source, x + originX_, y + originY_);
    drawn(Rect::sized(x + originX_, y + originY_, source.width(), source.height()));
}

void DrawingSurface::scroll(const Rect& area, int dx, int dy)
{
    const Rect box = toSurface(area).intersect({0, 0, width_, height_});
    const Rect to = Rect{box.left + dx, box.top + dy, box.right + dx, box.bottom + dy}.intersect(box);
    if (printing() || to.empty() || (dx == 0 && dy == 0))
        return;
    // Rows straight in memory: a copy through cairo within one canvas takes a snapshot of the area
    // first, twice the work; moved a few rows, each row is still in the cache when it is written.
    auto move = [&](platform::Canvas& canvas) {
        const platform::PixelView pixels = canvas.pixels();
        const int k = canvas.scale();
        const std::size_t rowBytes = static_cast<std::size_t>(to.width() * k) * sizeof(uint32_t);
        const int rows = to.height() * k, x = to.left * k, y = to.top * k, shiftX = dx * k, shiftY = dy * k;
        for (int i = 0; i < rows; ++i) {
            // Moving down, the lowest row goes first, so no row is overwritten before it has moved.
            const int row = dy > 0 ? y + rows - 1 - i : y + i;
            std::memmove(pixels.row(row) + x, pixels.row(row - shiftY) + x - shiftX, rowBytes);
        }
        canvas.changed();
    };
    if (frameForeign_) {
        move(*offscreen_);
        invalidate(to);
        return;
    }
    // What the frame does not show yet is copied first, so that it moves with the rest.
    for (std::size_t i = 0; i < invalid_.size();) {
        const Rect pending = invalid_[i].intersect(box);
        if (!pending.empty())
            frame_->copyFrom(*offscreen_, pending, pending.left, pending.top);
        // An area inside the box is shown whole by that copy.
        if (pending.width() == invalid_[i].width() && pending.height() == invalid_[i].height())
            invalid_.erase(invalid_.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    move(*offscreen_);
    move(*frame_);
    frameMoved_ = true;
}

void DrawingSurface::intersectClip(const Rect& r)
{
    Rect area = toSurface(r);
    clip_ = clipped_ ? clip_.intersect(area) : area;
    clipped_ = true;
    target_->setClip(clip_);
}

void DrawingSurface::setClip(const Rect& r)
{
    clip_ = toSurface(r);
    clipped_ = true;
    target_->setClip(clip_);
}

void DrawingSurface::resetClip()
{
    clipped_ = false;
    clip_ = Rect{};
    target_->resetClip();
}

} // namespace vel
