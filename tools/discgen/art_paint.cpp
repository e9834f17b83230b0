#include "discgen/art_paint.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace vel::discgen {

const SectionLook& sectionLook(std::string_view name)
{
    static const std::array<SectionLook, 12> looks = {{
        {"principal", 0x14285A, 0xC8D2EB, false},
        {"verbetes", 0x234B8C, 0xD2DEF0, true},
        {"atlas", 0x286E46, 0xD2EBD7, true},
        {"midias", 0xBE641E, 0xF5E1C8, true},
        {"bdados", 0x5A3C82, 0xE1D7F0, true},
        {"tempo", 0x785028, 0xEEE1CD, true},
        {"curio", 0x147882, 0xCDEBEB, true},
        {"retro", 0x962828, 0xF0D2D2, true},
        {"agenda", 0xAA8C1E, 0xF5EEC8, true},
        {"creditos", 0x14285A, 0xC8D2EB, false},
        {"infografico", 0x234B8C, 0xD2DEF0, true},
        // Dialog buttons and the like: warm grey.
        {"cinza", 0x8C8A84, 0xD8D4CA, false},
    }};
    for (const SectionLook& look : looks)
        if (look.name == name)
            return look;
    return looks[0];
}

bool knownSection(std::string_view name)
{
    return sectionLook(name).name == name;
}

uint32_t mix(uint32_t a, uint32_t b, double t)
{
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        out |= static_cast<uint32_t>(std::clamp(std::lround(ca + (cb - ca) * t), 0L, 255L)) << shift;
    }
    return out;
}

uint32_t lighter(uint32_t c, double t)
{
    return mix(c, 0xFFFFFF, t);
}

uint32_t darker(uint32_t c, double t)
{
    return mix(c, 0x000000, t);
}

uint32_t Noise::next()
{
    // splitmix64: small, fast and the same everywhere.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

uint32_t seedOf(std::string_view name)
{
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}

Painter::Painter(int width, int height) : width_(std::max(1, width)), height_(std::max(1, height))
{
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    cairo_ = cairo_create(surface_);
    setColour(kPaper);
    cairo_paint(cairo_);
}

Painter::~Painter()
{
    cairo_destroy(cairo_);
    cairo_surface_destroy(surface_);
}

platform::PixelView Painter::pixels()
{
    cairo_surface_flush(surface_);
    platform::PixelView view;
    view.pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
    view.width = width_;
    view.height = height_;
    view.stride = cairo_image_surface_get_stride(surface_) / 4;
    return view;
}

void Painter::setColour(uint32_t rgb, double alpha)
{
    cairo_set_source_rgba(cairo_, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0, alpha);
}

void Painter::fill(double x, double y, double w, double h, uint32_t rgb)
{
    setColour(rgb);
    cairo_rectangle(cairo_, x, y, w, h);
    cairo_fill(cairo_);
}

void Painter::verticalGradient(double x, double y, double w, double h, uint32_t top, uint32_t bottom)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    for (auto [at, c] : {std::pair{0.0, top}, std::pair{1.0, bottom}})
        cairo_pattern_add_color_stop_rgb(p, at, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0);
    cairo_set_source(cairo_, p);
    cairo_rectangle(cairo_, x, y, w, h);
    cairo_fill(cairo_);
    cairo_pattern_destroy(p);
}

void Painter::shadePixels(int x0, int y0, int w, int h, const std::function<double(int, int)>& shade)
{
    platform::PixelView view = pixels();
    const platform::Rect area = platform::Rect::sized(x0, y0, w, h).intersect(view.bounds());
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = view.row(y);
        for (int x = area.left; x < area.right; ++x) {
            const double d = shade(x, y);
            uint32_t out = 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const long c = std::lround(((row[x] >> shift) & 255) + d);
                out |= static_cast<uint32_t>(std::clamp(c, 0L, 255L)) << shift;
            }
            row[x] = out;
        }
    }
    cairo_surface_mark_dirty(surface_);
}

void Painter::grain(int x0, int y0, int w, int h, uint32_t seed, double strength)
{
    if (w <= 0 || h <= 0)
        return;
    Noise noise(seed);
    // Fibres: short, faint horizontal streaks, as in laid paper; then a fine speckle over everything.
    std::vector<float> fibre(static_cast<std::size_t>(w) * h, 0.0f);
    const int fibres = w * h / 90;
    for (int i = 0; i < fibres; ++i) {
        const int fx = static_cast<int>(noise.unit() * w), fy = static_cast<int>(noise.unit() * h);
        const int length = 3 + static_cast<int>(noise.unit() * 14);
        const auto depth = static_cast<float>((noise.unit() - 0.5) * strength * 1.6);
        for (int k = 0; k < length && fx + k < w; ++k)
            fibre[static_cast<std::size_t>(fy) * w + fx + k] += depth;
    }
    shadePixels(x0, y0, w, h, [&](int x, int y) {
        return fibre[static_cast<std::size_t>(y - y0) * w + (x - x0)] + (noise.unit() - 0.5) * strength;
    });
}

void Painter::clouds(int x0, int y0, int w, int h, uint32_t seed, double strength)
{
    // Value noise: random heights on coarse grids, smoothly interpolated, two octaves summed.
    struct Grid {
        int cell, columns;
        std::vector<double> heights;
    };
    Noise noise(seed ^ 0x5bd1e995u);
    std::vector<Grid> grids;
    for (int cell : {160, 56}) {
        Grid g{cell, w / cell + 2, {}};
        g.heights.resize(static_cast<std::size_t>(g.columns) * (h / cell + 2));
        for (double& v : g.heights)
            v = noise.unit() - 0.5;
        grids.push_back(std::move(g));
    }
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    shadePixels(x0, y0, w, h, [&](int x, int y) {
        double sum = 0, weight = 1;
        for (const Grid& g : grids) {
            const double gx = double(x - x0) / g.cell, gy = double(y - y0) / g.cell;
            const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
            const double tx = smooth(gx - ix), ty = smooth(gy - iy);
            auto at = [&](int cx, int cy) { return g.heights[static_cast<std::size_t>(cy) * g.columns + cx]; };
            const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
            const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
            sum += weight * (top + (bottom - top) * ty);
            weight *= 0.5;
        }
        return sum * strength;
    });
}

void Painter::bevel(int x, int y, int w, int h, uint32_t face, int pen, bool pressed)
{
    const uint32_t light = lighter(face, 0.55), dark = darker(face, 0.45);
    const uint32_t topLeft = pressed ? dark : light, bottomRight = pressed ? light : dark;
    for (int i = 0; i < pen; ++i) {
        fill(x + i, y + i, w - 2 * i, 1, topLeft);
        fill(x + i, y + i, 1, h - 2 * i, topLeft);
        fill(x + i, y + h - 1 - i, w - 2 * i, 1, bottomRight);
        fill(x + w - 1 - i, y + i, 1, h - 2 * i, bottomRight);
    }
}

void Painter::frame(int x, int y, int w, int h, uint32_t rgb, int pen)
{
    fill(x, y, w, pen, rgb);
    fill(x, y + h - pen, w, pen, rgb);
    fill(x, y, pen, h, rgb);
    fill(x + w - pen, y, pen, h, rgb);
}

void Painter::plate(int x, int y, int w, int h, uint32_t tint)
{
    const uint32_t dark = 0x28282C;
    frame(x - 8, y - 8, w + 16, h + 16, dark);
    fill(x - 7, y - 7, w + 14, 6, tint);
    fill(x - 7, y + h + 1, w + 14, 6, tint);
    fill(x - 7, y - 1, 6, h + 2, tint);
    fill(x + w + 1, y - 1, 6, h + 2, tint);
    frame(x - 1, y - 1, w + 2, h + 2, dark);
}

void Painter::backdrop(const SectionLook& look, int top, uint32_t seed)
{
    const bool dark = !look.band && look.name != "cinza";
    verticalGradient(0, top, width_, height_ - top, dark ? darker(look.main, 0.25) : mix(look.tint, kPaper, 0.6),
                     dark ? mix(look.main, look.tint, 0.22) : look.tint);
    if (dark)
        clouds(0, top, width_, height_ - top, seed, 14);
    grain(0, top, width_, height_ - top, seed, dark ? 4 : 6);
}

void Painter::faded(double alpha, const std::function<void()>& draw)
{
    if (alpha <= 0)
        return;
    cairo_push_group(cairo_);
    draw();
    cairo_pop_group_to_source(cairo_);
    cairo_paint_with_alpha(cairo_, std::min(1.0, alpha));
}

void Painter::band(const SectionLook& look, int height)
{
    verticalGradient(0, 0, width_, height, lighter(look.main, 0.12), darker(look.main, 0.18));
    // A faint weave, so the band reads as cloth rather than a flat fill.
    grain(0, 0, width_, height - 3, seedOf(look.name), 5);
    fill(0, 0, width_, 1, lighter(look.main, 0.35));
    fill(0, height - 3, width_, 1, lighter(look.main, 0.3));
    fill(0, height - 2, width_, 2, darker(look.main, 0.55));
}

void Painter::selectFont(const platform::FontSpec& font)
{
    const std::string face = platform::installedFaceFor(font.face);
    cairo_select_font_face(cairo_, face.c_str(), font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo_, std::max(1, font.pixelHeight));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_set_font_options(cairo_, options);
    cairo_font_options_destroy(options);
}

double Painter::textWidth(std::string_view text1252, const platform::FontSpec& font)
{
    selectFont(font);
    cairo_text_extents_t extents;
    cairo_text_extents(cairo_, platform::utf8FromWindows1252(text1252).c_str(), &extents);
    return extents.x_advance;
}

double Painter::ascent(const platform::FontSpec& font)
{
    selectFont(font);
    cairo_font_extents_t extents;
    cairo_font_extents(cairo_, &extents);
    return std::ceil(extents.ascent);
}

double Painter::text(double x, double baseline, std::string_view text1252, const platform::FontSpec& font, uint32_t rgb,
                     Align align)
{
    const double w = textWidth(text1252, font);
    if (align == Align::Centre)
        x -= w / 2;
    else if (align == Align::Right)
        x -= w;
    setColour(rgb);
    cairo_move_to(cairo_, std::round(x), std::round(baseline));
    cairo_show_text(cairo_, platform::utf8FromWindows1252(text1252).c_str());
    if (font.underline)
        fill(std::round(x), std::round(baseline) + 2, w, 1, rgb);
    return w;
}

} // namespace vel::discgen
