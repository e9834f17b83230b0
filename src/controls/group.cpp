#include "controls/group.h"

#include "runtime/engine.h"
#include "runtime/form.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

bool isAction(std::string_view name, const Value& action)
{
    return action.is(Tag::String) && textOf(action) == name;
}

Value performOn(const Value& control, std::string_view action, const Value& data)
{
    velControlObject* c = asControl(control);
    return c ? c->perform(Value::string(action), data) : Value();
}

} // namespace

Value Group::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new Group(engine_, data));
}

void Group::onFormLoad()
{
    initialise();
}

void Group::initialise()
{
    initialised_ = true;
    if (!asList(property("List")))
        setProperty(Value::string("List"), ValueList::make(100));
    setBoolean(Value::string("Disabled"), 1);
    setBoolean(Value::string("Hidden"), 1);
}

std::vector<Value> Group::members()
{
    std::vector<Value> out;
    List* list = asList(property("List"));
    velFormObject* form = asForm(engine_.currentForm());
    for (int32_t i = 0; list && i < list->count(); ++i) {
        Value member = engine_.resources().resolve(list->get(i));
        if (!member.is(Tag::Control) && form)
            member = form->findControl(member);
        if (member.is(Tag::Control))
            out.push_back(member);
    }
    return out;
}

Value Group::perform(const Value& action, const Value& arguments)
{
    if (!initialised_)
        initialise();
    // The group's own "Hidden" and "Disabled" only keep it away from the mouse; what the members
    // were last told is kept apart, and a group not yet told anything is shown and enabled.
    if (isAction("isVisible", action))
        return has("Visible") ? property("Visible") : Value::boolean(true);
    if (isAction("isEnabled", action))
        return has("Enabled") ? property("Enabled") : Value::boolean(true);
    if (isAction("Show", action) || isAction("Enable", action)) {
        const bool show = isAction("Show", action), on = isTrue(arguments);
        setBoolean(Value::string(show ? "Visible" : "Enabled"), on);
        for (const Value& member : members()) {
            asControl(member)->setBoolean(Value::string(show ? "Hidden" : "Disabled"), !on);
            if (show)
                performOn(member, "Draw", Value());
        }
        if (show)
            flush();
        return Value();
    }
    if (isAction("AddControl", action) || isAction("DelControl", action)) {
        if (List* list = asList(property("List"))) {
            if (isAction("AddControl", action))
                list->append(arguments);
            else
                list->removeAllEqual(arguments);
        }
        return Value();
    }
    if (isAction("Draw", action)) {
        for (const Value& member : members())
            performOn(member, "Draw", Value());
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

Value RadioGroup::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new RadioGroup(engine_, data));
}

Value RadioGroup::perform(const Value& action, const Value& arguments)
{
    if (!isAction("Notify", action) && !isAction("SetSelected", action))
        return Group::perform(action, arguments);
    for (const Value& member : members()) {
        const bool chosen = asControl(member)->property("Name") == arguments;
        performOn(member, "Select", Value::boolean(chosen));
    }
    return Value();
}

} // namespace vel
