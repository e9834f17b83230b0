// Drawing the atlas's maps: shapes filled and outlined through a projection, cities and labels,
// on the disc generator's drawing kit (cairo), and the finished picture written as an 8-bit bitmap.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "discdata/geo.h"
#include "discgen/art_paint.h"

namespace vel::discdata {

// The atlas's colours, 0xRRGGBB.
struct MapInk {
    static constexpr uint32_t kSea = 0xB9D7EC, kLand = 0xEFE8D4, kHighlight = 0xA9CF8E, kBorder = 0x8A8272,
                              kCoast = 0x5E7F99, kGraticule = 0xA5C5DD, kText = 0x191919, kCapital = 0xC0282D;
};

class MapPicture {
public:
    explicit MapPicture(const Projection& projection);

    const Projection& projection() const { return projection_; }
    discgen::Painter& painter() { return painter_; }
    cairo_t* cairo() { return painter_.cairo(); }

    void sea();
    // Meridians and parallels every `step` degrees.
    void graticule(double step);
    void fillShape(const Shape& shape, uint32_t rgb);
    void outlineShape(const Shape& shape, uint32_t rgb, double pen);
    // A capital: a ringed dot and its name beside it (UTF-8), kept inside the picture.
    void city(LonLat at, std::string_view name, bool capital);
    // A label centred on a point, with a light halo so it reads over borders.
    void label(Point at, std::string_view utf8, int pixels, bool bold, uint32_t rgb);
    // A title plate in the top-left corner.
    void title(std::string_view utf8, std::string_view subtitle);

    // Writes the picture as a bitmap: its colours cut to the 256 it uses most (the flat fills),
    // every other (the smoothed edges) drawn as the nearest of those, so that it fits 8 bits.
    void write(const fs::path& path);

private:
    void path(const Shape& shape);
    Projection projection_;
    discgen::Painter painter_;
};

// Reduces the pixels to at most 256 colours in place, as MapPicture::write does.
void reduceColours(const platform::PixelView& view);

// Where a label for a shape goes: the middle of its largest polygon's projected outline.
Point labelPoint(const Shape& shape, const Projection& projection);

} // namespace vel::discdata
