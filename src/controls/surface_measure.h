// Fonts measured on the engine's drawing surface (at the printer's resolution while a print job
// draws there), each once: the layout then adds widths from a table instead of asking the font
// engine for every word. Bitmaps named in a text are loaded as resources.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "controls/text_layout.h"

namespace vel {

class DrawingSurface;
class Engine;

class SurfaceMeasure final : public LayoutMeasure {
public:
    explicit SurfaceMeasure(Engine& engine) : engine_(engine)
    {
        // Without a screen: a plain face of 16 pixels, so that layouts still make sense.
        fallback_.ascent = 13, fallback_.descent = 3;
        fallback_.advance16.fill(8 * 16);
    }

    const FontMetrics& metrics(const Value& font) override;
    Value bitmap(std::string_view name) override;

private:
    Engine& engine_;
    std::map<std::tuple<std::string, int32_t, int32_t>, std::unique_ptr<FontMetrics>> cache_;
    // Bitmaps by name, those that could not be loaded too: a text is laid out again and again.
    std::map<std::string, Value, std::less<>> bitmaps_;
    FontMetrics fallback_;
};

} // namespace vel
