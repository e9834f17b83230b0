// The disc's pictograms, drawn with cairo from simple shapes on a 32-unit grid scaled to any size:
// livro (book), globo (globe), filme (film frame), tabela (table), ampulheta (hourglass),
// interrogacao (question mark), jornal (newspaper), calendario (calendar page), lupa (magnifier),
// relogio (clock), seta (left arrow), rede (globe with links), ajuda (help), minimizar (minimise bar),
// porta (exit door), secoes (grid of the sections' colours), alto_falante (speaker), emblema (the
// product's emblem).
#pragma once

#include <cstdint>
#include <string_view>

typedef struct _cairo cairo_t;

namespace vel::discgen {

struct IconInk {
    uint32_t line = 0x191919;   // outlines and inner strokes
    uint32_t fill = 0xFAF7EE;   // the body
    uint32_t accent = 0xD8A838; // a detail: sand, sea, a binding, a star
};

bool knownIcon(std::string_view name);
// Draws the named pictogram with its 32-unit square's top-left at (x, y), `size` pixels wide; false
// for an unknown name.
bool drawIcon(cairo_t* cairo, std::string_view name, double x, double y, double size, const IconInk& ink);

} // namespace vel::discgen
