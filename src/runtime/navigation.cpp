#include "runtime/navigation.h"

#include "runtime/engine.h"
#include "runtime/form.h"
#include "value/error.h"
#include "value/printer.h"

namespace vel {

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
        Value include = current->property("Include In History");
        const bool excluded = include.is(Tag::Boolean) && include.asInt() == 0;
        if (recordHistory && !excluded && history_)
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
}

} // namespace vel
