#include "controls/surface_measure.h"

#include <string>

#include "runtime/engine.h"
#include "runtime/resources.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/string.h"

namespace vel {

const FontMetrics& SurfaceMeasure::metrics(const Value& font)
{
    const Font* f = font.is(Tag::Font) ? font.as<Font>() : nullptr;
    auto key = f ? std::make_tuple(std::string(textOf(f->face)), f->size, f->style) : std::make_tuple(std::string(), 0, 0);
    auto found = cache_.find(key);
    if (found != cache_.end())
        return *found->second;
    DrawingSurface* surface = engine_.surface();
    if (!surface || !surface->selectFont(f ? font : Value()))
        return fallback_;
    auto m = std::make_unique<FontMetrics>();
    const platform::TextMetrics space = surface->measureText(" ");
    m->ascent = space.ascent;
    m->descent = space.descent;
    // Sixteen of a character give its advance to a sixteenth of a pixel.
    std::string sixteen(16, ' ');
    for (int c = 0; c < 256; ++c) {
        sixteen.assign(16, static_cast<char>(c));
        m->advance16[static_cast<size_t>(c)] = static_cast<uint16_t>(std::min(65535, surface->measureText(sixteen).width));
    }
    return *cache_.emplace(key, std::move(m)).first->second;
}

Value SurfaceMeasure::bitmap(std::string_view name)
{
    if (name.empty())
        return Value();
    auto found = bitmaps_.find(name);
    if (found == bitmaps_.end())
        found = bitmaps_.emplace(std::string(name), engine_.resources().loadImage(Value::string(name))).first;
    return found->second;
}

} // namespace vel
