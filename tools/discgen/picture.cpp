// The "picture" kind: a gradient, boxes, frames, discs and texts on the platform's canvas, pixel for
// pixel as the title draws them.
#include <algorithm>
#include <cmath>

#include "discgen/art_kinds.h"
#include "discgen/discgen.h"
#include "platform/canvas.h"
#include "runtime/surface.h"
#include "value/list.h"
#include "value/string.h"

namespace vel::discgen {

namespace {

void drawPicture(const Value& entry, platform::Canvas& canvas)
{
    const int w = canvas.width(), h = canvas.height();
    List* gradient = asList(field(entry, "Gradient"));
    uint32_t top = gradient && gradient->count() > 0 ? pixelOf(gradient->getInt(0)) : 0;
    uint32_t bottom = gradient && gradient->count() > 1 ? pixelOf(gradient->getInt(1)) : top;
    for (int y = 0; y < h; ++y) {
        uint32_t c = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            int a = (top >> shift) & 255, b = (bottom >> shift) & 255;
            c |= static_cast<uint32_t>(a + (b - a) * y / std::max(1, h - 1)) << shift;
        }
        canvas.fill({0, y, w, y + 1}, c);
    }
    if (List* shapes = asList(field(entry, "Shapes"))) {
        for (int32_t i = 0; i < shapes->count(); ++i) {
            List* s = asList(shapes->get(i));
            if (!s || s->count() < 5)
                continue;
            std::string kind(textOf(s->get(0)));
            if (kind == "box" && s->count() >= 6) {
                canvas.fill(platform::Rect::sized(s->getInt(1), s->getInt(2), s->getInt(3), s->getInt(4)), pixelOf(s->getInt(5)));
            } else if (kind == "frame" && s->count() >= 7) {
                canvas.frame(platform::Rect::sized(s->getInt(1), s->getInt(2), s->getInt(3), s->getInt(4)), pixelOf(s->getInt(5)),
                             s->getInt(6));
            } else if (kind == "disc") {
                int cx = s->getInt(1), cy = s->getInt(2), r = s->getInt(3);
                for (int y = -r; y <= r; ++y) {
                    int half = static_cast<int>(std::sqrt(static_cast<double>(r * r - y * y)));
                    canvas.fill({cx - half, cy + y, cx + half + 1, cy + y + 1}, pixelOf(s->getInt(4)));
                }
            }
        }
    }
    if (List* texts = asList(field(entry, "Texts"))) {
        for (int32_t i = 0; i < texts->count(); ++i) {
            List* t = asList(texts->get(i));
            if (!t || t->count() < 5)
                continue;
            canvas.setFont(DrawingSurface::fontSpecFor(t->get(3)));
            canvas.drawText(t->getInt(1), t->getInt(2), textOf(t->get(0)), pixelOf(t->getInt(4)), -1);
        }
    }
}

} // namespace

bool makePicture(const fs::path& target, const Value& entry)
{
    int w = 640, h = 480;
    sizeField(entry, "Size", w, h);
    platform::Canvas canvas(w, h);
    drawPicture(entry, canvas);
    return target.extension() == ".jpg" ? writeJpeg(target, canvas.pixels()) : writeBitmap(target, canvas.pixels());
}

} // namespace vel::discgen
