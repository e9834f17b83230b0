#include "title/title_placeholders.h"

#include "controls/list_box.h"
#include "runtime/engine.h"

namespace vel {

namespace {

template <class Base, Tag kTag = Tag::Form>
void enter(Engine& engine, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        engine.classes().add(Value::adopt(kTag, new Placeholder<Base, kTag>(engine, Value(), name)));
}

} // namespace

void registerTitlePlaceholders(Engine& engine)
{
    enter<MenuDialog>(engine, {"VerbeteMenuForm"});
    enter<ListBox, Tag::Control>(engine, {"TabbedListBox", "PQListBox", "AAListBox"});
    enter<MultiListBox, Tag::Control>(engine, {"PQMultiListBox"});
}

} // namespace vel
