// The infographics the generator draws: thematic maps (section "atlas", from the borders) and
// charts of the countries' figures (section "midias"). Each is a picture <name>.bmp of the map area
// (640 x 400) that the infographic screen of the same name shows; the media records list them all.
#pragma once

#include <string>
#include <vector>

#include "discdata/atlas_data.h"

namespace vel::discdata {

struct Infographic {
    std::string name;    // the infographic's form name and picture file (without .bmp)
    std::string title;   // UTF-8
    std::string caption; // UTF-8, plain: where its figures come from
};

const std::vector<Infographic>& thematicMaps();
const std::vector<Infographic>& charts();

// Draws the charts of population, area and density of the title's countries into the disc.
void makeCharts(const Context& context, const std::vector<Country>& countries);

} // namespace vel::discdata
