#include "value/data_objects.h"

#include <climits>
#include <string>

#include "value/printer.h"

namespace vel {

// ---- Region ----

Value Region::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    auto* r = new Region;
    r->left = left;
    r->top = top;
    r->right = right;
    r->bottom = bottom;
    return Value::adopt(Tag::Region, r);
}

Value Region::polygon(const std::vector<Point>& points)
{
    if (points.empty())
        return rectangle(0, 0, 0, 0);
    auto* r = new Region;
    // The box starts from the extreme integers, so points beyond any screen still bound it.
    r->left = r->top = INT32_MAX;
    r->right = r->bottom = INT32_MIN;
    for (const Point& p : points) {
        if (p.x < r->left) r->left = p.x;
        if (p.y < r->top) r->top = p.y;
        if (p.x > r->right) r->right = p.x;
        if (p.y > r->bottom) r->bottom = p.y;
    }
    r->points = points;
    r->points.push_back(points.front());
    return Value::adopt(Tag::Region, r);
}

Value Region::print(Tag, bool) const
{
    std::string out;
    auto number = [&out](int32_t n) { out += std::to_string(n); };
    if (points.empty()) {
        out = "(rect ";
        number(left);
        out += ' ';
        number(top);
        out += ' ';
        number(static_cast<int32_t>(static_cast<uint32_t>(right) - static_cast<uint32_t>(left)));
        out += ' ';
        number(static_cast<int32_t>(static_cast<uint32_t>(bottom) - static_cast<uint32_t>(top)));
        out += ')';
        return Value::string(out);
    }
    out = "(region";
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        out += " (";
        number(points[i].x);
        out += ' ';
        number(points[i].y);
        out += ')';
    }
    out += ')';
    return Value::string(out);
}

bool Region::containsPoint(int32_t x, int32_t y) const
{
    if (x < left || x >= right || y < top || y >= bottom)
        return false;
    if (points.empty())
        return true;
    // Even-odd rule over the closed outline, as the alternate fill mode does.
    bool inside = false;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        double xi = points[i].x, yi = points[i].y, xj = points[j].x, yj = points[j].y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

// ---- Font ----

Value Font::make(const Value& face, int32_t size, int32_t style)
{
    auto* f = new Font;
    f->face = face;
    f->size = size;
    f->style = style;
    return Value::adopt(Tag::Font, f);
}

Value Font::print(Tag, bool quoted) const
{
    std::string out = "(font ";
    printTo(out, face, quoted);
    out += ' ';
    out += std::to_string(size);
    out += ' ';
    out += std::to_string(style);
    out += ')';
    return Value::string(out);
}

// ---- TextBlock ----

Value TextBlock::make(int32_t width, int32_t height, const Value& first, const Value& second)
{
    auto* t = new TextBlock;
    t->width = width;
    t->height = height;
    t->first = first;
    t->second = second;
    return Value::adopt(Tag::TextBlock, t);
}

// ---- Date ----

const char* const Date::kFieldNames[FieldCount] = {"Year",   "Month",  "Day",         "Hour",
                                                    "Minute", "Second", "Millisecond", "Microsecond"};

namespace {
// Packed layout, low word: year (signed 16 bits), month (4), day (5), hour (5).
// High word: minute (6), second (6), millisecond (10), microsecond (10). A stored 0 is an
// unspecified field; fields that can be 0 are stored plus one.
struct FieldLayout {
    int word, shift, bits, bias;
};
constexpr FieldLayout kLayout[Date::FieldCount] = {{0, 0, 16, 0}, {0, 16, 4, 0},  {0, 20, 5, 0},  {0, 25, 5, 1},
                                                   {1, 0, 6, 1},  {1, 6, 6, 1},   {1, 12, 10, 1}, {1, 22, 10, 1}};
} // namespace

Value Date::make(const int32_t (&values)[FieldCount])
{
    auto* d = new Date;
    for (int f = 0; f < FieldCount; ++f)
        d->fields[f] = values[f];
    // Keep every field inside what the wire form can carry.
    uint32_t low, high;
    d->toWords(low, high);
    delete d;
    return fromWords(low, high);
}

void Date::toWords(uint32_t& low, uint32_t& high) const
{
    uint32_t words[2] = {0, 0};
    for (int f = 0; f < FieldCount; ++f) {
        const FieldLayout& layout = kLayout[f];
        uint32_t mask = (1u << layout.bits) - 1;
        uint32_t stored;
        if (f == Year) {
            stored = static_cast<uint32_t>(fields[f]) & mask;
        } else {
            int64_t v = static_cast<int64_t>(fields[f]) + layout.bias;
            stored = fields[f] < 0 || v > mask ? 0 : static_cast<uint32_t>(v);
        }
        words[layout.word] |= stored << layout.shift;
    }
    low = words[0];
    high = words[1];
}

Value Date::fromWords(uint32_t low, uint32_t high)
{
    auto* d = new Date;
    uint32_t words[2] = {low, high};
    for (int f = 0; f < FieldCount; ++f) {
        const FieldLayout& layout = kLayout[f];
        uint32_t v = (words[layout.word] >> layout.shift) & ((1u << layout.bits) - 1);
        if (f == Year)
            d->fields[f] = static_cast<int16_t>(v);
        else
            d->fields[f] = v == 0 ? kUnspecified : static_cast<int32_t>(v) - layout.bias;
    }
    return Value::adopt(Tag::Date, d);
}

Value Date::print(Tag, bool) const
{
    std::string out = "(date";
    for (int f = 0; f < FieldCount; ++f) {
        if (f != Year && fields[f] == kUnspecified)
            continue;
        out += " (\"";
        out += kFieldNames[f];
        out += "\" ";
        out += std::to_string(fields[f]);
        out += ')';
    }
    out += ')';
    return Value::string(out);
}

} // namespace vel
