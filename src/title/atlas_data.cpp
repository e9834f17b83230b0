#include "title/atlas_data.h"

#include "runtime/control.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "title/quiet_errors.h"
#include "title/text_form.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

Value titleRecord(Engine& engine, std::string_view name, int32_t number)
{
    const Value archive = titleArchive(engine, name);
    const List* list = asList(archive);
    const Archive* file = asArchive(archive);
    const int32_t count = list ? list->count() : file ? file->count() : 0;
    if (number < 0 || number >= count)
        return Value();
    QuietErrors quiet;
    Value record = list ? list->get(number) : file->get(number);
    return record.is(Tag::List) && !quiet.any() ? record : Value();
}

int32_t titleNumber(Engine& engine, std::string_view name, const Value& key)
{
    Value index = titleIndex(engine, name);
    if (index.isNil() || key.isNil())
        return -1;
    QuietErrors quiet;
    Value number = velGet(index, key);
    if (quiet.any() || !(number.is(Tag::Int) || number.is(Tag::String)))
        return -1;
    return velIntValue(number);
}

Value titleEntry(Engine& engine, std::string_view name)
{
    QuietErrors quiet;
    Value value = engine.resources().load(Value::string(name));
    return quiet.any() ? Value() : value;
}

int32_t menuItemPosition(Engine& engine, std::string_view menu, const Value& text)
{
    const Value form = titleEntry(engine, menu);
    if (!form.is(Tag::Form) || !text.is(Tag::String))
        return -1;
    return positionIn(asForm(form)->getProperty(Value::string("Items")), textOf(text));
}

Value tableEntry(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

int32_t integerOr(const Value& v, int32_t otherwise)
{
    return v.is(Tag::Int) || v.is(Tag::String) || v.is(Tag::Float) ? velIntValue(v) : otherwise;
}

std::string_view textItem(const Value& value)
{
    return value.is(Tag::String) ? textOf(value) : std::string_view();
}

int32_t positionIn(const Value& list, std::string_view text)
{
    if (const List* items = asList(list))
        for (int32_t i = 0; i < items->count(); ++i)
            if (items->get(i).is(Tag::String) && textOf(items->get(i)) == text)
                return i;
    return -1;
}

} // namespace vel

namespace vel::screen {

namespace {

Value control(velFormObject& form, std::string_view name)
{
    Value c = form.findControl(Value::string(name));
    return c.is(Tag::Control) ? c : Value();
}

void perform(const Value& control, std::string_view action, const Value& data = Value())
{
    velPerform(control, Value::string(action), data);
}

} // namespace

void show(velFormObject& form, std::string_view name, bool shown)
{
    if (Value c = control(form, name); !c.isNil()) {
        asControl(c)->setBoolean(Value::string("Hidden"), shown ? 0 : 1);
        perform(c, "Draw");
    }
}

void enable(velFormObject& form, std::string_view name, bool enabled)
{
    if (Value c = control(form, name); !c.isNil()) {
        asControl(c)->setBoolean(Value::string("Disabled"), enabled ? 0 : 1);
        perform(c, "Draw");
    }
}

void setText(velFormObject& form, std::string_view name, const Value& text)
{
    if (Value c = control(form, name); !c.isNil()) {
        perform(c, "Initialize");
        perform(c, "SetText", text.is(Tag::String) ? text : Value::string(""));
    }
}

void setLabel(velFormObject& form, std::string_view name, const Value& text)
{
    if (Value c = control(form, name); !c.isNil()) {
        velPut(c, Value::string("Text"), text.is(Tag::String) ? text : Value::string(""));
        perform(c, "Draw");
    }
}

Value listArgument(velFormObject& form, std::string_view table, int32_t category)
{
    Value argument = velCopy(form.getProperty(Value::string(table)));
    if (!argument.is(Tag::Table))
        argument = Table::make();
    asTable(argument)->put(std::string_view("SCatID"), Value::integer(category));
    return argument;
}

void redraw(velFormObject& form)
{
    form.draw();
    form.engine().updateScreen();
}

void setImages(velFormObject& form, std::string_view name, std::string_view up, std::string_view down)
{
    if (Value c = control(form, name); !c.isNil()) {
        velPut(c, Value::string("UpImage"), form.getProperty(Value::string(up)));
        velPut(c, Value::string("DownImage"), form.getProperty(Value::string(down)));
        perform(c, "Redraw");
    }
}

} // namespace vel::screen
