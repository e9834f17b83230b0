#include "discdata/countries.h"

#include <map>

#include "title/number_format.h"

namespace vel::discdata {
namespace {

// Names the packages give in English, in Portuguese. A code missing here fails the build rather
// than putting English on the disc.
const std::map<std::string_view, std::string_view> kLanguages = {
    {"afr", "africâner"},  {"ara", "árabe"},        {"aym", "aimará"},     {"ber", "berbere"},
    {"deu", "alemão"},     {"ell", "grego"},        {"eng", "inglês"},     {"fra", "francês"},
    {"grn", "guarani"},    {"heb", "hebraico"},     {"hin", "híndi"},      {"ind", "indonésio"},
    {"ita", "italiano"},   {"jpn", "japonês"},      {"kor", "coreano"},    {"mri", "maori"},
    {"nbl", "ndebele do sul"}, {"nld", "neerlandês"}, {"nno", "norueguês (nynorsk)"},
    {"nob", "norueguês (bokmål)"}, {"nso", "soto do norte"}, {"nzs", "língua de sinais neozelandesa"},
    {"pol", "polonês"},    {"por", "português"},    {"que", "quíchua"},    {"rus", "russo"},
    {"smi", "sámi"},       {"sot", "soto do sul"},  {"spa", "espanhol"},   {"ssw", "suázi"},
    {"swa", "suaíli"},     {"swe", "sueco"},        {"tam", "tâmil"},      {"tsn", "tswana"},
    {"tso", "tsonga"},     {"tur", "turco"},        {"ukr", "ucraniano"},  {"ven", "venda"},
    {"xho", "xhosa"},      {"zho", "chinês"},       {"zul", "zulu"},
};

const std::map<std::string_view, std::string_view> kCurrencies = {
    {"AOA", "kwanza"},           {"ARS", "peso argentino"},     {"AUD", "dólar australiano"},
    {"BOB", "boliviano"},        {"BRL", "real"},               {"CAD", "dólar canadense"},
    {"CLP", "peso chileno"},     {"CNY", "yuan (renminbi)"},    {"COP", "peso colombiano"},
    {"CUC", "peso cubano conversível"}, {"CUP", "peso cubano"}, {"CVE", "escudo cabo-verdiano"},
    {"EGP", "libra egípcia"},    {"EUR", "euro"},               {"GBP", "libra esterlina"},
    {"IDR", "rupia indonésia"},  {"ILS", "novo shekel"},        {"INR", "rupia indiana"},
    {"JPY", "iene"},             {"KES", "xelim queniano"},     {"KRW", "won sul-coreano"},
    {"MAD", "dirham marroquino"}, {"MXN", "peso mexicano"},     {"MZN", "metical"},
    {"NGN", "naira"},            {"NOK", "coroa norueguesa"},   {"NZD", "dólar neozelandês"},
    {"PEN", "sol"},              {"PLN", "zlóti"},              {"PYG", "guarani"},
    {"RUB", "rublo"},            {"SAR", "rial saudita"},       {"SEK", "coroa sueca"},
    {"TRY", "lira turca"},       {"UAH", "hryvnia"},            {"USD", "dólar dos Estados Unidos"},
    {"UYU", "peso uruguaio"},    {"VES", "bolívar soberano"},   {"ZAR", "rand"},
};

// Capitals whose Portuguese name differs from the package's English one.
const std::map<std::string_view, std::string_view> kCapitals = {
    {"Mexico City", "Cidade do México"}, {"Washington D.C.", "Washington, D.C."}, {"Lisbon", "Lisboa"},
    {"Berlin", "Berlim"},        {"Rome", "Roma"},            {"London", "Londres"},
    {"Amsterdam", "Amsterdã"},   {"Moscow", "Moscou"},        {"Athens", "Atenas"},
    {"Stockholm", "Estocolmo"},  {"Warsaw", "Varsóvia"},      {"Kyiv", "Kiev"},
    {"Beijing", "Pequim"},       {"Tokyo", "Tóquio"},         {"New Delhi", "Nova Délhi"},
    {"Seoul", "Seul"},           {"Jakarta", "Jacarta"},      {"Riyadh", "Riade"},
    {"Jerusalem", "Jerusalém"},  {"Cape Town", "Cidade do Cabo"}, {"Pretoria", "Pretória"},
    {"Asunción", "Assunção"},    {"Montevideo", "Montevidéu"}, {"Ankara", "Ancara"},
};

// country-json names a few countries otherwise than world-countries does.
const std::map<std::string_view, std::string_view> kPopulationNames = {{"TUR", "Turkey"}};

struct Packages {
    Json countries;   // world-countries
    Json population;  // country-json
    Json names;       // i18n-iso-countries, "pt"
    std::string worldCountriesVersion, countryJsonVersion;
};

const Packages& packages(const Context& context)
{
    static const Packages loaded = [&] {
        Packages p;
        p.countries = readPackageJson(context, "world-countries", "countries.json");
        p.population = readPackageJson(context, "country-json", "src/country-by-population.json");
        p.names = readPackageJson(context, "i18n-iso-countries", "langs/pt.json");
        p.worldCountriesVersion = readPackageJson(context, "world-countries", "package.json").value("version", "");
        p.countryJsonVersion = readPackageJson(context, "country-json", "package.json").value("version", "");
        return p;
    }();
    return loaded;
}

const Json& countryRecord(const Context& context, std::string_view iso3)
{
    for (const Json& country : packages(context).countries)
        if (country.value("cca3", "") == iso3)
            return country;
    fail("world-countries: no country " + std::string(iso3));
}

std::string lookUp(const std::map<std::string_view, std::string_view>& table, const std::string& key,
                   std::string_view what)
{
    const auto found = table.find(key);
    if (found == table.end())
        fail("countries: no Portuguese name for the " + std::string(what) + " " + key);
    return std::string(found->second);
}

double population(const Context& context, std::string_view iso3, const Json& country)
{
    std::vector<std::string> names;
    if (const auto alias = kPopulationNames.find(iso3); alias != kPopulationNames.end())
        names.emplace_back(alias->second);
    names.push_back(country["name"].value("common", ""));
    names.push_back(country["name"].value("official", ""));
    for (const Json& spelling : country.value("altSpellings", Json::array()))
        names.push_back(spelling.get<std::string>());
    for (const std::string& name : names)
        for (const Json& entry : packages(context).population)
            if (entry.value("country", "") == name && entry["population"].is_number())
                return entry["population"].get<double>();
    fail("country-json: no population for " + std::string(iso3));
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i == 0 ? "" : i + 1 == parts.size() ? " e " : ", ") + parts[i];
    return out;
}

// The package's names are those of Portugal; the title is Brazilian. Where Brazil writes a name
// otherwise, its form.
const std::pair<std::string_view, std::string_view> kBrazilianNames[] = {
    {"Arménia", "Armênia"},       {"Benim", "Benin"},
    {"Chéquia", "Tchéquia"},      {"Eslovénia", "Eslovênia"},
    {"Estónia", "Estônia"},       {"Gronelândia", "Groenlândia"},
    {"Irão", "Irã"},              {"Iémen", "Iêmen"},
    {"Koweit", "Kuwait"},         {"Letónia", "Letônia"},
    {"Macedónia do Norte", "Macedônia do Norte"},
    {"Madagáscar", "Madagascar"}, {"Maurícia", "Maurício"},
    {"Mónaco", "Mônaco"},         {"Nova Caledónia", "Nova Caledônia"},
    {"Polónia", "Polônia"},       {"Quénia", "Quênia"},
    {"Roménia", "Romênia"},       {"Vietname", "Vietnã"},
    {"Tajiquistão", "Tadjiquistão"}, {"Turquemenistão", "Turcomenistão"},
    {"Qatar", "Catar"},           {"Mianmar (Birmânia)", "Mianmar"},
    {"República Popular do Congo", "República do Congo"},
};

} // namespace

std::string countryNamePt(const Context& context, std::string_view iso3)
{
    if (iso3 == "USA")
        return "Estados Unidos";
    if (iso3 == "RUS")
        return "Federação Russa";
    const std::string alpha2 = countryRecord(context, iso3).value("cca2", "");
    const Json& names = packages(context).names["countries"];
    if (!names.contains(alpha2))
        fail("i18n-iso-countries: no Portuguese name for " + std::string(iso3));
    const Json& entry = names[alpha2];
    const std::string name = entry.is_array() ? entry.at(0).get<std::string>() : entry.get<std::string>();
    for (const auto& [portugal, brazil] : kBrazilianNames)
        if (name == portugal)
            return std::string(brazil);
    return name;
}

std::string countryDataText(const Context& context, std::string_view iso3)
{
    const Json& country = countryRecord(context, iso3);
    std::vector<std::string> capitals, languages, currencies;
    for (const Json& capital : country.value("capital", Json::array())) {
        const std::string english = capital.get<std::string>();
        const auto found = kCapitals.find(english);
        capitals.push_back(found == kCapitals.end() ? english : std::string(found->second));
    }
    const Json languageCodes = country.value("languages", Json::object());
    const Json currencyCodes = country.value("currencies", Json::object());
    for (const auto& [code, english] : languageCodes.items())
        languages.push_back(lookUp(kLanguages, code, "language"));
    for (const auto& [code, details] : currencyCodes.items())
        currencies.push_back(lookUp(kCurrencies, code, "currency") + " (" + code + ")");
    const Packages& p = packages(context);
    std::string text;
    text += "{\\b Capital:} " + joined(capitals) + "\\par ";
    text += "{\\b \xC3\x81rea:} " + formatNumberPtBr(country.value("area", 0.0), 0) + " km\xC2\xB2\\par ";
    text += "{\\b Popula\xC3\xA7\xC3\xA3o:} " + formatNumberPtBr(population(context, iso3, country), 0) +
            " habitantes (2018)\\par ";
    text += std::string("{\\b ") + (languages.size() > 1 ? "L\xC3\xADnguas" : "L\xC3\xADngua") + ":} " +
            joined(languages) + "\\par ";
    text += std::string("{\\b ") + (currencies.size() > 1 ? "Moedas" : "Moeda") + ":} " + joined(currencies) +
            "\\par\\par ";
    text += "{\\i Fontes: pacotes world-countries " + p.worldCountriesVersion + " e country-json " +
            p.countryJsonVersion + " (popula\xC3\xA7\xC3\xA3o de 2018) do registro npm.}";
    return text;
}

} // namespace vel::discdata
