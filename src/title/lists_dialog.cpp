#include "title/lists_dialog.h"

#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "title/category_lists.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

bool has(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) && asTable(table)->contains(Value::string(key));
}

int32_t integer(const Value& v)
{
    return v.is(Tag::Int) || v.is(Tag::String) || v.is(Tag::Float) ? velIntValue(v) : 0;
}

} // namespace

void ListasDlg::place(const Value& data)
{
    List* parents = asList(get(data, "ParentsList"));
    velFormObject* parent = parents && parents->count() > 0 ? asForm(parents->get(parents->count() - 1)) : nullptr;
    Region* item = parent ? asRegion(parent->getProperty(Value::string("SubItemRect"))) : nullptr;
    int32_t x = 0, y = 0;
    if (has(data, "UseDefaultPosition") && item) {
        x = item->right + 1;
        y = item->top - 3;
    } else if (has(data, "Origin X") || has(data, "Origin Y")) {
        x = integer(get(data, "Origin X")) + integer(get(data, "Offset X"));
        y = integer(get(data, "Origin Y")) + integer(get(data, "Offset Y"));
    } else {
        return; // where its data puts it
    }
    setProperty(Value::string("Origin X"), Value::integer(x));
    setProperty(Value::string("Origin Y"), Value::integer(y));
}

void ListasDlg::open(const Value& data)
{
    engine().setCursor(Cursor::make(CursorKind::Wait));
    chosen_ = false;
    int32_t database = integer(property("dbID"));
    if (has(data, "dbID"))
        database = integer(get(data, "dbID"));
    place(data);
    if (has(data, "Background"))
        setProperty(Value::string("Background Image"), get(data, "Background"));
    fullList_ = has(data, "FullList");
    Value identifiers = get(data, "BrowseList");
    if (!asList(identifiers) || asList(identifiers)->count() == 0) {
        const int32_t category = integer(get(data, "SCatID"));
        fullList_ = fullList_ || category == 0;
        identifiers = categoryIdentifiers(engine(), categoryListFile(database), category);
    }
    ListChoiceDialog::open(data);
    Value list = listControl();
    velPut(list, Value::string("dbID"), Value::integer(database));
    velPerform(list, Value::string("setList"), identifiers.isNil() ? ValueList::make(1) : identifiers);
    if (Value selected = get(data, "Selected"); !selected.isNil())
        velPerform(list, Value::string("setSelection"), Value::integer(integer(selected)));
    draw();
    engine().updateScreen();
    engine().setCursor(Value());
}

Value ListasDlg::result()
{
    Value list = listControl();
    // A dialog ended by the program's end, its controls gone, chose nothing.
    if (!list.is(Tag::Control))
        return Value();
    Value index = velPerform(list, Value::string("getSelection"), Value());
    Value text = velPerform(list, Value::string("getSelectionStr"), Value());
    if (!chosen_ || text.isNil())
        return Value();
    Value chosen = Table::make();
    asTable(chosen)->put(std::string_view("Text"), text);
    if (fullList_) {
        asTable(chosen)->put(std::string_view("FullList"), Value::boolean(1));
        asTable(chosen)->put(std::string_view("Index"), index);
    }
    return chosen;
}

} // namespace vel
