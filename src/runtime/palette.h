// Palettes (tag 15) as data: 256 entries of red, green, blue and flags. Entries 0-9 and 246-255 are
// the display's 20 static colours; 10-245 belong to the program. The screen is true colour, so a
// palette is never realized on hardware: images keep theirs and fades blend the presented frame.
#pragma once

#include <array>
#include <cstdint>

#include "value/value.h"

namespace vel {

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0, flags = 0;
    bool sameColour(const PaletteEntry& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

namespace palette_flag {
constexpr uint8_t Reserved = 1, Explicit = 2, NoCollapse = 4;
}

class Palette final : public Object {
public:
    static constexpr int kSize = 256;
    static constexpr int kFirstProgramEntry = 10;
    static constexpr int kLastProgramEntry = 245;

    // All entries black, flags 0.
    static Value make();
    // The system palette's 20 static colours and whatever the program entries hold now.
    static Value fromSystemPalette();
    // An independent copy; nil for anything but a palette.
    static Value copy(const Value& palette);

    // Moves the blue of every program entry that matches a static colour by one (up below 129,
    // down otherwise), so no program colour is folded onto a static one. True when any changed.
    bool separateFromStaticColours();

    // The entry's colour as an opaque 0xAARRGGBB pixel.
    uint32_t pixel(int index) const;

    std::array<PaletteEntry, kSize> entries{};
};

inline Palette* asPalette(const Value& v) { return v.is(Tag::Palette) ? v.as<Palette>() : nullptr; }

// The Windows system palette's static colours in entry order: 0-9, then 246-255.
const std::array<PaletteEntry, 20>& staticColours();
// The system palette: static colours at both ends, program entries black until something is put
// there (the start-up reset leaves them black).
const std::array<PaletteEntry, Palette::kSize>& systemPalette();
// Puts a palette's program entries into the system palette, as realizing it would.
void realizeInSystemPalette(const Palette& palette);

} // namespace vel
