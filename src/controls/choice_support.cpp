#include "controls/choice_support.h"

#include "runtime/engine.h"
#include "runtime/event.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

bool isAction(const Value& action, std::string_view name)
{
    return action.is(Tag::String) && textOf(action) == name;
}

std::string textForm(const Value& v)
{
    if (v.is(Tag::String))
        return std::string(textOf(v));
    return v.isNil() ? std::string() : displayForm(v);
}

FormPoint formPointOf(Engine& engine, const EventRecord& e)
{
    FormPoint p{e.x, e.y};
    if (velFormObject* form = asForm(engine.currentForm()))
        p = form->toFormCoordinates(p);
    return p;
}

} // namespace vel
