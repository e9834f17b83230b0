#include "runtime/palette.h"

#include "platform/pixels.h"

namespace vel {

namespace {

std::array<PaletteEntry, Palette::kSize> makeSystemPalette()
{
    std::array<PaletteEntry, Palette::kSize> entries{};
    const auto& statics = staticColours();
    for (int i = 0; i < 10; ++i) {
        entries[i] = statics[i];
        entries[246 + i] = statics[10 + i];
    }
    return entries;
}

std::array<PaletteEntry, Palette::kSize>& mutableSystemPalette()
{
    static std::array<PaletteEntry, Palette::kSize> entries = makeSystemPalette();
    return entries;
}

} // namespace

const std::array<PaletteEntry, 20>& staticColours()
{
    static const std::array<PaletteEntry, 20> colours = {{
        {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
        {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
        {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
        {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
    }};
    return colours;
}

const std::array<PaletteEntry, Palette::kSize>& systemPalette()
{
    return mutableSystemPalette();
}

void realizeInSystemPalette(const Palette& palette)
{
    auto& system = mutableSystemPalette();
    for (int i = Palette::kFirstProgramEntry; i <= Palette::kLastProgramEntry; ++i)
        system[i] = PaletteEntry{palette.entries[i].red, palette.entries[i].green, palette.entries[i].blue, 0};
}

Value Palette::make()
{
    return Value::adopt(Tag::Palette, new Palette);
}

Value Palette::fromSystemPalette()
{
    Value v = make();
    Palette* p = v.as<Palette>();
    p->entries = systemPalette();
    p->separateFromStaticColours();
    return v;
}

Value Palette::copy(const Value& palette)
{
    const Palette* source = asPalette(palette);
    if (!source)
        return Value();
    Value v = make();
    Palette* p = v.as<Palette>();
    p->entries = source->entries;
    p->separateFromStaticColours();
    return v;
}

bool Palette::separateFromStaticColours()
{
    // Only the program's entries: the static ones are the static colours by definition, and moving
    // them would spend program slots on near copies of colours the display already has.
    bool changed = false;
    for (int i = kFirstProgramEntry; i <= kLastProgramEntry; ++i) {
        PaletteEntry& e = entries[i];
        for (const PaletteEntry& s : staticColours()) {
            if (e.sameColour(s)) {
                e.blue = e.blue < 129 ? static_cast<uint8_t>(e.blue + 1) : static_cast<uint8_t>(e.blue - 1);
                changed = true;
                break;
            }
        }
    }
    return changed;
}

uint32_t Palette::pixel(int index) const
{
    if (index < 0 || index >= kSize)
        return platform::opaque(0, 0, 0);
    const PaletteEntry& e = entries[index];
    return platform::opaque(e.red, e.green, e.blue);
}

} // namespace vel
