#include "title/title_form.h"

#include "index/value_index.h"
#include "platform/media_path.h"
#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "runtime/event_queue.h"
#include "title/quiet_errors.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

template <class Base>
void TitleForm<Base>::open(const Value& data)
{
    argument_ = data;
    Base::open(data);
}

template <class Base>
void TitleForm<Base>::keyDown(int32_t keyCode, int32_t flags)
{
    if (keyCode == key_code::F1 && flags == 0) {
        this->openHelp();
        return;
    }
    Base::keyDown(keyCode, flags);
}

template <class Base>
void TitleForm<Base>::controlClicked(const Value& control)
{
    Value keep = this->self(), name;
    std::string_view text = controlName(this->engine(), control, name);
    if (text.empty() || !handleAction(text, control))
        Base::controlClicked(control);
}

template <class Base>
Value TitleForm<Base>::historyState()
{
    Value title = historyTitle();
    if (title.isNil())
        return Base::historyState();
    // A copy: the caller's table may be shown again elsewhere with its own title.
    Value state = argument_.is(Tag::Table) ? velCopy(argument_) : Table::make();
    asTable(state)->put(std::string_view("History Text"), title);
    return state;
}

template class TitleForm<velLibraryForm>;
template class TitleForm<velLibraryDialog>;

std::string_view controlName(Engine& engine, const Value& control, Value& keep)
{
    velControlObject* c = asControl(control);
    keep = c ? engine.resources().resolve(c->property("Name")) : Value();
    return keep.is(Tag::String) ? textOf(keep) : std::string_view();
}

void goToForm(Engine& engine, std::string_view form, const Value& data)
{
    engine.setCursor(Cursor::make(CursorKind::Wait));
    engine.navigation().goTo(Value::string(form), data, true);
    engine.setCursor(Value());
}

Value runNamedDialog(Engine& engine, std::string_view dialog, const Value& data)
{
    return runDialog(engine, Value::string(dialog), data);
}

void requestQuit(Engine& engine)
{
    EventRecord request;
    request.kind = event_kind::CloseRequest;
    if (EventQueue* events = engine.events())
        events->postCloseRequest(request);
}

Value tableOf(std::initializer_list<std::pair<const char*, Value>> entries)
{
    Value table = Table::make();
    for (const auto& [key, value] : entries)
        asTable(table)->put(std::string_view(key), value);
    return table;
}

Value recordItem(const Value& record, int32_t n)
{
    List* list = asList(record);
    return list && n >= 0 && n < list->count() ? list->get(n) : Value();
}

int32_t wrappedPosition(int32_t position, int32_t by, int32_t count)
{
    return count > 0 ? ((position + by) % count + count) % count : -1;
}

int32_t wrappedStep(const Value& list, int32_t position, int32_t by)
{
    const List* items = asList(list);
    return wrappedPosition(position, by, items ? items->count() : 0);
}

Value performOnControl(const velFormObject& form, std::string_view control, std::string_view action,
                       const Value& arguments)
{
    Value c = form.findControl(Value::string(control));
    return c.is(Tag::Control) ? velPerform(c, Value::string(action), arguments) : Value();
}

void putOnControl(const velFormObject& form, std::string_view control, std::string_view key, const Value& value)
{
    if (Value c = form.findControl(Value::string(control)); c.is(Tag::Control))
        velPut(c, Value::string(key), value);
}

void showControlText(const velFormObject& form, std::string_view control, const Value& text)
{
    performOnControl(form, control, "SetText", text.is(Tag::String) ? text : Value::string(""));
    performOnControl(form, control, "Draw");
}

namespace {

// A data file found through the media search, else in the disc's DAT folder, where the title keeps
// its databases; empty when it is in neither.
std::string dataFilePath(Engine& engine, std::string_view name, std::string_view extension)
{
    std::string path = engine.configuration().findFile(name, extension);
    if (!platform::isFile(path))
        path = platform::pathUnder(engine.configuration().mediaRoot(), "DAT/" + std::string(name) + "." + std::string(extension));
    return platform::isFile(path) ? path : std::string();
}

} // namespace

Value openDataArchive(Engine& engine, std::string_view name, std::string_view extension)
{
    const std::string path = dataFilePath(engine, name, extension);
    if (path.empty())
        return Value();
    QuietErrors quiet;
    Value archive = Archive::open(Value::string(path), false);
    return quiet.any() || !asArchive(archive) ? Value() : archive;
}

Value openDataIndex(Engine& engine, std::string_view name)
{
    const std::string path = dataFilePath(engine, name, "idx");
    if (path.empty() || !ValueIndex::isIndexFile(path))
        return Value();
    QuietErrors quiet;
    Value index = ValueIndex::make(path, false, false, engine.pageCache());
    return quiet.any() ? Value() : index;
}

} // namespace vel
