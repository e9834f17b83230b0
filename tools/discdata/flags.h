// The flags of the title's countries, rendered from svg-country-flags (public domain) by
// rsvg-convert.
#pragma once

#include <vector>

#include "discdata/atlas_data.h"

namespace vel::discdata {

constexpr int kFlagHeight = 160;

// The flag's file name without extension: BAND_<ISO3>.
std::string flagFile(const Country& country);
// Renders every country's flag into the disc as <flagFile>.bmp.
void makeFlags(const Context& context, const std::vector<Country>& countries);

} // namespace vel::discdata
