// Section "curio": the curiosities' did-you-know items and the quiz. Sources disc/title/curio/
// vocesabia.txt and testes.txt (docs/section_sources.md); the quiz's "Países" category also gets
// questions made from the countries' figures of the data packages (areas, borders), so that their
// answers are the packages' own.
#include <algorithm>
#include <map>

#include "discdata/section_blocks.h"
#include "discdata/sections.h"
#include "title/number_format.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::discdata {
namespace {

// The category buttons of each mode, in the order of their "CategID" (1, 2, ...).
const std::vector<std::string> kVoceSabia = {"Artes e Cultura", "Ecologia", "Línguas", "Misticismo", "História",
                                             "Esportes", "Maiores e Menores", "Saúde", "Astronomia"};
const std::vector<std::string> kTestes = {"Brasil", "História", "Esportes", "Países", "Geral"};

// The countries the whole disc describes (articles, maps, flags, data bank).
const char* const kCountries[] = {"BRA", "ARG", "BOL", "CHL", "COL", "ECU", "PRY", "PER", "URY", "VEN", "MEX", "USA",
                                  "CAN", "CUB", "PRT", "ESP", "FRA", "DEU", "ITA", "GBR", "NLD", "RUS", "GRC", "SWE",
                                  "NOR", "POL", "UKR", "CHN", "JPN", "IND", "KOR", "IDN", "TUR", "SAU", "ISR", "EGY",
                                  "NGA", "ZAF", "AGO", "MOZ", "CPV", "KEN", "MAR", "AUS", "NZL"};

// "com" followed by the country, with the article Portuguese gives its name ("com a França", "com os
// Estados Unidos", "com Portugal").
std::string withCountry(const std::string& iso3, const std::string& name)
{
    static const std::map<std::string, const char*> articles = {
        {"BRA", "o"},  {"CHL", "o"}, {"ECU", "o"}, {"PRY", "o"}, {"PER", "o"}, {"URY", "o"}, {"MEX", "o"},
        {"USA", "os"}, {"CAN", "o"}, {"GBR", "o"}, {"NLD", "os"}, {"JPN", "o"}, {"EGY", "o"}, {"KEN", "o"},
        {"CUB", ""},   {"PRT", ""},  {"ISR", ""},  {"AGO", ""},  {"MOZ", ""},  {"CPV", ""},  {"MAR", ""}};
    const auto found = articles.find(iso3);
    const std::string article = found == articles.end() ? "a" : found->second;
    return "com " + (article.empty() ? "" : article + " ") + name;
}

class Categories {
public:
    Categories(const std::vector<std::string>& names) : names_(names), records_(names.size() + 1) {}

    int32_t idOf(const std::string& where, const std::string& name) const
    {
        const auto found = std::find(names_.begin(), names_.end(), name);
        if (found == names_.end())
            fail(where + ": \"" + name + "\" is not one of the mode's categories");
        return static_cast<int32_t>(found - names_.begin()) + 1;
    }
    void add(int32_t id, int32_t record)
    {
        records_[0].push_back(record);
        records_[static_cast<std::size_t>(id)].push_back(record);
    }
    // The category list archive: one table, "Cat<id>" -> [name, "", record numbers]; Cat0 all.
    Value archive(std::string_view where) const
    {
        Value table = Table::make(16);
        for (std::size_t id = 0; id < records_.size(); ++id) {
            Value numbers = ValueList::make(static_cast<int32_t>(records_[id].size()) + 1);
            for (int32_t record : records_[id])
                asList(numbers)->append(Value::integer(record));
            const std::string name = id == 0 ? "Todas" : names_[id - 1];
            asTable(table)->put("Cat" + std::to_string(id),
                                listOf({text1252(name, where), Value::string(""), numbers}));
        }
        return listOf({table});
    }
    const std::string& name(int32_t id) const { return names_[static_cast<std::size_t>(id) - 1]; }

private:
    std::vector<std::string> names_;
    std::vector<std::vector<int32_t>> records_;
};

void makeVoceSabia(const Context& context)
{
    const SourceFile file(context.source / "curio" / "vocesabia.txt", {"Categoria", "Título", "Texto"});
    Categories categories(kVoceSabia);
    Value records = ValueList::make(128);
    for (const SourceBlock& block : file.blocks()) {
        const int32_t id = categories.idOf(file.where(block.line), file.require(block, "Categoria"));
        file.require(block, "Título");
        file.require(block, "Texto");
        const int32_t number = asList(records)->count();
        asList(records)->append(listOf({Value::integer(number), text1252(categories.name(id), file.where(block.line)),
                                        file.text(*block.find("Título")), file.text(*block.find("Texto"))}));
        categories.add(id, number);
    }
    writeArchiveSource(context, "DBVSabia.dat", records);
    writeArchiveSource(context, "CVSbCatL.DTT", categories.archive(file.path().string()));
}

struct Question {
    std::string category;
    std::string question;
    std::string options[3];
    int right = 0; // 0, 1 or 2
    std::string explanation;
    std::string where;
};

std::vector<Question> readQuestions(const SourceFile& file)
{
    std::vector<Question> questions;
    for (const SourceBlock& block : file.blocks()) {
        Question q;
        q.where = file.where(block.line);
        q.category = file.require(block, "Categoria");
        q.question = file.require(block, "Pergunta");
        const std::vector<const SourceField*> options = block.all("Opção");
        if (options.size() != 3)
            file.failAt(block.line, "a question needs three options (\"Opção:\"), this one has " +
                                        std::to_string(options.size()));
        for (int i = 0; i < 3; ++i)
            q.options[i] = options[static_cast<std::size_t>(i)]->value;
        const std::string& right = file.require(block, "Certa");
        if (right != "1" && right != "2" && right != "3")
            file.failAt(block.find("Certa")->line, "\"Certa:\" must be 1, 2 or 3, not \"" + right + "\"");
        q.right = right[0] - '1';
        q.explanation = file.require(block, "Explicação");
        questions.push_back(std::move(q));
    }
    return questions;
}

struct Country {
    std::string iso3;
    std::string name;
    double area = 0;
    std::vector<std::string> borders;
};

std::string portugueseName(const Json& names, const std::string& iso2, const std::string& iso3)
{
    if (iso3 == "USA")
        return "Estados Unidos";
    if (iso3 == "RUS")
        return "Federação Russa";
    const Json& name = names.at("countries").at(iso2);
    return name.is_array() ? name.at(0).get<std::string>() : name.get<std::string>();
}

std::vector<Country> readCountries(const Context& context)
{
    const Json world = readPackageJson(context, "world-countries", "countries.json");
    const Json names = readPackageJson(context, "i18n-iso-countries", "langs/pt.json");
    std::vector<Country> countries;
    for (const char* iso3 : kCountries)
        for (const Json& entry : world)
            if (entry.value("cca3", "") == iso3) {
                Country c{iso3, portugueseName(names, entry.at("cca2"), iso3), entry.value("area", 0.0), {}};
                for (const Json& border : entry.value("borders", Json::array()))
                    c.borders.push_back(border.get<std::string>());
                countries.push_back(std::move(c));
            }
    if (countries.size() != std::size(kCountries))
        fail("world-countries: some of the disc's countries are missing");
    // Borders the package files under separate territories: French Guiana (France and Brazil), Saint
    // Martin (France and the Netherlands), Gibraltar (Spain and the United Kingdom). A question must
    // never say that such countries have no border.
    const char* const territories[][2] = {{"FRA", "BRA"}, {"FRA", "NLD"}, {"ESP", "GBR"}};
    for (const auto& pair : territories)
        for (Country& c : countries)
            for (int side = 0; side < 2; ++side)
                if (c.iso3 == pair[side] &&
                    std::find(c.borders.begin(), c.borders.end(), pair[1 - side]) == c.borders.end())
                    c.borders.push_back(pair[1 - side]);
    return countries;
}

// Deterministic picks so that the disc is the same on every build.
std::vector<Question> countryQuestions(const Context& context)
{
    const std::vector<Country> countries = readCountries(context);
    const std::size_t n = countries.size();
    std::vector<Question> questions;
    // Which of three countries is the largest: triples taken far apart in the list.
    for (std::size_t i = 0; i < n && questions.size() < 15; i += 3) {
        // The three turn round so that the largest is not always in the same place.
        const std::size_t turn = i / 3;
        const std::size_t picks[3] = {i, (i + 17) % n, (i + 31) % n};
        const Country* three[3];
        for (std::size_t k = 0; k < 3; ++k)
            three[k] = &countries[picks[(k + turn) % 3]];
        Question q;
        q.category = "Países";
        q.question = "Qual destes países tem a maior área?";
        std::string figures;
        for (int k = 0; k < 3; ++k) {
            q.options[k] = three[k]->name;
            if (three[k]->area > three[q.right]->area)
                q.right = k;
            figures += (k ? "; " : "") + three[k]->name + ", " + formatNumberPtBr(three[k]->area, 0) + " km²";
        }
        q.explanation = "Maior área: " + three[q.right]->name + ". As áreas: " + figures + ".";
        q.where = "world-countries (áreas)";
        questions.push_back(std::move(q));
    }
    // Which country borders another: one neighbour among two that are not.
    for (std::size_t i = 0; i < n && questions.size() < 35; ++i) {
        const Country& c = countries[i];
        const Country* neighbour = nullptr;
        std::vector<const Country*> others;
        for (std::size_t k = 1; k < n; ++k) {
            const Country& other = countries[(i + k * 7) % n];
            const bool borders = std::find(c.borders.begin(), c.borders.end(), other.iso3) != c.borders.end();
            if (borders && !neighbour)
                neighbour = &other;
            else if (!borders && other.iso3 != c.iso3 && others.size() < 2)
                others.push_back(&other);
        }
        if (!neighbour || others.size() < 2)
            continue;
        Question q;
        q.category = "Países";
        q.question = "Qual destes países faz fronteira " + withCountry(c.iso3, c.name) + "?";
        q.right = static_cast<int>(i % 3);
        q.options[q.right] = neighbour->name;
        q.options[(q.right + 1) % 3] = others[0]->name;
        q.options[(q.right + 2) % 3] = others[1]->name;
        q.explanation = neighbour->name + " e " + c.name + " têm fronteira comum; " + others[0]->name + " e " +
                        others[1]->name + " não fazem fronteira " + withCountry(c.iso3, c.name) + ".";
        q.where = "world-countries (fronteiras)";
        questions.push_back(std::move(q));
    }
    return questions;
}

void makeTestes(const Context& context)
{
    const SourceFile file(context.source / "curio" / "testes.txt",
                          {"Categoria", "Pergunta", "Opção", "Certa", "Explicação"});
    std::vector<Question> questions = readQuestions(file);
    for (Question& q : countryQuestions(context))
        questions.push_back(std::move(q));
    Categories categories(kTestes);
    Value records = ValueList::make(256);
    for (const Question& q : questions) {
        const int32_t id = categories.idOf(q.where, q.category);
        const int32_t number = asList(records)->count();
        asList(records)->append(listOf({Value::integer(number), text1252(q.category, q.where),
                                        text1252(q.question, q.where), text1252(q.options[0], q.where),
                                        text1252(q.options[1], q.where), text1252(q.options[2], q.where),
                                        text1252(q.explanation, q.where), Value::integer(3 + q.right)}));
        categories.add(id, number);
    }
    writeArchiveSource(context, "DBTestes.dat", records);
    writeArchiveSource(context, "CTstCatL.DTT", categories.archive(file.path().string()));
}

} // namespace

void makeCurio(const Context& context)
{
    makeVoceSabia(context);
    makeTestes(context);
}

} // namespace vel::discdata
