#include "controls/library_form.h"

#include <algorithm>

#include "controls/control_idle.h"
#include "controls/history.h"
#include "runtime/control.h"
#include "runtime/engine.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kTab = 9;
constexpr int32_t kShift = 1;

} // namespace

template <class Base>
Value LibraryForm<Base>::controlMouseEnter(const Value& control, int32_t x, int32_t y)
{
    Value state = Base::controlMouseEnter(control, x, y);
    services_.controlEntered(control, x, y);
    return state;
}

template <class Base>
void LibraryForm<Base>::controlMouseLeave(const Value& control, int32_t x, int32_t y)
{
    services_.dismissTip();
    Base::controlMouseLeave(control, x, y);
}

template <class Base>
void LibraryForm<Base>::mouseOver(int32_t x, int32_t y)
{
    Base::mouseOver(x, y);
    services_.pointerMoved(x, y);
}

template <class Base>
void LibraryForm<Base>::mouseDown(int32_t x, int32_t y)
{
    services_.dismissTip();
    Base::mouseDown(x, y);
}

template <class Base>
void LibraryForm<Base>::keyDown(int32_t keyCode, int32_t flags)
{
    services_.dismissTip();
    if (keyCode == kTab && services_.tab((flags & kShift) != 0))
        return;
    Base::keyDown(keyCode, flags);
}

template <class Base>
void LibraryForm<Base>::deactivated()
{
    // Whatever covers the form next (a dialog) must not find the tip in what it saves.
    services_.dismissTip();
    Base::deactivated();
}

template <class Base>
void LibraryForm<Base>::afterOpen()
{
    Base::afterOpen();
    narrate(false);
}

template <class Base>
void LibraryForm<Base>::close()
{
    services_.formClosing();
    Base::close();
}

template <class Base>
void LibraryForm<Base>::dataEvent(const Value& first, const Value& second)
{
    services_.mediaNotified(first);
    Base::dataEvent(first, second);
}

template <class Base>
void LibraryForm<Base>::controlClicked(const Value& control)
{
    velControlObject* c = asControl(control);
    Value name = c ? this->engine().resources().resolve(c->property("Name")) : Value();
    if (name.is(Tag::String) && textOf(name) == "GoBack")
        services_.history().historyBack(false);
    else if (name.is(Tag::String) && textOf(name) == "GoForward")
        services_.history().historyForward();
    else
        Base::controlClicked(control);
}

template <class Base>
uint32_t LibraryForm<Base>::onIdle()
{
    Value keep = this->self();
    uint32_t due = services_.idle();
    // The list is held: a control's turn may take the form elsewhere.
    const Value controls = this->controlList_;
    const List* list = asList(controls);
    for (int32_t i = 0; list && i < list->count(); ++i) {
        const Value control = list->get(i);
        if (auto* work = dynamic_cast<ControlIdleWork*>(control.object()))
            due = std::min(due, work->idle());
    }
    return due;
}

template class LibraryForm<velFormObject>;
template class LibraryForm<velDialogObject>;

Value velLibraryForm::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new velLibraryForm(engine_, data));
}

} // namespace vel
