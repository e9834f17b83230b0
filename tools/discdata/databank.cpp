// Section "bdados": the data bank's two databases, "Países do Mundo" (DBPaises) and "Estados do
// Brasil" (DBEstado), each made of three files (docs/databank_files.md). The countries' figures come
// from the data packages (world-countries, country-json, i18n-iso-countries); the states' from
// disc/title/bdados/estados.json, written by hand from public figures. The ready-made queries are
// evaluated here, with the screens' own conditions, and stored as their records and fields.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "discdata/databank.h"

#include "discdata/countries.h"
#include "title/databank_files.h"
#include "title/databank_table.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::discdata {

namespace {

using Row = std::map<std::string, std::string>; // the data key -> its UTF-8 text

// Figures as decimal text: exact for the integers, the package's digits for the others.
std::string decimalText(const Json& number)
{
    if (number.is_number_integer())
        return std::to_string(number.get<int64_t>());
    if (!number.is_number())
        return {};
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", number.get<double>());
    return text;
}

// Sort key: the name without its accents, so that "Áustria" comes among the A's.
std::string collationKey(const std::string& name1252)
{
    static const std::string from = "\xC0\xC1\xC2\xC3\xC4\xC7\xC8\xC9\xCA\xCD\xD3\xD4\xD5\xD6\xDA\xDC"
                                     "\xE0\xE1\xE2\xE3\xE4\xE7\xE8\xE9\xEA\xED\xF3\xF4\xF5\xF6\xFA\xFC";
    static const std::string to = "AAAAACEEEIOOOOUUaaaaaceeeioooouu";
    std::string key = name1252;
    for (char& c : key) {
        const std::size_t at = from.find(c);
        if (at != std::string::npos)
            c = to[at];
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

const std::map<std::string, std::string> kRegions = {
    {"Africa", "África"}, {"Americas", "América"}, {"Asia", "Ásia"}, {"Europe", "Europa"}, {"Oceania", "Oceania"}};

const std::map<std::string, std::string> kSubregions = {
    {"Australia and New Zealand", "Austrália e Nova Zelândia"}, {"Caribbean", "Caribe"},
    {"Central America", "América Central"}, {"Central Asia", "Ásia Central"}, {"Central Europe", "Europa Central"},
    {"Eastern Africa", "África Oriental"}, {"Eastern Asia", "Ásia Oriental"}, {"Eastern Europe", "Europa Oriental"},
    {"Melanesia", "Melanésia"}, {"Micronesia", "Micronésia"}, {"Middle Africa", "África Central"},
    {"North America", "América do Norte"}, {"Northern Africa", "África do Norte"},
    {"Northern Europe", "Europa Setentrional"}, {"Polynesia", "Polinésia"}, {"South America", "América do Sul"},
    {"South-Eastern Asia", "Sudeste Asiático"}, {"Southeast Europe", "Sudeste da Europa"},
    {"Southern Africa", "África Austral"}, {"Southern Asia", "Ásia Meridional"}, {"Southern Europe", "Europa Meridional"},
    {"Western Africa", "África Ocidental"}, {"Western Asia", "Ásia Ocidental"}, {"Western Europe", "Europa Ocidental"}};

std::string lookUp(const std::map<std::string, std::string>& map, const std::string& key, const std::string& where)
{
    const auto found = map.find(key);
    if (found == map.end())
        fail(where + ": no Portuguese name for \"" + key + "\"");
    return found->second;
}

// country-json keeps one file per figure, keyed by the country's English name; the ISO code joins them.
class CountryJson {
public:
    explicit CountryJson(const Context& context) : context_(context)
    {
        for (const Json& entry : readPackageJson(context, "country-json", "src/country-by-abbreviation.json"))
            if (entry.contains("abbreviation") && entry["abbreviation"].is_string())
                names_[entry["abbreviation"].get<std::string>()] = entry["country"].get<std::string>();
    }
    // The figure named `key` of file country-by-<file>.json for the country of ISO code iso2.
    Json figure(const std::string& file, const std::string& key, const std::string& iso2)
    {
        auto& table = files_[file];
        if (table.empty())
            for (const Json& entry : readPackageJson(context_, "country-json", "src/country-by-" + file + ".json"))
                table[entry["country"].get<std::string>()] = entry.value(key, Json());
        const auto name = names_.find(iso2);
        if (name == names_.end())
            return Json();
        const auto found = table.find(name->second);
        return found == table.end() ? Json() : found->second;
    }

private:
    const Context& context_;
    std::map<std::string, std::string> names_;
    std::map<std::string, std::map<std::string, Json>> files_;
};

bool flag(const Json& object, const char* key)
{
    return object.contains(key) && object[key].is_boolean() && object[key].get<bool>();
}

std::string joined(const Json& values, const std::string& separator)
{
    std::string out;
    for (const auto& v : values)
        out += (out.empty() ? "" : separator) + v.get<std::string>();
    return out;
}

std::vector<Row> countryRows(const Context& context, const Json& capitals)
{
    CountryJson figures(context);
    std::vector<Row> rows;
    for (const Json& c : readPackageJson(context, "world-countries", "countries.json")) {
        if (!flag(c, "independent"))
            continue;
        const std::string iso2 = c["cca2"], iso3 = c["cca3"];
        Row row;
        row["nome"] = countryNamePt(context, iso3);
        row["continente"] = lookUp(kRegions, c["region"], iso3);
        row["subregiao"] = lookUp(kSubregions, c.value("subregion", ""), iso3);
        const std::string capital = c["capital"].is_array() && !c["capital"].empty() ? c["capital"][0].get<std::string>() : "";
        row["capital"] = capitals.contains(capital) ? capitals[capital].get<std::string>() : capital;
        row["area"] = decimalText(c["area"]);
        row["populacao"] = decimalText(figures.figure("population", "population", iso2));
        const double area = c["area"].get<double>();
        const Json people = figures.figure("population", "population", iso2);
        if (people.is_number() && area > 0) {
            char density[40];
            std::snprintf(density, sizeof density, "%.4f", people.get<double>() / area);
            row["densidade"] = density;
        }
        row["altitude"] = decimalText(figures.figure("elevation", "elevation", iso2));
        row["temperatura"] = decimalText(figures.figure("yearly-average-temperature", "temperature", iso2));
        row["altura"] = decimalText(figures.figure("avg-male-height", "height", iso2));
        // The package dates some old states' beginnings in antiquity (negative years): not independence.
        const Json year = figures.figure("independence-date", "independence", iso2);
        if (year.is_number_integer() && year.get<int64_t>() > 0)
            row["independencia"] = decimalText(year);
        row["vizinhos"] = std::to_string(c.value("borders", Json::array()).size());
        row["linguas"] = std::to_string(c.value("languages", Json::object()).size());
        row["latitude"] = decimalText(c["latlng"][0]);
        row["longitude"] = decimalText(c["latlng"][1]);
        row["semlitoral"] = flag(c, "landlocked") ? "Sim" : "Não";
        std::string currencies;
        const Json currencyTable = c.value("currencies", Json::object());
        for (const auto& [code, _] : currencyTable.items())
            currencies += (currencies.empty() ? "" : ", ") + code;
        row["moeda"] = currencies;
        // Only the Latin domains: the others' scripts are not in the disc's code page.
        Json latin = Json::array();
        for (const Json& tld : c.value("tld", Json::array()))
            if (const std::string domain = tld.is_string() ? tld.get<std::string>() : std::string();
                !domain.empty() && std::all_of(domain.begin(), domain.end(), [](char ch) { return static_cast<unsigned char>(ch) < 128; }))
                latin.push_back(domain);
        row["dominio"] = joined(latin, ", ");
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<Row> stateRows(const Json& database)
{
    std::vector<Row> rows;
    for (const Json& r : database["registros"]) {
        Row row;
        for (const auto& [key, value] : r.items())
            row[key] = value.get<std::string>();
        const double area = std::stod(row["area"]), thousands = std::stod(row["populacao"]);
        char density[40];
        std::snprintf(density, sizeof density, "%.4f", thousands * 1000 / area);
        row["densidade"] = density;
        rows.push_back(std::move(row));
    }
    return rows;
}

// A ready-made query's records: its conditions met, ordered by its "ordem" field (records lacking
// that figure left out), cut at "limite".
std::vector<int32_t> readyRecords(const Json& query, const std::vector<Value>& records,
                                  const std::vector<DatabankField>& fields, const std::string& where)
{
    auto fieldIndex = [&](const Json& name) {
        const std::string wanted = to1252(name.get<std::string>(), where);
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name == wanted)
                return static_cast<int32_t>(i);
        fail(where + ": no field named " + name.get<std::string>());
    };
    std::vector<DatabankCondition> conditions;
    for (const Json& c : query.value("condicoes", Json::array())) {
        DatabankCondition condition;
        condition.field = fieldIndex(c["campo"]);
        if (c.contains("valor"))
            condition.texts.push_back(to1252(c["valor"].get<std::string>(), where));
        for (const Json& v : c.value("valores", Json::array()))
            condition.texts.push_back(to1252(v.get<std::string>(), where));
        if (c.contains("min")) {
            condition.comparison = Comparison::AtLeast;
            condition.number = c["min"].get<double>();
        } else if (c.contains("max")) {
            condition.comparison = Comparison::AtMost;
            condition.number = c["max"].get<double>();
        }
        conditions.push_back(std::move(condition));
    }
    std::vector<int32_t> found = runFreeQuery(records, fields, conditions);
    if (query.contains("ordem")) {
        const DatabankField& key = fields[fieldIndex(query["ordem"])];
        std::erase_if(found, [&](int32_t r) { return !cellNumber(key, records[r]); });
        const bool descending = query.value("decrescente", false);
        std::stable_sort(found.begin(), found.end(), [&](int32_t a, int32_t b) {
            const double x = *cellNumber(key, records[a]), y = *cellNumber(key, records[b]);
            return descending ? x > y : x < y;
        });
    }
    if (query.contains("limite") && found.size() > query["limite"].get<std::size_t>())
        found.resize(query["limite"].get<std::size_t>());
    if (found.empty())
        fail(where + ": the ready-made query \"" + query["nome"].get<std::string>() + "\" finds nothing");
    return found;
}

void makeDatabase(const Context& context, const std::string& sourceName, const std::string& textsName,
                  const std::vector<Row>& rows, const Json& database)
{
    const std::string where = (context.source / "bdados" / sourceName).string();
    std::vector<DatabankField> fields;
    std::vector<std::string> keys;
    for (const Json& f : database["campos"]) {
        DatabankField field;
        field.name = to1252(f["nome"].get<std::string>(), where);
        field.item = static_cast<int32_t>(fields.size());
        field.numeric = f["tipo"] == "numero";
        field.decimals = f.value("decimais", 0);
        field.scale = std::stod(f.value("escala", std::string("1")));
        field.grouped = f.value("agrupar", true);
        field.suffix = to1252(f.value("sufixo", std::string()), where);
        field.width = f.value("largura", 80);
        fields.push_back(std::move(field));
        keys.push_back(f["dado"]);
    }
    // Records as lists of strings, one item per field, in the order of their names.
    std::vector<std::pair<std::string, Value>> sorted;
    for (const Row& row : rows) {
        std::vector<std::string> items;
        for (const std::string& key : keys) {
            const auto found = row.find(key);
            items.push_back(found == row.end() ? std::string() : to1252(found->second, where + " (" + key + ")"));
        }
        sorted.emplace_back(collationKey(items[0]), stringList(items));
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Value> records;
    Value recordList = ValueList::make();
    for (auto& [_, record] : sorted) {
        records.push_back(record);
        asValueList(recordList)->append(record);
    }

    // Each text field's values, to the records holding them.
    std::map<std::string, std::vector<int32_t>> byValue;
    for (std::size_t f = 0; f < fields.size(); ++f)
        if (!fields[f].numeric)
            for (std::size_t r = 0; r < records.size(); ++r)
                if (std::string_view text = cellText(fields[f], records[r]); !text.empty())
                    byValue[databankIndexKey(static_cast<int32_t>(f), text)].push_back(static_cast<int32_t>(r));
    Value index = Table::make();
    for (const auto& [key, numbers] : byValue)
        asTable(index)->put(std::string_view(key), integerList(numbers));

    Value queries = ValueList::make();
    for (const Json& q : database["prontas"]) {
        std::vector<int32_t> columns;
        if (q["campos"].is_string()) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                columns.push_back(static_cast<int32_t>(i));
        } else {
            for (const Json& name : q["campos"]) {
                const std::string wanted = to1252(name.get<std::string>(), where);
                const auto at = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.name == wanted; });
                if (at == fields.end())
                    fail(where + ": no field named " + name.get<std::string>());
                columns.push_back(static_cast<int32_t>(at - fields.begin()));
            }
        }
        Value query = ValueList::make();
        asValueList(query)->append(text1252(q["nome"].get<std::string>(), where));
        asValueList(query)->append(integerList(readyRecords(q, records, fields, where)));
        asValueList(query)->append(integerList(columns));
        asValueList(queries)->append(query);
    }

    Value fieldList = ValueList::make();
    for (const DatabankField& field : fields)
        asValueList(fieldList)->append(fieldToValue(field));
    const fs::path texts = context.source / "bdados";
    Value header = Table::make();
    Table* h = asTable(header);
    h->put(std::string_view("Nome"), text1252(database["nome"].get<std::string>(), where));
    h->put(std::string_view("Escopo"), text1252(database["escopo"].get<std::string>(), where));
    h->put(std::string_view("Campos"), fieldList);
    h->put(std::string_view("Prontas"), queries);
    for (const auto& [key, file] : {std::pair{"Notas", ".notas.txt"}, std::pair{"Fontes", ".fontes.txt"}}) {
        const fs::path path = texts / (textsName + file);
        h->put(std::string_view(key), text1252(readText(path), path.string()));
    }
    Value lists = ValueList::make();
    asValueList(lists)->append(header);

    const std::string base = database["arquivo"];
    writeArchiveSource(context, base + ".dat", recordList);
    writeIndexSource(context, base + ".idx", index);
    writeArchiveSource(context, base + ".dtt", lists);
}

Json readSourceJson(const fs::path& path)
{
    try {
        return Json::parse(readText(path));
    } catch (const Json::exception& error) {
        fail(path.string() + ": not JSON: " + error.what());
    }
}

} // namespace

void makeDatabank(const Context& context)
{
    const fs::path sources = context.source / "bdados";
    const Json countries = readSourceJson(sources / "paises.json");
    makeDatabase(context, "paises.json", "paises", countryRows(context, readSourceJson(sources / "capitais.json")),
                 countries);
    const Json states = readSourceJson(sources / "estados.json");
    makeDatabase(context, "estados.json", "estados", stateRows(states), states);
}

} // namespace vel::discdata
