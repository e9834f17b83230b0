#include "controls/choice_support.h"

#include "value/printer.h"
#include "value/string.h"

namespace vel {

std::string textForm(const Value& v)
{
    if (v.is(Tag::String))
        return std::string(textOf(v));
    return v.isNil() ? std::string() : displayForm(v);
}

} // namespace vel
