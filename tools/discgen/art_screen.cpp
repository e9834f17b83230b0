// The "screen" and "palette" kinds.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "discgen/art_icon.h"
#include "discgen/art_kinds.h"
#include "discgen/art_paint.h"
#include "discgen/discgen.h"
#include "runtime/surface.h"
#include "value/list.h"
#include "value/string.h"

namespace vel::discgen {

namespace {

// Shapes beyond the plain picture's: plates, bevelled panels, paper, rules and pictograms.
void drawShape(Painter& p, List& s, const SectionLook& look)
{
    const std::string kind(textOf(s.get(0)));
    auto at = [&](int i) { return s.count() > i ? s.getInt(i) : 0; };
    auto colour = [&](int i, uint32_t fallback) { return s.count() > i ? pixelOf(s.getInt(i)) : fallback; };
    if (kind == "box") {
        p.fill(at(1), at(2), at(3), at(4), colour(5, look.main));
    } else if (kind == "frame") {
        p.frame(at(1), at(2), at(3), at(4), colour(5, kInk), std::max(1, at(6)));
    } else if (kind == "disc") {
        p.setColour(colour(4, look.main));
        cairo_arc(p.cairo(), at(1), at(2), at(3), 0, 2 * M_PI);
        cairo_fill(p.cairo());
    } else if (kind == "plate") {
        p.plate(at(1), at(2), at(3), at(4), colour(5, look.tint));
    } else if (kind == "inset" || kind == "raised") {
        const uint32_t face = colour(5, look.tint);
        p.fill(at(1), at(2), at(3), at(4), face);
        p.grain(at(1), at(2), at(3), at(4), seedOf(kind) + static_cast<uint32_t>(at(1) * 31 + at(2)), 3);
        p.bevel(at(1), at(2), at(3), at(4), face, 2, kind == "inset");
    } else if (kind == "paper") {
        p.fill(at(1), at(2), at(3), at(4), kPaper);
        p.grain(at(1), at(2), at(3), at(4), seedOf("paper") + static_cast<uint32_t>(at(1) * 31 + at(2)), 3);
        p.frame(at(1), at(2), at(3), at(4), 0x28282C);
    } else if (kind == "rule") {
        p.fill(at(1), at(2), at(3), 1, colour(4, look.main));
    } else if (kind == "icon") {
        IconInk ink;
        ink.line = colour(5, ink.line);
        ink.fill = colour(6, ink.fill);
        ink.accent = colour(7, ink.accent);
        drawIcon(p.cairo(), textOf(s.get(1)), at(2), at(3), at(4), ink);
    }
}

void drawTexts(Painter& p, List& texts)
{
    for (int32_t i = 0; i < texts.count(); ++i) {
        List* t = asList(texts.get(i));
        if (!t || t->count() < 5)
            continue;
        const platform::FontSpec font = DrawingSurface::fontSpecFor(t->get(3));
        const std::string align = t->count() > 5 ? std::string(textOf(t->get(5))) : "";
        // As the plain picture places it: y is the top of the line.
        p.text(t->getInt(1), t->getInt(2) + p.ascent(font), textOf(t->get(0)), font, pixelOf(t->getInt(4)),
               align == "center" ? Align::Centre : align == "right" ? Align::Right : Align::Left);
    }
}

void drawBackground(Painter& p, const Value& entry, const SectionLook& look, uint32_t seed)
{
    const int w = p.width(), h = p.height();
    const bool dark = !look.band && look.name != "cinza";
    const int band = intField(entry, "Band", look.band ? 40 : 0);
    if (List* gradient = asList(field(entry, "Gradient")); gradient && gradient->count() >= 2) {
        p.verticalGradient(0, band, w, h - band, pixelOf(gradient->getInt(0)), pixelOf(gradient->getInt(1)));
        p.grain(0, band, w, h - band, seed, 5);
    } else {
        p.backdrop(look, band, seed);
    }
    if (band > 0)
        p.band(look, band);
    const std::string title = textField(entry, "Title");
    if (!title.empty()) {
        const platform::FontSpec font = fontField(entry, "TitleFont", "Times New Roman", 22, true);
        const uint32_t ink = dark ? kPaper : darker(look.main, 0.3);
        const int baseline = band + 34;
        p.text(16, baseline, title, font, ink);
        if (!dark) {
            p.fill(16, baseline + 6, w - 32, 1, look.main);
            p.fill(16, baseline + 8, w - 32, 1, mix(look.main, look.tint, 0.6));
        }
    }
}

// A dialog's panel: bevelled frame, paper inside, the night-blue title strip (its text is the form's).
void drawDialog(Painter& p, const Value& entry, uint32_t seed)
{
    const int w = p.width(), h = p.height(), strip = intField(entry, "Strip", 22);
    const uint32_t face = sectionLook("cinza").tint;
    p.fill(0, 0, w, h, face);
    p.frame(0, 0, w, h, 0x28282C);
    p.bevel(1, 1, w - 2, h - 2, face, 2, false);
    p.fill(4, 4, w - 8, h - 8, kPaper);
    p.grain(4, 4, w - 8, h - 8, seed, 4);
    if (strip > 0) {
        p.verticalGradient(4, 4, w - 8, strip, lighter(kNight, 0.18), kNight);
        p.fill(4, 4 + strip, w - 8, 1, darker(kNight, 0.5));
    }
    p.frame(3, 3, w - 6, h - 6, mix(face, 0x28282C, 0.5));
}

void drawMenu(Painter& p, uint32_t seed)
{
    const int w = p.width(), h = p.height();
    p.fill(0, 0, w, h, kPaper);
    p.grain(1, 1, w - 2, h - 2, seed, 3);
    p.fill(1, 1, w - 2, 1, 0xFFFFFF);
    p.fill(1, 1, 1, h - 2, 0xFFFFFF);
    p.frame(0, 0, w, h, 0x28282C);
}

} // namespace

bool namesKnown(const fs::path& target, const Value& entry)
{
    std::vector<std::string> icons = {textField(entry, "Icon")};
    if (List* shapes = asList(field(entry, "Shapes")))
        for (int32_t i = 0; i < shapes->count(); ++i)
            if (List* s = asList(shapes->get(i)); s && s->count() >= 2 && textOf(s->get(0)) == "icon")
                icons.emplace_back(textOf(s->get(1)));
    for (const std::string& icon : icons)
        if (!icon.empty() && !knownIcon(icon)) {
            std::fprintf(stderr, "discgen: %s: no pictogram named '%s'\n", target.filename().c_str(), icon.c_str());
            return false;
        }
    const std::string section = textField(entry, "Section");
    if (!section.empty() && !knownSection(section)) {
        std::fprintf(stderr, "discgen: %s: no section named '%s'\n", target.filename().c_str(), section.c_str());
        return false;
    }
    return true;
}

bool makeScreen(const fs::path& target, const Value& entry)
{
    if (!namesKnown(target, entry))
        return false;
    int w = 640, h = 480;
    sizeField(entry, "Size", w, h);
    Painter p(w, h);
    const SectionLook& look = sectionLook(textField(entry, "Section", "principal"));
    const uint32_t seed = static_cast<uint32_t>(intField(entry, "Seed", static_cast<int>(seedOf(target.filename().string()))));
    const std::string style = textField(entry, "Style", "background");
    if (style == "dialog")
        drawDialog(p, entry, seed);
    else if (style == "menu")
        drawMenu(p, seed);
    else
        drawBackground(p, entry, look, seed);
    if (List* shapes = asList(field(entry, "Shapes")))
        for (int32_t i = 0; i < shapes->count(); ++i)
            if (List* s = asList(shapes->get(i)); s && s->count() >= 2)
                drawShape(p, *s, look);
    if (List* texts = asList(field(entry, "Texts")))
        drawTexts(p, *texts);
    return target.extension() == ".jpg" ? writeJpeg(target, p.pixels()) : writeBitmap(target, p.pixels());
}

bool makePalette(const fs::path& target, const Value& entry)
{
    int w = 16, h = 16;
    sizeField(entry, "Size", w, h);
    std::vector<uint32_t> colours;
    if (List* given = asList(field(entry, "Colours")))
        for (int32_t i = 0; i < given->count() && colours.size() < 256; ++i)
            colours.push_back(pixelOf(given->getInt(i)));
    // The rest of the table: a grey ramp, then an even cube of colours, so that pictures the palette
    // did not plan for still find a near match.
    for (int i = 0; i < 16 && colours.size() < 256; ++i)
        colours.push_back(0x111111u * static_cast<uint32_t>(i));
    for (int i = 0; colours.size() < 256; ++i)
        colours.push_back(static_cast<uint32_t>((i / 36 % 6) * 51) << 16 | static_cast<uint32_t>((i / 6 % 6) * 51) << 8 |
                          static_cast<uint32_t>(i % 6 * 51));
    media_writers::BitmapSpec spec;
    spec.width = w;
    spec.height = h;
    spec.bits = 8;
    spec.colours = colours;
    writeBytes(target, media_writers::bitmapFile(spec, media_writers::pixelRows(spec, [&](int x, int y) {
                                                     return static_cast<uint32_t>((y * w + x) % 256);
                                                 })));
    return true;
}

} // namespace vel::discgen
