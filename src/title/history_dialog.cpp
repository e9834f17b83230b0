#include "title/history_dialog.h"

#include "controls/history.h"
#include "runtime/engine.h"
#include "value/builtins.h"
#include "value/error.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

void HistoryDlg::open(const Value& argument)
{
    chosen_ = false;
    shown_.clear();
    ListChoiceDialog::open(argument);
    History& history = services().history();
    const int32_t count = history.count();
    // The current entry holds the data its screen was opened with until the screen is left; what
    // the screen would leave now carries its title.
    velFormObject* current = asForm(below());
    Value texts = ValueList::make(count > 0 ? count : 1);
    for (int32_t i = count - 1; i >= 0; --i) {
        Value held = asList(history.list())->get(i);
        List* entry = asList(held);
        if (!entry)
            continue;
        Value name = entry->get(0), data = entry->get(1);
        if (i == history.index() && current && current->name() == name)
            if (Value state = current->historyState(); !state.isNil())
                data = state;
        shown_.push_back({name, data, i});
        asValueList(texts)->append(entryText(name, data));
    }
    Value list = listControl();
    velPerform(list, Value::string("setList"), texts);
    if (history.index() >= 0)
        velPerform(list, Value::string("setSelection"), Value::integer(count - history.index() - 1));
    velPerform(list, Value::string("Draw"), Value());
}

Value HistoryDlg::entryText(const Value& formName, const Value& data) const
{
    if (data.is(Tag::String))
        return data;
    if (Table* t = asTable(data)) {
        if (t->contains(Value::string("History Text")))
            return t->get(std::string_view("History Text"));
        Value message = engine().resources().load(Value::string("No Text Error"));
        velError(message.is(Tag::String) ? message : Value::string("No Text Error"));
    }
    // Every entry keeps its line, so that a line's place is its entry's.
    return formName;
}

Value HistoryDlg::result()
{
    Value list = listControl();
    Value selection = velPerform(list, Value::string("getSelection"), Value());
    if (!chosen_ || !selection.is(Tag::Int) || selection.asInt() < 0 ||
        selection.asInt() >= static_cast<int32_t>(shown_.size()))
        return Value();
    const Shown& chosen = shown_[selection.asInt()];
    Value jump = Table::make();
    Table* t = asTable(jump);
    t->put(std::string_view("Jump Form"), chosen.name);
    t->put(std::string_view("Jump Table"), chosen.data);
    t->put(std::string_view("Jump Index"), Value::integer(chosen.index));
    return jump;
}

} // namespace vel
