#include "discdata/infographics.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "discdata/maps.h"
#include "discgen/art_paint.h"
#include "discgen/discgen.h"
#include "title/number_format.h"

namespace vel::discdata {

namespace {

constexpr int kWidth = 640, kHeight = 400;
constexpr int kBars = 15;

platform::FontSpec arial(int pixels, bool bold)
{
    platform::FontSpec font;
    font.face = "Arial";
    font.pixelHeight = pixels;
    font.bold = bold;
    return font;
}

// A ranking of the countries by one figure: the first kBars as horizontal bars.
void drawRanking(const Context& context, const Infographic& chart, std::vector<std::pair<double, std::string>> rows,
                 const std::string& unit, int decimals, uint32_t colour)
{
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (rows.size() > kBars)
        rows.resize(kBars);
    discgen::Painter p(kWidth, kHeight);
    p.verticalGradient(0, 0, kWidth, kHeight, 0xFAF7EE, 0xEFE8D4);
    p.text(20, 34, to1252(chart.title, chart.name), arial(20, true), MapInk::kText);
    p.text(20, 54, to1252(unit, chart.name), arial(12, false), 0x4A4A4A);
    const double top = rows.empty() ? 1 : rows.front().first;
    const int left = 190, right = kWidth - 110, rowHeight = 20, first = 72;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = first + static_cast<int>(i) * rowHeight;
        const std::string name = to1252(rows[i].second, chart.name);
        p.text(left - 8, y + 14, name, arial(12, false), MapInk::kText, discgen::Align::Right);
        const double w = std::max(1.0, (right - left) * rows[i].first / top);
        p.fill(left, y + 3, w, rowHeight - 6, colour);
        p.frame(left, y + 3, static_cast<int>(std::ceil(w)), rowHeight - 6, discgen::darker(colour, 0.35));
        p.text(left + w + 6, y + 14, formatNumberPtBr(rows[i].first, decimals), arial(11, false), 0x333333);
    }
    p.text(20, kHeight - 12, to1252(chart.caption, chart.name), arial(10, false), 0x4A4A4A);
    const platform::PixelView view = p.pixels();
    reduceColours(view);
    if (!discgen::writeBitmap(context.disc / (chart.name + ".bmp"), view))
        fail(chart.name + ".bmp: cannot write");
}

} // namespace

const std::vector<Infographic>& thematicMaps()
{
    static const std::vector<Infographic> maps = {
        {"brpolit", "Brasil: divisão política", "Os estados e suas capitais. Fronteiras: Natural Earth."},
        {"brregio", "Brasil: regiões", "As cinco grandes regiões do Brasil. Fronteiras: Natural Earth."},
        {"brpopul", "Brasil: maiores cidades",
         "As cidades brasileiras com mais de um milhão de habitantes na área urbana, segundo a base SimpleMaps "
         "World Cities."},
        {"mupolit", "Mundo: divisão política", "Os países do mundo por continente. Fronteiras: Natural Earth."},
    };
    return maps;
}

const std::vector<Infographic>& charts()
{
    static const std::vector<Infographic> list = {
        {"grpopul", "Os países mais populosos", "População: pacote country-json. Entre os 45 países do atlas."},
        {"grarea", "Os maiores países", "Área: pacote world-countries. Entre os 45 países do atlas."},
        {"grdensi", "Densidade demográfica",
         "População (country-json) dividida pela área (world-countries). Entre os 45 países do atlas."},
    };
    return list;
}

void makeCharts(const Context& context, const std::vector<Country>& countries)
{
    std::vector<std::pair<double, std::string>> population, area, density;
    for (const Country& c : countries) {
        area.push_back({c.area, c.name});
        if (c.population > 0) {
            population.push_back({c.population / 1e6, c.name});
            if (c.area > 0)
                density.push_back({c.population / c.area, c.name});
        }
    }
    drawRanking(context, charts()[0], population, "milhões de habitantes", 1, 0x5B8DB8);
    drawRanking(context, charts()[1], area, "quilômetros quadrados", 0, 0x8DB86B);
    drawRanking(context, charts()[2], density, "habitantes por quilômetro quadrado", 1, 0xC98B4B);
}

} // namespace vel::discdata
