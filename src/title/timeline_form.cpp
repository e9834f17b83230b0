#include "title/timeline_form.h"

#include "runtime/engine.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr const char* kEras[] = {"BigBang", "PreHistoria", "Antiguidade", "IdadeMedia", "Moderna", "Contemporanea"};


// The year of an entry: an integer, or a text that is wholly a signed number.
std::optional<int32_t> yearOf(const Value& v)
{
    if (v.is(Tag::Int))
        return v.asInt();
    if (!v.is(Tag::String))
        return std::nullopt;
    std::string_view text = textOf(v);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int32_t year = 0;
    for (char c : text)
        year = year * 10 + (c - '0');
    return negative ? -year : year;
}

// The era's place (0 to 5) from its number or its button's name; -1 for neither.
int32_t eraIndex(const Value& era)
{
    if (era.is(Tag::Int))
        return era.asInt() >= 0 && era.asInt() <= 5 ? era.asInt() : -1;
    for (int32_t k = 0; era.is(Tag::String) && k < 6; ++k)
        if (textOf(era) == kEras[k])
            return k;
    return -1;
}

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

} // namespace

void TimeHForm::loadEntries()
{
    entries_ = Value();
    years_.clear();
    Value archive = openDataArchive(engine(), "TimeLine", "dat");
    Archive* a = asArchive(archive);
    if (!a)
        return;
    Value first = a->count() == 1 ? a->get(0) : Value();
    List* whole = asList(first);
    if (whole && whole->count() > 0 && asList(whole->get(0))) {
        entries_ = first;
    } else {
        entries_ = ValueList::make();
        for (int32_t i = 0; i < a->count(); ++i)
            asValueList(entries_)->append(a->get(i));
    }
    List* list = asList(entries_);
    for (int32_t i = 0; i < list->count(); ++i)
        years_.push_back(yearOf(recordItem(list->get(i), 1)));
}

Value TimeHForm::entry(int32_t i) const
{
    List* list = asList(entries_);
    return list && i >= 0 && i < list->count() ? list->get(i) : Value();
}

void TimeHForm::open(const Value& data)
{
    loadEntries();
    Named::open(data);
    // Each era starts at its first entry in the data, whatever the form was written with.
    for (int32_t k = 0; k < 6; ++k)
        for (int32_t i = 0; i < static_cast<int32_t>(years_.size()); ++i)
            if (eraIndex(recordItem(entry(i), 4)) == k) {
                putOnControl(*this, kEras[k], "EntryPoint", Value::integer(i));
                break;
            }
    start_ = 0;
    dataView_ = false;
    Value index = get(data, "RecIndex");
    if (index.is(Tag::Int)) {
        start_ = TimelinePages(static_cast<int32_t>(years_.size())).startAt(index.asInt());
        showDataView(true);
    } else {
        showDataView(false);
    }
}

void TimeHForm::showDataView(bool on)
{
    dataView_ = on;
    if (Value image = engine().resources().load(Value::string(on ? "SecondBG" : "PrimeBG")); !image.isNil())
        setProperty(Value::string("Background Image"), image);
    putOnControl(*this, "AjudaButton", "UpImage", Value::string(on ? "AjudaFormUp" : "AjudaHFUp"));
    putOnControl(*this, "AjudaButton", "DownImage", Value::string(on ? "AjudaFormDn" : "AjudaHFDn"));
    performOnControl(*this, "TLDataGroup", "Show", Value::integer(on ? 1 : 0));
    // The new picture under the page, then the page.
    draw();
    if (on)
        showPage();
    playAudio(engine().resources().load(Value::string(on ? "TimelineSound" : "TimeHSound")), false);
}

void TimeHForm::showPage()
{
    const int32_t count = static_cast<int32_t>(years_.size());
    for (int32_t i = 0; i < TimelinePages::kCells; ++i) {
        const int32_t at = start_ + i;
        showControlText(*this, TimelinePages::cellName(i), at < count ? recordItem(entry(at), 3) : Value());
    }
    const int32_t last = std::min(start_ + TimelinePages::kCells, count) - 1;
    showControlText(*this, "FirstText", recordItem(entry(start_), 2));
    showControlText(*this, "LastText", last >= start_ ? recordItem(entry(last), 2) : Value());
    if (const int32_t era = eraIndex(recordItem(entry(start_), 4)); era >= 0)
        performOnControl(*this, "EraGroup", "SetSelected", Value::string(kEras[era]));
}

void TimeHForm::moveTo(int32_t start)
{
    start_ = start;
    if (!dataView_)
        showDataView(true);
    else
        showPage();
}

bool TimeHForm::handleAction(std::string_view name, const Value& control)
{
    const TimelinePages pages(static_cast<int32_t>(years_.size()));
    if (Value entryPoint = velGet(control, Value::string("EntryPoint")); !entryPoint.isNil()) {
        const int32_t at = entryPoint.is(Tag::Int) || entryPoint.is(Tag::String) ? velIntValue(entryPoint) : 0;
        moveTo(pages.startAt(at));
    } else if (name == "Previous") {
        moveTo(pages.back(start_, TimelinePages::kColumn));
    } else if (name == "PrevPage") {
        moveTo(pages.back(start_, TimelinePages::kCells));
    } else if (name == "Next") {
        moveTo(pages.forward(start_, TimelinePages::kColumn));
    } else if (name == "NextPage") {
        moveTo(pages.forward(start_, TimelinePages::kCells));
    } else if (name == "AC" || name == "DC") {
        eraSign_ = name == "AC" ? -1 : 1;
    } else if (name == "Ok") {
        search();
    } else if (name == "GoBack" && dataView_) {
        showDataView(false);
    } else {
        return Named::handleAction(name, control);
    }
    engine().updateScreen();
    return true;
}

void TimeHForm::search()
{
    Value typed = performOnControl(*this, "What2Find", "getText");
    const std::optional<int32_t> year = searchedYear(typed.is(Tag::String) ? textOf(typed) : "", eraSign_);
    const std::optional<int32_t> found = year ? firstEntryFrom(years_, *year) : std::nullopt;
    if (found) {
        const int32_t start = TimelinePages(static_cast<int32_t>(years_.size())).showing(start_, *found);
        if (start != start_ || !dataView_)
            moveTo(start);
    }
    performOnControl(*this, "What2Find", "setText", Value::string(""));
}

Value TimeHForm::historyState()
{
    Value state = Named::historyState();
    if (!dataView_)
        return state;
    if (!state.is(Tag::Table))
        state = Table::make();
    asTable(state)->put(std::string_view("RecIndex"), Value::integer(start_));
    return state;
}

Value TimeHForm::historyTitle() const
{
    Value date = recordItem(entry(start_), 2);
    if (!dataView_ || !date.is(Tag::String))
        return Value::string("Tela inicial da Linha do Tempo");
    return Value::string("Linha do Tempo em: " + std::string(textOf(date)));
}

} // namespace vel
