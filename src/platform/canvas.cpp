#include "platform/canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/text_encoding.h"

namespace vel::platform {

std::string installedFaceFor(std::string_view face)
{
    std::string lower;
    for (char c : face)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.empty() || lower == "arial" || lower == "ms sans serif" || lower == "helvetica" ||
        lower == "ansi_var_font" || lower == "system")
        return "Liberation Sans";
    if (lower == "times new roman" || lower == "times")
        return "Liberation Serif";
    if (lower == "courier new" || lower == "courier")
        return "Liberation Mono";
    return std::string(face);
}

Canvas::Canvas(int width, int height, int scale)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1), scale_(std::clamp(scale, 1, kLargestCanvasScale))
{
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_ * scale_, height_ * scale_);
    cairo_surface_set_device_scale(surface_, scale_, scale_);
    cairo_ = cairo_create(surface_);
    cairo_set_antialias(cairo_, CAIRO_ANTIALIAS_NONE);
    setFont(FontSpec{});
}

Canvas::Canvas(cairo_surface_t* surface, int width, int height, double unitsPerPixel)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1), scale_(1), vector_(true),
      surface_(cairo_surface_reference(surface))
{
    cairo_ = cairo_create(surface_);
    cairo_scale(cairo_, unitsPerPixel, unitsPerPixel);
    setFont(FontSpec{});
}

Canvas::~Canvas()
{
    cairo_destroy(cairo_);
    cairo_surface_destroy(surface_);
}

PixelView Canvas::pixels()
{
    if (vector_)
        return {};
    cairo_surface_flush(surface_);
    PixelView view;
    view.pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
    view.width = width_ * scale_;
    view.height = height_ * scale_;
    view.stride = cairo_image_surface_get_stride(surface_) / 4;
    return view;
}

void Canvas::changed()
{
    if (!vector_)
        cairo_surface_mark_dirty(surface_);
}

void Canvas::placePixels(const PixelView& pixels, int x, int y)
{
    if (!pixels.pixels || pixels.width <= 0 || pixels.height <= 0)
        return;
    cairo_surface_t* picture =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.pixels), CAIRO_FORMAT_ARGB32,
                                            pixels.width, pixels.height, pixels.stride * 4);
    cairo_save(cairo_);
    cairo_set_source_surface(cairo_, picture, x, y);
    // The picture was drawn at this canvas's resolution already; nothing is to be blended in.
    cairo_pattern_set_filter(cairo_get_source(cairo_), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cairo_, x, y, pixels.width, pixels.height);
    cairo_fill(cairo_);
    cairo_restore(cairo_);
    // A vector surface may keep the source until the page ends: it takes a copy of the pixels.
    cairo_surface_finish(picture);
    cairo_surface_destroy(picture);
}

void Canvas::applyColor(uint32_t rgb)
{
    cairo_set_source_rgb(cairo_, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
}

void Canvas::setClip(const Rect& r)
{
    cairo_reset_clip(cairo_);
    cairo_rectangle(cairo_, r.left, r.top, std::max(0, r.width()), std::max(0, r.height()));
    cairo_clip(cairo_);
}

void Canvas::resetClip()
{
    cairo_reset_clip(cairo_);
}

void Canvas::fill(const Rect& r, uint32_t rgb)
{
    if (r.empty())
        return;
    applyColor(rgb);
    cairo_rectangle(cairo_, r.left, r.top, r.width(), r.height());
    cairo_fill(cairo_);
}

void Canvas::fill(std::span<const Rect> rects, uint32_t rgb)
{
    applyColor(rgb);
    for (const Rect& r : rects)
        if (!r.empty())
            cairo_rectangle(cairo_, r.left, r.top, r.width(), r.height());
    cairo_fill(cairo_);
}

void Canvas::frame(const Rect& r, uint32_t rgb, int penWidth)
{
    if (r.empty() || penWidth <= 0)
        return;
    // The pen runs inside the rectangle, as the platform's framed rectangles do.
    int p = penWidth;
    fill({r.left, r.top, r.right, std::min(r.bottom, r.top + p)}, rgb);
    fill({r.left, std::max(r.top, r.bottom - p), r.right, r.bottom}, rgb);
    fill({r.left, r.top, std::min(r.right, r.left + p), r.bottom}, rgb);
    fill({std::max(r.left, r.right - p), r.top, r.right, r.bottom}, rgb);
}

void Canvas::line(int x0, int y0, int x1, int y1, uint32_t rgb, int penWidth)
{
    applyColor(rgb);
    cairo_set_line_width(cairo_, std::max(1, penWidth));
    cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_SQUARE);
    // Pixel centres, so a one-pixel pen covers whole pixels.
    cairo_move_to(cairo_, x0 + 0.5, y0 + 0.5);
    cairo_line_to(cairo_, x1 + 0.5, y1 + 0.5);
    cairo_stroke(cairo_);
}

void Canvas::copyFrom(const Canvas& source, const Rect& from, int x, int y)
{
    // A vector page keeps no pixels to copy.
    if (from.empty() || source.vector_ || vector_)
        return;
    cairo_surface_flush(source.surface_);
    cairo_save(cairo_);
    cairo_rectangle(cairo_, x, y, from.width(), from.height());
    cairo_clip(cairo_);
    cairo_set_operator(cairo_, CAIRO_OPERATOR_SOURCE);
    if (&source == this) {
        // Overlapping copies within one surface go through a snapshot of the area.
        cairo_surface_t* copy = cairo_surface_create_similar_image(surface_, CAIRO_FORMAT_RGB24, from.width() * scale_,
                                                                   from.height() * scale_);
        cairo_surface_set_device_scale(copy, scale_, scale_);
        cairo_t* c = cairo_create(copy);
        cairo_set_source_surface(c, surface_, -from.left, -from.top);
        cairo_paint(c);
        cairo_destroy(c);
        cairo_set_source_surface(cairo_, copy, x, y);
        cairo_paint(cairo_);
        cairo_surface_destroy(copy);
    } else {
        cairo_set_source_surface(cairo_, source.surface_, x - from.left, y - from.top);
        cairo_paint(cairo_);
    }
    cairo_restore(cairo_);
}

void Canvas::setFont(const FontSpec& font)
{
    font_ = font;
    std::string face = installedFaceFor(font.face);
    cairo_select_font_face(cairo_, face.c_str(), font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo_, std::max(1, font.pixelHeight));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    // A vector page's units are points: metrics rounded to them would space printed letters unevenly.
    cairo_font_options_set_hint_style(options, vector_ ? CAIRO_HINT_STYLE_NONE : CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, vector_ ? CAIRO_HINT_METRICS_OFF : CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cairo_, options);
    cairo_font_options_destroy(options);
}

TextMetrics Canvas::measure(std::string_view text1252)
{
    std::string utf8 = utf8FromWindows1252(text1252);
    cairo_font_extents_t font;
    cairo_font_extents(cairo_, &font);
    cairo_text_extents_t text;
    cairo_text_extents(cairo_, utf8.c_str(), &text);
    TextMetrics m;
    m.width = static_cast<int>(std::lround(text.x_advance));
    m.ascent = static_cast<int>(std::ceil(font.ascent));
    m.descent = static_cast<int>(std::ceil(font.descent));
    m.height = m.ascent + m.descent;
    return m;
}

void Canvas::drawText(int x, int y, std::string_view text1252, uint32_t rgb, int64_t background)
{
    TextMetrics m = measure(text1252);
    if (background >= 0)
        fill(Rect::sized(x, y, m.width, m.height), static_cast<uint32_t>(background));
    std::string utf8 = utf8FromWindows1252(text1252);
    applyColor(rgb);
    cairo_move_to(cairo_, x, y + m.ascent);
    cairo_show_text(cairo_, utf8.c_str());
    if (font_.underline) {
        int underlineY = y + m.ascent + std::max(1, m.descent / 3);
        fill(Rect::sized(x, underlineY, m.width, std::max(1, font_.pixelHeight / 14)), rgb);
    }
}

bool Canvas::writePng(const std::string& path)
{
    if (vector_)
        return false;
    cairo_surface_flush(surface_);
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool Canvas::writeMediaPng(const std::string& path)
{
    if (scale_ == 1 || vector_)
        return writePng(path);
    cairo_surface_t* small = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    cairo_surface_flush(small);
    const PixelView from = pixels();
    auto* out = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(small));
    const int outStride = cairo_image_surface_get_stride(small) / 4;
    const int area = scale_ * scale_;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            uint32_t sum[3] = {0, 0, 0};
            for (int dy = 0; dy < scale_; ++dy) {
                const uint32_t* in = from.row(y * scale_ + dy) + x * scale_;
                for (int dx = 0; dx < scale_; ++dx) {
                    sum[0] += (in[dx] >> 16) & 255;
                    sum[1] += (in[dx] >> 8) & 255;
                    sum[2] += in[dx] & 255;
                }
            }
            out[y * outStride + x] = 0xFF000000u | ((sum[0] + area / 2) / area) << 16 |
                                     ((sum[1] + area / 2) / area) << 8 | (sum[2] + area / 2) / area;
        }
    }
    cairo_surface_mark_dirty(small);
    const bool ok = cairo_surface_write_to_png(small, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(small);
    return ok;
}

} // namespace vel::platform
