// Value-model data that the notation and the encoding build directly: regions, fonts (face, size,
// style), text blocks and dates. Runtime objects (forms, controls, images, sounds, references, loaded
// files) are made through the makers of makers.h.
#pragma once

#include <vector>

#include "value/value.h"

namespace vel {

// Tag 11: a rectangle, or a polygon closed by repeating its first point, with its bounding box.
class Region final : public Object {
public:
    struct Point {
        int32_t x, y;
    };
    static Value rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // The polygon through the points; the closing point is added here.
    static Value polygon(const std::vector<Point>& points);

    Value print(Tag tag, bool quoted) const override;
    bool containsPoint(int32_t x, int32_t y) const;

    int32_t left = 0, top = 0, right = 0, bottom = 0;
    // Empty for a rectangle; otherwise the points with the closing point last.
    std::vector<Point> points;
};

// Tag 16: a font as data.
class Font final : public Object {
public:
    static Value make(const Value& face, int32_t size, int32_t style);
    Value print(Tag tag, bool quoted) const override;

    Value face;
    int32_t size = 0;
    int32_t style = 0;
};

// Tag 17: a measured text: width, height and two values.
class TextBlock final : public Object {
public:
    static Value make(int32_t width, int32_t height, const Value& first, const Value& second);

    int32_t width = 0, height = 0;
    Value first, second;
};

// Tag 29: a date of which only the year is required; each other field may be unspecified.
class Date final : public Object {
public:
    static constexpr int32_t kUnspecified = -1;
    enum Field { Year, Month, Day, Hour, Minute, Second, Millisecond, Microsecond, FieldCount };
    static const char* const kFieldNames[FieldCount];

    static Value make(const int32_t (&fields)[FieldCount]);
    static Value fromWords(uint32_t low, uint32_t high);
    Value print(Tag tag, bool quoted) const override;
    // The two packed words of the wire form (laid out in docs/value_formats.md).
    void toWords(uint32_t& low, uint32_t& high) const;

    int32_t fields[FieldCount] = {0, kUnspecified, kUnspecified, kUnspecified,
                                  kUnspecified, kUnspecified, kUnspecified, kUnspecified};
};

inline Region* asRegion(const Value& v) { return v.is(Tag::Region) ? v.as<Region>() : nullptr; }

} // namespace vel
