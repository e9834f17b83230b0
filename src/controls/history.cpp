#include "controls/history.h"

#include "runtime/control.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "value/list.h"

namespace vel {

namespace {

Value makeEntry(const Value& formName, const Value& data)
{
    Value entry = ValueList::make(2);
    asValueList(entry)->append(formName);
    asValueList(entry)->append(data);
    return entry;
}

void setButton(velFormObject& form, const char* name, bool enabled)
{
    Value button = form.findControl(Value::string(name));
    if (velControlObject* c = asControl(button)) {
        c->setBoolean(Value::string("Disabled"), enabled ? 0 : 1);
        c->perform(Value::string("Draw"), Value());
    }
}

} // namespace

History::History(Engine& engine) : engine_(engine), list_(ValueList::make(kMaxEntries)) {}

History& History::of(Engine& engine)
{
    if (auto* kept = dynamic_cast<History*>(engine.navigation().history()))
        return *kept;
    auto made = std::make_unique<History>(engine);
    History& history = *made;
    engine.navigation().keepHistory(std::move(made));
    return history;
}

int32_t History::count() const
{
    return asValueList(list_)->count();
}

Value History::entry(int32_t index) const
{
    return index >= 0 && index < count() ? asValueList(list_)->at(index) : Value();
}

void History::truncateAfter(int32_t index)
{
    ValueList* list = asValueList(list_);
    while (list->count() > index + 1)
        list->removeLast();
}

bool History::canGoBack() const
{
    return index_ > 0 || (index_ == 0 && !showingEntry_);
}

bool History::canGoForward() const
{
    return count() > 0 && index_ < count() - 1;
}

void History::historyAdd(const Value& formName, const Value& data)
{
    // Compared with the current entry rather than the last: after going back, a visit to the screen
    // ahead must still become the current entry.
    if (List* current = asList(entry(index_)); current && current->get(0) == formName && current->get(1) == data) {
        showingEntry_ = true;
        updateHistoryButtons();
        return;
    }
    if (canGoForward())
        truncateAfter(index_);
    ValueList* list = asValueList(list_);
    list->append(makeEntry(formName, data));
    if (list->count() > kMaxEntries)
        list_ = list->right(kMaxEntries);
    index_ = count() - 1;
    showingEntry_ = true;
    updateHistoryButtons();
}

void History::keepShownState()
{
    velFormObject* form = asForm(engine_.currentForm());
    List* current = asList(entry(index_));
    if (!form || !showingEntry_ || !current || !(current->get(0) == form->name()))
        return;
    Value state = form->historyState();
    if (!state.isNil())
        asValueList(list_)->set(index_, makeEntry(form->name(), state));
}

void History::show(int32_t index)
{
    List* target = asList(entry(index));
    if (!target)
        return;
    keepShownState();
    index_ = index;
    showingEntry_ = true;
    shownName_ = target->get(0);
    shownData_ = target->get(1);
    // Held: going to the form may drop the list's last reference to the entry.
    Value name = shownName_, data = shownData_;
    moving_ = true;
    engine_.navigation().goTo(name, data, false);
    moving_ = false;
}

void History::historyBack(bool truncate)
{
    if (!canGoBack())
        return;
    // A screen shown outside the history goes back to the current entry itself.
    show(showingEntry_ ? index_ - 1 : index_);
    if (truncate)
        truncateAfter(index_);
    updateHistoryButtons();
}

void History::historyGo(int32_t index)
{
    if (index < 0 || index >= count())
        return;
    show(index);
    updateHistoryButtons();
}

void History::updateHistoryButtons()
{
    Value current = engine_.currentForm();
    velFormObject* form = asForm(current);
    if (!form)
        return;
    setButton(*form, "GoBack", canGoBack());
    setButton(*form, "GoForward", canGoForward());
    engine_.updateScreen();
}

void History::record(const Value& formName, const Value& historyState)
{
    if (List* current = asList(entry(index_)); showingEntry_ && current && current->get(0) == formName) {
        // The state a form gives when it is left stands for the data it was opened with.
        if (!historyState.isNil())
            asValueList(list_)->set(index_, makeEntry(formName, historyState));
        return;
    }
    historyAdd(formName, historyState.isNil() && formName == shownName_ ? shownData_ : historyState);
}

void History::opened(const Value& formName, const Value& data, bool recorded)
{
    if (moving_)
        return;
    shownName_ = formName;
    shownData_ = data;
    if (recorded) {
        historyAdd(formName, data);
    } else {
        showingEntry_ = false;
        updateHistoryButtons();
    }
}

} // namespace vel
