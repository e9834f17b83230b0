#include "discdata/geo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vel::discdata {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

// Every arc decoded to degrees once; rings are then assembled from them.
std::vector<Ring> decodeArcs(const Json& topology, std::string_view where)
{
    const Json transform = topology.value("transform", Json::object());
    double sx = 1, sy = 1, tx = 0, ty = 0;
    if (!transform.empty()) {
        sx = transform.at("scale").at(0).get<double>();
        sy = transform.at("scale").at(1).get<double>();
        tx = transform.at("translate").at(0).get<double>();
        ty = transform.at("translate").at(1).get<double>();
    }
    const bool quantized = !transform.empty();
    std::vector<Ring> arcs;
    const Json& all = topology.at("arcs");
    arcs.reserve(all.size());
    for (const Json& arc : all) {
        Ring points;
        points.reserve(arc.size());
        double x = 0, y = 0;
        for (const Json& position : arc) {
            if (!position.is_array() || position.size() < 2)
                fail(std::string(where) + ": an arc holds a position that is not a pair");
            if (quantized) { // positions are deltas from the previous one
                x += position[0].get<double>();
                y += position[1].get<double>();
                points.push_back({x * sx + tx, y * sy + ty});
            } else {
                points.push_back({position[0].get<double>(), position[1].get<double>()});
            }
        }
        arcs.push_back(std::move(points));
    }
    return arcs;
}

Ring ringOf(const Json& indices, const std::vector<Ring>& arcs, std::string_view where)
{
    Ring ring;
    for (const Json& index : indices) {
        const long n = index.get<long>();
        const bool reversed = n < 0;
        const auto k = static_cast<std::size_t>(reversed ? ~n : n);
        if (k >= arcs.size())
            fail(std::string(where) + ": a ring names arc " + std::to_string(k) + " of " + std::to_string(arcs.size()));
        const Ring& arc = arcs[k];
        // Consecutive arcs share their meeting point: it is kept once.
        const std::size_t skip = ring.empty() ? 0 : 1;
        if (reversed)
            for (std::size_t i = arc.size() - skip; i-- > 0;)
                ring.push_back(arc[i]);
        else
            ring.insert(ring.end(), arc.begin() + static_cast<std::ptrdiff_t>(std::min(skip, arc.size())), arc.end());
    }
    return ring;
}

Polygon polygonOf(const Json& rings, const std::vector<Ring>& arcs, std::string_view where)
{
    Polygon polygon;
    for (const Json& ring : rings)
        polygon.push_back(ringOf(ring, arcs, where));
    return polygon;
}

// The longitude nearest to `near` that names the same meridian.
double unwrapped(double lon, double near)
{
    while (lon - near > 180)
        lon -= 360;
    while (lon - near < -180)
        lon += 360;
    return lon;
}

} // namespace

std::vector<Shape> readTopology(const Json& topology, std::string_view object, std::string_view where)
{
    std::vector<Shape> shapes;
    try {
        const std::vector<Ring> arcs = decodeArcs(topology, where);
        for (const Json& geometry : topology.at("objects").at(std::string(object)).at("geometries")) {
            Shape shape;
            if (geometry.contains("id"))
                shape.id = geometry["id"].is_string() ? geometry["id"].get<std::string>() : geometry["id"].dump();
            if (geometry.contains("properties") && geometry["properties"].contains("name"))
                shape.name = geometry["properties"]["name"].get<std::string>();
            const std::string type = geometry.value("type", "");
            if (type == "Polygon")
                shape.polygons.push_back(polygonOf(geometry.at("arcs"), arcs, where));
            else if (type == "MultiPolygon")
                for (const Json& polygon : geometry.at("arcs"))
                    shape.polygons.push_back(polygonOf(polygon, arcs, where));
            else
                continue;
            shapes.push_back(std::move(shape));
        }
    } catch (const Json::exception& error) {
        fail(std::string(where) + ": not a topology: " + error.what());
    }
    return shapes;
}

double ringArea(const Ring& ring)
{
    double twice = 0;
    for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
        const LonLat& a = ring[i];
        const LonLat& b = ring[(i + 1) % n];
        const double lon = unwrapped(b.lon, a.lon);
        twice += (a.lon * b.lat - lon * a.lat) * std::cos((a.lat + b.lat) / 2 * kRadiansPerDegree);
    }
    return std::abs(twice) / 2;
}

Bounds mainBounds(const Shape& shape, double share)
{
    double largest = 0;
    const Ring* biggest = nullptr;
    for (const Polygon& polygon : shape.polygons)
        if (!polygon.empty() && ringArea(polygon.front()) > largest) {
            largest = ringArea(polygon.front());
            biggest = &polygon.front();
        }
    Bounds bounds{180, 90, -180, -90};
    if (!biggest || biggest->empty())
        return {-180, -90, 180, 90};
    const double near = biggest->front().lon;
    bounds = {1e9, 90, -1e9, -90};
    for (const Polygon& polygon : shape.polygons) {
        if (polygon.empty() || ringArea(polygon.front()) < largest * share)
            continue;
        for (const LonLat& p : polygon.front()) {
            const double lon = unwrapped(p.lon, near);
            bounds.west = std::min(bounds.west, lon);
            bounds.east = std::max(bounds.east, lon);
            bounds.south = std::min(bounds.south, p.lat);
            bounds.north = std::max(bounds.north, p.lat);
        }
    }
    return bounds;
}

Point Projection::project(LonLat at) const
{
    const double k = scale * std::cos(standardParallel * kRadiansPerDegree);
    return {width / 2.0 + (unwrapped(at.lon, centreLon) - centreLon) * k, height / 2.0 - (at.lat - centreLat) * scale};
}

std::vector<Point> Projection::projectRing(const Ring& ring) const
{
    const double k = scale * std::cos(standardParallel * kRadiansPerDegree);
    std::vector<Point> points;
    points.reserve(ring.size());
    double lon = ring.empty() ? 0 : unwrapped(ring.front().lon, centreLon);
    for (const LonLat& p : ring) {
        lon = unwrapped(p.lon, lon);
        points.push_back({width / 2.0 + (lon - centreLon) * k, height / 2.0 - (p.lat - centreLat) * scale});
    }
    return points;
}

LonLat Projection::unproject(Point at) const
{
    const double k = scale * std::cos(standardParallel * kRadiansPerDegree);
    return {centreLon + (at.x - width / 2.0) / k, centreLat - (at.y - height / 2.0) / scale};
}

Projection fitProjection(const Bounds& bounds, int width, int height, double margin)
{
    Projection p;
    p.width = width;
    p.height = height;
    p.centreLon = (bounds.west + bounds.east) / 2;
    p.centreLat = (bounds.south + bounds.north) / 2;
    p.standardParallel = std::clamp(p.centreLat, -70.0, 70.0);
    const double cosine = std::cos(p.standardParallel * kRadiansPerDegree);
    const double spanX = std::max(0.01, (bounds.east - bounds.west) * cosine) * (1 + 2 * margin);
    const double spanY = std::max(0.01, bounds.north - bounds.south) * (1 + 2 * margin);
    p.scale = std::min(width / spanX, height / spanY);
    if (p.centreLon > 180)
        p.centreLon -= 360;
    return p;
}

} // namespace vel::discdata
