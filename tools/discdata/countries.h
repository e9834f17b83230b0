// The countries of the title: their Portuguese names, one rule for articles, maps, flags and country
// data, and the country data an article about a country shows, made from the npm data packages
// world-countries (capital, area, languages, currency), country-json (population) and
// i18n-iso-countries (names).
#pragma once

#include <string>
#include <string_view>

#include "discdata/discdata.h"

namespace vel::discdata {

// The country's Portuguese name (UTF-8) by its ISO 3166-1 alpha-3 code: i18n-iso-countries' "pt"
// name, except "Estados Unidos" and "Federação Russa", which the title's screens name literally.
// Fails for a code the packages do not know.
std::string countryNamePt(const Context& context, std::string_view iso3);

// The country data of an article (UTF-8 rich text): capital, area, population, languages and
// currency, figures written the Brazilian way, and the packages they come from.
std::string countryDataText(const Context& context, std::string_view iso3);

} // namespace vel::discdata
