// A true-colour drawing canvas over cairo: the off-screen surface, the presented frame and printed
// pages all draw through it. Coordinates are media pixels; colours are 0x00RRGGBB pixels (see
// pixels.h). Text arrives in Windows-1252 and is converted here, at the edge.
// A canvas may hold `scale` x `scale` real pixels per media pixel (a window shown at 2x, 3x...):
// cairo's device scale is set, so fills, lines and text are drawn at the real resolution while every
// coordinate stays a media pixel. pixels() gives the real pixels.
// A canvas may instead draw onto a vector surface (a printed page, see pdf_writer.h): text stays text
// and fills stay shapes; it has no pixels to read, and pictures are placed on it whole.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/pixels.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vel::platform {

// A face as the data names it, resolved to an installed face: Arial and MS Sans Serif to Liberation
// Sans, Times New Roman to Liberation Serif, Courier New to Liberation Mono; others as named.
struct FontSpec {
    std::string face;   // as the data names it; empty for the system's variable-pitch font
    int pixelHeight = 16; // character height (em) in pixels
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct TextMetrics {
    int width = 0;
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
};

std::string installedFaceFor(std::string_view face);

// Beyond 6 real pixels per media pixel (3840 x 2880) the canvases would outgrow any screen.
constexpr int kLargestCanvasScale = 6;

class Canvas {
public:
    Canvas(int width, int height, int scale = 1);
    // Draws onto `surface` (kept referenced), `unitsPerPixel` of its units to a pixel.
    Canvas(cairo_surface_t* surface, int width, int height, double unitsPerPixel);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int scale() const { return scale_; }

    // Direct access to the real pixels (width x scale by height x scale); call changed() after
    // writing so cairo sees the new pixels. A vector canvas has none: the view is empty.
    PixelView pixels();
    bool vector() const { return vector_; }
    // Places pixels (premultiplied, alpha 0 where nothing shows) with their top-left at (x, y), one
    // pixel of theirs to a pixel here.
    void placePixels(const PixelView& pixels, int x, int y);
    void changed();

    void setClip(const Rect& r);
    void resetClip();
    void fill(const Rect& r, uint32_t rgb);
    // Many small rectangles in one go (each fill costs far more than its pixels when they are few).
    void fill(std::span<const Rect> rects, uint32_t rgb);
    void frame(const Rect& r, uint32_t rgb, int penWidth);
    void line(int x0, int y0, int x1, int y1, uint32_t rgb, int penWidth);
    // Copies a rectangle of this canvas (or of another) to (x, y) here.
    void copyFrom(const Canvas& source, const Rect& from, int x, int y);

    void setFont(const FontSpec& font);
    const FontSpec& font() const { return font_; }
    TextMetrics measure(std::string_view text1252);
    // Draws with the cell's top-left at (x, y); background -1 leaves it transparent.
    void drawText(int x, int y, std::string_view text1252, uint32_t rgb, int64_t background);

    // The real pixels, and the media-size picture (each media pixel the mean of its real ones).
    bool writePng(const std::string& path);
    bool writeMediaPng(const std::string& path);

private:
    void applyColor(uint32_t rgb);
    int width_, height_, scale_;
    bool vector_ = false;
    cairo_surface_t* surface_;
    cairo_t* cairo_;
    FontSpec font_;
};


} // namespace vel::platform
