#include "runtime/navigation.h"

#include "runtime/engine.h"
#include "runtime/form.h"
#include "value/error.h"
#include "value/printer.h"

namespace vel {

namespace {

// Only the boolean false keeps a form out; an absent property or the integer 0 does not.
bool inHistory(const velFormObject& form)
{
    Value include = form.property("Include In History");
    return !(include.is(Tag::Boolean) && include.asInt() == 0);
}

} // namespace

void Navigation::goTo(const Value& specification, const Value& data, bool recordHistory)
{
    Value previous = engine_.currentForm();
    if (velFormObject* current = asForm(previous)) {
        // Asking for the screen already shown only hands it the data: nothing is left, so nothing
        // goes into the history.
        if (current->name() == specification) {
            current->reopen(data);
            return;
        }
        if (recordHistory && inHistory(*current) && history_)
            history_->record(current->name(), current->historyState());
        current->close();
    }
    engine_.setCurrentForm(Value());
    Value form = specification;
    if (!form.is(Tag::Form)) {
        form = engine_.resources().load(specification);
        if (!form.isNil() && !form.is(Tag::Form))
            form = engine_.resources().load(form);
    }
    velFormObject* next = asForm(form);
    if (!next) {
        velError("Cannot find form named '" + displayForm(specification) + "'");
        return;
    }
    engine_.setCurrentForm(form);
    next->open(data);
    next->afterOpen();
    // After open has gone on to another form, that one was told already.
    if (history_ && engine_.currentForm().object() == form.object())
        history_->opened(next->name(), data, recordHistory && inHistory(*next));
}

} // namespace vel
