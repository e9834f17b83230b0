#include "discdata/maps.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "discgen/discgen.h"

namespace vel::discdata {

namespace {

void source(cairo_t* c, uint32_t rgb)
{
    cairo_set_source_rgb(c, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
}

platform::FontSpec mapFont(int pixels, bool bold)
{
    platform::FontSpec font;
    font.face = "Arial";
    font.pixelHeight = pixels;
    font.bold = bold;
    return font;
}

int distance(uint32_t a, uint32_t b)
{
    int sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255);
        sum += d * d;
    }
    return sum;
}

} // namespace

MapPicture::MapPicture(const Projection& projection)
    : projection_(projection), painter_(projection.width, projection.height)
{
}

void MapPicture::sea()
{
    painter_.fill(0, 0, projection_.width, projection_.height, MapInk::kSea);
}

void MapPicture::graticule(double step)
{
    cairo_t* c = cairo();
    const LonLat corner = projection_.unproject({0, 0});
    const LonLat other = projection_.unproject({static_cast<double>(projection_.width), static_cast<double>(projection_.height)});
    source(c, MapInk::kGraticule);
    cairo_set_line_width(c, 0.6);
    for (double lon = std::ceil(corner.lon / step) * step; lon <= other.lon; lon += step) {
        const double x = projection_.project({lon, 0}).x;
        cairo_move_to(c, x, 0);
        cairo_line_to(c, x, projection_.height);
    }
    for (double lat = std::ceil(other.lat / step) * step; lat <= corner.lat; lat += step) {
        const double y = projection_.project({projection_.centreLon, lat}).y;
        cairo_move_to(c, 0, y);
        cairo_line_to(c, projection_.width, y);
    }
    cairo_stroke(c);
}

void MapPicture::path(const Shape& shape)
{
    cairo_t* c = cairo();
    cairo_new_path(c);
    for (const Polygon& polygon : shape.polygons)
        for (const Ring& ring : polygon) {
            const std::vector<Point> points = projection_.projectRing(ring);
            if (points.size() < 3)
                continue;
            cairo_move_to(c, points[0].x, points[0].y);
            for (std::size_t i = 1; i < points.size(); ++i)
                cairo_line_to(c, points[i].x, points[i].y);
            cairo_close_path(c);
        }
}

void MapPicture::fillShape(const Shape& shape, uint32_t rgb)
{
    path(shape);
    cairo_set_fill_rule(cairo(), CAIRO_FILL_RULE_EVEN_ODD);
    source(cairo(), rgb);
    cairo_fill(cairo());
}

void MapPicture::outlineShape(const Shape& shape, uint32_t rgb, double pen)
{
    path(shape);
    source(cairo(), rgb);
    cairo_set_line_width(cairo(), pen);
    cairo_set_line_join(cairo(), CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cairo());
}

void MapPicture::label(Point at, std::string_view utf8, int pixels, bool bold, uint32_t rgb)
{
    const std::string text = to1252(utf8, "map label");
    const platform::FontSpec font = mapFont(pixels, bold);
    const double w = painter_.textWidth(text, font);
    const double x = std::clamp(at.x - w / 2, 3.0, projection_.width - w - 3);
    const double baseline = std::clamp(at.y + pixels / 3.0, pixels + 2.0, projection_.height - 4.0);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy)
                painter_.text(x + dx, baseline + dy, text, font, 0xFFFFFF);
    painter_.text(x, baseline, text, font, rgb);
}

void MapPicture::city(LonLat at, std::string_view name, bool capital)
{
    const Point p = projection_.project(at);
    cairo_t* c = cairo();
    cairo_new_path(c);
    cairo_arc(c, p.x, p.y, capital ? 4.5 : 3, 0, 2 * M_PI);
    source(c, 0xFFFFFF);
    cairo_fill_preserve(c);
    source(c, capital ? MapInk::kCapital : MapInk::kText);
    cairo_set_line_width(c, 1.5);
    cairo_stroke(c);
    if (capital) {
        cairo_arc(c, p.x, p.y, 2, 0, 2 * M_PI);
        cairo_fill(c);
    }
    const std::string text = to1252(name, "city name");
    const platform::FontSpec font = mapFont(capital ? 13 : 11, capital);
    const double w = painter_.textWidth(text, font);
    // Right of the dot, or left of it where the picture ends.
    const bool left = p.x + 8 + w > projection_.width - 2;
    label({left ? p.x - 8 - w / 2 : p.x + 8 + w / 2, p.y}, name, font.pixelHeight, capital, MapInk::kText);
}

void MapPicture::title(std::string_view utf8, std::string_view subtitle)
{
    const std::string text = to1252(utf8, "map title");
    const std::string small = to1252(subtitle, "map title");
    const platform::FontSpec big = mapFont(18, true), note = mapFont(11, false);
    const double w = std::max(painter_.textWidth(text, big), painter_.textWidth(small, note)) + 16;
    const double h = small.empty() ? 28 : 44;
    painter_.fill(6, 6, w, h, 0xFAF7EE);
    painter_.frame(6, 6, static_cast<int>(w), static_cast<int>(h), MapInk::kBorder);
    painter_.text(14, 27, text, big, MapInk::kText);
    if (!small.empty())
        painter_.text(14, 43, small, note, 0x4A4A4A);
}

void MapPicture::write(const fs::path& path)
{
    const platform::PixelView view = painter_.pixels();
    reduceColours(view);
    if (!discgen::writeBitmap(path, view))
        fail(path.string() + ": cannot write");
}

void reduceColours(const platform::PixelView& view)
{
    std::unordered_map<uint32_t, int> counts;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            ++counts[view.row(y)[x] & 0xFFFFFF];
    if (counts.size() <= 256)
        return;
    // The inks come first whatever their share: a capital's few red pixels must stay red.
    std::vector<uint32_t> kept = {MapInk::kSea,   MapInk::kLand, MapInk::kHighlight, MapInk::kBorder, MapInk::kCoast,
                                  MapInk::kText,  MapInk::kCapital, 0xFFFFFF, 0x000000};
    std::vector<std::pair<int, uint32_t>> byUse;
    byUse.reserve(counts.size());
    for (auto [colour, count] : counts)
        if (std::find(kept.begin(), kept.end(), colour) == kept.end())
            byUse.push_back({count, colour});
    std::sort(byUse.begin(), byUse.end(), [](auto a, auto b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    for (std::size_t i = 0; kept.size() < 256 && i < byUse.size(); ++i)
        kept.push_back(byUse[i].second);
    std::unordered_map<uint32_t, uint32_t> nearest;
    for (uint32_t colour : kept)
        nearest[colour] = colour;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            uint32_t& pixel = view.row(y)[x];
            const uint32_t colour = pixel & 0xFFFFFF;
            auto [at, added] = nearest.try_emplace(colour, colour);
            if (added) {
                int best = 1 << 30;
                for (uint32_t candidate : kept)
                    if (const int d = distance(colour, candidate); d < best) {
                        best = d;
                        at->second = candidate;
                    }
            }
            pixel = (pixel & 0xFF000000) | at->second;
        }
}

Point labelPoint(const Shape& shape, const Projection& projection)
{
    const Ring* biggest = nullptr;
    double largest = -1;
    for (const Polygon& polygon : shape.polygons)
        if (!polygon.empty() && ringArea(polygon.front()) > largest) {
            largest = ringArea(polygon.front());
            biggest = &polygon.front();
        }
    if (!biggest)
        return {projection.width / 2.0, projection.height / 2.0};
    // The centroid of the projected outline.
    const std::vector<Point> points = projection.projectRing(*biggest);
    double area = 0, cx = 0, cy = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % points.size()];
        const double cross = a.x * b.y - b.x * a.y;
        area += cross;
        cx += (a.x + b.x) * cross;
        cy += (a.y + b.y) * cross;
    }
    if (std::abs(area) < 1e-9)
        return points.empty() ? Point{} : points.front();
    return {cx / (3 * area), cy / (3 * area)};
}

} // namespace vel::discdata
