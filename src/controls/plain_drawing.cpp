#include "controls/plain_drawing.h"

#include <algorithm>

#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/framework_timer.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/surface.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

bool isAction(const Value& action, std::string_view name)
{
    return action.is(Tag::String) && textOf(action) == name;
}

bool integerOf(const Value& data, int32_t& out)
{
    if (data.is(Tag::Int)) {
        out = data.asInt();
        return true;
    }
    if (data.is(Tag::Float)) {
        float f = data.asFloat();
        if (!(f >= -2147483648.0f && f < 2147483648.0f))
            return false;
        out = static_cast<int32_t>(f);
        return true;
    }
    if (List* list = asList(data); list && list->count() > 0)
        return integerOf(list->get(0), out);
    return false;
}

Value dataItem(const Value& data, int32_t i)
{
    List* list = asList(data);
    return list && i >= 0 && i < list->count() ? list->get(i) : Value();
}

int32_t numberOr(const Value& v, int32_t defaultValue)
{
    int32_t n = defaultValue;
    if (v.is(Tag::Int) || v.is(Tag::Float))
        integerOf(v, n);
    return n;
}

bool nextPressEvent(Engine& engine, int32_t mask, EventRecord& event)
{
    if (!engine.nextNestedEvent(mask, event))
        return false;
    if (velFormObject* form = asForm(engine.currentForm())) {
        FormPoint p = form->toFormCoordinates({event.x, event.y});
        event.x = p.x, event.y = p.y;
    }
    return true;
}

void followRepeatingPress(Engine& engine, int32_t initialRepeat, int32_t repeatRate,
                          const std::function<void(int32_t x, int32_t y)>& dragged,
                          const std::function<void()>& repeat)
{
    FrameworkTimer* timer = engine.frameworkTimer();
    if (timer)
        timer->set(initialRepeat);
    bool first = true;
    EventRecord e;
    while (nextPressEvent(engine, event_kind::MouseDrag | event_kind::MouseUp | event_kind::Timer, e)) {
        if (e.kind == event_kind::MouseUp)
            break;
        if (e.kind == event_kind::MouseDrag) {
            dragged(e.x, e.y);
            continue;
        }
        if (first && timer) {
            timer->set(repeatRate);
            first = false;
        }
        repeat();
    }
    if (timer)
        timer->kill();
    // A tick that came due as the press ended belongs to it.
    if (EventQueue* events = engine.events())
        events->discard(event_kind::Timer);
}

void drawBevel(DrawingSurface& surface, const platform::Rect& r, int32_t face, bool pressed)
{
    if (r.empty())
        return;
    surface.fill(r, face);
    const int32_t light = colorRef(250, 250, 250), dark = colorRef(90, 90, 90);
    const int32_t topLeft = pressed ? dark : light, bottomRight = pressed ? light : dark;
    // Two pixels of edge where the face is large enough to keep some of its own colour.
    const int edge = std::clamp(std::min(r.width(), r.height()) / 4, 1, 2);
    for (int i = 0; i < edge; ++i) {
        surface.fill({r.left + i, r.top + i, r.right - i, r.top + i + 1}, topLeft);
        surface.fill({r.left + i, r.top + i, r.left + i + 1, r.bottom - i}, topLeft);
        surface.fill({r.left + i, r.bottom - i - 1, r.right - i, r.bottom - i}, bottomRight);
        surface.fill({r.right - i - 1, r.top + i, r.right - i, r.bottom - i}, bottomRight);
    }
}

void SavedBackground::saveOnce(DrawingSurface& surface, const platform::Rect& area)
{
    if (saved() || area.empty())
        return;
    area_ = area;
    // At the surface's own resolution: it is only ever drawn back.
    image_ = captureImage(surface.context(), area.left + surface.originX(), area.top + surface.originY(),
                          area.width(), area.height(), Value(), true);
}

void SavedBackground::restore(DrawingSurface& surface) const
{
    restore(surface, area_);
}

void SavedBackground::restore(DrawingSurface& surface, const platform::Rect& r) const
{
    const platform::Rect part = r.intersect(area_);
    if (!saved() || part.empty())
        return;
    velDrawImage(surface.context(), image_, part.left, part.top, part.width(), part.height(), part.left - area_.left,
                 part.top - area_.top);
}

void drawArrow(DrawingSurface& surface, const platform::Rect& r, ArrowDirection direction, int32_t color)
{
    const bool vertical = direction == ArrowDirection::Up || direction == ArrowDirection::Down;
    // The head's depth along its direction, half its base across it.
    const int across = vertical ? r.width() : r.height();
    const int along = vertical ? r.height() : r.width();
    const int depth = std::max(0, std::min(across / 3, along / 2 - 1));
    if (depth <= 0)
        return;
    const int cx = r.left + r.width() / 2, cy = r.top + r.height() / 2;
    for (int i = 0; i < depth; ++i) {
        // Row i from the tip: 2i + 1 pixels wide.
        int offset = i - depth / 2;
        switch (direction) {
        case ArrowDirection::Up: surface.fill({cx - i, cy + offset, cx + i + 1, cy + offset + 1}, color); break;
        case ArrowDirection::Down: surface.fill({cx - i, cy - offset, cx + i + 1, cy - offset + 1}, color); break;
        case ArrowDirection::Left: surface.fill({cx + offset, cy - i, cx + offset + 1, cy + i + 1}, color); break;
        case ArrowDirection::Right: surface.fill({cx - offset, cy - i, cx - offset + 1, cy + i + 1}, color); break;
        }
    }
}

} // namespace vel
