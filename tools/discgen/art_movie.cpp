// The "movie" kind: scenes drawn frame by frame with the drawing kit, a soundtrack played by the tune
// synthesiser, both handed to the ffmpeg program, which encodes the movie the title plays.
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "discgen/art_icon.h"
#include "discgen/art_kinds.h"
#include "discgen/art_paint.h"
#include "discgen/discgen.h"
#include "discgen/synth.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::discgen {

namespace {

constexpr int kFramesPerSecond = 25;
constexpr int kSoundRate = 44100;

double ease(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// How far along `t` is between `from` and `to`, eased, 0 before and 1 after.
double phase(double t, double from, double to)
{
    return ease((t - from) / (to - from));
}

struct Scene {
    Value entry;
    double seconds = 3;
};

platform::FontSpec face(const char* name, int pixels, bool bold, bool italic = false)
{
    platform::FontSpec font;
    font.face = name;
    font.pixelHeight = pixels;
    font.bold = bold;
    font.italic = italic;
    return font;
}

void titleScene(Painter& p, const Value& scene, double t)
{
    const double w = p.width(), h = p.height(), scale = h / 480;
    const double rise = 12 * scale * (1 - phase(t, 0, 0.35));
    p.faded(phase(t, 0.02, 0.3), [&] {
        IconInk ink;
        ink.line = kNight;
        drawIcon(p.cairo(), "emblema", w / 2 - 40 * scale, h * 0.2 + rise, 80 * scale, ink);
        p.text(w / 2, h * 0.55 + rise, textField(scene, "Title"), face("Times New Roman", int(54 * scale), true),
               kPaper, Align::Centre);
    });
    const double rule = phase(t, 0.25, 0.55) * 220 * scale;
    p.fill(w / 2 - rule, h * 0.55 + 16 * scale, 2 * rule, std::max(1.0, 2 * scale), 0xD8A838);
    p.faded(phase(t, 0.4, 0.7), [&] {
        p.text(w / 2, h * 0.55 + 50 * scale, textField(scene, "Text"), face("Times New Roman", int(20 * scale), false, true),
               sectionLook("principal").tint, Align::Centre);
    });
}

// The sections come in one after another: a tile of each one's colour with its pictogram and name.
void sectionsScene(Painter& p, const Value& scene, double t)
{
    List* items = asList(field(scene, "Items"));
    if (!items)
        return;
    const double w = p.width(), h = p.height(), scale = h / 480;
    const int columns = 4, count = items->count();
    const double tileW = 132 * scale, tileH = 116 * scale, gap = 16 * scale;
    const double left = (w - columns * tileW - (columns - 1) * gap) / 2;
    const double top = h * 0.5 - tileH - gap / 2 + 18 * scale;
    p.faded(phase(t, 0, 0.15), [&] {
        p.text(w / 2, 70 * scale, textField(scene, "Title"), face("Times New Roman", int(30 * scale), true), kPaper,
               Align::Centre);
    });
    for (int i = 0; i < count; ++i) {
        List* item = asList(items->get(i));
        if (!item || item->count() < 3)
            continue;
        const double start = 0.08 + 0.72 * i / count, arrived = phase(t, start, start + 0.12);
        if (arrived <= 0)
            continue;
        const SectionLook& look = sectionLook(textOf(item->get(0)));
        const double x = std::round(left + (i % columns) * (tileW + gap));
        const double y = std::round(top + (i / columns) * (tileH + gap) + (1 - arrived) * 24 * scale);
        p.faded(arrived, [&] {
            p.fill(x, y, tileW, tileH, look.main);
            p.bevel(int(x), int(y), int(tileW), int(tileH), look.main, 2, false);
            IconInk ink;
            ink.line = darker(look.main, 0.6);
            drawIcon(p.cairo(), textOf(item->get(1)), x + tileW / 2 - 28 * scale, y + 14 * scale, 56 * scale, ink);
            p.text(x + tileW / 2, y + tileH - 14 * scale, textOf(item->get(2)), face("Arial", int(13 * scale), true), kPaper,
                   Align::Centre);
        });
    }
}

// The emblem drawn in by a sweep round its centre, then its name beneath.
void emblemScene(Painter& p, const Value& scene, double t)
{
    const double w = p.width(), h = p.height(), size = std::min(w, h) * 0.55;
    const double cx = w / 2, cy = h * 0.42;
    cairo_t* c = p.cairo();
    const double sweep = phase(t, 0.05, 0.6) * 2 * M_PI;
    if (sweep > 0) {
        cairo_save(c);
        cairo_move_to(c, cx, cy);
        cairo_arc(c, cx, cy, size, -M_PI / 2, -M_PI / 2 + sweep);
        cairo_close_path(c);
        cairo_clip(c);
        IconInk ink;
        ink.line = kNight;
        drawIcon(c, "emblema", cx - size / 2, cy - size / 2, size, ink);
        cairo_restore(c);
    }
    p.faded(phase(t, 0.55, 0.8), [&] {
        p.text(cx, cy + size / 2 + h * 0.14, textField(scene, "Title"), face("Times New Roman", int(h * 0.11), true),
               kPaper, Align::Centre);
    });
}

void cardScene(Painter& p, const Value& scene, double t)
{
    const double w = p.width(), h = p.height(), scale = h / 480;
    p.faded(phase(t, 0, 0.3), [&] {
        p.text(w / 2, h * 0.48, textField(scene, "Title"), face("Times New Roman", int(40 * scale), true), kPaper,
               Align::Centre);
        p.text(w / 2, h * 0.48 + 40 * scale, textField(scene, "Text"), face("Arial", int(16 * scale), false), kPaper,
               Align::Centre);
    });
}

void drawScene(Painter& p, const Value& scene, double t)
{
    const std::string kind = textField(scene, "Scene", "card");
    if (kind == "title")
        titleScene(p, scene, t);
    else if (kind == "sections")
        sectionsScene(p, scene, t);
    else if (kind == "emblem")
        emblemScene(p, scene, t);
    else
        cardScene(p, scene, t);
}

// The soundtrack: a tune entry named by its file in the same table, or described in place; a soft tone
// when there is none.
std::vector<int16_t> soundtrack(const Value& entry, const Value& files, double seconds)
{
    Value music = field(entry, "Soundtrack");
    if (!music.isNil() && !asTable(music))
        music = field(files, textField(entry, "Soundtrack").c_str());
    if (asTable(music))
        return renderTune(readTune(music), kSoundRate, seconds);
    return toneSamples(kSoundRate, 523, static_cast<int>(seconds * 1000));
}

} // namespace

bool makeMovie(const fs::path& target, const Value& entry, const Value& files)
{
    int w = 320, h = 240;
    sizeField(entry, "Size", w, h);
    std::vector<Scene> scenes;
    if (List* list = asList(field(entry, "Scenes")))
        for (int32_t i = 0; i < list->count(); ++i)
            scenes.push_back({list->get(i), intField(list->get(i), "Seconds", 3) * 1.0});
    if (scenes.empty())
        scenes.push_back({entry, intField(entry, "Seconds", 2) * 1.0});
    double seconds = 0;
    for (const Scene& s : scenes)
        seconds += s.seconds;
    if (!haveProgram("ffmpeg")) {
        std::fprintf(stderr, "discgen: no ffmpeg program: %s is left out\n", target.filename().c_str());
        return true;
    }
    const fs::path sound = fs::temp_directory_path() / ("discgen-" + std::to_string(getpid()) + "-" +
                                                        target.filename().string() + ".wav");
    writeWave(sound, soundtrack(entry, files, seconds), kSoundRate);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    // About two bits a pixel a second keeps the drawn edges clean at MPEG-1's quality.
    const std::string bitrate = std::to_string(std::max(300, w * h * 6 / 1000)) + "k";
    auto feed = [&](int fd) {
        const uint32_t seed = seedOf(target.filename().string());
        for (const Scene& scene : scenes) {
            Painter backdrop(w, h);
            backdrop.backdrop(sectionLook(textField(scene.entry, "Section", "principal")), 0, seed);
            const int frames = static_cast<int>(std::lround(scene.seconds * kFramesPerSecond));
            const double fade = std::min(0.4, scene.seconds / 4);
            for (int f = 0; f < frames; ++f) {
                const double at = (f + 0.5) / kFramesPerSecond;
                Painter frame(w, h);
                cairo_set_source_surface(frame.cairo(), backdrop.surface(), 0, 0);
                cairo_paint(frame.cairo());
                drawScene(frame, scene.entry, at / scene.seconds);
                // Each scene rises out of black and sinks back into it.
                const double dark = 1 - std::min({1.0, at / fade, (scene.seconds - at) / fade});
                if (dark > 0) {
                    frame.setColour(0, dark);
                    cairo_paint(frame.cairo());
                }
                const platform::PixelView view = frame.pixels();
                for (int y = 0; y < h; ++y)
                    if (write(fd, view.row(y), static_cast<std::size_t>(w) * 4) != static_cast<ssize_t>(w) * 4)
                        return false;
            }
        }
        return true;
    };
    const int status = runProgram({"ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", size,
                                   "-r", std::to_string(kFramesPerSecond), "-i", "pipe:0", "-i", sound.string(), "-threads",
                                   "1", "-c:v", "mpeg1video", "-b:v", bitrate, "-c:a", "mp2", "-b:a", "128k", "-fflags",
                                   "+bitexact", "-flags", "+bitexact", "-map_metadata", "-1", target.string()},
                                  feed);
    std::error_code ignored;
    fs::remove(sound, ignored);
    return status == 0;
}

} // namespace vel::discgen
