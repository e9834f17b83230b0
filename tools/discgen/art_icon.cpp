#include "discgen/art_icon.h"

#include <cairo.h>

#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>
#include <string>

#include "discgen/art_paint.h"

namespace vel::discgen {

namespace {

void source(cairo_t* c, uint32_t rgb)
{
    cairo_set_source_rgb(c, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
}

// Fills the current path with `body` and strokes it with the line colour.
void paint(cairo_t* c, uint32_t body, const IconInk& ink)
{
    source(c, body);
    cairo_fill_preserve(c);
    source(c, ink.line);
    cairo_stroke(c);
}

void stroke(cairo_t* c, uint32_t rgb)
{
    source(c, rgb);
    cairo_stroke(c);
}

void circle(cairo_t* c, double x, double y, double r)
{
    cairo_new_sub_path(c);
    cairo_arc(c, x, y, r, 0, 2 * M_PI);
}

// A closed path through the points.
void polygon(cairo_t* c, std::initializer_list<std::pair<double, double>> points)
{
    cairo_new_sub_path(c);
    for (auto [x, y] : points)
        cairo_line_to(c, x, y);
    cairo_close_path(c);
}

void line(cairo_t* c, double x0, double y0, double x1, double y1)
{
    cairo_move_to(c, x0, y0);
    cairo_line_to(c, x1, y1);
}

void glyph(cairo_t* c, const char* text, double cx, double baseline, double size, bool serif)
{
    cairo_select_font_face(c, serif ? "Liberation Serif" : "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(c, size);
    cairo_text_extents_t e;
    cairo_text_extents(c, text, &e);
    cairo_move_to(c, cx - e.x_bearing - e.width / 2, baseline);
    cairo_text_path(c, text);
}

void book(cairo_t* c, const IconInk& ink)
{
    for (int side : {-1, 1}) {
        cairo_move_to(c, 16, 9);
        cairo_curve_to(c, 16 + side * 4, 6, 16 + side * 10, 6, 16 + side * 13, 8);
        cairo_line_to(c, 16 + side * 13, 25);
        cairo_curve_to(c, 16 + side * 10, 23, 16 + side * 4, 23, 16, 26);
        cairo_close_path(c);
        paint(c, ink.fill, ink);
        for (double y : {12.0, 15.5, 19.0})
            line(c, 16 + side * 3.5, y, 16 + side * 10, y - 0.8);
        cairo_save(c);
        cairo_set_line_width(c, 1);
        stroke(c, mix(ink.line, ink.fill, 0.45));
        cairo_restore(c);
    }
    cairo_rectangle(c, 15, 8, 2, 18);
    source(c, ink.accent);
    cairo_fill(c);
}

void globe(cairo_t* c, const IconInk& ink, double r, bool land)
{
    circle(c, 16, 16, r);
    paint(c, ink.fill, ink);
    cairo_save(c);
    cairo_set_line_width(c, 1.2);
    cairo_save(c);
    cairo_translate(c, 16, 16);
    cairo_scale(c, 0.45, 1);
    circle(c, 0, 0, r);
    cairo_restore(c);
    line(c, 16, 16 - r, 16, 16 + r);
    line(c, 16 - r, 16, 16 + r, 16);
    for (double dy : {-0.5, 0.5}) {
        const double half = r * std::sqrt(1 - dy * dy);
        cairo_move_to(c, 16 - half, 16 + dy * r);
        cairo_curve_to(c, 16 - half / 2, 16 + dy * r + dy * 2, 16 + half / 2, 16 + dy * r + dy * 2, 16 + half, 16 + dy * r);
    }
    stroke(c, ink.line);
    cairo_restore(c);
    if (!land)
        return;
    // A continent in the accent.
    cairo_move_to(c, 16 - r * 0.55, 16 - r * 0.35);
    cairo_curve_to(c, 16 - r * 0.1, 16 - r * 0.7, 16 + r * 0.1, 16 - r * 0.1, 16 - r * 0.05, 16 + r * 0.3);
    cairo_curve_to(c, 16 - r * 0.2, 16 + r * 0.7, 16 - r * 0.6, 16 + r * 0.2, 16 - r * 0.55, 16 - r * 0.35);
    source(c, ink.accent);
    cairo_fill(c);
}

void film(cairo_t* c, const IconInk& ink)
{
    cairo_rectangle(c, 6, 3, 20, 26);
    paint(c, ink.line, ink);
    for (int i = 0; i < 5; ++i)
        for (double x : {7.5, 22.5}) {
            cairo_rectangle(c, x, 5 + i * 5, 2, 2.6);
            source(c, ink.fill);
            cairo_fill(c);
        }
    cairo_rectangle(c, 11, 6, 10, 9);
    cairo_rectangle(c, 11, 17, 10, 9);
    source(c, ink.fill);
    cairo_fill(c);
    // A hill and a sun in the upper frame.
    cairo_move_to(c, 11, 15);
    cairo_line_to(c, 15, 10);
    cairo_line_to(c, 18, 13);
    cairo_line_to(c, 21, 11);
    cairo_line_to(c, 21, 15);
    source(c, ink.accent);
    cairo_fill(c);
    circle(c, 18.5, 8.5, 1.3);
    cairo_fill(c);
}

void table(cairo_t* c, const IconInk& ink)
{
    cairo_rectangle(c, 4, 6, 24, 20);
    paint(c, ink.fill, ink);
    cairo_rectangle(c, 4, 6, 24, 5);
    paint(c, ink.accent, ink);
    cairo_save(c);
    cairo_set_line_width(c, 1.2);
    for (double y : {16.0, 21.0})
        line(c, 4, y, 28, y);
    for (double x : {12.0, 20.0})
        line(c, x, 6, x, 26);
    stroke(c, ink.line);
    cairo_restore(c);
}

void hourglass(cairo_t* c, const IconInk& ink)
{
    cairo_move_to(c, 9, 6);
    cairo_line_to(c, 23, 6);
    cairo_curve_to(c, 23, 12, 17, 14, 17, 16);
    cairo_curve_to(c, 17, 18, 23, 20, 23, 26);
    cairo_line_to(c, 9, 26);
    cairo_curve_to(c, 9, 20, 15, 18, 15, 16);
    cairo_curve_to(c, 15, 14, 9, 12, 9, 6);
    cairo_close_path(c);
    paint(c, ink.fill, ink);
    // Sand: what is left above, the heap below and the thread between.
    polygon(c, {{12, 11}, {20, 11}, {16, 15}});
    cairo_move_to(c, 10.5, 25);
    cairo_curve_to(c, 12, 21, 20, 21, 21.5, 25);
    cairo_close_path(c);
    cairo_rectangle(c, 15.5, 15, 1, 7);
    source(c, ink.accent);
    cairo_fill(c);
    for (double y : {3.5, 26.0}) {
        cairo_rectangle(c, 6, y, 20, 2.5);
        paint(c, ink.accent, ink);
    }
}

void question(cairo_t* c, const IconInk& ink)
{
    glyph(c, "?", 16, 29.5, 40, true);
    cairo_save(c);
    cairo_set_line_width(c, 1.2);
    paint(c, ink.fill, ink);
    cairo_restore(c);
}

void newspaper(cairo_t* c, const IconInk& ink)
{
    polygon(c, {{5, 4}, {22, 4}, {27, 9}, {27, 28}, {5, 28}});
    paint(c, ink.fill, ink);
    cairo_move_to(c, 22, 4);
    cairo_line_to(c, 22, 9);
    cairo_line_to(c, 27, 9);
    stroke(c, ink.line);
    cairo_rectangle(c, 8, 7, 11, 3);
    source(c, ink.line);
    cairo_fill(c);
    cairo_rectangle(c, 8, 13, 8, 7);
    paint(c, ink.accent, ink);
    cairo_save(c);
    cairo_set_line_width(c, 1);
    for (double y : {14.0, 16.5, 19.0, 22.0, 24.5})
        line(c, y < 21 ? 18 : 8, y, 24, y);
    stroke(c, mix(ink.line, ink.fill, 0.3));
    cairo_restore(c);
}

void calendar(cairo_t* c, const IconInk& ink)
{
    cairo_rectangle(c, 5, 7, 22, 21);
    paint(c, ink.fill, ink);
    cairo_rectangle(c, 5, 7, 22, 6);
    paint(c, ink.accent, ink);
    for (double x : {10.0, 22.0}) {
        cairo_rectangle(c, x - 1, 4, 2, 6);
        paint(c, ink.fill, ink);
    }
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            cairo_rectangle(c, 7.5 + col * 4.6, 15 + row * 4.2, 3, 2.6);
            source(c, row == 1 && col == 2 ? ink.accent : mix(ink.line, ink.fill, 0.45));
            cairo_fill(c);
        }
}

void magnifier(cairo_t* c, const IconInk& ink)
{
    cairo_save(c);
    cairo_set_line_width(c, 5);
    cairo_set_line_cap(c, CAIRO_LINE_CAP_ROUND);
    line(c, 19.5, 19.5, 26, 26);
    stroke(c, ink.line);
    cairo_set_line_width(c, 3);
    line(c, 19.5, 19.5, 26, 26);
    stroke(c, ink.accent);
    cairo_restore(c);
    circle(c, 13.5, 13.5, 8.5);
    cairo_save(c);
    cairo_set_line_width(c, 3);
    paint(c, mix(ink.fill, 0xA8C8E8, 0.35), ink);
    cairo_restore(c);
    cairo_arc(c, 13.5, 13.5, 5, M_PI * 1.1, M_PI * 1.45);
    cairo_save(c);
    cairo_set_line_width(c, 1.5);
    stroke(c, 0xFFFFFF);
    cairo_restore(c);
}

void clock(cairo_t* c, const IconInk& ink)
{
    circle(c, 16, 16, 11.5);
    paint(c, ink.fill, ink);
    cairo_save(c);
    cairo_set_line_width(c, 1.2);
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6, inner = i % 3 ? 9.5 : 8.5;
        line(c, 16 + inner * std::cos(a), 16 + inner * std::sin(a), 16 + 10.5 * std::cos(a), 16 + 10.5 * std::sin(a));
    }
    stroke(c, ink.line);
    cairo_set_line_width(c, 2);
    cairo_set_line_cap(c, CAIRO_LINE_CAP_ROUND);
    line(c, 16, 16, 16, 9);
    line(c, 16, 16, 11, 13);
    stroke(c, ink.line);
    cairo_restore(c);
    circle(c, 16, 16, 1.4);
    source(c, ink.accent);
    cairo_fill(c);
}

void arrow(cairo_t* c, const IconInk& ink)
{
    polygon(c, {{4, 16}, {15, 6}, {15, 12}, {28, 12}, {28, 20}, {15, 20}, {15, 26}});
    paint(c, ink.fill, ink);
}

void network(cairo_t* c, const IconInk& ink)
{
    globe(c, ink, 9.5, false);
    cairo_save(c);
    cairo_translate(c, 16, 16);
    cairo_rotate(c, -0.45);
    cairo_scale(c, 1, 0.32);
    circle(c, 0, 0, 14);
    cairo_restore(c);
    cairo_save(c);
    cairo_set_line_width(c, 1.5);
    stroke(c, ink.accent);
    cairo_restore(c);
    for (auto [x, y] : {std::pair{4.0, 22.0}, std::pair{28.0, 10.0}}) {
        circle(c, x, y, 2.4);
        paint(c, ink.accent, ink);
    }
}

void help(cairo_t* c, const IconInk& ink)
{
    circle(c, 16, 16, 12);
    paint(c, ink.fill, ink);
    circle(c, 16, 16, 9.5);
    source(c, ink.accent);
    cairo_fill(c);
    glyph(c, "?", 16, 23, 19, false);
    source(c, ink.line);
    cairo_fill(c);
}

void minimise(cairo_t* c, const IconInk& ink)
{
    cairo_rectangle(c, 5, 5, 22, 16);
    paint(c, mix(ink.fill, ink.line, 0.25), ink);
    cairo_rectangle(c, 5, 5, 22, 3.5);
    paint(c, ink.accent, ink);
    cairo_rectangle(c, 5, 24, 22, 4);
    paint(c, ink.fill, ink);
    polygon(c, {{12, 12}, {20, 12}, {16, 18}});
    source(c, ink.line);
    cairo_fill(c);
}

void door(cairo_t* c, const IconInk& ink)
{
    cairo_rectangle(c, 6, 4, 16, 24);
    paint(c, mix(ink.line, ink.fill, 0.25), ink);
    // The door swung open towards the viewer.
    polygon(c, {{6, 4}, {15, 7}, {15, 31}, {6, 28}});
    paint(c, ink.fill, ink);
    circle(c, 13, 18, 1.2);
    source(c, ink.line);
    cairo_fill(c);
    polygon(c, {{19, 13}, {24, 13}, {24, 9}, {30, 16}, {24, 23}, {24, 19}, {19, 19}});
    paint(c, ink.accent, ink);
}

void sections(cairo_t* c, const IconInk& ink)
{
    static const char* const names[9] = {"verbetes", "atlas", "midias", "bdados", "principal",
                                         "tempo",    "curio", "retro",  "agenda"};
    for (int i = 0; i < 9; ++i) {
        cairo_rectangle(c, 4.5 + (i % 3) * 8, 4.5 + (i / 3) * 8, 7, 7);
        paint(c, i == 4 ? ink.fill : lighter(sectionLook(names[i]).main, 0.15), ink);
    }
}

void speaker(cairo_t* c, const IconInk& ink)
{
    polygon(c, {{4, 12}, {9, 12}, {16, 6}, {16, 26}, {9, 20}, {4, 20}});
    paint(c, ink.fill, ink);
    cairo_save(c);
    cairo_set_line_width(c, 2);
    cairo_set_line_cap(c, CAIRO_LINE_CAP_ROUND);
    for (double r : {5.0, 9.5}) {
        cairo_new_sub_path(c);
        cairo_arc(c, 16, 16, r, -0.8, 0.8);
    }
    stroke(c, ink.accent);
    cairo_restore(c);
}

// A dew drop within a ring, a four-pointed star at its shoulder: the product's mark.
void emblem(cairo_t* c, const IconInk& ink)
{
    circle(c, 16, 16, 14);
    cairo_save(c);
    cairo_set_line_width(c, 1.5);
    paint(c, ink.line, ink);
    cairo_restore(c);
    circle(c, 16, 16, 12.2);
    cairo_save(c);
    cairo_set_line_width(c, 1.2);
    stroke(c, ink.accent);
    cairo_restore(c);
    cairo_move_to(c, 16, 5.5);
    cairo_curve_to(c, 18, 10, 23, 14, 23, 19);
    cairo_curve_to(c, 23, 23.5, 19.5, 26.5, 16, 26.5);
    cairo_curve_to(c, 12.5, 26.5, 9, 23.5, 9, 19);
    cairo_curve_to(c, 9, 14, 14, 10, 16, 5.5);
    cairo_close_path(c);
    paint(c, ink.fill, ink);
    cairo_move_to(c, 13, 16);
    cairo_curve_to(c, 11.5, 18, 11.5, 21, 13.5, 23);
    cairo_save(c);
    cairo_set_line_width(c, 1.5);
    stroke(c, 0xFFFFFF);
    cairo_restore(c);
    // The star.
    cairo_move_to(c, 23, 5);
    for (int i = 1; i <= 8; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 4, r = i % 2 ? 1.2 : 4.2;
        cairo_line_to(c, 23 + r * std::cos(a), 9 + r * std::sin(a));
    }
    cairo_close_path(c);
    source(c, ink.accent);
    cairo_fill(c);
}

struct NamedIcon {
    std::string_view name;
    std::function<void(cairo_t*, const IconInk&)> draw;
};

const std::array<NamedIcon, 18>& icons()
{
    static const std::array<NamedIcon, 18> all = {{
        {"livro", book},
        {"globo", [](cairo_t* c, const IconInk& ink) { globe(c, ink, 12, true); }},
        {"filme", film},
        {"tabela", table},
        {"ampulheta", hourglass},
        {"interrogacao", question},
        {"jornal", newspaper},
        {"calendario", calendar},
        {"lupa", magnifier},
        {"relogio", clock},
        {"seta", arrow},
        {"rede", network},
        {"ajuda", help},
        {"minimizar", minimise},
        {"porta", door},
        {"secoes", sections},
        {"alto_falante", speaker},
        {"emblema", emblem},
    }};
    return all;
}

} // namespace

bool knownIcon(std::string_view name)
{
    for (const NamedIcon& icon : icons())
        if (icon.name == name)
            return true;
    return false;
}

bool drawIcon(cairo_t* cairo, std::string_view name, double x, double y, double size, const IconInk& ink)
{
    for (const NamedIcon& icon : icons()) {
        if (icon.name != name)
            continue;
        cairo_save(cairo);
        cairo_translate(cairo, x, y);
        cairo_scale(cairo, size / 32, size / 32);
        cairo_set_line_width(cairo, 1.6);
        cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
        icon.draw(cairo, ink);
        cairo_restore(cairo);
        return true;
    }
    return false;
}

} // namespace vel::discgen
