// What the edit fields, drop-down lists and menus share: the system colours they fall back on, the
// text form of an item of any type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "value/value.h"

namespace vel {

// Colour references (red in the low byte; black is 1, not 0).
namespace system_color {
constexpr int32_t White = 0xFFFFFF, Black = 1, Grey = 0x808080, Highlight = 0x6A240A, ButtonFace = 0xC0C0C0,
                  ButtonLight = 0xFFFFFF, ButtonShadow = 0x808080, MenuFace = 0xF0F0F0;
}

// A string as it is, nil as nothing, anything else in its printed form.
std::string textForm(const Value& v);

} // namespace vel
