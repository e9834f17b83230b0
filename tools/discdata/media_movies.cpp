#include "discdata/media_movies.h"

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <functional>

#include "discdata/geo.h"
#include "discdata/maps.h"
#include "discgen/art_kinds.h"
#include "discgen/art_paint.h"
#include "discgen/discgen.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::discdata {

namespace {

constexpr int kWidth = 320, kHeight = 240, kFramesPerSecond = 25, kSpeechRate = 22050;

using Draw = std::function<void(discgen::Painter&, double seconds)>;

platform::FontSpec arial(int pixels, bool bold)
{
    platform::FontSpec font;
    font.face = "Arial";
    font.pixelHeight = pixels;
    font.bold = bold;
    return font;
}

void rgb(cairo_t* c, uint32_t colour, double alpha = 1)
{
    cairo_set_source_rgba(c, ((colour >> 16) & 255) / 255.0, ((colour >> 8) & 255) / 255.0, (colour & 255) / 255.0, alpha);
}

// The narration's length in seconds (a 16-bit mono wave at the speech rate).
double spokenSeconds(const fs::path& wave)
{
    std::error_code error;
    const auto size = fs::file_size(wave, error);
    return error ? 0 : static_cast<double>(size > 44 ? size - 44 : 0) / 2 / kSpeechRate;
}

// Draws the frames into ffmpeg; the narration, when given, is the soundtrack and sets the length.
void encode(const Context& context, const std::string& file, double seconds, const Draw& draw, const std::string& narration)
{
    const fs::path movies = context.disc / "Movies";
    fs::create_directories(movies);
    const fs::path wave = context.work / (file + ".wav");
    if (!narration.empty()) {
        Value entry = Table::make(4);
        asTable(entry)->put("Text", Value::string(to1252(narration, file)));
        asTable(entry)->put("Rate", Value::integer(kSpeechRate));
        if (!discgen::makeSpeech(wave, entry))
            fail(file + ": the narration could not be made");
        seconds = std::max(seconds, spokenSeconds(wave) + 1.5);
    }
    const int frames = static_cast<int>(std::lround(seconds * kFramesPerSecond));
    {
        discgen::Painter still(kWidth, kHeight);
        draw(still, seconds * 0.6);
        const platform::PixelView view = still.pixels();
        reduceColours(view);
        if (!discgen::writeBitmap(context.disc / (file + ".bmp"), view))
            fail(file + ".bmp: cannot write");
    }
    std::vector<std::string> words = {"ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0", "-s",
                                      std::to_string(kWidth) + "x" + std::to_string(kHeight), "-r",
                                      std::to_string(kFramesPerSecond), "-i", "pipe:0"};
    if (!narration.empty())
        words.insert(words.end(), {"-i", wave.string(), "-c:a", "pcm_s16le", "-af", "apad", "-t", std::to_string(seconds)});
    else
        words.push_back("-an");
    words.insert(words.end(), {"-threads", "1", "-c:v", "mpeg4", "-q:v", "3", "-pix_fmt", "yuv420p", "-fflags", "+bitexact",
                               "-flags", "+bitexact", "-map_metadata", "-1", (movies / (file + ".avi")).string()});
    auto feed = [&](int fd) {
        for (int f = 0; f < frames; ++f) {
            discgen::Painter frame(kWidth, kHeight);
            draw(frame, (f + 0.5) / kFramesPerSecond);
            const platform::PixelView view = frame.pixels();
            for (int y = 0; y < kHeight; ++y)
                if (write(fd, view.row(y), kWidth * 4) != kWidth * 4)
                    return false;
        }
        return true;
    };
    if (!discgen::haveProgram("ffmpeg"))
        fail(file + ": the movies need the ffmpeg program");
    if (discgen::runProgram(words, feed) != 0)
        fail(file + ".avi: ffmpeg could not encode it");
}

// A caption band at the foot of a frame.
void caption(discgen::Painter& p, const std::string& utf8, double alpha)
{
    if (alpha <= 0)
        return;
    p.faded(std::min(1.0, alpha), [&] {
        p.fill(0, kHeight - 26, kWidth, 26, 0x14285A);
        p.text(kWidth / 2.0, kHeight - 9, to1252(utf8, "movie caption"), arial(13, true), 0xFFFFFF, discgen::Align::Centre);
    });
}

struct Planet {
    const char* name;
    double years; // one orbit round the Sun
    uint32_t colour;
    double radius;
};

// The eight planets; sizes and distances are not to scale, the periods are.
constexpr Planet kPlanets[] = {
    {"Mercúrio", 0.241, 0xB5A89A, 2}, {"Vênus", 0.615, 0xE8C77A, 3},   {"Terra", 1.0, 0x4A8FD8, 3.2},
    {"Marte", 1.881, 0xD0603A, 2.6},  {"Júpiter", 11.86, 0xD9A877, 6}, {"Saturno", 29.46, 0xE3CF92, 5},
    {"Urano", 84.01, 0x9AD6E0, 4},    {"Netuno", 164.8, 0x4F6FD8, 4}};

void solarSystem(discgen::Painter& p, double t)
{
    cairo_t* c = p.cairo();
    p.fill(0, 0, kWidth, kHeight, 0x05070F);
    discgen::Noise stars(7);
    for (int i = 0; i < 90; ++i) {
        const double x = stars.next() % kWidth, y = stars.next() % kHeight;
        p.fill(x, y, 1, 1, discgen::mix(0x05070F, 0xFFFFFF, 0.3 + (stars.next() % 70) / 100.0));
    }
    const double cx = kWidth / 2.0, cy = kHeight / 2.0 - 6;
    rgb(c, 0xFFD54A);
    cairo_arc(c, cx, cy, 9, 0, 2 * M_PI);
    cairo_fill(c);
    // One Earth year takes four seconds.
    const double years = t / 4;
    for (std::size_t i = 0; i < std::size(kPlanets); ++i) {
        const Planet& planet = kPlanets[i];
        const double a = 20 + 17.5 * static_cast<double>(i), b = a * 0.5;
        rgb(c, 0x6A7AA0, 0.6);
        cairo_set_line_width(c, 0.6);
        cairo_save(c);
        cairo_translate(c, cx, cy);
        cairo_scale(c, 1, b / a);
        cairo_arc(c, 0, 0, a, 0, 2 * M_PI);
        cairo_restore(c);
        cairo_stroke(c);
        const double angle = 2 * M_PI * (years / planet.years) + static_cast<double>(i) * 0.9;
        const double x = cx + a * std::cos(angle), y = cy + b * std::sin(angle);
        rgb(c, planet.colour);
        cairo_arc(c, x, y, planet.radius, 0, 2 * M_PI);
        cairo_fill(c);
        if (i == 5) { // Saturn's rings
            cairo_save(c);
            cairo_translate(c, x, y);
            cairo_scale(c, 1, 0.35);
            cairo_arc(c, 0, 0, planet.radius * 2, 0, 2 * M_PI);
            cairo_restore(c);
            cairo_set_line_width(c, 1);
            cairo_stroke(c);
        }
        p.text(x + planet.radius + 2, y - 2, to1252(planet.name, "planet"), arial(9, false), 0xD8DCE8);
    }
    p.text(8, 18, to1252("O Sistema Solar", "title"), arial(15, true), 0xFFFFFF);
    caption(p, "Tamanhos e distâncias fora de escala", t / 1.5);
}

// The world map behind the climate zones and day and night: land of Natural Earth's small-scale borders.
struct WorldBackdrop {
    explicit WorldBackdrop(const Context& context)
        : land(readTopology(readPackageJson(context, "world-atlas", "land-110m.json"), "land", "world-atlas/land-110m.json"))
    {
        projection.width = kWidth;
        projection.height = 160;
        projection.scale = kWidth / 360.0;
    }
    // The map with its top at `top`.
    void draw(discgen::Painter& p, double top) const
    {
        cairo_t* c = p.cairo();
        cairo_save(c);
        cairo_translate(c, 0, top);
        rgb(c, MapInk::kSea);
        cairo_rectangle(c, 0, 0, kWidth, 160);
        cairo_fill(c);
        rgb(c, MapInk::kLand);
        cairo_set_fill_rule(c, CAIRO_FILL_RULE_EVEN_ODD);
        for (const Shape& shape : land)
            for (const Polygon& polygon : shape.polygons)
                for (const Ring& ring : polygon) {
                    const std::vector<Point> points = projection.projectRing(ring);
                    for (std::size_t i = 0; i < points.size(); ++i)
                        (i ? cairo_line_to : cairo_move_to)(c, points[i].x, points[i].y);
                    cairo_close_path(c);
                }
        cairo_fill_preserve(c);
        rgb(c, MapInk::kCoast);
        cairo_set_line_width(c, 0.5);
        cairo_stroke(c);
        cairo_restore(c);
    }
    double y(double lat, double top) const { return top + projection.project({0, lat}).y; }

    std::vector<Shape> land;
    Projection projection;
};

constexpr double kTropic = 23.44, kPolarCircle = 66.56;

void climateZones(const WorldBackdrop& world, discgen::Painter& p, double t)
{
    const double top = 40;
    p.fill(0, 0, kWidth, kHeight, 0xFAF7EE);
    world.draw(p, top);
    struct Zone {
        double from, to;
        uint32_t colour;
        const char* name;
        double at; // seconds when it shows
    };
    const Zone zones[] = {{-kTropic, kTropic, 0xE8703A, "Zona tropical", 2},
                          {kTropic, kPolarCircle, 0x5AAF5A, "Zonas temperadas", 9},
                          {-kPolarCircle, -kTropic, 0x5AAF5A, "", 9},
                          {kPolarCircle, 90, 0x5A8FD8, "Zonas polares", 16},
                          {-90, -kPolarCircle, 0x5A8FD8, "", 16}};
    for (const Zone& zone : zones) {
        const double shown = std::clamp((t - zone.at) / 1.5, 0.0, 1.0);
        if (shown <= 0)
            continue;
        const double y0 = world.y(zone.to, top), y1 = world.y(zone.from, top);
        p.faded(0.35 * shown, [&] { p.fill(0, y0, kWidth, y1 - y0, zone.colour); });
        if (*zone.name)
            p.faded(shown, [&] { p.text(kWidth - 6, (y0 + y1) / 2 + 4, to1252(zone.name, "zone"), arial(11, true), 0x191919,
                                        discgen::Align::Right); });
    }
    cairo_t* c = p.cairo();
    const double dash[] = {3, 3};
    cairo_set_dash(c, dash, 2, 0);
    cairo_set_line_width(c, 0.8);
    rgb(c, 0x7A2A1A);
    for (double lat : {kTropic, -kTropic, kPolarCircle, -kPolarCircle}) {
        cairo_move_to(c, 0, world.y(lat, top));
        cairo_line_to(c, kWidth, world.y(lat, top));
    }
    cairo_stroke(c);
    cairo_set_dash(c, nullptr, 0, 0);
    p.text(8, 26, to1252("As zonas térmicas da Terra", "title"), arial(15, true), 0x191919);
    caption(p, t < 9 ? "Entre os trópicos" : t < 16 ? "Entre os trópicos e os círculos polares" : "Além dos círculos polares",
            std::min(1.0, t - 2));
}

void dayAndNight(const WorldBackdrop& world, discgen::Painter& p, double t, double seconds)
{
    const double top = 40;
    p.fill(0, 0, kWidth, kHeight, 0xFAF7EE);
    world.draw(p, top);
    // At an equinox the Sun stands over the equator; its meridian moves 15 degrees west an hour.
    const double hours = 24 * t / seconds;
    const double sunLon = 180 - 15 * hours;
    for (int x = 0; x < kWidth; ++x) {
        const double lon = world.projection.unproject({x + 0.5, 0}).lon;
        const double light = std::cos((lon - sunLon) * M_PI / 180);
        if (light < 0.05)
            p.faded(std::min(0.55, 0.55 * (0.05 - light) / 0.15), [&] { p.fill(x, top, 1, 160, 0x0A1030); });
    }
    const Point sun = world.projection.project({sunLon, 0});
    cairo_t* c = p.cairo();
    rgb(c, 0xFFD54A);
    cairo_arc(c, sun.x, top + sun.y, 5, 0, 2 * M_PI);
    cairo_fill(c);
    p.text(8, 26, to1252("Dia e noite", "title"), arial(15, true), 0x191919);
    const int hour = static_cast<int>(hours) % 24;
    caption(p, "Meio-dia no meridiano de " + std::to_string(static_cast<int>(std::lround(std::fmod(sunLon + 540, 360) - 180))) +
                   "\xC2\xB0 (hora " + std::to_string(hour) + ")",
            1);
}

} // namespace

std::vector<Movie> makeMovies(const Context& context)
{
    const WorldBackdrop world(context);
    encode(context, "mnatlaat", 24, solarSystem,
           "O Sistema Solar é formado pelo Sol e pelos corpos que giram em torno dele. Oito planetas percorrem suas "
           "órbitas: Mercúrio, Vênus, Terra, Marte, Júpiter, Saturno, Urano e Netuno. Quanto mais longe do Sol, mais "
           "longo é o ano do planeta. Mercúrio dá uma volta em cerca de oitenta e oito dias; a Terra, em um ano; Netuno, "
           "em quase cento e sessenta e cinco anos. Nesta animação, os tamanhos e as distâncias não estão em escala.");
    encode(context, "mnatlaak", 24, [&](discgen::Painter& p, double t) { climateZones(world, p, t); },
           "Pela latitude, a Terra se divide em zonas térmicas. Entre o trópico de Câncer e o trópico de Capricórnio "
           "fica a zona tropical, a mais quente, onde o Sol do meio-dia chega a ficar a pino. Entre os trópicos e os "
           "círculos polares ficam as zonas temperadas, com as quatro estações bem marcadas. Além dos círculos polares "
           "estão as zonas polares, as mais frias, onde o dia e a noite podem durar meses.");
    constexpr double kDay = 8;
    encode(context, "ANIM_rotacao", kDay, [&](discgen::Painter& p, double t) { dayAndNight(world, p, t, kDay); }, "");
    return {
        {"mnatlaat", "O Sistema Solar", "O Sol e os oito planetas em suas órbitas, com os períodos em proporção.", false},
        {"mnatlaak", "Zonas térmicas da Terra", "A zona tropical, as temperadas e as polares, limitadas pelos trópicos e pelos círculos polares.", false},
        {"ANIM_rotacao", "Dia e noite",
         "A rotação da Terra traz o dia e a noite: a cada hora, o meio-dia avança 15 graus de longitude para oeste "
         "(desenho para um equinócio).",
         true},
    };
}

} // namespace vel::discdata
