// The drawing surface of the application window: everything is drawn off screen into a canvas of
// the media size, then copied to the presented frame, which the window shows. Both canvases may be
// kept at the window's pixel scale (sharp text and lines); coordinates stay media pixels. Coordinates are the
// current form's: the origin offset is added to each. Palettes stay data here; fades blend the
// presented frame instead, with the same timing.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"
#include "platform/pixels.h"
#include "value/value.h"

namespace vel {

namespace platform {
class SdlWindow;
}

// Alignment of text drawn in a rectangle, as the platform's text-drawing flags give it.
namespace text_format {
constexpr int Left = 0, Center = 1, Right = 2, VCenter = 4, Bottom = 8, WordBreak = 16, SingleLine = 32;
}

class DrawingSurface {
public:
    DrawingSurface(int width, int height, platform::SdlWindow* window, int scale = 1);
    ~DrawingSurface();

    int width() const { return width_; }
    int height() const { return height_; }
    int scale() const { return offscreen_->scale(); }
    platform::Canvas& offscreen() { return *offscreen_; }
    // Whoever draws into the frame directly (movies, transitions) asks for it here, and from then on
    // a scroll no longer trusts the frame's pixels to be the off-screen canvas's until it is shown
    // whole again.
    platform::Canvas& frame()
    {
        frameForeign_ = true;
        return *frame_;
    }
    // Makes both canvases again at another scale, keeping what they show (resampled) until it is
    // drawn again; the surface's context follows, so values holding it stay good.
    void rescale(int scale);

    void setOrigin(int x, int y) { originX_ = x; originY_ = y; }
    int originX() const { return originX_; }
    int originY() const { return originY_; }
    // From form coordinates to surface pixels.
    platform::Rect toSurface(const platform::Rect& r) const;

    // The attribute-caching switch, read once when the surface is made.
    void setAttributeCaching(bool disabled) { cachingDisabled_ = disabled; }
    bool attributeCachingDisabled() const { return cachingDisabled_; }

    // Invalid areas are copied to the frame and shown by update. A few separate areas are kept
    // apart (a scrolled list's new lines and its bar), so the rows between them are not copied.
    void invalidate(const platform::Rect& r);
    void invalidateAll();
    void update();
    // Called after each update has shown new pixels (movies lie over the form and repaint then).
    void setAfterUpdate(std::function<void()> work) { afterUpdate_ = std::move(work); }
    // Shows the frame as it stands (after a transition or a fade step).
    void present();

    void fill(const platform::Rect& r, int32_t colorRef);
    void fill(std::span<const platform::Rect> rects, int32_t colorRef);
    void setBackgroundColor(int32_t colorRef) { background_ = colorRef; }
    int32_t backgroundColor() const { return background_; }
    void setTextColor(int32_t colorRef) { textColor_ = colorRef; }
    int32_t textColor() const { return textColor_; }
    // -1 draws text with a transparent background.
    void setTextBackground(int64_t colorRef) { textBackground_ = colorRef; }
    int64_t textBackground() const { return textBackground_; }
    // A font value (tag 16) or nil for the system font; reports "Cannot find font: ..." when unusable.
    bool selectFont(const Value& font);
    const Value& font() const { return font_; }
    platform::TextMetrics measureText(std::string_view text);
    void textOut(int x, int y, std::string_view text);
    // Lays the text out in the rectangle by the format flags; returns the height used.
    int drawTextInRect(const platform::Rect& r, std::string_view text, int format);
    void rectangle(const platform::Rect& r, int32_t colorRef, int penWidth);
    void line(int x0, int y0, int x1, int y1, int32_t colorRef, int penWidth);
    void copyArea(const platform::Rect& from, int x, int y);
    // Moves what the screen shows inside `area` by (dx, dy) media pixels, at the canvas's real
    // resolution, whatever the clip: a scrolled list or text keeps the lines that stay and draws only
    // those that come in. Both canvases move, so the moved pixels need no copy to the frame. Pixels
    // moved past the area are dropped; the strip they leave keeps its old pixels for the caller to
    // draw over. While printing it does nothing.
    void scroll(const platform::Rect& area, int dx, int dy);
    void intersectClip(const platform::Rect& r);
    void setClip(const platform::Rect& r);
    void resetClip();

    // Points to pixels by the platform rule, 96 dots per inch on the screen: (-36 - dpi * size) / 72.
    static int pixelHeightForPoints(int points, int dotsPerInch = 96);
    static platform::FontSpec fontSpecFor(const Value& font, int dotsPerInch = 96);

    // Sends the drawing operations to a printed page (nullptr: back to the screen) for a print job.
    void redirect(platform::Canvas* page, int dotsPerInch);
    bool printing() const { return target_ != offscreen_.get(); }
    platform::Canvas& target() { return *target_; }

    // The frame at its real resolution, and at the media size.
    bool writeFramePng(const std::string& path) { return frame_->writePng(path); }
    bool writeMediaFramePng(const std::string& path) { return frame_->writeMediaPng(path); }

    // The surface as a drawing context (tag 14), for images and captures; its origin is the surface's.
    Value context();
    // Fills with the background colour, draws the image at the origin's corner, shows it all and resets
    // the origin to (0, 0).
    void setBackgroundImage(const Value& image);
    // Draws the background colour and image again, without showing them yet.
    void redrawBackground();
    const Value& backgroundImage() const { return backgroundImage_; }

private:
    int width_, height_;
    std::unique_ptr<platform::Canvas> offscreen_;
    std::unique_ptr<platform::Canvas> frame_;
    platform::SdlWindow* window_;
    int originX_ = 0, originY_ = 0;
    bool cachingDisabled_ = true;
    // Marks an area drawn by the operations here, which the clip bounds.
    void drawn(const platform::Rect& area);

    std::vector<platform::Rect> invalid_;
    bool frameForeign_ = false;
    bool frameMoved_ = false; // not shown yet
    platform::Rect clip_;
    bool clipped_ = false;
    int32_t background_ = 0;
    int32_t textColor_ = 1;
    int64_t textBackground_ = -1;
    Value font_;
    Value context_;
    Value backgroundImage_;
    platform::Canvas* target_ = nullptr;
    int dotsPerInch_ = 96;
    Value printContext_;
    std::function<void()> afterUpdate_;
};

} // namespace vel
