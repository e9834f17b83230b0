// The "button" and "icon" kinds: controls' faces in their states (up, down, over, off).
#include <cairo.h>

#include <cstdio>

#include "discgen/art_icon.h"
#include "discgen/art_kinds.h"
#include "discgen/art_paint.h"
#include "discgen/discgen.h"

namespace vel::discgen {

namespace {

enum class State { Up, Down, Over, Off };

State stateOf(const Value& entry)
{
    const std::string state = textField(entry, "State", "up");
    return state == "down" ? State::Down : state == "over" ? State::Over : state == "off" ? State::Off : State::Up;
}

// The pictogram's colours in a state: greyed when off, brighter on rollover.
IconInk inkFor(const Value& entry, State state)
{
    IconInk ink;
    ink.line = colourField(entry, "Line", ink.line);
    ink.fill = colourField(entry, "Fill", ink.fill);
    ink.accent = colourField(entry, "Accent", ink.accent);
    if (state == State::Off) {
        ink.fill = 0x9A9890;
        ink.accent = 0x7A7872;
        ink.line = 0x4A4844;
    } else if (state == State::Over) {
        ink.fill = 0xFFFFFF;
        ink.accent = lighter(ink.accent, 0.3);
    }
    return ink;
}

} // namespace

bool makeButton(const fs::path& target, const Value& entry)
{
    if (!namesKnown(target, entry))
        return false;
    int w = 88, h = 26;
    sizeField(entry, "Size", w, h);
    Painter p(w, h);
    const SectionLook& look = sectionLook(textField(entry, "Section", "cinza"));
    const bool grey = look.name == "cinza";
    const State state = stateOf(entry);
    uint32_t face = colourField(entry, "Colour", grey ? look.tint : look.main);
    if (state == State::Over)
        face = lighter(face, 0.16);
    else if (state == State::Down)
        face = darker(face, 0.1);
    else if (state == State::Off)
        face = mix(face, 0xA8A6A0, 0.55);
    p.verticalGradient(0, 0, w, h, lighter(face, 0.14), darker(face, 0.08));
    p.frame(0, 0, w, h, darker(face, 0.65));
    p.bevel(1, 1, w - 2, h - 2, face, 2, state == State::Down);
    // Pressed, the face's content moves one pixel right and down.
    const int shift = state == State::Down ? 1 : 0;
    const std::string icon = textField(entry, "Icon");
    int labelLeft = -1;
    if (!icon.empty()) {
        const int size = h - 10;
        IconInk ink = inkFor(entry, state);
        ink.line = state == State::Off ? ink.line : darker(look.main, 0.6);
        drawIcon(p.cairo(), icon, 6 + shift, 5 + shift, size, ink);
        labelLeft = 6 + size + 8;
    }
    const std::string label = textField(entry, "Label");
    if (!label.empty()) {
        const platform::FontSpec font = fontField(entry, "Font", "Arial", h < 32 ? 9 : 11, true);
        uint32_t ink = colourField(entry, "LabelColour", grey ? kInk : kPaper);
        if (state == State::Off)
            ink = grey ? 0x8C8A84 : 0xD0CEC8;
        const double baseline = (h + p.ascent(font) * 0.72) / 2 + shift;
        if (!grey && state != State::Off) // an engraved shadow under light letters
            p.text((labelLeft < 0 ? w / 2.0 : labelLeft) + shift + 1, baseline + 1, label, font, darker(face, 0.5),
                   labelLeft < 0 ? Align::Centre : Align::Left);
        p.text((labelLeft < 0 ? w / 2.0 : labelLeft) + shift, baseline, label, font, ink,
               labelLeft < 0 ? Align::Centre : Align::Left);
    }
    return writeBitmap(target, p.pixels());
}

bool makeIcon(const fs::path& target, const Value& entry)
{
    int w = 32, h = 32;
    sizeField(entry, "Size", w, h);
    const std::string name = textField(entry, "Icon");
    if (name.empty() || !namesKnown(target, entry)) {
        std::fprintf(stderr, "discgen: %s: an icon needs a known \"Icon\"\n", target.filename().c_str());
        return false;
    }
    Painter p(w, h);
    const State state = stateOf(entry);
    const bool plate = intField(entry, "Plate", 1) != 0;
    int shift = 0, inset = 0;
    if (plate) {
        // A small dark plate of its own, so the icon reads on any band colour.
        uint32_t face = colourField(entry, "Background", 0x262A34);
        if (state == State::Over)
            face = lighter(face, 0.14);
        p.verticalGradient(0, 0, w, h, lighter(face, 0.1), darker(face, 0.2));
        p.bevel(0, 0, w, h, face, 1, state == State::Down);
        shift = state == State::Down ? 1 : 0;
        inset = 3;
    } else {
        p.fill(0, 0, w, h, colourField(entry, "Background", kPaper));
    }
    const int size = std::min(w, h) - 2 * inset;
    drawIcon(p.cairo(), name, (w - size) / 2 + shift, (h - size) / 2 + shift, size, inkFor(entry, state));
    return writeBitmap(target, p.pixels());
}

} // namespace vel::discgen
